#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QToolBar>
#include <QToolButton>

#include "frontends/desktop/desktop_test_support.h"
#include "frontends/desktop/qt_command_bars.h"
#include "support/fakes.h"

namespace kestrix::desktop {
namespace {

using host::BarPosition;
using testing::ProcessEvents;

std::string Bmp(int size) {
  QImage image(size, size, QImage::Format_RGB32);
  image.fill(Qt::darkRed);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "BMP");
  return bytes.toStdString();
}

class CommandBarsTest : public ::testing::Test {
 protected:
  CommandBarsTest() : add_ins_(window_.menuBar()->addMenu("Add-Ins")), bars_(window_, *add_ins_) {
    bars_.SetErrorReporter([this](const std::string& message) { errors_.push_back(message); });
    window_.show();
  }

  QToolButton* ButtonWidget(QtCommandBar& bar, int index) {
    return qobject_cast<QToolButton*>(bar.toolbar()->widgetForAction(bar.Button(index).action()));
  }

  QMainWindow window_;
  QMenu* add_ins_;
  QtCommandBars bars_;
  std::vector<std::string> errors_;
};

TEST_F(CommandBarsTest, AddInBarAtTheBottomWithAButton) {
  auto* bar = dynamic_cast<QtCommandBar*>(bars_.Add("Kestrix", BarPosition::kBottom, false, false));
  ASSERT_NE(bar, nullptr);
  EXPECT_FALSE(bar->Visible());  // hidden until the add-in shows it
  host::CommandBarButton& button = bar->AddButton();
  int clicks = 0;
  button.SetCaption("Kestrix");
  button.SetToolTipText("Builds a crash proof version");
  button.SetFace(Bmp(32));
  button.SetStyle(host::ButtonStyle::kIconAndCaption);
  button.SetClickHandler([&](host::CommandBarButton& clicked, bool& handled, bool& cancel) {
    EXPECT_EQ(&clicked, &button);
    EXPECT_FALSE(handled);
    EXPECT_FALSE(cancel);
    ++clicks;
  });
  bar->SetVisible(true);
  EXPECT_TRUE(bar->Visible());
  EXPECT_TRUE(bar->toolbar()->isVisible());
  EXPECT_EQ(window_.toolBarArea(bar->toolbar()), Qt::BottomToolBarArea);

  QToolButton* widget = ButtonWidget(*bar, 0);
  ASSERT_NE(widget, nullptr);
  EXPECT_EQ(widget->text(), "Kestrix");
  EXPECT_EQ(widget->toolTip(), "Builds a crash proof version");
  EXPECT_FALSE(widget->icon().isNull());
  EXPECT_EQ(widget->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
  widget->click();
  EXPECT_EQ(clicks, 1);

  EXPECT_EQ(bars_.Add("Kestrix", BarPosition::kTop, false, false), nullptr);
  EXPECT_EQ(bars_.Find("Kestrix"), bar);
  QPointer<QToolBar> toolbar = bar->toolbar();
  bar->Delete();
  EXPECT_EQ(bars_.Count(), 0);
  EXPECT_EQ(bars_.Find("Kestrix"), nullptr);
  ProcessEvents();
  EXPECT_TRUE(toolbar.isNull());
}

TEST_F(CommandBarsTest, FaceMustBeABitmap) {
  host::CommandBar* bar = bars_.Add("b", BarPosition::kTop, false, false);
  host::CommandBarButton& button = bar->AddButton();
  EXPECT_EQ(kestrix::testing::IdeErrorOf([&] { button.SetFace("not a picture"); }).Number(),
            host::kErrInvalidCall);
}

TEST_F(CommandBarsTest, MenuBarGoesIntoTheAddInsMenu) {
  auto* bar = dynamic_cast<QtCommandBar*>(bars_.Add("Tools", BarPosition::kTop, true, false));
  ASSERT_NE(bar->menu(), nullptr);
  int clicks = 0;
  host::CommandBarButton& item = bar->AddButton();
  item.SetCaption("Run");
  item.SetClickHandler([&](host::CommandBarButton&, bool&, bool&) { ++clicks; });
  EXPECT_FALSE(bar->menu()->menuAction()->isVisible());
  bar->SetVisible(true);
  EXPECT_TRUE(add_ins_->actions().contains(bar->menu()->menuAction()));
  bar->Button(0).action()->trigger();
  EXPECT_EQ(clicks, 1);
  QAction* menu_action = bar->menu()->menuAction();
  bar->Delete();
  EXPECT_FALSE(add_ins_->actions().contains(menu_action));
}

TEST_F(CommandBarsTest, HandlerMayDeleteItsBarOrThrow) {
  host::CommandBar* bar = bars_.Add("b", BarPosition::kBottom, false, false);
  bar->SetVisible(true);
  host::CommandBarButton& thrower = bar->AddButton();
  thrower.SetClickHandler([](host::CommandBarButton&, bool&, bool&) {
    throw host::IdeError(host::kErrInvalidCall, "the add-in failed", "Connect");
  });
  int after = 0;
  bars_.SetAfterClick([&] { ++after; });
  auto* qt_bar = dynamic_cast<QtCommandBar*>(bar);
  ButtonWidget(*qt_bar, 0)->click();
  EXPECT_EQ(errors_, std::vector<std::string>{"the add-in failed"});

  host::CommandBarButton& deleter = bar->AddButton();
  deleter.SetClickHandler([bar](host::CommandBarButton&, bool&, bool&) { bar->Delete(); });
  ButtonWidget(*qt_bar, 1)->click();
  ProcessEvents();
  EXPECT_EQ(bars_.Count(), 0);
  EXPECT_EQ(after, 2);
  EXPECT_TRUE(window_.findChildren<QToolBar*>().isEmpty());
}

}  // namespace
}  // namespace kestrix::desktop

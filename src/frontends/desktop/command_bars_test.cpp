#include <gtest/gtest.h>

#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include "frontends/desktop/desktop_test_support.h"
#include "frontends/desktop/qt_command_bars.h"
#include "support/fakes.h"

namespace kestrix::desktop {
namespace {

using host::BarPosition;
using testing::ProcessEvents;

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

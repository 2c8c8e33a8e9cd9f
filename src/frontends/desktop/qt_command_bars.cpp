#include "frontends/desktop/qt_command_bars.h"

#include <QAction>
#include <QImage>
#include <QMainWindow>
#include <QMenu>
#include <QPixmap>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <exception>

#include "frontends/desktop/display_text.h"
#include "host/ide_error.h"

namespace kestrix::desktop {
namespace {

Qt::ToolButtonStyle QtStyle(host::ButtonStyle style) {
  switch (style) {
    case host::ButtonStyle::kAutomatic:
      return Qt::ToolButtonFollowStyle;
    case host::ButtonStyle::kIcon:
      return Qt::ToolButtonIconOnly;
    case host::ButtonStyle::kCaption:
      return Qt::ToolButtonTextOnly;
    case host::ButtonStyle::kIconAndCaption:
      return Qt::ToolButtonTextBesideIcon;
  }
  return Qt::ToolButtonFollowStyle;
}

Qt::ToolBarArea Area(host::BarPosition position) {
  switch (position) {
    case host::BarPosition::kLeft:
      return Qt::LeftToolBarArea;
    case host::BarPosition::kRight:
      return Qt::RightToolBarArea;
    case host::BarPosition::kBottom:
      return Qt::BottomToolBarArea;
    case host::BarPosition::kTop:
    case host::BarPosition::kFloating:
      break;
  }
  return Qt::TopToolBarArea;
}

// Faces are drawn for small buttons; a larger picture is shown at this size at most.
constexpr int kLargestFace = 32;

}  // namespace

QtCommandBarButton::QtCommandBarButton(QtCommandBars& bars, QAction* action)
    : bars_(bars), action_(action) {
  triggered_ = QObject::connect(action, &QAction::triggered, action, [this] { Click(); });
}

QtCommandBarButton::~QtCommandBarButton() {
  QObject::disconnect(triggered_);
}

void QtCommandBarButton::SetCaption(const std::string& caption) {
  caption_ = caption;
  if (action_) action_->setText(AnsiToDisplay(caption));
}

void QtCommandBarButton::SetToolTipText(const std::string& text) {
  tool_tip_ = text;
  if (action_) action_->setToolTip(AnsiToDisplay(text));
}

void QtCommandBarButton::SetStyle(host::ButtonStyle style) {
  style_ = style;
  ApplyStyle();
}

void QtCommandBarButton::ApplyStyle() {
  if (!action_) return;
  for (QObject* object : action_->associatedObjects()) {
    if (auto* bar = qobject_cast<QToolBar*>(object)) {
      if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action_))) {
        button->setToolButtonStyle(QtStyle(style_));
      }
    }
  }
}

void QtCommandBarButton::SetFace(const std::string& bmp) {
  QImage image = QImage::fromData(reinterpret_cast<const uchar*>(bmp.data()),
                                  static_cast<int>(bmp.size()), "BMP");
  if (image.isNull()) {
    throw host::IdeError(host::kErrInvalidCall, "The button face is not a BMP image",
                         "CommandBarButton");
  }
  if (!action_) return;
  action_->setIcon(QIcon(QPixmap::fromImage(image)));
  for (QObject* object : action_->associatedObjects()) {
    if (auto* bar = qobject_cast<QToolBar*>(object)) {
      QSize size = bar->iconSize().expandedTo(image.size()).boundedTo({kLargestFace, kLargestFace});
      bar->setIconSize(size);
    }
  }
}

void QtCommandBarButton::Click() {
  bool handled = false;
  bool cancel_default = false;
  // The handler may delete the bar, and this button with it: it runs from a copy, and
  // nothing of the button is touched once it has returned.
  ClickHandler handler = handler_;
  QtCommandBars& bars = bars_;
  if (handler) {
    try {
      handler(*this, handled, cancel_default);
    } catch (const std::exception& error) {
      bars.Report(error.what());
    }
  }
  bars.AfterClick();
}

QtCommandBar::QtCommandBar(QtCommandBars& bars, std::string name, QWidget* widget)
    : bars_(bars), name_(std::move(name)), widget_(widget) {}

// The widget is a child of the main window or of its menu, which delete it; a bar deleted
// on its own is taken away by QtCommandBars::Remove.
QtCommandBar::~QtCommandBar() = default;

QToolBar* QtCommandBar::toolbar() const {
  return qobject_cast<QToolBar*>(widget_.data());
}

QMenu* QtCommandBar::menu() const {
  return qobject_cast<QMenu*>(widget_.data());
}

host::CommandBarButton& QtCommandBar::AddButton() {
  auto* action = new QAction(widget_);
  widget_->addAction(action);
  buttons_.push_back(std::make_unique<QtCommandBarButton>(bars_, action));
  buttons_.back()->SetStyle(host::ButtonStyle::kAutomatic);
  return *buttons_.back();
}

void QtCommandBar::SetVisible(bool visible) {
  if (QMenu* bar_menu = menu()) {
    bar_menu->menuAction()->setVisible(visible);
  } else if (widget_) {
    widget_->setVisible(visible);
  }
}

bool QtCommandBar::Visible() const {
  if (QMenu* bar_menu = menu()) return bar_menu->menuAction()->isVisible();
  return widget_ && !widget_->isHidden();
}

void QtCommandBar::Delete() {
  bars_.Remove(*this);
}

QtCommandBars::QtCommandBars(QMainWindow& window, QMenu& add_ins_menu)
    : window_(window), add_ins_menu_(add_ins_menu) {}

QtCommandBars::~QtCommandBars() = default;

void QtCommandBars::Report(const std::string& message) const {
  if (report_) report_(message);
}

void QtCommandBars::AfterClick() const {
  if (after_click_) after_click_();
}

host::CommandBar* QtCommandBars::Add(const std::string& name, host::BarPosition position,
                                     bool menu_bar, bool /*temporary*/) {
  if (Find(name) != nullptr) return nullptr;  // bar names are unique, as in the IDE
  QWidget* widget = nullptr;
  if (menu_bar) {
    QMenu* menu = add_ins_menu_.addMenu(AnsiToDisplay(name));
    menu->menuAction()->setVisible(false);
    widget = menu;
  } else {
    widget = NewToolBar(name, position);
  }
  bars_.push_back(std::make_unique<QtCommandBar>(*this, name, widget));
  return bars_.back().get();
}

QWidget* QtCommandBars::NewToolBar(const std::string& name, host::BarPosition position) {
  auto* bar = new QToolBar(AnsiToDisplay(name), &window_);
  bar->setObjectName(AnsiToDisplay(name));
  if (position == host::BarPosition::kFloating) {
    // A bar of its own window, kept above the main window.
    bar->setWindowFlags(Qt::Tool);
    bar->setWindowTitle(AnsiToDisplay(name));
  } else {
    window_.addToolBar(Area(position), bar);
  }
  bar->hide();
  return bar;
}

host::CommandBar* QtCommandBars::Find(const std::string& name) {
  for (auto& bar : bars_) {
    if (bar->Name() == name) return bar.get();
  }
  return nullptr;
}

void QtCommandBars::Remove(QtCommandBar& bar) {
  auto it = std::find_if(bars_.begin(), bars_.end(),
                         [&](const auto& candidate) { return candidate.get() == &bar; });
  if (it == bars_.end()) return;
  std::unique_ptr<QtCommandBar> doomed = std::move(*it);
  bars_.erase(it);
  if (QToolBar* toolbar = doomed->toolbar()) {
    window_.removeToolBar(toolbar);
    toolbar->hide();
    // The bar's widget may be the one whose click is being handled: it goes once control is
    // back in the event loop.
    toolbar->deleteLater();
  } else if (QMenu* menu = doomed->menu()) {
    add_ins_menu_.removeAction(menu->menuAction());
    menu->deleteLater();
  }
}

}  // namespace kestrix::desktop

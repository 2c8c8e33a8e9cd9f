#pragma once

// The IDE's command bars on the desktop: each bar an add-in adds is a QToolBar of the main
// window, docked where it asked (or a floating tool window), and each button a QAction on it.
// A bar added as a menu bar becomes a submenu of the Add-Ins menu instead. New bars are
// hidden until the add-in makes them visible, as the IDE's are.

#include <QMetaObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/command_bars.h"

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;
class QWidget;

namespace kestrix::desktop {

class QtCommandBars;

class QtCommandBarButton final : public host::CommandBarButton {
 public:
  // `action` belongs to the bar's widget; the button raises its click on every trigger.
  QtCommandBarButton(QtCommandBars& bars, QAction* action);
  ~QtCommandBarButton() override;
  QtCommandBarButton(const QtCommandBarButton&) = delete;
  QtCommandBarButton& operator=(const QtCommandBarButton&) = delete;

  QAction* action() const { return action_; }
  host::ButtonStyle Style() const { return style_; }

  void SetCaption(const std::string& caption) override;
  std::string Caption() const override { return caption_; }
  void SetToolTipText(const std::string& text) override;
  std::string ToolTipText() const override { return tool_tip_; }
  void SetStyle(host::ButtonStyle style) override;
  // Throws host::IdeError kErrInvalidCall when the bytes are not a BMP image.
  void SetFace(const std::string& bmp) override;
  void SetClickHandler(ClickHandler handler) override { handler_ = std::move(handler); }

 private:
  void Click();
  void ApplyStyle();

  QtCommandBars& bars_;
  QPointer<QAction> action_;
  QMetaObject::Connection triggered_;
  std::string caption_, tool_tip_;
  host::ButtonStyle style_ = host::ButtonStyle::kAutomatic;
  ClickHandler handler_;
};

class QtCommandBar final : public host::CommandBar {
 public:
  // `widget` is the bar's QToolBar, or its QMenu for a menu bar.
  QtCommandBar(QtCommandBars& bars, std::string name, QWidget* widget);
  ~QtCommandBar() override;
  QtCommandBar(const QtCommandBar&) = delete;
  QtCommandBar& operator=(const QtCommandBar&) = delete;

  // nullptr for a menu bar.
  QToolBar* toolbar() const;
  QMenu* menu() const;
  int32_t ButtonCount() const { return static_cast<int32_t>(buttons_.size()); }
  QtCommandBarButton& Button(int32_t index) { return *buttons_[static_cast<size_t>(index)]; }

  std::string Name() const override { return name_; }
  host::CommandBarButton& AddButton() override;
  void SetVisible(bool visible) override;
  bool Visible() const override;
  void Delete() override;

 private:
  QtCommandBars& bars_;
  std::string name_;
  QPointer<QWidget> widget_;
  std::vector<std::unique_ptr<QtCommandBarButton>> buttons_;
};

class QtCommandBars final : public host::CommandBars {
 public:
  // Bars go into `window`; menu bars into `add_ins_menu`, after what it holds.
  QtCommandBars(QMainWindow& window, QMenu& add_ins_menu);
  ~QtCommandBars() override;
  QtCommandBars(const QtCommandBars&) = delete;
  QtCommandBars& operator=(const QtCommandBars&) = delete;

  // What a click handler threw is not the host's to handle: it is reported here (a message
  // box in the window) and the click ends.
  void SetErrorReporter(std::function<void(const std::string&)> report) {
    report_ = std::move(report);
  }
  void Report(const std::string& message) const;
  // Called after every click, once its handler has run.
  void SetAfterClick(std::function<void()> after_click) { after_click_ = std::move(after_click); }
  void AfterClick() const;

  // nullptr when a bar of that name exists already. Bars are not kept from one run to the
  // next, so `temporary` changes nothing.
  host::CommandBar* Add(const std::string& name, host::BarPosition position, bool menu_bar,
                        bool temporary) override;
  int32_t Count() const override { return static_cast<int32_t>(bars_.size()); }
  host::CommandBar* Find(const std::string& name) override;
  QtCommandBar* Bar(int32_t index) { return bars_[static_cast<size_t>(index)].get(); }

 private:
  friend class QtCommandBar;
  QWidget* NewToolBar(const std::string& name, host::BarPosition position);
  void Remove(QtCommandBar& bar);

  QMainWindow& window_;
  QMenu& add_ins_menu_;
  std::vector<std::unique_ptr<QtCommandBar>> bars_;
  std::function<void(const std::string&)> report_;
  std::function<void()> after_click_;
};

}  // namespace kestrix::desktop

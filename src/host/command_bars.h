#pragma once

// The IDE's toolbars, as an add-in uses them: it adds a bar with a button and receives the
// button's clicks. The desktop host shows them; the headless host keeps them in memory.

#include <cstdint>
#include <functional>
#include <string>

namespace kestrix::host {

enum class BarPosition : int32_t { kLeft = 0, kTop = 1, kRight = 2, kBottom = 3, kFloating = 4 };
enum class ButtonStyle : int32_t { kAutomatic = 0, kIcon = 1, kCaption = 2, kIconAndCaption = 3 };

class CommandBarButton {
 public:
  virtual ~CommandBarButton() = default;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual std::string Caption() const = 0;
  virtual void SetToolTipText(const std::string& text) = 0;
  virtual std::string ToolTipText() const = 0;
  virtual void SetStyle(ButtonStyle style) = 0;
  // The button's face, as the bytes of a BMP image.
  virtual void SetFace(const std::string& bmp) = 0;
  // Called on every click; `handled` and `cancel_default` follow the IDE's click event.
  using ClickHandler = std::function<void(CommandBarButton&, bool& handled, bool& cancel_default)>;
  virtual void SetClickHandler(ClickHandler handler) = 0;
};

class CommandBar {
 public:
  virtual ~CommandBar() = default;
  virtual std::string Name() const = 0;
  virtual CommandBarButton& AddButton() = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual bool Visible() const = 0;
  // Removes the bar and its buttons from the IDE; the reference becomes invalid.
  virtual void Delete() = 0;
};

class CommandBars {
 public:
  virtual ~CommandBars() = default;
  // Adds a bar; nullptr when the IDE cannot add one.
  virtual CommandBar* Add(const std::string& name, BarPosition position, bool menu_bar,
                          bool temporary) = 0;
  virtual int32_t Count() const = 0;
  virtual CommandBar* Find(const std::string& name) = 0;
};

}  // namespace kestrix::host

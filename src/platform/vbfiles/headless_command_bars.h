#pragma once

// Command bars kept in memory, for a host with no windows: add-ins can add bars and buttons,
// and a caller can click a button.

#include <memory>
#include <string>
#include <vector>

#include "host/command_bars.h"

namespace kestrix::vbfiles {

class HeadlessButton final : public host::CommandBarButton {
 public:
  void SetCaption(const std::string& caption) override { caption_ = caption; }
  std::string Caption() const override { return caption_; }
  void SetToolTipText(const std::string& text) override { tool_tip_ = text; }
  std::string ToolTipText() const override { return tool_tip_; }
  void SetStyle(host::ButtonStyle style) override { style_ = style; }
  host::ButtonStyle Style() const { return style_; }
  void SetFace(const std::string& bmp) override { face_ = bmp; }
  const std::string& Face() const { return face_; }
  void SetClickHandler(ClickHandler handler) override { handler_ = std::move(handler); }
  // Raises the click event as the IDE does.
  void Click();

 private:
  std::string caption_, tool_tip_, face_;
  host::ButtonStyle style_ = host::ButtonStyle::kAutomatic;
  ClickHandler handler_;
};

class HeadlessCommandBars;

class HeadlessBar final : public host::CommandBar {
 public:
  HeadlessBar(HeadlessCommandBars& owner, std::string name, host::BarPosition position)
      : owner_(owner), name_(std::move(name)), position_(position) {}
  std::string Name() const override { return name_; }
  host::BarPosition Position() const { return position_; }
  host::CommandBarButton& AddButton() override;
  void SetVisible(bool visible) override { visible_ = visible; }
  bool Visible() const override { return visible_; }
  void Delete() override;
  int32_t ButtonCount() const { return static_cast<int32_t>(buttons_.size()); }
  HeadlessButton& Button(int32_t index) { return *buttons_[static_cast<size_t>(index)]; }

 private:
  HeadlessCommandBars& owner_;
  std::string name_;
  host::BarPosition position_;
  bool visible_ = false;
  std::vector<std::unique_ptr<HeadlessButton>> buttons_;
};

class HeadlessCommandBars final : public host::CommandBars {
 public:
  host::CommandBar* Add(const std::string& name, host::BarPosition position, bool menu_bar,
                        bool temporary) override;
  int32_t Count() const override { return static_cast<int32_t>(bars_.size()); }
  host::CommandBar* Find(const std::string& name) override;

 private:
  friend class HeadlessBar;
  std::vector<std::unique_ptr<HeadlessBar>> bars_;
};

}  // namespace kestrix::vbfiles

#include "platform/vbfiles/headless_command_bars.h"

#include <algorithm>

namespace kestrix::vbfiles {

void HeadlessButton::Click() {
  bool handled = false;
  bool cancel_default = false;
  if (handler_) handler_(*this, handled, cancel_default);
}

host::CommandBarButton& HeadlessBar::AddButton() {
  buttons_.push_back(std::make_unique<HeadlessButton>());
  return *buttons_.back();
}

void HeadlessBar::Delete() {
  auto& bars = owner_.bars_;
  bars.erase(std::remove_if(bars.begin(), bars.end(),
                            [this](const auto& bar) { return bar.get() == this; }),
             bars.end());
}

host::CommandBar* HeadlessCommandBars::Add(const std::string& name, host::BarPosition position,
                                           bool /*menu_bar*/, bool /*temporary*/) {
  if (Find(name) != nullptr) return nullptr;  // bar names are unique, as in the IDE
  bars_.push_back(std::make_unique<HeadlessBar>(*this, name, position));
  return bars_.back().get();
}

host::CommandBar* HeadlessCommandBars::Find(const std::string& name) {
  for (auto& bar : bars_) {
    if (bar->Name() == name) return bar.get();
  }
  return nullptr;
}

}  // namespace kestrix::vbfiles

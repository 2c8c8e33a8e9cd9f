#include "com/watched_ide.h"

#include <exception>

#include "com/module.h"
#include "host/command_bars.h"
#include "host/ide_error.h"

namespace kestrix::com {

template <class Call>
auto WatchedIde::Watch(const char* step, bool essential, Call call) -> decltype(call()) {
  try {
    return call();
  } catch (const host::IdeError& error) {
    Log(std::string(step) + " failed: " + std::to_string(error.Number()) + " " +
        error.Description());
    if (essential) Keep(step, error.Number(), error.Description());
    throw;
  } catch (const std::exception& error) {
    Log(std::string(step) + " failed: " + error.what());
    if (essential) Keep(step, static_cast<int32_t>(E_FAIL), error.what());
    throw;
  }
}

void WatchedIde::Keep(const char* step, int32_t number, const std::string& description) {
  if (!failure_) failure_ = ToolbarFailure{step, number, description};
}

class WatchedIde::Button final : public host::CommandBarButton {
 public:
  Button(WatchedIde& owner, host::CommandBarButton& button) : owner_(owner), button_(button) {}

  void SetCaption(const std::string& caption) override {
    owner_.Watch("CommandBarButton.Caption", false, [&] { button_.SetCaption(caption); });
  }
  std::string Caption() const override { return button_.Caption(); }
  void SetToolTipText(const std::string& text) override {
    owner_.Watch("CommandBarButton.ToolTipText", false, [&] { button_.SetToolTipText(text); });
  }
  std::string ToolTipText() const override { return button_.ToolTipText(); }
  void SetStyle(host::ButtonStyle style) override {
    owner_.Watch("CommandBarButton.Style", false, [&] { button_.SetStyle(style); });
  }
  void SetFace(const std::string& bmp) override {
    const std::string& face = owner_.face_.empty() ? bmp : owner_.face_;
    owner_.Watch("CommandBarButton.Picture", false, [&] { button_.SetFace(face); });
  }
  void SetClickHandler(ClickHandler handler) override {
    owner_.Watch("CommandBarEvents.Click", true, [&] {
      button_.SetClickHandler([this, handler = std::move(handler)](
                                  host::CommandBarButton&, bool& handled, bool& cancel_default) {
        owner_.guard_([&] { handler(*this, handled, cancel_default); });
      });
    });
  }

 private:
  WatchedIde& owner_;
  host::CommandBarButton& button_;
};

class WatchedIde::Bar final : public host::CommandBar {
 public:
  Bar(WatchedIde& owner, host::CommandBar& bar) : owner_(owner), bar_(bar) {}
  host::CommandBar& inner() { return bar_; }

  std::string Name() const override { return bar_.Name(); }
  host::CommandBarButton& AddButton() override {
    host::CommandBarButton& button =
        owner_.Watch("CommandBarControls.Add", true,
                     [&]() -> host::CommandBarButton& { return bar_.AddButton(); });
    owner_.button_list_.push_back(std::make_unique<Button>(owner_, button));
    return *owner_.button_list_.back();
  }
  void SetVisible(bool visible) override {
    owner_.Watch("CommandBar.Visible", true, [&] { bar_.SetVisible(visible); });
  }
  bool Visible() const override { return bar_.Visible(); }
  void Delete() override {
    owner_.Watch("CommandBar.Delete", false, [&] { bar_.Delete(); });
  }

 private:
  WatchedIde& owner_;
  host::CommandBar& bar_;
};

class WatchedIde::Bars final : public host::CommandBars {
 public:
  Bars(WatchedIde& owner, host::CommandBars& bars) : owner_(owner), bars_(&bars) {}
  void Retarget(host::CommandBars& bars) { bars_ = &bars; }

  host::CommandBar* Add(const std::string& name, host::BarPosition position, bool menu_bar,
                        bool temporary) override {
    host::CommandBar* bar = owner_.Watch(
        "CommandBars.Add", true, [&] { return bars_->Add(name, position, menu_bar, temporary); });
    if (bar == nullptr) {
      owner_.Keep("CommandBars.Add", host::kErrInvalidCall, "The IDE added no toolbar.");
    }
    return Wrap(bar);
  }
  int32_t Count() const override { return bars_->Count(); }
  host::CommandBar* Find(const std::string& name) override { return Wrap(bars_->Find(name)); }

 private:
  host::CommandBar* Wrap(host::CommandBar* bar) {
    if (bar == nullptr) return nullptr;
    for (auto& known : owner_.bar_list_) {
      if (&known->inner() == bar) return known.get();
    }
    owner_.bar_list_.push_back(std::make_unique<Bar>(owner_, *bar));
    return owner_.bar_list_.back().get();
  }

  WatchedIde& owner_;
  host::CommandBars* bars_;
};

WatchedIde::WatchedIde(host::Ide& ide, std::string face, ClickGuard guard)
    : ide_(ide), face_(std::move(face)), guard_(std::move(guard)) {}

WatchedIde::~WatchedIde() = default;

std::optional<ToolbarFailure> WatchedIde::TakeFailure() {
  std::optional<ToolbarFailure> failure = std::move(failure_);
  failure_.reset();
  return failure;
}

host::CommandBars& WatchedIde::GetCommandBars() {
  host::CommandBars& bars =
      Watch("VBE.CommandBars", true, [&]() -> host::CommandBars& { return ide_.GetCommandBars(); });
  if (bars_) {
    bars_->Retarget(bars);
  } else {
    bars_ = std::make_unique<Bars>(*this, bars);
  }
  return *bars_;
}

}  // namespace kestrix::com

#pragma once
// The IDE as the add-in's connection sees it: every call passes to the IDE unchanged, except
// that the toolbar's calls are watched. The first failure of a step the toolbar cannot do
// without (the command bars, the bar, its button, its click handler, showing the bar) is kept
// for the add-in to report; the button gets the face the DLL carries; and the button's click
// handler runs inside a guard, as the IDE calls it from its own event.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "host/ide.h"

namespace kestrix::com {

struct ToolbarFailure {
  std::string step;  // the IDE's member that failed, "CommandBars.Add", …
  int32_t number = 0;
  std::string description;
};

class WatchedIde final : public host::Ide {
 public:
  // Runs a click handler, reporting what it throws.
  using ClickGuard = std::function<void(const std::function<void()>& handler)>;

  // `ide` must outlive this object. `face`: the .bmp every button gets ("": the one the caller
  // hands it).
  WatchedIde(host::Ide& ide, std::string face, ClickGuard guard);
  ~WatchedIde() override;

  // The first failure since the last call, and forgets it.
  std::optional<ToolbarFailure> TakeFailure();

  std::string FullName() const override { return ide_.FullName(); }
  host::Projects& VBProjects() override { return ide_.VBProjects(); }
  host::Project* ActiveVBProject() override { return ide_.ActiveVBProject(); }
  host::CodePane& ActiveCodePane() override { return ide_.ActiveCodePane(); }
  host::CommandBars& GetCommandBars() override;

  class Bars;
  class Bar;
  class Button;

 private:
  friend class Bars;
  friend class Bar;
  friend class Button;
  // Runs one call of the toolbar; a failure of an essential step is kept (the first only).
  template <class Call>
  auto Watch(const char* step, bool essential, Call call) -> decltype(call());
  void Keep(const char* step, int32_t number, const std::string& description);

  host::Ide& ide_;
  std::string face_;
  ClickGuard guard_;
  std::optional<ToolbarFailure> failure_;
  std::unique_ptr<Bars> bars_;
  std::deque<std::unique_ptr<Bar>> bar_list_;
  std::deque<std::unique_ptr<Button>> button_list_;
};

}  // namespace kestrix::com

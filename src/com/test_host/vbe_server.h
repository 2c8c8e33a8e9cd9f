#pragma once
// The IDE's object model served over IDispatch, for testing an add-in without the IDE: the
// VBE root and its projects, components, code modules and code panes answer by the IDE's own
// member names and argument conventions over any host::Ide (in practice the file-backed IDE);
// the toolbars (CommandBars, with a few of the IDE's own bars already there) and the buttons'
// click events (Events.CommandBarEvents, a connection point for the button events'
// dispinterface) are kept here, so that the host can click a button an add-in added and read
// what the add-in made of it.
//
// Everything runs on the thread that created the root, which must be a single-threaded
// apartment (the add-in is called back on it).
#include <oaidl.h>
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/ide.h"

namespace kestrix::com::testing {

// A member made to fail, to see how a client copes with the IDE's errors. `member` is
// "Class.Member" ("VBProject.SaveAs") or a member of any class ("SaveAs"), in any case.
struct VbeFault {
  std::string member;
  int32_t number = host::kErrPathFileAccess;
  std::string description = "The test host refuses this call.";
  int32_t after = 0;  // calls that succeed before the failures begin
};

struct VbeOptions {
  std::vector<VbeFault> faults;
  // Later command bars give buttons a Picture property; older ones answer
  // DISP_E_UNKNOWNNAME for it, and a client must use FaceId instead.
  bool button_picture = true;
};

// The {0002E131-0000-0000-C000-000000000046} dispinterface of a command bar control's events
// (Click is DISPID 1).
inline constexpr IID kDiidCommandBarControlEvents = {
    0x0002E131, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// A new VBE root over `ide`, which must outlive every object handed out; AddRef'd.
IDispatch* NewVbe(host::Ide& ide, VbeOptions options = {});

// The AddIn object the IDE passes with OnConnection (ProgId, Description, Connect, Object),
// for the add-in of `prog_id`; AddRef'd. `vbe` is a root NewVbe returned.
IDispatch* NewAddIn(IDispatch* vbe, std::string prog_id);

// What a client made of a button.
struct ButtonState {
  std::string caption;
  std::string tool_tip;
  std::string tag;
  int32_t style = 0;
  int32_t face_id = 0;
  bool picture_set = false;
  int16_t picture_type = 0;   // PICTYPE_BITMAP, … of the picture set
  int32_t picture_width = 0;  // in HIMETRIC units, as IPicture gives them
  int32_t picture_height = 0;
  int32_t sinks = 0;  // event sinks advised for the button
};

struct BarState {
  std::string name;
  int32_t position = 0;
  bool visible = false;
  std::vector<ButtonState> buttons;
};

// The host's view of a root NewVbe returned.
std::vector<std::string> BarNames(IDispatch* vbe);
std::optional<BarState> FindBar(IDispatch* vbe, std::string_view name);

struct ClickResult {
  bool found = false;  // the bar and the button exist
  int32_t sinks_called = 0;
  bool handled = false;  // the flags as the last sink left them
  bool cancel_default = false;
  HRESULT failure = S_OK;  // the first failing sink's result
};
// Clicks button `index` (1-based) of the bar: every advised sink gets Click(control, handled,
// CancelDefault) in the order they were advised, each seeing the flags the previous one set.
ClickResult ClickButton(IDispatch* vbe, std::string_view bar, int32_t index = 1);

// Sinks still advised on any button, those deleted since included.
int32_t AdvisedSinks(IDispatch* vbe);
// Every member called so far as "Class.Member" with its count, in the order first called.
std::vector<std::pair<std::string, int32_t>> CallCounts(IDispatch* vbe);
// How many calls the fault table made fail.
int32_t FaultsRaised(IDispatch* vbe);

}  // namespace kestrix::com::testing

#include "com/test_host/host_scenario.h"

#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <vector>

#include "com/idt_extensibility2.h"
#include "com/test_host/dispatch_object.h"
#include "com/test_host/host_support.h"
#include "com/test_host/vbe_server.h"
#include "com/test_host/window_check.h"
#include "com/test_host/window_driver.h"
#include "com/test_host/window_tour.h"
#include "host/settings_keys.h"
#include "platform/system/environment.h"
#include "platform/system/process.h"
#include "platform/system/settings_store.h"
#include "platform/vbfiles/file_ide.h"
#include "support/test_support.h"

namespace kestrix::com::testing {
namespace {

namespace fs = std::filesystem;

constexpr wchar_t kClassKey[] = L"Software\\Classes\\CLSID\\{02D0E11A-B407-42A6-BF73-9DA4DB63FBDF}";
constexpr wchar_t kProgIdKey[] = L"Software\\Classes\\Kestrix.Connect";
constexpr wchar_t kAddInKey[] = L"Software\\Microsoft\\Visual Basic\\6.0\\Addins\\Kestrix.Connect";
constexpr wchar_t kGo[] = L"&GO !";
constexpr DWORD kWindowWait = 5000;
constexpr DWORD kCommandWait = 30000;

class Scenario {
 public:
  explicit Scenario(const HostOptions& options)
      : o_(options), watcher_(GetCurrentThreadId()), tour_(steps_, options.screens) {}
  HostResult Run();

 private:
  // Registration and creation.
  void RegisterPerUser();
  bool RegisterPerMachine(bool install);
  system::ProcessResult RunRegsvr32(std::vector<std::string> switches);
  bool Create(Session& session, const std::string& what);

  // The IDE's side.
  bool Open(Session& session, const std::string& group_copy, VbeOptions vbe_options = {});
  bool AddedToolbar(Session& session) const;
  void CheckToolbar(Session& session, const std::string& step);
  void CheckToolbarRemoved(Session& session, const std::string& step);
  void ReportMessages(const std::string& during);
  void Record(Session& session);

  // The add-in's windows.
  HWND MainWindow() const { return FindTopWindow(L"Kestrix", kGo); }
  HWND StatusList() const;
  std::vector<std::string> StatusRows() const;
  bool RunCommand(HWND main, const wchar_t* button, const std::vector<const wchar_t*>& checked);
  bool WaitForCommandEnd();

  // The scenario's parts.
  void FirstConnection();
  void BuildAndClean(Session& session);
  void CheckCleanRestoredTheGroup(Session& session, bool modules_removed);
  void SecondConnection();
  void OlderCommandBars();
  void SurvivesFaults();
  void CompareWithBatch();
  void CheckUnload();
  void CheckOriginalsKept(const std::string& group_copy, const std::string& step);
  void ActiveModule(Session& session, HWND main);

  std::string Appdata(const std::string& who) const { return o_.work + "/appdata-" + who; }
  std::string Settings(const std::string& who, const char* key) const {
    return system::FileSettingsStore(Appdata(who) + "/Kestrix")
        .GetSetting(host::kSettingsApp, host::kSettingsSection, key);
  }
  void UseSettings(const std::string& who);

  const HostOptions& o_;
  Steps steps_;
  MessageBoxWatcher watcher_;
  WindowTour tour_;
  std::vector<MessageRecord> messages_;  // every box answered during the current part
  bool full_add_in_ = false;             // the add-in puts its toolbar up
  bool has_window_ = false;              // its button opens a main window
  Files built_;                          // the tree after the add-in's build
  std::vector<std::string> built_rows_;  // its status rows
  std::vector<std::pair<std::string, int32_t>> calls_;  // over every session, first call first
};

HostResult Scenario::Run() {
  std::error_code error;
  fs::remove_all(system::FileSystemPath(o_.work), error);
  fs::create_directories(system::FileSystemPath(o_.work));
  RegisterPerUser();
  if (!RegisterPerMachine(true)) return steps_.result;
  UseSettings("addin");
  FirstConnection();
  SecondConnection();
  OlderCommandBars();
  SurvivesFaults();
  CheckUnload();
  RegisterPerMachine(false);
  CompareWithBatch();
  std::printf("Object-model members the add-in called over the whole run (calls):\n");
  for (const auto& [member, count] : calls_)
    std::printf("  %s %d\n", member.c_str(), count);
  return steps_.result;
}

// --- Registration ---

system::ProcessResult Scenario::RunRegsvr32(std::vector<std::string> switches) {
  wchar_t folder[MAX_PATH] = {};
  GetSystemDirectoryW(folder, MAX_PATH);
  std::vector<std::string> words = {Utf8(folder) + "\\regsvr32.exe"};
  words.insert(words.end(), switches.begin(), switches.end());
  words.push_back(o_.dll);
  return system::RunProcess(words, 1 << 16);
}

// regsvr32 alone registers for the current user; /u removes it all again.
void Scenario::RegisterPerUser() {
  auto run = RunRegsvr32({"/s"});
  std::wstring server = std::wstring(kClassKey) + L"\\InprocServer32";
  auto path = RegString(HKEY_CURRENT_USER, server, nullptr);
  bool ok = run.exited && run.exit_code == 0 && path &&
            _wcsicmp(path->c_str(), Wide(o_.dll).c_str()) == 0 &&
            RegString(HKEY_CURRENT_USER, server, L"ThreadingModel") == L"Apartment" &&
            RegString(HKEY_CURRENT_USER, std::wstring(kProgIdKey) + L"\\CLSID", nullptr) ==
                L"{02D0E11A-B407-42A6-BF73-9DA4DB63FBDF}" &&
            RegString(HKEY_CURRENT_USER, kAddInKey, L"FriendlyName") == L"Kestrix" &&
            RegString(HKEY_CURRENT_USER, kAddInKey, L"Description").has_value();
  steps_.Check(
      ok, "regsvr32 registers the class, its ProgID and the IDE's add-in key per user",
      "exit " + std::to_string(run.exit_code) + ", server " + Utf8(path.value_or(L"<none>")));
  run = RunRegsvr32({"/s", "/u"});
  ok = run.exited && run.exit_code == 0 && !KeyExists(HKEY_CURRENT_USER, kClassKey) &&
       !KeyExists(HKEY_CURRENT_USER, kProgIdKey) && !KeyExists(HKEY_CURRENT_USER, kAddInKey);
  steps_.Check(ok, "regsvr32 /u removes the per-user keys",
               "exit " + std::to_string(run.exit_code));
}

// The IDE finds the class through the machine's registration (per-user classes are not seen
// by CLSIDFromProgID under Wine).
bool Scenario::RegisterPerMachine(bool install) {
  auto run = install ? RunRegsvr32({"/s", "/n", "/i:machine"})
                     : RunRegsvr32({"/s", "/u", "/n", "/i:machine"});
  bool there = KeyExists(HKEY_LOCAL_MACHINE, kClassKey);
  bool ok = run.exited && run.exit_code == 0 && there == install;
  steps_.Check(
      ok,
      install ? "regsvr32 /n /i:machine registers for every user"
              : "regsvr32 /u /n /i:machine removes the machine's registration",
      "exit " + std::to_string(run.exit_code) + (run.error.empty() ? "" : ", " + run.error));
  return ok;
}

bool Scenario::Create(Session& session, const std::string& what) {
  CLSID clsid = {};
  HRESULT hr = CLSIDFromProgID(Wide(kProgIdText).c_str(), &clsid);
  if (SUCCEEDED(hr)) {
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, kIidExtensibility2,
                          reinterpret_cast<void**>(session.add_in.out()));
  }
  return steps_.Check(SUCCEEDED(hr) && session.add_in,
                      what + ": Kestrix.Connect is created by its ProgID", Hex(hr));
}

// --- The IDE's side ---

void Scenario::UseSettings(const std::string& who) {
  SetEnvironmentVariableW(L"APPDATA", Wide(Appdata(who)).c_str());
  fs::create_directories(system::FileSystemPath(Appdata(who) + "/Kestrix"));
  std::string compiler =
      "\"" + o_.compiler + "\" /make {project_win} /outdir {outdir_win} /out {log_win}";
  system::FileSettingsStore(Appdata(who) + "/Kestrix")
      .SaveSetting(host::kSettingsApp, host::kSettingsSection, host::kKeyCompiler, compiler);
}

bool Scenario::Open(Session& session, const std::string& group_copy, VbeOptions vbe_options) {
  std::error_code error;
  fs::remove_all(system::FileSystemPath(group_copy), error);
  kestrix::testing::CopyTree(o_.examples + "/Shop", group_copy);
  try {
    session.ide->Open(group_copy + "/Shop.vbg");
  } catch (const host::IdeError& failure) {
    return steps_.Check(false, "the IDE opens the example group", failure.Description());
  }
  session.ide->SetCompiler(system::FileSettingsStore().GetSetting(
      host::kSettingsApp, host::kSettingsSection, host::kKeyCompiler));
  session.vbe = Ref<IDispatch>(NewVbe(*session.ide, std::move(vbe_options)));
  session.record = Ref<IDispatch>(NewAddIn(session.vbe.get(), kProgIdText));
  return true;
}

bool Scenario::AddedToolbar(Session& session) const {
  for (const auto& [member, count] : CallCounts(session.vbe.get())) {
    if (member == "CommandBars.Add") return true;
  }
  return false;
}

void Scenario::CheckToolbar(Session& session, const std::string& step) {
  auto bar = FindBar(session.vbe.get(), "Kestrix");
  std::vector<std::string> names = BarNames(session.vbe.get());
  int bars = static_cast<int>(std::count(names.begin(), names.end(), "Kestrix"));
  if (!steps_.Check(bar.has_value() && bars == 1, step + ": one toolbar \"Kestrix\"",
                    std::to_string(bars) + " bar(s) of that name")) {
    return;
  }
  std::string detail = std::to_string(bar->buttons.size()) + " button(s)";
  bool ok = bar->visible && bar->buttons.size() == 1;
  if (!bar->buttons.empty()) {
    const ButtonState& button = bar->buttons[0];
    ok = ok && button.caption == "Kestrix" && !button.tool_tip.empty() && button.style == 3 &&
         (button.picture_set || button.face_id != 0) && button.sinks == 1;
    detail += ", caption \"" + button.caption + "\", style " + std::to_string(button.style) +
              (button.picture_set ? ", a picture" : "") +
              (button.face_id != 0 ? ", face " + std::to_string(button.face_id) : "") + ", " +
              std::to_string(button.sinks) + " sink(s)" + (bar->visible ? ", visible" : ", hidden");
  }
  steps_.Check(ok, step + ": its button is captioned, has a face and an event sink", detail);
}

void Scenario::CheckToolbarRemoved(Session& session, const std::string& step) {
  bool gone = !FindBar(session.vbe.get(), "Kestrix").has_value();
  int sinks = AdvisedSinks(session.vbe.get());
  steps_.Check(gone && sinks == 0, step + ": the toolbar is removed and its events unadvised",
               std::string(gone ? "no bar" : "the bar is still there") + ", " +
                   std::to_string(sinks) + " sink(s) advised");
}

void Scenario::ReportMessages(const std::string& during) {
  for (MessageRecord& record : watcher_.Take()) {
    steps_.Note("message box during " + during + ": \"" + Utf8(record.title) +
                "\": " + Utf8(record.text) + " -> " + Utf8(record.answer));
    messages_.push_back(std::move(record));
  }
}

// Adds the session's calls to the run's.
void Scenario::Record(Session& session) {
  for (const auto& [member, count] : CallCounts(session.vbe.get())) {
    auto same = std::find_if(calls_.begin(), calls_.end(),
                             [&](const auto& call) { return call.first == member; });
    if (same == calls_.end()) {
      calls_.emplace_back(member, count);
    } else {
      same->second += count;
    }
  }
}

// --- The add-in's windows ---

HWND Scenario::StatusList() const {
  for (HWND window : TopWindows(L"")) {
    HWND list = FindControl(window, L"", L"SysListView32");
    if (list != nullptr && ListColumns(list) == 5) return list;
  }
  return nullptr;
}

std::vector<std::string> Scenario::StatusRows() const {
  std::vector<std::string> rows;
  HWND list = StatusList();
  if (list == nullptr) return rows;
  for (const auto& cells : ListRows(list)) {
    std::string row;
    for (size_t i = 0; i < cells.size(); ++i) {
      row += (i == 0 ? "" : "\t") + TsvCell(NarrowAnsi(cells[i].data(), cells[i].size()));
    }
    rows.push_back(row);
  }
  return rows;
}

// A command has ended once the status rows have stayed the same for a second.
bool Scenario::WaitForCommandEnd() {
  size_t rows = static_cast<size_t>(-1);
  ULONGLONG since = GetTickCount64();
  return PumpUntil(
      [&] {
        size_t now = StatusRows().size();
        if (now != rows) {
          rows = now;
          since = GetTickCount64();
        }
        // A command that adds no row (refused, say) has ended once its box was answered.
        return GetTickCount64() - since > (rows > 0 ? 1000u : 3000u);
      },
      kCommandWait);
}

// The control of the main window captioned `text`: the one on the tab shown when there are
// two (the scope options are on two tabs).
HWND Captioned(HWND main, const std::wstring& text) {
  for (const Control& control : VisibleControls(main)) {
    if (control.caption == text) return control.handle;
  }
  return FindControl(main, text);
}

// Shows the tab of `button`, sets the check boxes and option buttons captioned in `checked`
// there, then clicks `button`.
bool Scenario::RunCommand(HWND main, const wchar_t* button,
                          const std::vector<const wchar_t*>& checked) {
  HWND target = FindButton(main, button);
  if (target == nullptr) {
    steps_.Check(false, "the main window has the button \"" + Utf8(button) + "\"");
    return false;
  }
  WindowTour::ShowTabOf(main, target);
  for (const wchar_t* captions : checked) {
    // "A|B": the control is captioned A or B (a caption may follow the scope chosen);
    // "-A": the check box is cleared.
    bool check = captions[0] != L'-';
    std::wstring names = check ? captions : captions + 1;
    HWND control = nullptr;
    for (size_t at = 0; control == nullptr && at <= names.size();) {
      size_t bar = std::min(names.find(L'|', at), names.size());
      control = Captioned(main, names.substr(at, bar - at));
      at = bar + 1;
    }
    if (control == nullptr) {
      steps_.Check(false, "the main window has \"" + Utf8(names) + "\"");
      return false;
    }
    SetChecked(control, check);
  }
  Click(target);
  return WaitForCommandEnd();
}

// --- The scenario ---

void Scenario::FirstConnection() {
  // The diagnostic log is on for this connection.
  std::string log = o_.work + "/kestrix.log";
  SetEnvironmentVariableW(L"KESTRIX_LOG", Wide(log).c_str());
  Session session;
  if (!Create(session, "first connection") || !Open(session, o_.work + "/ide/Shop")) return;
  HRESULT hr = ConnectAddIn(session, false);
  steps_.Check(hr == S_OK, "OnConnection (through the vtable) succeeds", Hex(hr));
  ReportMessages("the first connection");
  full_add_in_ = AddedToolbar(session);
  if (!full_add_in_) {
    steps_.Skip("the toolbar, its button and the main window",
                "the add-in does not add a toolbar yet (it called no CommandBars.Add)");
  } else {
    CheckToolbar(session, "after connecting");
    // A second OnConnection on the same object must leave one toolbar and one sink.
    hr = ConnectAddIn(session, false);
    steps_.Check(SUCCEEDED(hr), "OnConnection again on the connected add-in", Hex(hr));
    ReportMessages("the second OnConnection");
    CheckToolbar(session, "after connecting twice");
    BuildAndClean(session);
  }
  bool window_open = MainWindow() != nullptr;
  hr = DisconnectAddIn(session, false);
  steps_.Check(
      hr == S_OK,
      std::string("OnDisconnection succeeds") + (window_open ? " with the main window open" : ""),
      Hex(hr));
  ReportMessages("the disconnection");
  if (full_add_in_) {
    CheckToolbarRemoved(session, "after disconnecting");
    steps_.Check(MainWindow() == nullptr, "disconnecting closes the main window");
    if (window_open) {
      std::string display = Settings("addin", host::kKeyDisplayOnConnect);
      steps_.Check(display == "1", "the open main window is remembered (DisplayOnConnect)",
                   "\"" + display + "\"");
    }
  }
  Record(session);
  SetEnvironmentVariableW(L"KESTRIX_LOG", nullptr);
  std::string logged = kestrix::testing::ReadFile(log);
  size_t lines = static_cast<size_t>(std::count(logged.begin(), logged.end(), '\n'));
  steps_.Check(logged.find("QueryInterface") != std::string::npos &&
                   logged.find("FullName") != std::string::npos,
               "with KESTRIX_LOG set the add-in logs the interfaces asked for and its IDE calls",
               std::to_string(lines) + " line(s)");
}

void Scenario::BuildAndClean(Session& session) {
  ClickResult click = ClickButton(session.vbe.get(), "Kestrix", 1);
  steps_.Check(click.found && click.sinks_called == 1 && click.failure == S_OK,
               "clicking the button reaches the add-in's sink",
               std::to_string(click.sinks_called) + " sink(s), " + Hex(click.failure));
  HWND main = nullptr;
  PumpUntil([&] { return (main = MainWindow()) != nullptr; }, kWindowWait);
  ReportMessages("the click");
  has_window_ = main != nullptr;
  if (!has_window_) {
    steps_.Skip("building and cleaning through the main window",
                "no window titled \"Kestrix…\" with a \"&GO !\" button appeared");
    return;
  }
  steps_.Check(true, "the button opens the main window", "\"" + Utf8(WindowText(main)) + "\"");
  if (o_.hold_window_ms != 0) PumpFor(o_.hold_window_ms);
  tour_.MainWindow(main);

  bool ended = RunCommand(
      main, kGo, {L"Group of projects", L"Insert Error Handlers", L"Build Projects|Build Project"});
  ReportMessages("the build");
  built_rows_ = StatusRows();
  if (HWND list = StatusList(); list != nullptr) tour_.StatusWindow(GetAncestor(list, GA_ROOT));
  steps_.Check(ended, "\"&GO !\" builds the group; the status window lists the procedures",
               std::to_string(built_rows_.size()) + " row(s)");
  built_ = kestrix::testing::FilesBelow(o_.work + "/ide/Shop");
  int build_folders = 0;
  for (const auto& [path, bytes] : built_)
    build_folders += path.ends_with(".kestrix-build");
  if (!steps_.Check(build_folders == 2, "the build saved both projects into build folders",
                    std::to_string(build_folders) + " build folder(s)")) {
    built_.clear();
    return;
  }
  CheckOriginalsKept(o_.work + "/ide/Shop", "the add-in's build");

  ended = RunCommand(main, L"Remove", {L"Line Numbers", L"Error Handlers", L"Kestrix Modules"});
  ReportMessages("the clean");
  steps_.Check(ended, "\"Remove\" cleans the group",
               std::to_string(StatusRows().size()) + " row(s)");
  CheckCleanRestoredTheGroup(session, true);
  steps_.Check(kestrix::testing::FilesBelow(o_.work + "/ide/Shop") == built_,
               "the clean wrote no file (the IDE saves only when asked)");
  tour_.Dialogs(main);
  ReportMessages("the tour of the dialogs");
}

// After the clean every module in the IDE holds what the original files hold; with
// `modules_removed`, the modules the build added are gone too (a clean of one module leaves
// them: the project's other modules may need them).
void Scenario::CheckCleanRestoredTheGroup(Session& session, bool modules_removed) {
  vbfiles::FileIde original;
  original.Open(o_.examples + "/Shop/Shop.vbg");
  std::string difference;
  host::Projects& projects = session.ide->VBProjects();
  if (projects.Count() != original.Count()) difference = "the number of projects differs";
  for (int32_t p = 1; difference.empty() && p <= projects.Count(); ++p) {
    host::Components& now = projects.Item(p).VBComponents();
    host::Components& was = original.Item(p).VBComponents();
    if (modules_removed && now.Count() != was.Count()) {
      difference = original.Item(p).Name() + " has " + std::to_string(now.Count()) +
                   " components, not " + std::to_string(was.Count());
    }
    for (int32_t c = 1; difference.empty() && c <= was.Count(); ++c) {
      std::string name = was.Item(c).Name();
      host::Component* same = nullptr;
      for (int32_t k = 1; k <= now.Count(); ++k) {
        if (now.Item(k).Name() == name) same = &now.Item(k);
      }
      if (same == nullptr) {
        difference = name + " is missing";
      } else if (CodeOf(*same) != CodeOf(was.Item(c))) {
        difference =
            name + ": " + kestrix::testing::FirstDifference(CodeOf(was.Item(c)), CodeOf(*same));
      }
    }
  }
  steps_.Check(difference.empty(), "after the clean the IDE's code is the original code",
               difference);
}

// A new add-in object connected by name: the main window comes back by itself, "&Exit" closes
// it, and a disconnection with it closed remembers that.
void Scenario::SecondConnection() {
  if (!full_add_in_) return;
  Session session;
  if (!Create(session, "second connection") || !Open(session, o_.work + "/ide2/Shop")) return;
  HRESULT hr = ConnectAddIn(session, true);
  steps_.Check(hr == S_OK, "OnConnection by name (IDispatch) succeeds", Hex(hr));
  ReportMessages("the connection by name");
  CheckToolbar(session, "after connecting by name");
  if (has_window_) {
    HWND main = nullptr;
    bool shown = PumpUntil([&] { return (main = MainWindow()) != nullptr; }, kWindowWait);
    steps_.Check(shown, "the main window open at the last disconnection opens again");
    if (main != nullptr) {
      ActiveModule(session, main);
      HWND exit = FindControl(main, L"&Exit");
      if (exit != nullptr) Click(exit);
      steps_.Check(
          exit != nullptr && PumpUntil([&] { return MainWindow() == nullptr; }, kWindowWait),
          "\"&Exit\" closes the main window");
    }
  }
  hr = DisconnectAddIn(session, true);
  Record(session);
  steps_.Check(hr == S_OK, "OnDisconnection by name succeeds", Hex(hr));
  CheckToolbarRemoved(session, "after disconnecting by name");
  if (has_window_) {
    std::string display = Settings("addin", host::kKeyDisplayOnConnect);
    steps_.Check(display == "0", "a main window closed before disconnecting stays closed next time",
                 "DisplayOnConnect \"" + display + "\"");
  }
  ReportMessages("the second connection");
}

// The module of the active code window alone: instrumented in the IDE, then cleaned again.
void Scenario::ActiveModule(Session& session, HWND main) {
  vbfiles::FileIde original;
  original.Open(o_.examples + "/Shop/Shop.vbg");
  host::Component* module = nullptr;
  host::Components& components = session.ide->ActiveVBProject()->VBComponents();
  for (int32_t c = 1; c <= components.Count(); ++c) {
    if (components.Item(c).Name() == "modShop") module = &components.Item(c);
  }
  if (module == nullptr) return;
  session.ide->SetActiveCodePane(module);
  std::string before = CodeOf(*module);
  RunCommand(main, kGo,
             {L"Active Module", L"Insert Error Handlers", L"-Build Projects|Build Project"});
  ReportMessages("the build of the active module");
  std::string others;  // modules changed beside the active one
  for (int32_t p = 1; p <= original.Count(); ++p) {
    host::Components& was = original.Item(p).VBComponents();
    host::Components& now = session.ide->Item(p).VBComponents();
    for (int32_t c = 1; c <= was.Count() && c <= now.Count(); ++c) {
      if (&now.Item(c) != module && CodeOf(now.Item(c)) != CodeOf(was.Item(c))) {
        others += " " + now.Item(c).Name();
      }
    }
  }
  steps_.Check(CodeOf(*module) != before && others.empty(),
               "\"&GO !\" on the active code window instruments that module alone",
               others.empty() ? "" : "changed too:" + others);
  RunCommand(main, L"Remove",
             {L"Active Module", L"Line Numbers", L"Error Handlers", L"Kestrix Modules"});
  ReportMessages("the clean of the active module");
  CheckCleanRestoredTheGroup(session, false);
  session.ide->SetActiveCodePane(nullptr);
}

// Command bars whose buttons have no Picture property: the face falls back to FaceId.
void Scenario::OlderCommandBars() {
  if (!full_add_in_) return;
  Session session;
  VbeOptions options;
  options.button_picture = false;
  if (!Create(session, "older command bars") || !Open(session, o_.work + "/ide3/Shop", options)) {
    return;
  }
  HRESULT hr = ConnectAddIn(session, false);
  auto bar = FindBar(session.vbe.get(), "Kestrix");
  int32_t face = bar && !bar->buttons.empty() ? bar->buttons[0].face_id : 0;
  steps_.Check(hr == S_OK && face != 0, "without a Picture property the button gets a FaceId",
               Hex(hr) + ", FaceId " + std::to_string(face));
  DisconnectAddIn(session, false);
  Record(session);
  ReportMessages("the older command bars");
}

// An IDE whose object model raises errors: the add-in says so and keeps working.
void Scenario::SurvivesFaults() {
  struct Case {
    const char* what;
    VbeFault fault;
    bool build;
  };
  const Case cases[] = {
      {"the IDE refuses FullName",
       {"VBE.FullName", 91, "Object variable not set (test host)"},
       false},
      {"the IDE refuses a new toolbar",
       {"CommandBars.Add", 70, "Permission denied (test host)"},
       false},
      {"the IDE cannot save a component",
       {"VBComponent.SaveAs", 75, "Path/File access error (test host)"},
       true},
      {"the IDE refuses an edit half-way",
       {"CodeModule.InsertLines", 5, "Invalid procedure call (test host)", 40},
       true},
  };
  int index = 0;
  for (const Case& c : cases) {
    Session session;
    VbeOptions options;
    options.faults = {c.fault};
    std::string copy = o_.work + "/faults" + std::to_string(++index) + "/Shop";
    if (!Create(session, c.what) || !Open(session, copy, options)) continue;
    messages_.clear();
    HRESULT connected = ConnectAddIn(session, false);
    ReportMessages(c.what);
    if (c.build && full_add_in_ && has_window_) {
      ClickButton(session.vbe.get(), "Kestrix", 1);
      HWND main = nullptr;
      PumpUntil([&] { return (main = MainWindow()) != nullptr; }, kWindowWait);
      if (main != nullptr) {
        RunCommand(
            main, kGo,
            {L"Group of projects", L"Insert Error Handlers", L"Build Projects|Build Project"});
      }
      ReportMessages(c.what);
    }
    std::vector<std::string> rows = StatusRows();
    HRESULT disconnected = DisconnectAddIn(session, false);
    Record(session);
    ReportMessages(c.what);
    int raised = FaultsRaised(session.vbe.get());
    if (raised == 0) {
      steps_.Skip(c.what, "the add-in never made the call " + c.fault.member);
      continue;
    }
    steps_.Check(disconnected == S_OK && raised > 0, std::string(c.what) + ": the add-in survives",
                 "OnConnection " + Hex(connected) + ", OnDisconnection " + Hex(disconnected) +
                     ", " + std::to_string(raised) + " error(s) raised");
    if (!full_add_in_ || (c.build && !has_window_)) {
      steps_.Skip(std::string(c.what) + ": the add-in reports it", "the add-in cannot do this yet");
      continue;
    }
    std::string where;
    for (const MessageRecord& record : messages_) {
      if (where.empty() && Utf8(record.text).find(c.fault.description) != std::string::npos) {
        where = "in a message box";
      }
    }
    for (const std::string& row : rows) {
      if (where.empty() && row.find(c.fault.description) != std::string::npos) {
        where = "in the status row \"" + row + "\"";
      }
    }
    steps_.Check(!where.empty(), std::string(c.what) + ": the add-in reports it",
                 where.empty() ? std::to_string(messages_.size()) + " message box(es), " +
                                     std::to_string(rows.size()) + " status row(s)"
                               : where);
    CheckToolbarRemoved(session, c.what);
    CheckOriginalsKept(copy, c.what);
  }
}

// A build, failed or not, writes only into its build folders: the user's files are as they were.
void Scenario::CheckOriginalsKept(const std::string& group_copy, const std::string& step) {
  Files now = kestrix::testing::FilesBelow(group_copy);
  std::erase_if(now,
                [](const auto& file) { return file.first.find("BUILD ") != std::string::npos; });
  steps_.Check(now == kestrix::testing::FilesBelow(o_.examples + "/Shop"),
               step + ": the group's own files are unchanged");
}

// Once every object is released, the DLL may be unloaded.
void Scenario::CheckUnload() {
  HMODULE module = GetModuleHandleW(L"Kestrix.dll");
  if (module == nullptr) return;
  using CanUnload = HRESULT(STDAPICALLTYPE*)();
  auto can_unload = reinterpret_cast<CanUnload>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
  HRESULT hr = can_unload != nullptr ? can_unload() : E_FAIL;
  steps_.Check(hr == S_OK, "every object released, DllCanUnloadNow allows unloading", Hex(hr));
}

// The same group built by kestrix-batch in the same place, with settings of its own, gives
// the same files byte for byte and the same status rows.
void Scenario::CompareWithBatch() {
  if (built_.empty()) {
    steps_.Skip("the add-in's build matches kestrix-batch's", "the add-in built nothing");
    return;
  }
  UseSettings("batch");
  std::string group = o_.work + "/ide/Shop";
  std::error_code error;
  fs::remove_all(system::FileSystemPath(group), error);
  kestrix::testing::CopyTree(o_.examples + "/Shop", group);
  auto run = system::RunProcess(
      {o_.batch, "build", group + "/Shop.vbg", "--scope", "group", "--yes", "--format", "tsv"},
      1 << 22);
  steps_.Check(run.exited && run.exit_code == 0, "kestrix-batch builds the same group",
               "exit " + std::to_string(run.exit_code));
  Files batch = kestrix::testing::FilesBelow(group);
  std::string difference;
  for (const auto& [path, bytes] : batch) {
    auto ours = built_.find(path);
    if (ours == built_.end()) {
      difference += " " + path + " (only kestrix-batch wrote it)";
    } else if (ours->second != bytes) {
      difference +=
          " " + path + " (" + kestrix::testing::FirstDifference(bytes, ours->second) + ")";
    }
  }
  for (const auto& [path, bytes] : built_) {
    if (!batch.count(path)) difference += " " + path + " (only the add-in wrote it)";
  }
  steps_.Check(difference.empty(),
               "the files the add-in had the IDE save are kestrix-batch's, byte for byte",
               difference.empty() ? std::to_string(batch.size()) + " files" : difference);
  std::vector<std::string> rows = BatchRows(run.output, batch);
  size_t same = 0;
  while (same < rows.size() && same < built_rows_.size() && rows[same] == built_rows_[same])
    ++same;
  auto row = [](const std::vector<std::string>& list, size_t index) {
    return index < list.size() ? "\"" + list[index] + "\"" : std::string("none");
  };
  steps_.Check(rows == built_rows_,
               "the add-in's status rows are kestrix-batch's (the compiler's log aside)",
               std::to_string(built_rows_.size()) + " and " + std::to_string(rows.size()) +
                   " rows" +
                   (same < std::max(rows.size(), built_rows_.size())
                        ? "; row " + std::to_string(same + 1) + " is " + row(built_rows_, same) +
                              ", kestrix-batch's " + row(rows, same)
                        : ""));
}

}  // namespace

HostResult RunHostScenario(const HostOptions& options) {
  Scenario scenario(options);
  return scenario.Run();
}

}  // namespace kestrix::com::testing

// The bridge over a served object model: the file-backed IDE behind the test host's VBE
// objects, reached through IDispatch as the add-in reaches the real IDE. What the build driver
// does through the bridge must be byte for byte what it does on the file-backed IDE directly.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "com/dispatch_client.h"
#include "com/ide_bridge.h"
#include "com/test_host/vbe_server.h"
#include "driver/add_in_form.h"
#include "driver/status_model.h"
#include "platform/system/settings_store.h"
#include "platform/vbfiles/file_ide.h"
#include "support/fakes.h"
#include "support/test_support.h"

namespace kestrix::com {
namespace {

namespace server = kestrix::com::testing;
namespace support = kestrix::testing;

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return;
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

// The example group copied below `root` and loaded by the file-backed IDE, with the main
// window's model to run commands on it; `bridged` puts the served object model and the bridge
// between the model and the IDE.
class Side {
 public:
  Side(const std::string& root, bool bridged, server::VbeOptions options = {})
      : root_(root),
        settings_(root + "/config/kestrix"),
        shell_(support::SourceDir()),
        form_({settings_, dialogs_, shell_, progress_, {}}) {
    shop_ = support::CopyTree(support::SourceDir() + "/examples/Shop", root + "/Shop");
    files_.Open(shop_ + "/Shop.vbg");
    if (bridged) {
      vbe_ = Ref<IDispatch>::Adopt(server::NewVbe(files_, std::move(options)));
      bridge_ = MakeIdeBridge(vbe_.get());
    }
    form_.vbinstance = &ide();
    form_.Connect = &connection_;
    form_.options().Option1 = driver::kScopeGroup;
    form_.options().Option2 = driver::kScopeGroup;
  }
  ~Side() {
    bridge_.reset();
    vbe_.Reset();
  }

  host::Ide& ide() { return bridge_ ? *bridge_ : static_cast<host::Ide&>(files_); }
  vbfiles::FileIde& files() { return files_; }
  IDispatch* vbe() { return vbe_.get(); }
  driver::frmAddIn& form() { return form_; }

  // Every module's code, read from the file-backed IDE itself, by "Project/Component".
  std::map<std::string, std::string> Texts() {
    std::map<std::string, std::string> texts;
    for (int32_t i = 1; i <= files_.Count(); ++i) {
      host::Project& project = files_.Item(i);
      for (int32_t k = 1; k <= project.VBComponents().Count(); ++k) {
        host::Component& component = project.VBComponents().Item(k);
        if (component.GetCodeModule() != nullptr) {
          texts[project.Name() + "/" + component.Name()] = support::CodeOf(component);
        }
      }
    }
    return texts;
  }
  std::map<std::string, std::string> Files() const { return support::FilesBelow(shop_); }
  // The status rows and message boxes, with this side's folder written as <root>.
  std::string Shown() const {
    std::string text;
    for (const host::StatusRow& row : progress_.Rows()) {
      text += row.project + "|" + row.module + "|" + row.member + "|" + row.lines + "|" +
              row.notes + "\n";
    }
    for (const std::string& box : dialogs_.shown)
      text += "box: " + box + "\n";
    std::string back = root_;
    for (char& c : back)
      c = c == '/' ? '\\' : c;
    ReplaceAll(text, root_, "<root>");
    ReplaceAll(text, back, "<root>");
    return text;
  }

 private:
  std::string root_;
  std::string shop_;
  system::FileSettingsStore settings_;
  support::ScriptedDialogs dialogs_;
  support::FakeShell shell_;
  driver::StatusModel progress_;
  support::FakeConnection connection_;
  vbfiles::FileIde files_;
  Ref<IDispatch> vbe_;
  std::unique_ptr<host::Ide> bridge_;
  driver::frmAddIn form_;
};

class RoundTrip : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
  void TearDown() override { CoUninitialize(); }
  support::TempDir dir_;
};

void ExpectSameFiles(const std::map<std::string, std::string>& direct,
                     const std::map<std::string, std::string>& bridged) {
  std::vector<std::string> direct_names, bridged_names;
  for (const auto& [name, bytes] : direct)
    direct_names.push_back(name);
  for (const auto& [name, bytes] : bridged)
    bridged_names.push_back(name);
  ASSERT_EQ(direct_names, bridged_names);
  for (const auto& [name, bytes] : direct) {
    EXPECT_TRUE(bytes == bridged.at(name))
        << name << ": " << support::FirstDifference(bytes, bridged.at(name));
  }
}

TEST_F(RoundTrip, BuildAndCleanOfTheGroupMatchTheFileBackedIde) {
  Side direct(dir_.Path("direct"), false);
  Side bridged(dir_.Path("bridged"), true);
  const std::map<std::string, std::string> original = direct.Texts();
  ASSERT_FALSE(original.empty());
  ASSERT_EQ(bridged.Texts(), original);

  for (int32_t mode : {driver::kModeBuild, driver::kModeClean}) {
    SCOPED_TRACE(mode == driver::kModeBuild ? "build" : "clean");
    EXPECT_EQ(bridged.form().RunCommand(mode), direct.form().RunCommand(mode));
    // The compiler's report is the file-backed IDE's own: the IDE's object model has none.
    std::string shown, all = direct.Shown();
    for (size_t at = 0, end = 0; at < all.size(); at = end + 1) {
      end = all.find('\n', at);
      std::string row = all.substr(at, end - at + 1);
      if (row.find("||||checked; no compiler configured") == std::string::npos) shown += row;
    }
    EXPECT_EQ(bridged.Shown(), shown);
    std::map<std::string, std::string> texts = direct.Texts();
    EXPECT_EQ(bridged.Texts(), texts);
    ExpectSameFiles(direct.Files(), bridged.Files());
    if (mode == driver::kModeBuild) {
      EXPECT_NE(texts, original);  // the build did instrument the modules
    }
  }
  // The clean takes the modules back to what they were (the report modules come out too).
  EXPECT_EQ(bridged.Texts(), original);

  // Each call of the driver is one call on the object model, and the driver's calls grow with
  // the procedures, never with the lines: over a build and a clean of the group together, no
  // member is called once per line.
  size_t lines = 0;
  for (const auto& [name, text] : original) {
    lines += 1 + static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
  }
  for (const auto& [member, count] : server::CallCounts(bridged.vbe())) {
    EXPECT_LT(static_cast<size_t>(count), lines / 2) << member;
  }
}

TEST_F(RoundTrip, CodeModuleAnswersAsTheFileBackedIde) {
  Side side(dir_.Path("side"), true);
  for (int32_t i = 1; i <= side.files().Count(); ++i) {
    host::Project& direct_project = side.files().Item(i);
    host::Project& bridged_project = side.ide().VBProjects().Item(i);
    ASSERT_EQ(bridged_project.Name(), direct_project.Name());
    EXPECT_EQ(bridged_project.FileName(), direct_project.FileName());
    EXPECT_EQ(bridged_project.BuildFileName(), direct_project.BuildFileName());
    host::Components& components = bridged_project.VBComponents();
    ASSERT_EQ(components.Count(), direct_project.VBComponents().Count());
    for (int32_t k = 1; k <= components.Count(); ++k) {
      host::Component& direct = direct_project.VBComponents().Item(k);
      host::Component& bridged = components.Item(k);
      SCOPED_TRACE(direct.Name());
      EXPECT_EQ(&components.Item(k), &bridged);  // one wrapper per object
      EXPECT_EQ(bridged.Name(), direct.Name());
      EXPECT_EQ(bridged.Type(), direct.Type());
      ASSERT_EQ(bridged.FileCount(), direct.FileCount());
      for (int16_t f = 1; f <= direct.FileCount(); ++f) {
        EXPECT_EQ(bridged.FileNames(f), direct.FileNames(f));
      }
      host::CodeModule* code = bridged.GetCodeModule();
      host::CodeModule* truth = direct.GetCodeModule();
      ASSERT_EQ(code == nullptr, truth == nullptr);
      if (code == nullptr) continue;
      EXPECT_EQ(&code->Parent(), &bridged);
      ASSERT_EQ(code->CountOfLines(), truth->CountOfLines());
      EXPECT_EQ(code->CountOfDeclarationLines(), truth->CountOfDeclarationLines());
      for (int32_t line = 1; line <= truth->CountOfLines(); ++line) {
        host::ProcKind kind = host::ProcKind::kPropertySet, truth_kind = host::ProcKind::kProc;
        std::string name = code->ProcOfLine(line, kind);
        ASSERT_EQ(name, truth->ProcOfLine(line, truth_kind)) << "line " << line;
        ASSERT_EQ(kind, truth_kind) << "line " << line;
        if (name.empty()) continue;
        EXPECT_EQ(code->ProcStartLine(name, kind), truth->ProcStartLine(name, kind));
        EXPECT_EQ(code->ProcBodyLine(name, kind), truth->ProcBodyLine(name, kind));
        EXPECT_EQ(code->ProcCountLines(name, kind), truth->ProcCountLines(name, kind));
      }
      for (const char* target : {"End", "Dim", "Property", "(", "zzz"}) {
        for (bool whole_word : {false, true}) {
          int32_t positions[4] = {1, 1, -1, -1}, expected[4] = {1, 1, -1, -1};
          bool found = code->Find(target, positions[0], positions[1], positions[2], positions[3],
                                  whole_word);
          ASSERT_EQ(found, truth->Find(target, expected[0], expected[1], expected[2], expected[3],
                                       whole_word))
              << target;
          EXPECT_EQ(std::vector<int32_t>(positions, positions + 4),
                    std::vector<int32_t>(expected, expected + 4))
              << target;
        }
      }
      host::IdeError error = support::IdeErrorOf([&] { code->ProcStartLine("NoSuchProc", {}); });
      host::IdeError truth_error =
          support::IdeErrorOf([&] { truth->ProcStartLine("NoSuchProc", {}); });
      EXPECT_EQ(error.Number(), truth_error.Number());
      EXPECT_EQ(error.Description(), truth_error.Description());
      EXPECT_EQ(error.Source(), truth_error.Source());
    }
  }
  EXPECT_EQ(side.ide().ActiveVBProject(), &side.ide().VBProjects().Item(1));
  EXPECT_EQ(support::IdeErrorOf([&] { side.ide().ActiveCodePane(); }).Number(),
            host::kErrNoActiveCodePane);
  host::Component& active = side.files().Item(1).VBComponents().Item(1);
  side.files().SetActiveCodePane(&active);
  host::CodeModule& pane_module = side.ide().ActiveCodePane().GetCodeModule();
  EXPECT_EQ(&pane_module, side.ide().VBProjects().Item(1).VBComponents().Item(1).GetCodeModule());
}

TEST_F(RoundTrip, CodePaneFindsTheModuleItsComponentHands) {
  Side side(dir_.Path("side"), true);
  host::Project& lib = side.files().Item(2);
  host::Component& component = lib.VBComponents().Item(lib.VBComponents().Count());
  side.files().SetActiveCodePane(&component);
  // Reached through the pane first: the bridge finds its component and project by way of
  // the IDE's parents, and the component hands the same wrapper later.
  host::CodeModule& module = side.ide().ActiveCodePane().GetCodeModule();
  EXPECT_EQ(module.Parent().Name(), component.Name());
  EXPECT_EQ(module.Parent().Collection().Name(), lib.Name());
  host::Project& bridged_lib = side.ide().VBProjects().Item(2);
  EXPECT_EQ(&module.Parent().Collection(), &bridged_lib);
  EXPECT_EQ(&module, bridged_lib.VBComponents().Item(lib.VBComponents().Count()).GetCodeModule());
  EXPECT_EQ(&side.ide().ActiveCodePane().GetCodeModule(), &module);
}

TEST_F(RoundTrip, FaultsArriveAsIdeErrorsAndRemovedComponentsFailCleanly) {
  server::VbeOptions options;
  options.faults.push_back({"VBProject.SaveAs", host::kErrPathFileAccess, "Disk full", 0});
  Side side(dir_.Path("side"), true, options);
  host::Project& project = side.ide().VBProjects().Item(1);
  host::IdeError error = support::IdeErrorOf([&] { project.SaveAs(dir_.Path("x.vbp")); });
  EXPECT_EQ(error.Number(), host::kErrPathFileAccess);
  EXPECT_EQ(error.Description(), "Disk full");
  EXPECT_FALSE(error.Source().empty());
  EXPECT_EQ(server::FaultsRaised(side.vbe()), 1);

  host::Components& components = project.VBComponents();
  int32_t count = components.Count();
  host::Component& first = components.Item(1);
  std::string path = first.FileNames(1);
  host::Component& imported = components.Import(path);
  EXPECT_EQ(components.Count(), count + 1);
  EXPECT_EQ(imported.FileNames(1), "");  // an imported copy has no file yet
  EXPECT_EQ(imported.GetCodeModule()->Lines(1, 3), first.GetCodeModule()->Lines(1, 3));
  components.Remove(imported);
  EXPECT_EQ(components.Count(), count);
  EXPECT_EQ(support::IdeErrorOf([&] { imported.Name(); }).Number(), host::kErrInvalidCall);
  EXPECT_EQ(support::IdeErrorOf([&] { imported.GetCodeModule(); }).Number(), host::kErrInvalidCall);
  EXPECT_EQ(components.Item(1).Name(), first.Name());

  std::string extra =
      dir_.Write("Extra.bas", "Attribute VB_Name = \"Extra\"\r\nOption Explicit\r\n");
  host::Component& added = components.AddFromFile(extra);
  EXPECT_EQ(added.Name(), "Extra");
  // It keeps referring to its file, where an imported copy has none.
  EXPECT_EQ(added.FileNames(1), side.files().Item(1).VBComponents().Item(count + 1).FileNames(1));
  EXPECT_NE(added.FileNames(1), "");
  EXPECT_EQ(&components.Item(count + 1), &added);
}

// A 16 x 16 picture of 24 bits.
std::string SmallBmp() {
  std::string bmp = "BM";
  auto put = [&](uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
      bmp += static_cast<char>((value >> (8 * i)) & 0xFF);
  };
  put(54 + 16 * 16 * 3, 4), put(0, 4), put(54, 4), put(40, 4), put(16, 4), put(16, 4);
  put(1, 2), put(24, 2), put(0, 4), put(16 * 16 * 3, 4), put(0, 4), put(0, 4), put(0, 4);
  put(0, 4);
  bmp += std::string(16 * 16 * 3, '\x40');
  return bmp;
}

TEST_F(RoundTrip, ToolbarButtonsTakeTheirFaceAndClicks) {
  for (bool picture : {true, false}) {
    SCOPED_TRACE(picture ? "with Picture" : "FaceId only");
    server::VbeOptions options;
    options.button_picture = picture;
    Side side(dir_.Path(picture ? "a" : "b"), true, options);
    host::CommandBars& bars = side.ide().GetCommandBars();
    int32_t before = bars.Count();
    host::CommandBar* bar = bars.Add("Kestrix", host::BarPosition::kBottom, false, true);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bars.Count(), before + 1);
    EXPECT_EQ(bars.Find("Kestrix"), bar);
    EXPECT_EQ(bars.Find("No such bar"), nullptr);
    host::CommandBarButton& button = bar->AddButton();
    button.SetCaption("Kestrix");
    button.SetToolTipText("Caf\xE9 tools");
    button.SetStyle(host::ButtonStyle::kIconAndCaption);
    button.SetFace(SmallBmp());
    bar->SetVisible(true);
    int clicks = 0;
    button.SetClickHandler([&](host::CommandBarButton& clicked, bool& handled, bool& cancel) {
      EXPECT_EQ(&clicked, &button);
      ++clicks;
      handled = true;
      cancel = clicks == 1;
    });
    std::optional<server::BarState> state = server::FindBar(side.vbe(), "Kestrix");
    ASSERT_TRUE(state.has_value());
    EXPECT_TRUE(state->visible);
    EXPECT_EQ(state->position, static_cast<int32_t>(host::BarPosition::kBottom));
    ASSERT_EQ(state->buttons.size(), 1u);
    const server::ButtonState& made = state->buttons[0];
    EXPECT_EQ(made.caption, "Kestrix");
    EXPECT_EQ(made.tool_tip, "Caf\xE9 tools");
    EXPECT_EQ(made.style, static_cast<int32_t>(host::ButtonStyle::kIconAndCaption));
    EXPECT_EQ(made.picture_set, picture);
    EXPECT_EQ(made.face_id != 0, !picture);
    EXPECT_EQ(made.sinks, 1);
    EXPECT_EQ(button.Caption(), "Kestrix");
    EXPECT_EQ(button.ToolTipText(), "Caf\xE9 tools");

    server::ClickResult click = server::ClickButton(side.vbe(), "Kestrix");
    EXPECT_TRUE(click.found);
    EXPECT_EQ(click.sinks_called, 1);
    EXPECT_TRUE(click.handled);
    EXPECT_TRUE(click.cancel_default);
    click = server::ClickButton(side.vbe(), "Kestrix");
    EXPECT_FALSE(click.cancel_default);
    EXPECT_EQ(clicks, 2);

    if (picture) {
      bar->Delete();
      EXPECT_EQ(server::AdvisedSinks(side.vbe()), 0);
      EXPECT_FALSE(server::FindBar(side.vbe(), "Kestrix").has_value());
      EXPECT_EQ(bars.Count(), before);
      EXPECT_EQ(support::IdeErrorOf([&] { button.SetCaption("x"); }).Number(),
                host::kErrInvalidCall);
    }
    // Otherwise the bridge goes with the bar still there: it lets go of the click events.
  }
}

TEST_F(RoundTrip, BridgeLetsGoOfClickEventsWhenItGoes) {
  vbfiles::FileIde files;
  files.Open(support::CopyTree(support::SourceDir() + "/examples/Shop", dir_.Path("Shop")) +
             "/Shop.vbg");
  Ref<IDispatch> vbe = Ref<IDispatch>::Adopt(server::NewVbe(files));
  {
    std::unique_ptr<host::Ide> bridge = MakeIdeBridge(vbe.get());
    host::CommandBar* bar =
        bridge->GetCommandBars().Add("Kestrix", host::BarPosition::kTop, false, true);
    ASSERT_NE(bar, nullptr);
    bar->AddButton().SetClickHandler([](host::CommandBarButton&, bool&, bool&) {});
    EXPECT_EQ(server::AdvisedSinks(vbe.get()), 1);
  }
  EXPECT_EQ(server::AdvisedSinks(vbe.get()), 0);
  server::ClickResult click = server::ClickButton(vbe.get(), "Kestrix");
  EXPECT_EQ(click.sinks_called, 0);
}

TEST_F(RoundTrip, TextCrossesInTheAnsiCodePage) {
  std::string code =
      "Attribute VB_Name = \"Caf\xE9\"\r\n"
      "Option Explicit\r\n"
      "\r\n"
      "Public Function Cr\xE8me() As String\r\n"
      "    Cr\xE8me = \"br\xFBl\xE9\xE9\"\r\n"
      "End Function\r\n";
  support::TempDir dir;
  dir.Write("Cafe.bas", code);
  std::string project = dir.Write(
      "Menu.vbp",
      "Type=Exe\r\nModule=Caf\xE9; Cafe.bas\r\nName=\"Menu\"\r\nExeName32=\"Menu.exe\"\r\n");
  vbfiles::FileIde files;
  files.Open(project);
  Ref<IDispatch> vbe = Ref<IDispatch>::Adopt(server::NewVbe(files));
  std::unique_ptr<host::Ide> bridge = MakeIdeBridge(vbe.get());
  host::Component& module = bridge->VBProjects().Item(1).VBComponents().Item(1);
  EXPECT_EQ(module.Name(), "Caf\xE9");
  host::CodeModule& text = *module.GetCodeModule();
  EXPECT_EQ(text.Lines(3, 1), "Public Function Cr\xE8me() As String");
  host::ProcKind kind = host::ProcKind::kPropertyGet;
  EXPECT_EQ(text.ProcOfLine(4, kind), "Cr\xE8me");
  EXPECT_EQ(kind, host::ProcKind::kProc);
  EXPECT_EQ(text.ProcBodyLine("Cr\xE8me", kind), 3);
  text.ReplaceLine(4, "    Cr\xE8me = \"\xE0 la carte\"");
  host::CodeModule& truth = *files.Item(1).VBComponents().Item(1).GetCodeModule();
  EXPECT_EQ(truth.Lines(4, 1), "    Cr\xE8me = \"\xE0 la carte\"");
  int32_t line = 1, column = 1, end_line = -1, end_column = -1;
  EXPECT_TRUE(text.Find("\xE0 la", line, column, end_line, end_column));
  EXPECT_EQ(std::vector<int32_t>({line, column, end_line, end_column}),
            std::vector<int32_t>({4, 14, 4, 18}));
  bridge.reset();
}

}  // namespace
}  // namespace kestrix::com

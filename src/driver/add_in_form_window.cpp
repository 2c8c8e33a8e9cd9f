// The main window's own rules, without the window: the settings it keeps, the two scope
// groups kept in step, what each choice enables, and the width that goes with each tab.

#include <charconv>

#include "driver/add_in_form.h"
#include "host/connect.h"
#include "host/settings_keys.h"
#include "platform/system/file_io.h"

namespace kestrix::driver {
namespace {

using host::kKeyAppendProjectName;
using host::kKeyBuildPath;
using host::kKeyPicState;
constexpr const char* kApp = host::kSettingsApp;
constexpr const char* kSettings = host::kSettingsSection;
constexpr int32_t kTabLeft = 72;        // twips
constexpr int32_t kActionsLine = 3600;  // the guide line that sizes the Actions tab
constexpr int32_t kOtherLine = 4800;    // and the one for every other tab

bool IsFolder(const std::string& path) {
  return system::IsFolder(path);
}

// The integer value of a stored text, or nothing when it is not one.
std::optional<int32_t> IntegerOf(const std::string& text) {
  int32_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

void frmAddIn::Load() {
  TabClick(1);
  TabClick(0);
  LoadSettings();
  std::optional<int32_t> picture =
      IntegerOf(services_.settings.GetSetting(kApp, kSettings, kKeyPicState, "0"));
  if (picture.value_or(0) != 0) PictureClick();
}

void frmAddIn::Unload() {
  SaveSettings();
}

void frmAddIn::LoadSettings() {
  std::optional<int32_t> append =
      IntegerOf(services_.settings.GetSetting(kApp, kSettings, kKeyAppendProjectName, "0"));
  options_.Check4 = append && (*append == 0 || *append == 1) ? *append : 0;
  look_.FolderListEnabled = options_.Check3 == engine::kChecked;
  std::string program = services_.shell.ProgramFolder();
  std::string path = services_.settings.GetSetting(kApp, kSettings, kKeyBuildPath, program);
  options_.Dir1 = IsFolder(path) ? path : program;
}

void frmAddIn::SaveSettings() {
  services_.settings.SaveSetting(kApp, kSettings, kKeyBuildPath, options_.Dir1);
  services_.settings.SaveSetting(kApp, kSettings, kKeyAppendProjectName,
                                 std::to_string(options_.Check4));
}

void frmAddIn::FirstActivation(int major, int minor) {
  if (activated_) return;
  activated_ = true;
  look_.Caption = "Kestrix " + std::to_string(major) + "." + std::to_string(minor);
}

// Choosing a scope on either tab chooses it on the other, as a click there would.
void frmAddIn::Option1Click(int32_t index) {
  options_.Option1 = index;
  if (index == kScopeGroup) look_.Check2Caption = "Build Projects";
  if (index == kScopeActiveProject) look_.Check2Caption = "Build Project";
  look_.Check2Enabled = index != kScopeActiveModule;
  if (options_.Option2 != index) Option2Click(index);
}

void frmAddIn::Option2Click(int32_t index) {
  options_.Option2 = index;
  if (options_.Option1 != index) Option1Click(index);
  look_.Check5ModulesEnabled = options_.Option2 != kScopeActiveModule;
}

void frmAddIn::Check3Click() {
  look_.FolderListEnabled = options_.Check3 == engine::kChecked;
}

void frmAddIn::PictureClick() {
  look_.PictureState = !look_.PictureState;
  services_.settings.SaveSetting(kApp, kSettings, kKeyPicState, look_.PictureState ? "-1" : "0");
}

void frmAddIn::TabClick(int32_t tab) {
  look_.Tab = tab;
  look_.TabWidth = (tab == 0 ? kActionsLine : kOtherLine) - kTabLeft;
  look_.WindowWidth = look_.TabWidth + 3 * kTabLeft;
}

}  // namespace kestrix::driver

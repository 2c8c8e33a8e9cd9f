#include "host/add_in.h"

#include "host/settings_keys.h"

namespace kestrix::host {
namespace {

std::string UpperCase(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// The profile functions report nothing; a write that failed must not be shown as done.
void ReportWriteFailure(AddInServices& services, const std::string& what) {
  std::string why = services.profiles.WriteError();
  services.dialogs.MsgBox("Kestrix could not be " + what + " the Visual Basic IDE: " +
                              services.profiles.FilePath(kAddInListFile) + " cannot be written" +
                              (why.empty() ? "" : " (" + why + ")") + ".",
                          MsgButtons::kOk, MsgIcon::kCritical, kProgramTitle);
}

void OpenReadMe(AddInServices& services) {
  std::string path = services.shell.ProgramFolder() + "/" + kReadMeFile;
  if (services.shell.OpenDocument(path)) return;
  // No desktop, or no program on it that opens documents: the user still learns where it is.
  services.dialogs.MsgBox(
      "The read-me could not be opened here: no program was found to open "
      "it. You can read it at:\n" +
          path,
      MsgButtons::kOk, MsgIcon::kInformation, kProgramTitle);
}

}  // namespace

bool Main(AddInServices& services, const std::string& command_line) {
  return IsRemoveCommand(command_line) ? RemoveFromIni(services) : AddToIni(services);
}

bool IsRemoveCommand(const std::string& command_line) {
  return UpperCase(command_line).find("REMOVE") != std::string::npos;
}

bool IsRegistered(const ProfileFiles& profiles) {
  return profiles.GetInt(kAddInListSection, kAddInListKey, -1, kAddInListFile) >= 1;
}

bool AddToIni(AddInServices& services) {
  if (IsRegistered(services.profiles)) return true;
  if (!services.profiles.WriteString(kAddInListSection, kAddInListKey, "1", kAddInListFile)) {
    ReportWriteFailure(services, "added to");
    return false;
  }
  services.dialogs.MsgBox("Kestrix has been succesfully added to the Visual Basic IDE.",
                          MsgButtons::kOk, MsgIcon::kInformation, kProgramTitle);
  OpenReadMe(services);
  return true;
}

bool RemoveFromIni(AddInServices& services) {
  if (!services.profiles.WriteString(kAddInListSection, kAddInListKey, std::nullopt,
                                     kAddInListFile)) {
    ReportWriteFailure(services, "removed from");
    return false;
  }
  services.dialogs.MsgBox("Kestrix has been REMOVED from the Visual Basic IDE.", MsgButtons::kOk,
                          MsgIcon::kInformation, kProgramTitle);
  return true;
}

void GetProgrammerInfo(const SettingsStore& settings, std::string& programmer, std::string& email) {
  email = settings.GetSetting(kSettingsApp, kSettingsSection, kKeyEmail, "");
  programmer = settings.GetSetting(kSettingsApp, kSettingsSection, kKeyProgrammer, "");
}

}  // namespace kestrix::host

#include "host/add_in.h"

#include <cstdio>

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
  services.dialogs.MsgBox("Kestrix could not be " + what + " the Visual Basic IDE: " +
                              services.profiles.FilePath(kAddInListFile) + " cannot be written.",
                          MsgButtons::kOk, MsgIcon::kCritical, kProgramTitle);
}

void OpenReadMe(AddInServices& services) {
  std::string path = services.shell.ProgramFolder() + "/" + kReadMeFile;
  if (services.shell.OpenDocument(path)) return;
  std::printf("Read me: %s\n", path.c_str());
  std::fflush(stdout);
}

}  // namespace

void Main(AddInServices& services, const std::string& command_line) {
  if (IsRemoveCommand(command_line)) {
    RemoveFromIni(services);
  } else {
    AddToIni(services);
  }
}

bool IsRemoveCommand(const std::string& command_line) {
  return UpperCase(command_line).find("REMOVE") != std::string::npos;
}

bool IsRegistered(const ProfileFiles& profiles) {
  return profiles.GetInt(kAddInListSection, kAddInListKey, -1, kAddInListFile) >= 1;
}

void AddToIni(AddInServices& services) {
  if (IsRegistered(services.profiles)) return;
  if (!services.profiles.WriteString(kAddInListSection, kAddInListKey, "1", kAddInListFile)) {
    ReportWriteFailure(services, "added to");
    return;
  }
  services.dialogs.MsgBox("Kestrix has been succesfully added to the Visual Basic IDE.",
                          MsgButtons::kOk, MsgIcon::kInformation, kProgramTitle);
  OpenReadMe(services);
}

void RemoveFromIni(AddInServices& services) {
  if (!services.profiles.WriteString(kAddInListSection, kAddInListKey, std::nullopt,
                                     kAddInListFile)) {
    ReportWriteFailure(services, "removed from");
    return;
  }
  services.dialogs.MsgBox("Kestrix has been REMOVED from the Visual Basic IDE.", MsgButtons::kOk,
                          MsgIcon::kInformation, kProgramTitle);
}

void GetProgrammerInfo(const SettingsStore& settings, std::string& programmer, std::string& email) {
  email = settings.GetSetting("Kestrix", "Settings", "Email", "");
  programmer = settings.GetSetting("Kestrix", "Settings", "Programmer", "");
}

}  // namespace kestrix::host

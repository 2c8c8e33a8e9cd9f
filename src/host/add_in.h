#pragma once

// The add-in's standard module AddIn: the stand-alone start that registers Kestrix in the
// IDE's add-in list (the profile file vbaddin.ini) or takes it out again, and the programmer's
// details kept in the settings store. Written against the host's interfaces only.

#include <string>

#include "host/dialogs.h"
#include "host/system.h"

namespace kestrix::host {

// What the module needs of the system; the caller owns all of it.
struct AddInServices {
  SettingsStore& settings;
  ProfileFiles& profiles;
  Shell& shell;
  Dialogs& dialogs;
};

// The IDE's add-in list and Kestrix's entry in it.
inline constexpr const char* kAddInListFile = "vbaddin.ini";
inline constexpr const char* kAddInListSection = "Add-Ins32";
inline constexpr const char* kAddInListKey = "Kestrix.Connect";
// The read-me in the program folder, opened after the first registration.
inline constexpr const char* kReadMeFile = "ReadMe.txt";

// The program's start: removes Kestrix from the add-in list when IsRemoveCommand says so,
// adds it otherwise. True when the list now says what was asked for.
bool Main(AddInServices& services, const std::string& command_line);

// True when "REMOVE" stands anywhere in the command line, in any case.
bool IsRemoveCommand(const std::string& command_line);

// True when the add-in list has Kestrix switched on (its key at 1 or more).
bool IsRegistered(const ProfileFiles& profiles);

// Registers Kestrix when the add-in list does not have it switched on (the key missing, or
// below 1): sets the key to 1, says so, and opens the read-me, or says where the read-me is
// when nothing can open it (no desktop, or no program on it that opens documents). Says nothing
// when Kestrix was registered already. When the list cannot be written, says that instead, with the
// file's path, and opens nothing. True when Kestrix is registered afterwards.
bool AddToIni(AddInServices& services);

// Deletes Kestrix's key from the add-in list (from every section of the list's name) and
// says so, whether or not it was there; says that it could not, and returns false, when the
// list cannot be read or written.
bool RemoveFromIni(AddInServices& services);

// The programmer's name and e-mail address from the settings, "" when never stored.
void GetProgrammerInfo(const SettingsStore& settings, std::string& programmer, std::string& email);

}  // namespace kestrix::host

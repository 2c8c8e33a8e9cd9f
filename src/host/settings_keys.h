#pragma once

// Where Kestrix keeps its settings: the application name and sections of the settings store,
// and the keys of section "Settings". Every layer reads and writes them by these names.

namespace kestrix::host {

inline constexpr const char* kSettingsApp = "Kestrix";
inline constexpr const char* kSettingsSection = "Settings";
// One key per project name: the number the project's next build gets.
inline constexpr const char* kBuildNumbersSection = "BuildNumbers";

// Keys of section "Settings".
inline constexpr const char* kKeyBuildPath = "BuildPath";
inline constexpr const char* kKeyAppendProjectName = "AppendProjectName";
inline constexpr const char* kKeyPicState = "picState";
inline constexpr const char* kKeyProgrammer = "Programmer";
inline constexpr const char* kKeyEmail = "Email";
inline constexpr const char* kKeyDisplayOnConnect = "DisplayOnConnect";
inline constexpr const char* kKeyCompiler = "Compiler";

// Every key of section "Settings", in the order kestrix-batch lists them.
inline constexpr const char* kSettingsKeys[] = {
    kKeyBuildPath, kKeyAppendProjectName, kKeyPicState, kKeyProgrammer,
    kKeyEmail,     kKeyDisplayOnConnect,  kKeyCompiler};

}  // namespace kestrix::host

#pragma once

// The texts the instrumentation writes into a user's code and looks for again.

namespace kestrix::engine {

inline constexpr const char* kBeginMarker = "'-------- Kestrix Begin --------";
inline constexpr const char* kEndMarker = "'-------- Kestrix End ----------";
inline constexpr const char* kLocalHandlerLabel = "KestrixLocalHandler";
inline constexpr const char* kOnErrorGotoZero = "On Error GoTo 0";
inline constexpr const char* kOnErrorGotoHandler = "On Error GoTo KestrixLocalHandler";
inline constexpr const char* kSkipProcMark = "KestrixSkipProc";
inline constexpr const char* kSkipModuleMark = "KestrixSkipModule";
// The word every mark and label above starts with.
inline constexpr const char* kMarkStem = "Kestrix";
// The module-name constant's name, which its declaration holds however it is spaced.
inline constexpr const char* kModuleNameStem = "MODULENAME_";

}  // namespace kestrix::engine

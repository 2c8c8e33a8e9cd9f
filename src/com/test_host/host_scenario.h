#pragma once
// The scenario kestrix-test-host plays: the IDE loads Kestrix.dll as an add-in over the example
// group and a user works with it. Each step prints one line: PASS, FAIL or SKIP (the add-in
// does not offer what the step needs yet) with what was seen.
#include <windows.h>

#include <string>

namespace kestrix::com::testing {

struct HostOptions {
  std::string dll;           // Kestrix.dll, a Windows path
  std::string batch;         // kestrix-batch.exe
  std::string compiler;      // the stand-in for VB6.EXE
  std::string examples;      // the folder holding the example group Shop
  std::string work;          // a scratch folder, emptied first
  std::string screens;       // where the pictures of the add-in's windows go
  DWORD hold_window_ms = 0;  // keeps the first main window open this long (for a screenshot)
};

struct HostResult {
  int passed = 0;
  int failed = 0;
  int skipped = 0;
};

// Runs the whole scenario on the calling thread, which must be a single-threaded apartment.
HostResult RunHostScenario(const HostOptions& options);

}  // namespace kestrix::com::testing

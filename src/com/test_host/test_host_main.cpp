// kestrix-test-host: plays the IDE for Kestrix.dll. It registers the DLL, creates the add-in by
// its ProgID and connects it to an IDE whose object model is served from the file-backed IDE
// over the example group, then works with the add-in as a user would (see host_scenario.h).
//
//   kestrix-test-host [--dll PATH] [--batch PATH] [--compiler PATH] [--examples FOLDER]
//                     [--work FOLDER] [--screens FOLDER] [--hold-window MILLISECONDS]
//                     [--require-all]
//
// The programs default to those beside it (the compiler's stand-in below ..\tests), the
// examples to %KESTRIX_SOURCE_DIR%\examples, the scratch folder to .\test-host, the pictures
// of the add-in's windows to ..\test-host-screens beside bin\. Exit code 0
// when no step failed (with --require-all, when none was skipped either), 1 otherwise.
#include <objbase.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "com/test_host/host_scenario.h"
#include "platform/system/environment.h"

namespace {

using kestrix::com::testing::HostOptions;

std::string ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  folder.erase(folder.rfind(L'\\'));
  int size = WideCharToMultiByte(CP_UTF8, 0, folder.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, folder.c_str(), -1, text.data(), size, nullptr, nullptr);
  text.pop_back();
  return text;
}

// The IDE's main window, which the add-in's windows belong to.
HWND MakeIdeWindow() {
  WNDCLASSW type = {};
  type.lpfnWndProc = DefWindowProcW;
  type.hInstance = GetModuleHandleW(nullptr);
  type.lpszClassName = L"KestrixTestIde";
  type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
  RegisterClassW(&type);
  HWND window =
      CreateWindowExW(0, L"KestrixTestIde", L"Project Group - Test IDE", WS_OVERLAPPEDWINDOW, 0, 0,
                      1024, 720, nullptr, nullptr, type.hInstance, nullptr);
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  return window;
}

}  // namespace

int main(int argc, char** argv) {
  std::string bin = ProgramFolder();
  HostOptions options;
  options.dll = bin + "\\Kestrix.dll";
  options.batch = bin + "\\kestrix-batch.exe";
  options.compiler = bin + "\\..\\tests\\stand-in\\VB6.exe";
  const char* source = std::getenv("KESTRIX_SOURCE_DIR");
  options.examples = std::string(source != nullptr ? source : bin + "\\..\\..\\..") + "/examples";
  options.work = kestrix::system::CurrentFolder() + "/test-host";
  options.screens = bin + "\\..\\test-host-screens";
  bool require_all = false;
  std::vector<std::string> args(argv + 1, argv + argc);
  for (size_t i = 0; i < args.size(); ++i) {
    bool has_value = i + 1 < args.size();
    if (args[i] == "--require-all") {
      require_all = true;
    } else if (args[i] == "--dll" && has_value) {
      options.dll = args[++i];
    } else if (args[i] == "--batch" && has_value) {
      options.batch = args[++i];
    } else if (args[i] == "--compiler" && has_value) {
      options.compiler = args[++i];
    } else if (args[i] == "--examples" && has_value) {
      options.examples = args[++i];
    } else if (args[i] == "--work" && has_value) {
      options.work = args[++i];
    } else if (args[i] == "--screens" && has_value) {
      options.screens = args[++i];
    } else if (args[i] == "--hold-window" && has_value) {
      options.hold_window_ms = static_cast<DWORD>(std::strtoul(args[++i].c_str(), nullptr, 10));
    } else {
      std::fprintf(stderr, "kestrix-test-host: unknown argument %s\n", args[i].c_str());
      return 2;
    }
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  HWND ide_window = MakeIdeWindow();
  kestrix::com::testing::HostResult result = kestrix::com::testing::RunHostScenario(options);
  DestroyWindow(ide_window);
  CoUninitialize();
  std::printf("== test host: %d passed, %d failed, %d skipped\n", result.passed, result.failed,
              result.skipped);
  return result.failed != 0 || (require_all && result.skipped != 0) ? 1 : 0;
}

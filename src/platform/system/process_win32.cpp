#include <windows.h>

#include "platform/system/environment.h"
#include "platform/system/process.h"
#include "platform/system/win32_text.h"

namespace kestrix::system {
namespace {

using win32::Handle;

bool EndsWithIgnoreCase(const std::string& text, const std::string& tail) {
  if (text.size() < tail.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i) {
    char c = text[text.size() - tail.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != tail[i]) return false;
  }
  return true;
}

// Reads the pipe to its end: keeps the first `max` bytes, drops the rest.
void Drain(HANDLE pipe, size_t max, ProcessResult& result) {
  std::string buffer(1 << 14, '\0');
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(pipe, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) ||
        got == 0) {
      return;  // ERROR_BROKEN_PIPE: every writer has gone
    }
    KeepOutput(std::string_view(buffer.data(), got), max, result);
  }
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& words, size_t max_output) {
  ProcessResult result;
  if (!NamesAProgram(words, result)) return result;
  if (words[0].find('"') != std::string::npos) {
    result.error = "a program's name cannot hold a quote";
    return result;
  }
  // The system hands a batch file to the command interpreter, which would read the arguments
  // (file names from a project among them) as commands of its own.
  if (EndsWithIgnoreCase(words[0], ".bat") || EndsWithIgnoreCase(words[0], ".cmd")) {
    result.error = "a batch file runs in the command interpreter; name a program (.exe)";
    return result;
  }
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE read_end = nullptr, write_end = nullptr;
  if (!::CreatePipe(&read_end, &write_end, &inherit, 0)) {
    result.error = "cannot make a pipe: " + win32::ErrorText(::GetLastError());
    return result;
  }
  Handle out(read_end), child_out(write_end);
  ::SetHandleInformation(out.get(), HANDLE_FLAG_INHERIT, 0);
  Handle nul(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                           OPEN_EXISTING, 0, nullptr));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nul.get();
  startup.hStdOutput = child_out.get();
  startup.hStdError = child_out.get();
  std::wstring line = win32::Widen(CommandLineOf(words));
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &info)) {
    result.error = win32::ErrorText(::GetLastError());
    return result;
  }
  Handle process(info.hProcess), thread(info.hThread);
  child_out.Reset();  // the pipe ends when the program's own copy closes
  result.started = true;
  Drain(out.get(), max_output, result);
  DWORD code = 0;
  if (::WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0 ||
      !::GetExitCodeProcess(process.get(), &code)) {
    result.error = "cannot wait for it: " + win32::ErrorText(::GetLastError());
    return result;
  }
  result.exited = true;
  result.exit_code = static_cast<int>(code);
  return result;
}

}  // namespace kestrix::system

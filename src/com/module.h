#pragma once
// What the whole DLL shares: the count of live objects and server locks that decides
// DllCanUnloadNow, the diagnostic log, and the guard every COM entry point runs its body in.
#include <windows.h>

#include <new>
#include <string>
#include <string_view>

namespace kestrix::com {

// Live COM objects of this DLL (Connect instances and class factories) and
// IClassFactory::LockServer locks. The DLL may unload only when both are zero.
void ObjectCreated();
void ObjectDestroyed();
void LockModule();
void UnlockModule();
bool ModuleInUse();

// The DLL's own module handle.
HMODULE ThisModule();

// Appends one line to the file named by the environment variable KESTRIX_LOG, when it is
// set; does nothing otherwise. Never throws: a log that cannot be written is left out.
void Log(std::string_view line) noexcept;
bool LogEnabled() noexcept;
void LogFailure(const char* entry, const char* what) noexcept;

// "{B65AD801-ABAF-11D0-BB8B-00A0C90F2744}", followed by a name for the interfaces we know.
std::string DescribeIid(REFIID iid);
std::string Narrow(const wchar_t* text);
std::string HresultText(HRESULT hr);

// Runs `body` (returning an HRESULT) and turns anything it throws into a COM error, logged
// under `entry`: no exception ever crosses the COM boundary.
template <class Body>
HRESULT Guarded(const char* entry, Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    LogFailure(entry, "out of memory");
    return E_OUTOFMEMORY;
  } catch (...) {
    LogFailure(entry, "unexpected failure");
    return E_UNEXPECTED;
  }
}

}  // namespace kestrix::com

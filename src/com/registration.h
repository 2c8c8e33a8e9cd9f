#pragma once
// The registry entries that make Kestrix.Connect creatable and list it among the IDE's
// add-ins, written under one root: HKEY_CURRENT_USER (the user's own) or
// HKEY_LOCAL_MACHINE (everyone's).
#include <windows.h>

#include <string>

namespace kestrix::com {

// Writes the class (CLSID\{…}\InprocServer32 naming `dll_path`, apartment-threaded), its
// ProgID, and the add-in key. On failure removes what it wrote and returns the error.
HRESULT Register(HKEY root, const std::wstring& dll_path);

// Removes everything Register writes: the class, the ProgID and the add-in key, and the
// add-in key's parents when nothing else is left in them. Keys that are not there are fine.
HRESULT Unregister(HKEY root);

// The DLL's own full path.
std::wstring ModulePath();

}  // namespace kestrix::com

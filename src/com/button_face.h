#pragma once
// The toolbar button's face as the DLL carries it: a BITMAP resource, given back as the bytes
// of a .bmp file (the resource is the file without its 14-byte file header).
#include <windows.h>

#include <string>

namespace kestrix::com {

// The face from `module`'s resources; "" when the resource is missing or malformed.
std::string ButtonFaceResource(HMODULE module);

}  // namespace kestrix::com

#pragma once
// A picture object (IPictureDisp) made from the bytes of a BMP file, for a toolbar button's
// face: the bitmap goes straight from memory to the IDE, never through the clipboard.
#include <oaidl.h>
#include <windows.h>

#include <string>
#include <string_view>

#include "com/dispatch_client.h"

namespace kestrix::com {

// What is wrong with `bmp` as an uncompressed BMP image of at most 256 x 256 pixels, or ""
// when it can be used. Every size and offset is checked against the bytes there are.
std::string CheckBmp(std::string_view bmp);

// The picture; throws host::IdeError (kErrInvalidCall) naming the fault for bytes CheckBmp
// refuses, and for a bitmap or picture Windows cannot make.
Ref<IDispatch> PictureFromBmp(std::string_view bmp);

}  // namespace kestrix::com

#include "com/button_face.h"

#include <cstdint>
#include <cstring>

#include "com/resource_ids.h"

namespace kestrix::com {
namespace {

void PutLe(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

std::string ButtonFaceResource(HMODULE module) {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(KESTRIX_BUTTON_FACE), RT_BITMAP);
  if (found == nullptr) return {};
  HGLOBAL loaded = LoadResource(module, found);
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  DWORD size = SizeofResource(module, found);
  if (data == nullptr || size < sizeof(BITMAPINFOHEADER)) return {};
  BITMAPINFOHEADER header;
  std::memcpy(&header, data, sizeof header);
  if (header.biSize < sizeof header || header.biSize > size) return {};
  // The pixels follow the header and the palette (a full one when the header gives no count).
  uint32_t colours = header.biClrUsed;
  if (colours == 0 && header.biBitCount <= 8) colours = 1u << header.biBitCount;
  uint32_t pixels_at = 14 + header.biSize + 4 * colours;
  std::string file = "BM";
  PutLe(file, 14 + size, 4);
  PutLe(file, 0, 4);
  PutLe(file, pixels_at, 4);
  file.append(static_cast<const char*>(data), size);
  return file;
}

}  // namespace kestrix::com

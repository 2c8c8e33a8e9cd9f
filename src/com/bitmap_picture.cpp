#include "com/bitmap_picture.h"

#include <olectl.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace kestrix::com {
namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;
constexpr int32_t kMaxSide = 256;

uint32_t ReadLe(std::string_view bytes, size_t offset, size_t size) {
  uint32_t value = 0;
  for (size_t i = size; i-- > 0;) {
    value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
  }
  return value;
}

struct Layout {
  size_t header_size = 0;  // the info header, its colour masks and its palette
  size_t pixels_offset = 0;
  size_t pixels_size = 0;
};

std::string Measure(std::string_view bmp, Layout& layout) {
  if (bmp.size() < kFileHeaderSize + kInfoHeaderSize) return "too short for a BMP header";
  if (bmp[0] != 'B' || bmp[1] != 'M') return "no BMP signature";
  uint32_t pixels_offset = ReadLe(bmp, 10, 4);
  uint32_t info_size = ReadLe(bmp, 14, 4);
  auto width = static_cast<int32_t>(ReadLe(bmp, 18, 4));
  auto height = static_cast<int32_t>(ReadLe(bmp, 22, 4));
  uint32_t planes = ReadLe(bmp, 26, 2);
  uint32_t bits = ReadLe(bmp, 28, 2);
  uint32_t compression = ReadLe(bmp, 30, 4);
  uint32_t colours_used = ReadLe(bmp, 46, 4);
  if (info_size != 40 && info_size != 108 && info_size != 124) return "unknown info header";
  if (kFileHeaderSize + info_size > bmp.size()) return "info header past the end of the file";
  if (width <= 0 || width > kMaxSide || height == 0 || height < -kMaxSide || height > kMaxSide) {
    return "width or height out of range";
  }
  if (planes != 1) return "more than one plane";
  // A colour profile lies at an offset of its own, which Windows would read unchecked.
  if (info_size == 124) {
    uint32_t colour_space = ReadLe(bmp, kFileHeaderSize + 56, 4);
    constexpr uint32_t kLinked = 0x4C494E4B, kEmbedded = 0x4D424544;  // 'LINK', 'MBED'
    if (colour_space == kLinked || colour_space == kEmbedded) {
      return "a colour profile";
    }
  }
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
    return "unsupported bits per pixel";
  }
  bool masks = compression == BI_BITFIELDS;
  if (compression != BI_RGB && !(masks && (bits == 16 || bits == 32))) return "compressed";
  size_t palette = bits <= 8 ? (size_t{1} << bits) : 0;
  if (colours_used != 0) {
    if (colours_used > 256 || (bits <= 8 && colours_used > palette)) return "palette too large";
    palette = colours_used;
  }
  // A 40-byte header keeps its three colour masks after it; the longer ones hold them inside.
  size_t header = info_size + (masks && info_size == 40 ? 12 : 0) + palette * 4;
  if (kFileHeaderSize + header > bmp.size()) return "palette past the end of the file";
  if (pixels_offset < kFileHeaderSize + header || pixels_offset > bmp.size()) {
    return "pixel data offset out of range";
  }
  size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
  size_t rows = static_cast<size_t>(height < 0 ? -height : height);
  if (stride * rows > bmp.size() - pixels_offset) return "pixel data past the end of the file";
  layout = {header, pixels_offset, stride * rows};
  return {};
}

[[noreturn]] void Refuse(const std::string& reason) {
  throw host::IdeError(host::kErrInvalidCall,
                       "The button face is not a usable BMP image: " + reason + ".", "Kestrix");
}

}  // namespace

std::string CheckBmp(std::string_view bmp) {
  Layout layout;
  return Measure(bmp, layout);
}

Ref<IDispatch> PictureFromBmp(std::string_view bmp) {
  Layout layout;
  std::string fault = Measure(bmp, layout);
  if (!fault.empty()) Refuse(fault);
  // A copy of the header in memory aligned for BITMAPINFO.
  std::vector<uint32_t> info((layout.header_size + 3) / 4, 0);
  std::memcpy(info.data(), bmp.data() + kFileHeaderSize, layout.header_size);
  void* pixels = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(info.data()),
                                    DIB_RGB_COLORS, &pixels, nullptr, 0);
  if (bitmap == nullptr || pixels == nullptr) {
    if (bitmap != nullptr) DeleteObject(bitmap);
    Refuse("Windows could not make a bitmap of it");
  }
  std::memcpy(pixels, bmp.data() + layout.pixels_offset, layout.pixels_size);
  GdiFlush();
  PICTDESC description = {};
  description.cbSizeofstruct = sizeof description;
  description.picType = PICTYPE_BITMAP;
  description.bmp.hbitmap = bitmap;
  Ref<IDispatch> picture;
  // The picture owns the bitmap from here on.
  HRESULT hr = OleCreatePictureIndirect(&description, IID_IPictureDisp, TRUE,
                                        reinterpret_cast<void**>(picture.Out()));
  if (FAILED(hr) || !picture) {
    DeleteObject(bitmap);
    Refuse("no picture object could be made of it (" + std::to_string(hr) + ")");
  }
  return picture;
}

}  // namespace kestrix::com

#include "com/test_host/screenshot.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "com/test_host/host_support.h"

namespace kestrix::com::testing {
namespace {

void PutBigEndian(std::string& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out += static_cast<char>((value >> shift) & 0xFF);
}

void PutChunk(std::string& out, const char type[5], const std::string& data) {
  PutBigEndian(out, static_cast<uint32_t>(data.size()));
  std::string body = std::string(type, 4) + data;
  out += body;
  PutBigEndian(out, Crc32(reinterpret_cast<const uint8_t*>(body.data()), body.size()));
}

// The rows, each after its filter byte (0: none), as a zlib stream of stored blocks.
std::string StoredZlib(const Image& image) {
  std::string raw;
  const size_t row = static_cast<size_t>(image.width) * 3;
  raw.reserve((row + 1) * static_cast<size_t>(image.height));
  for (int y = 0; y < image.height; ++y) {
    raw += '\0';
    raw.append(reinterpret_cast<const char*>(image.rgb.data()) + row * static_cast<size_t>(y), row);
  }
  std::string out = "\x78\x01";
  size_t at = 0;
  do {
    size_t length = std::min<size_t>(raw.size() - at, 0xFFFF);
    bool last = at + length == raw.size();
    out += static_cast<char>(last ? 1 : 0);
    for (uint32_t value : {static_cast<uint32_t>(length), static_cast<uint32_t>(~length & 0xFFFF)}) {
      out += static_cast<char>(value & 0xFF);
      out += static_cast<char>((value >> 8) & 0xFF);
    }
    out.append(raw, at, length);
    at += length;
  } while (at < raw.size());
  PutBigEndian(out, Adler32(reinterpret_cast<const uint8_t*>(raw.data()), raw.size()));
  return out;
}

// Copies what the device context shows at (x, y) into a 24-bit bitmap of the image's size.
bool CopyPixels(HDC source, int x, int y, Image& image) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = -image.height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr) return false;
  HDC memory = CreateCompatibleDC(source);
  HGDIOBJ old = SelectObject(memory, bitmap);
  bool ok = BitBlt(memory, 0, 0, image.width, image.height, source, x, y, SRCCOPY) != FALSE;
  GdiFlush();
  if (ok) {
    const size_t stride = (static_cast<size_t>(image.width) * 3 + 3) & ~size_t{3};
    const auto* pixels = static_cast<const uint8_t*>(bits);
    image.rgb.resize(static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3);
    uint8_t* out = image.rgb.data();
    for (int row = 0; row < image.height; ++row) {
      const uint8_t* in = pixels + stride * static_cast<size_t>(row);
      for (int column = 0; column < image.width; ++column, in += 3) {
        *out++ = in[2];  // the bitmap holds blue, green, red
        *out++ = in[1];
        *out++ = in[0];
      }
    }
  }
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(bitmap);
  return ok;
}

// The part of `image` (the window whole) from `from` to `to`, in the window's coordinates.
Image Crop(const Image& image, POINT from, POINT to) {
  Image part;
  part.width = to.x - from.x;
  part.height = to.y - from.y;
  const size_t row = static_cast<size_t>(part.width) * 3;
  for (int y = from.y; y < to.y; ++y) {
    auto start = image.rgb.begin() +
                 static_cast<std::ptrdiff_t>((static_cast<size_t>(y) * image.width + from.x) * 3);
    part.rgb.insert(part.rgb.end(), start, start + static_cast<std::ptrdiff_t>(row));
  }
  return part;
}

// Where a window manager draws the frame, the window's own surface holds nothing there (black):
// the picture keeps what the window drew (its menu bar and client area), the client area whole.
Image WithoutEmptyFrame(HWND window, const RECT& frame, Image image) {
  RECT keep{};
  GetClientRect(window, &keep);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&keep), 2);
  OffsetRect(&keep, -frame.left, -frame.top);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      size_t at = (static_cast<size_t>(y) * static_cast<size_t>(image.width) + x) * 3;
      if (image.rgb[at] == 0 && image.rgb[at + 1] == 0 && image.rgb[at + 2] == 0) continue;
      keep.left = std::min<LONG>(keep.left, x);
      keep.top = std::min<LONG>(keep.top, y);
      keep.right = std::max<LONG>(keep.right, x + 1);
      keep.bottom = std::max<LONG>(keep.bottom, y + 1);
    }
  }
  IntersectRect(&keep, &keep, std::array<RECT, 1>{{{0, 0, image.width, image.height}}}.data());
  if (IsRectEmpty(&keep)) return image;
  return Crop(image, {keep.left, keep.top}, {keep.right, keep.bottom});
}

}  // namespace

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> values{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k)
        c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      values[n] = c;
    }
    return values;
  }();
  crc = ~crc;
  for (size_t i = 0; i < size; ++i)
    crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

uint32_t Adler32(const uint8_t* data, size_t size, uint32_t adler) {
  uint32_t a = adler & 0xFFFF, b = adler >> 16;
  for (size_t i = 0; i < size; ++i) {
    a = (a + data[i]) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

std::string EncodePng(const Image& image) {
  std::string png = "\x89PNG\r\n\x1A\n";
  std::string header;
  PutBigEndian(header, static_cast<uint32_t>(image.width));
  PutBigEndian(header, static_cast<uint32_t>(image.height));
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, truecolour, no interlace
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", StoredZlib(image));
  PutChunk(png, "IEND", "");
  return png;
}

std::optional<Image> CaptureWindow(HWND window) {
  RECT frame{};
  if (!GetWindowRect(window, &frame)) return std::nullopt;
  Image image;
  image.width = frame.right - frame.left;
  image.height = frame.bottom - frame.top;
  if (image.width <= 0 || image.height <= 0) return std::nullopt;
  // The window's own surface first: it holds the window whole, whatever lies over it.
  HDC own = GetWindowDC(window);
  bool ok = own != nullptr && CopyPixels(own, 0, 0, image);
  if (own != nullptr) ReleaseDC(window, own);
  if (ok) return WithoutEmptyFrame(window, frame, std::move(image));
  HDC screen = GetDC(nullptr);
  ok = screen != nullptr && CopyPixels(screen, frame.left, frame.top, image);
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  if (ok) return image;
  return std::nullopt;
}

std::string SaveScreenshot(HWND window, const std::string& path) {
  std::optional<Image> image = CaptureWindow(window);
  if (!image) return "the window could not be drawn into a bitmap";
  // A window drawn in one colour throughout is a window that was not drawn at all.
  bool blank = true;
  for (size_t at = 3; blank && at < image->rgb.size(); ++at)
    blank = image->rgb[at] == image->rgb[at % 3];
  std::error_code error;
  std::filesystem::path file(Wide(path));
  std::filesystem::create_directories(file.parent_path(), error);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  std::string png = EncodePng(*image);
  out.write(png.data(), static_cast<std::streamsize>(png.size()));
  out.close();
  if (!out) return "cannot write " + path;
  return blank ? "the picture is blank (one colour throughout)" : "";
}

}  // namespace kestrix::com::testing

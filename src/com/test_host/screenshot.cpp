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

// Bits into bytes, the first bit into the lowest place, as deflate packs them.
class BitWriter {
 public:
  void Bits(uint32_t value, int count) {
    buffer_ |= value << filled_;
    filled_ += count;
    for (; filled_ >= 8; filled_ -= 8, buffer_ >>= 8)
      out_ += static_cast<char>(buffer_ & 0xFF);
  }
  // A Huffman code goes most significant bit first.
  void Code(uint32_t code, int length) {
    uint32_t reversed = 0;
    for (int i = 0; i < length; ++i)
      reversed |= ((code >> i) & 1) << (length - 1 - i);
    Bits(reversed, length);
  }
  std::string Finish() {
    if (filled_ > 0) out_ += static_cast<char>(buffer_ & 0xFF);
    buffer_ = 0;
    filled_ = 0;
    return std::move(out_);
  }

 private:
  uint32_t buffer_ = 0;
  int filled_ = 0;
  std::string out_;
};

// A literal byte, the end of the block (256) or a length's code (257 and up), in the fixed
// Huffman code.
void PutSymbol(BitWriter& out, uint32_t symbol) {
  if (symbol < 144) {
    out.Code(0x30 + symbol, 8);
  } else if (symbol < 256) {
    out.Code(0x190 + symbol - 144, 9);
  } else if (symbol < 280) {
    out.Code(symbol - 256, 7);
  } else {
    out.Code(0xC0 + symbol - 280, 8);
  }
}

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                      15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                      67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistanceBase[30] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                        6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

void PutMatch(BitWriter& out, uint32_t length, uint32_t distance) {
  int code = 28;
  while (kLengthBase[code] > length)
    --code;
  PutSymbol(out, 257 + static_cast<uint32_t>(code));
  out.Bits(length - kLengthBase[code], kLengthExtra[code]);
  code = 29;
  while (kDistanceBase[code] > distance)
    --code;
  out.Code(static_cast<uint32_t>(code), 5);
  out.Bits(distance - kDistanceBase[code], kDistanceExtra[code]);
}

// `data` as one deflate block of the fixed Huffman code, repeats found through a hash of their
// first three bytes (a window's picture is mostly runs of one colour and rows like the last).
std::string Deflate(const std::string& data) {
  constexpr size_t kWindow = 32768, kMaxMatch = 258, kTries = 16;
  const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
  const size_t size = data.size();
  std::vector<int64_t> head(1 << 15, -1), previous(size, -1);
  auto hash = [&](size_t at) {
    return ((bytes[at] << 10) ^ (bytes[at + 1] << 5) ^ bytes[at + 2]) & 0x7FFF;
  };
  auto insert = [&](size_t at) {
    if (at + 3 > size) return;
    previous[at] = head[hash(at)];
    head[hash(at)] = static_cast<int64_t>(at);
  };
  BitWriter out;
  out.Bits(1, 1);  // the last block
  out.Bits(1, 2);  // fixed Huffman codes
  for (size_t at = 0; at < size;) {
    size_t best = 0, distance = 0;
    if (at + 3 <= size) {
      int64_t candidate = head[hash(at)];
      for (size_t tries = 0; candidate >= 0 && at - static_cast<size_t>(candidate) <= kWindow &&
                             tries < kTries && best < kMaxMatch;
           ++tries, candidate = previous[static_cast<size_t>(candidate)]) {
        size_t from = static_cast<size_t>(candidate), length = 0;
        while (length < kMaxMatch && at + length < size &&
               bytes[from + length] == bytes[at + length])
          ++length;
        if (length > best) {
          best = length;
          distance = at - from;
        }
      }
    }
    if (best >= 3) {
      PutMatch(out, static_cast<uint32_t>(best), static_cast<uint32_t>(distance));
      for (size_t end = at + best; at < end; ++at)
        insert(at);
    } else {
      PutSymbol(out, bytes[at]);
      insert(at++);
    }
  }
  PutSymbol(out, 256);
  return out.Finish();
}

// The rows, each after its filter byte (0: none), as a zlib stream.
std::string Zlib(const Image& image) {
  std::string raw;
  const size_t row = static_cast<size_t>(image.width) * 3;
  raw.reserve((row + 1) * static_cast<size_t>(image.height));
  for (int y = 0; y < image.height; ++y) {
    raw += '\0';
    raw.append(reinterpret_cast<const char*>(image.rgb.data()) + row * static_cast<size_t>(y), row);
  }
  std::string out = "\x78\x01" + Deflate(raw);
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
  PutChunk(png, "IDAT", Zlib(image));
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

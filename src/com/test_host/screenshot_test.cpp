// The PNG writer read back by a decoder of the test's own (every chunk's checksum, the header,
// the deflate stream), and a window's picture with its colours in their places.
#include "com/test_host/screenshot.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "com/test_host/window_driver.h"

namespace kestrix::com::testing {
namespace {

TEST(Png, ChecksumsAreTheStandardOnes) {
  const std::string digits = "123456789";
  const std::string word = "Wikipedia";
  EXPECT_EQ(Crc32(reinterpret_cast<const uint8_t*>(digits.data()), digits.size()), 0xCBF43926u);
  EXPECT_EQ(Adler32(reinterpret_cast<const uint8_t*>(word.data()), word.size()), 0x11E60398u);
}

uint32_t BigEndian(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i)
    value = (value << 8) | static_cast<uint8_t>(bytes[at + i]);
  return value;
}

// Inflates stored and fixed-code blocks (what the writer makes); throws on anything else.
class Inflater {
 public:
  explicit Inflater(const std::string& data) : data_(data) {}

  std::string Run() {
    std::string out;
    for (bool last = false; !last;) {
      last = Bits(1) == 1;
      uint32_t type = Bits(2);
      if (type == 0) {
        at_ = (at_ + 7) / 8 * 8;
        uint32_t length = Bits(16);
        if ((Bits(16) ^ 0xFFFF) != length) throw std::runtime_error("bad stored length");
        for (uint32_t i = 0; i < length; ++i)
          out += static_cast<char>(Bits(8));
      } else if (type == 1) {
        Fixed(out);
      } else {
        throw std::runtime_error("unexpected block type");
      }
    }
    end_ = (at_ + 7) / 8;
    return out;
  }
  size_t End() const { return end_; }

 private:
  uint32_t Bits(int count) {
    uint32_t value = 0;
    for (int i = 0; i < count; ++i, ++at_) {
      if (at_ / 8 >= data_.size()) throw std::runtime_error("past the end");
      value |= ((static_cast<uint8_t>(data_[at_ / 8]) >> (at_ % 8)) & 1u) << i;
    }
    return value;
  }
  uint32_t Code(int count, uint32_t start) {
    for (int i = 0; i < count; ++i)
      start = (start << 1) | Bits(1);
    return start;
  }
  uint32_t Symbol() {
    uint32_t code = Code(7, 0);
    if (code <= 0x17) return 256 + code;
    code = Code(1, code);
    if (code >= 0x30 && code <= 0xBF) return code - 0x30;
    if (code >= 0xC0 && code <= 0xC7) return 280 + code - 0xC0;
    return 144 + Code(1, code) - 0x190;
  }
  void Fixed(std::string& out) {
    static const uint16_t length_base[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                             15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                             67, 83, 99, 115, 131, 163, 195, 227, 258};
    static const uint16_t distance_base[30] = {
        1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
        193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
    for (uint32_t symbol = Symbol(); symbol != 256; symbol = Symbol()) {
      if (symbol < 256) {
        out += static_cast<char>(symbol);
        continue;
      }
      uint32_t code = symbol - 257;
      int extra = code < 8 || code == 28 ? 0 : static_cast<int>(code / 4 - 1);
      uint32_t length = length_base[code] + Bits(extra);
      uint32_t distance_code = Code(5, 0);
      int distance_extra = distance_code < 4 ? 0 : static_cast<int>(distance_code / 2 - 1);
      uint32_t distance = distance_base[distance_code] + Bits(distance_extra);
      if (distance > out.size()) throw std::runtime_error("distance before the start");
      for (uint32_t i = 0; i < length; ++i)
        out += out[out.size() - distance];
    }
  }

  const std::string& data_;
  size_t at_ = 2 * 8;  // after the zlib header
  size_t end_ = 0;
};

struct Decoded {
  std::vector<std::string> types;
  std::string header;
  std::string raw;  // the rows with their filter bytes
  size_t compressed = 0;
};

Decoded Decode(const std::string& png) {
  Decoded decoded;
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1A\n"));
  std::string zlib;
  for (size_t at = 8; at + 12 <= png.size();) {
    uint32_t length = BigEndian(png, at);
    std::string body = png.substr(at + 4, 4 + length);
    EXPECT_EQ(BigEndian(png, at + 8 + length),
              Crc32(reinterpret_cast<const uint8_t*>(body.data()), body.size()));
    decoded.types.push_back(body.substr(0, 4));
    if (decoded.types.back() == "IDAT") zlib += body.substr(4);
    if (decoded.types.back() == "IHDR") decoded.header = body.substr(4);
    at += 12 + length;
  }
  decoded.compressed = zlib.size();
  Inflater inflater(zlib);
  decoded.raw = inflater.Run();
  EXPECT_EQ(BigEndian(zlib, inflater.End()),
            Adler32(reinterpret_cast<const uint8_t*>(decoded.raw.data()), decoded.raw.size()));
  return decoded;
}

// Noise, where nothing repeats, and a picture of flat areas and repeated rows: both read back
// as written; the second takes a fraction of its size.
TEST(Png, ReadsBackAsWritten) {
  struct Case {
    int width, height;
    bool flat;
  };
  for (const Case& c : {Case{300, 90, false}, Case{640, 400, true}, Case{1, 1, true}}) {
    Image image;
    image.width = c.width;
    image.height = c.height;
    uint32_t noise = 12345;
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width * 3; ++x) {
        noise = noise * 1103515245u + 12345u;
        image.rgb.push_back(c.flat ? static_cast<uint8_t>(x < 300 ? 240 : (x / 3 + y / 20) % 7)
                                   : static_cast<uint8_t>(noise >> 24));
      }
    }
    Decoded decoded = Decode(EncodePng(image));
    EXPECT_EQ(decoded.types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
    ASSERT_EQ(decoded.header.size(), 13u);
    EXPECT_EQ(BigEndian(decoded.header, 0), static_cast<uint32_t>(c.width));
    EXPECT_EQ(BigEndian(decoded.header, 4), static_cast<uint32_t>(c.height));
    EXPECT_EQ(decoded.header.substr(8), std::string("\x08\x02\x00\x00\x00", 5));
    const size_t row = static_cast<size_t>(c.width) * 3;
    ASSERT_EQ(decoded.raw.size(), (row + 1) * static_cast<size_t>(c.height));
    for (size_t y = 0; y < static_cast<size_t>(c.height); ++y) {
      ASSERT_EQ(decoded.raw[y * (row + 1)], '\0');
      ASSERT_EQ(decoded.raw.compare(y * (row + 1) + 1, row,
                                    reinterpret_cast<const char*>(image.rgb.data()) + y * row, row),
                0)
          << "row " << y << " of " << c.width << "x" << c.height;
    }
    if (c.flat && c.width > 1) {
      EXPECT_LT(decoded.compressed * 20, decoded.raw.size());
    }
  }
}

// Red, green and blue come out in their places, the top row first.
TEST(Screenshot, CapturesTheWindowAsDrawn) {
  if (!WindowsCanOpen()) GTEST_SKIP() << "no window can open here";
  WNDCLASSW type{};
  type.lpfnWndProc = DefWindowProcW;
  type.hInstance = GetModuleHandleW(nullptr);
  const wchar_t* names[2] = {L"ScreenshotTest", L"ScreenshotTestTop"};
  const COLORREF colours[2] = {RGB(0, 0, 255), RGB(255, 0, 0)};
  for (int i = 0; i < 2; ++i) {
    type.lpszClassName = names[i];
    type.hbrBackground = CreateSolidBrush(colours[i]);
    RegisterClassW(&type);
  }
  HWND window = CreateWindowExW(0, names[0], L"Colours", WS_POPUP, 20, 20, 60, 40, nullptr, nullptr,
                                type.hInstance, nullptr);
  HWND top = CreateWindowExW(0, names[1], L"", WS_CHILD | WS_VISIBLE, 0, 0, 60, 10, window, nullptr,
                             type.hInstance, nullptr);
  ASSERT_NE(top, nullptr);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  PumpFor(100);
  std::optional<Image> image = CaptureWindow(window);
  DestroyWindow(window);
  for (const wchar_t* name : names) {
    WNDCLASSW made{};
    GetClassInfoW(type.hInstance, name, &made);
    UnregisterClassW(name, type.hInstance);
    DeleteObject(made.hbrBackground);
  }
  ASSERT_TRUE(image.has_value());
  ASSERT_EQ(image->width, 60);
  ASSERT_EQ(image->height, 40);
  auto pixel = [&](int x, int y) {
    size_t at = (static_cast<size_t>(y) * 60 + static_cast<size_t>(x)) * 3;
    return std::vector<int>{image->rgb[at], image->rgb[at + 1], image->rgb[at + 2]};
  };
  EXPECT_EQ(pixel(30, 30), (std::vector<int>{0, 0, 255}));
  EXPECT_EQ(pixel(30, 4), (std::vector<int>{255, 0, 0}));
}

}  // namespace
}  // namespace kestrix::com::testing

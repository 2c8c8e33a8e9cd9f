#pragma once
// A window's picture as the user sees it, written as a PNG file: the test host keeps one per
// window it opens, for a person to look at.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrix::com::testing {

// An image of 8-bit red, green and blue samples, top row first.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // width * height * 3
};

// The whole window as it is drawn now, title bar and frame included when the system draws them
// (when a window manager does, the menu bar and the client area only); nothing when the window
// cannot be drawn into a bitmap (no display).
std::optional<Image> CaptureWindow(HWND window);

// The image as a PNG file: truecolour, 8 bits per sample, its data compressed by a deflate of
// our own (no compression library is at hand): repeats only, in the fixed Huffman code.
std::string EncodePng(const Image& image);

// CRC-32 as PNG chunks carry it, and Adler-32 as the zlib stream inside ends with.
uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);
uint32_t Adler32(const uint8_t* data, size_t size, uint32_t adler = 1);

// Captures the window and writes it to `path` (UTF-8); an empty text on success, what went
// wrong otherwise (a blank picture, one colour throughout, is written and reported).
std::string SaveScreenshot(HWND window, const std::string& path);

}  // namespace kestrix::com::testing

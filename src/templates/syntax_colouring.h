#pragma once

// Syntax colouring of Basic source, without any widget: the text with known keywords
// respelt as the keyword lists spell them, and the ranges to colour. The Qt views apply the
// result (templates/qt_colouring.h).

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kestrix::templates {

// kBlack (0, 0, 0) for built-in functions, kBlue (0, 0, 220) for statement keywords,
// kGreen (0, 127, 0) for comments.
enum class Colour { kBlack, kBlue, kGreen };

struct ColourRange {
  size_t offset;  // bytes from the start of the text
  size_t length;  // bytes
  Colour colour;

  bool operator==(const ColourRange&) const = default;
};

struct Colouring {
  std::string text;  // the input with keywords respelt; always the same length
  // In ascending order, never overlapping; neighbouring bytes of one colour form one range.
  std::vector<ColourRange> ranges;
};

// The keyword lists, each entry between two "*" (a word is in a list when "*" + word + "*"
// occurs in it, ignoring case). Entries holding anything but letters and "_" never match.
extern const std::string_view kFunctionKeywords;
extern const std::string_view kStatementKeywords;

// A scan for the quote that closes a string literal, or for the line end that closes a
// comment, looks at no more than this many bytes; what lies beyond counts as not found.
inline constexpr size_t kScanLimit = 9'999'999;

// Colours `text` (Windows ANSI bytes, lines ending in CR LF) in one pass from left to right.
// Words are runs of ASCII letters and "_" (digits split them). A word found in
// kFunctionKeywords is black and one in kStatementKeywords blue, each respelt as the list
// spells it. String literals are skipped (a literal without its closing quote runs to the
// end); a comment, from an apostrophe or from the word REM, runs to the next CR LF (or the
// end) and is green. Comments and literals keep their text as it is; respelling only
// changes the case of letters, so offsets are valid in input and output alike.
Colouring HighlightSyntax(std::string_view text);

}  // namespace kestrix::templates

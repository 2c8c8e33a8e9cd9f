#pragma once

// What one statement of Basic source means for the shape of a module: a procedure header,
// a procedure's End, a conditional-compilation directive, a plain statement, or nothing
// (blank or comment). Text inside string literals and comments never counts.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "basic/byte_scan.h"
#include "basic/characters.h"
#include "host/ide.h"

namespace kestrix::vbfiles {

enum LineFlag : uint8_t {
  kContinues = 1 << 0,  // the physical line ends with " _": the next one continues it
  kStatement = 1 << 1,  // holds a statement (not blank, not only a comment)
  kHeader = 1 << 2,     // a Sub, Function or Property header
  kProcEnd = 1 << 3,    // End Sub / End Function / End Property among its statements
  kDirIf = 1 << 4,      // #If
  kDirElse = 1 << 5,    // #ElseIf or #Else
  kDirEndIf = 1 << 6,   // #End If
  kDirOther = 1 << 7,   // #Const
};

// Flags that change where procedures begin and end; an edit touching them re-indexes.
inline constexpr uint8_t kStructuralFlags =
    kContinues | kHeader | kProcEnd | kDirIf | kDirElse | kDirEndIf;

struct StatementInfo {
  uint8_t flags = 0;                            // LineFlag bits, kContinues excepted
  host::ProcKind kind = host::ProcKind::kProc;  // of the header, when kHeader
  std::string name;                             // of the header, when kHeader
};

// True when the physical line ends with a line continuation: "_" as its last character,
// after a blank or tab or alone on the line.
inline bool EndsWithContinuation(std::string_view line) {
  // Most lines end in something else: one look at the last character answers them.
  if (line.empty()) return false;
  const char last = line.back();
  if (last != '_' && !basic::IsBlank(last)) return false;
  return basic::ContinuesOnNextLine(line);
}
// The line without its continuation mark and the blanks after it.
std::string_view WithoutContinuation(std::string_view line);

// Classifies a logical line: its physical lines joined, each continuation "_" dropped.
StatementInfo ScanStatement(std::string_view logical_line);
// ScanStatement's flags alone.
uint8_t StatementFlags(std::string_view logical_line);
// The flags of a line that is blank, starts with a comment or holds one plain statement or
// procedure End (most lines), told from its first words and the absence of a ':' between
// statements; false, and `flags` left alone, when the line needs ScanStatementFully.
bool QuickStatementFlags(std::string_view logical_line, uint8_t& flags);

// Which statements may need more than their first two characters to tell: by first
// character, the second characters (lower case, as bits from 'a') that may make the first
// word Rem, End or a word a procedure header starts with (Sub, Static, Public, Private,
// Property, Friend, Function, Global); kAnySecond for a directive's '#' and a comment's "'".
struct TellingStarts {
  static constexpr uint32_t kAnySecond = ~uint32_t{0};
  uint32_t seconds[256];
  constexpr TellingStarts() : seconds() {
    auto add = [this](char first, std::string_view second_letters) {
      for (const char c : {first, static_cast<char>(first - 'a' + 'A')}) {
        for (const char second : second_letters)
          seconds[static_cast<unsigned char>(c)] |= uint32_t{1} << (second - 'a');
      }
    };
    add('r', "e");
    add('e', "n");
    add('s', "ut");
    add('p', "ur");
    add('f', "ru");
    add('g', "l");
    seconds[static_cast<unsigned char>('#')] = kAnySecond;
    seconds[static_cast<unsigned char>('\'')] = kAnySecond;
  }
  // False when the statement starting at line[at] is surely a plain one.
  constexpr bool MayTell(std::string_view line, size_t at) const {
    const uint32_t which = seconds[static_cast<unsigned char>(line[at])];
    if (which == 0) return false;
    if (which == kAnySecond) return true;
    if (at + 1 == line.size()) return false;
    const char second = basic::Lower(line[at + 1]);
    if (second < 'a' || second > 'z' || ((which >> (second - 'a')) & 1) == 0) return false;
    // Rem and End are told by their third letter too (Resume, Enum are not them).
    const char first = basic::Lower(line[at]);
    if (first != 'r' && first != 'e') return true;
    return at + 2 < line.size() && basic::Lower(line[at + 2]) == (first == 'r' ? 'm' : 'd');
  }
};
inline constexpr TellingStarts kTellingStarts;

// QuickStatementFlags for the statement starting at line[at] (blanks and line number passed
// over) when its first characters alone do not tell, or the line holds a ':'.
bool QuickStatementFlagsFrom(std::string_view logical_line, size_t at, bool has_colon,
                             uint8_t& flags);

// QuickStatementFlags for a line already known to hold a ':' or not (`has_colon`): a line
// without one has no second statement, and is not searched for one. Inline, as loading and
// inserting ask it of nearly every line, and most are told by their first two characters.
[[gnu::always_inline]] inline bool QuickStatementFlags(std::string_view line, bool has_colon,
                                                       uint8_t& flags) {
  const size_t n = line.size();
  size_t at = n != 0 && basic::IsBlank(line[0]) ? basic::BlanksEnd(line, 1) : 0;
  // Blank lines and lines that start with a comment hold no statement: many lines are such.
  if (at == n || line[at] == '\'') {
    flags = 0;
    return true;
  }
  if (basic::IsDigit(line[at])) {  // a line number, when a blank follows
    size_t digits = at + 1;
    while (digits < n && basic::IsDigit(line[digits]))
      ++digits;
    if (digits < n && basic::IsBlank(line[digits])) at = basic::BlanksEnd(line, digits + 1);
    if (at == n) return false;
  }
  if (has_colon || kTellingStarts.MayTell(line, at)) {
    return QuickStatementFlagsFrom(line, at, has_colon, flags);
  }
  flags = kStatement;
  return true;
}

// The same, always reading the line statement by statement: what ScanStatement must agree
// with on every line.
StatementInfo ScanStatementFully(std::string_view logical_line);

// StatementFlags for a line known to hold a ':' or not.
[[gnu::always_inline]] inline uint8_t StatementFlags(std::string_view logical_line,
                                                     bool has_colon) {
  uint8_t flags = 0;
  if (QuickStatementFlags(logical_line, has_colon, flags)) return flags;
  return ScanStatementFully(logical_line).flags;
}

// Tells which lines hold a ':', for lines that lie in one buffer ending at `end`: a search
// runs on past the line asked about, to the next ':' or `reach` bytes from the line's start,
// and the lines that follow within that stretch are answered without another. Lines visited
// in the order they lie in memory, as they are after a load or an insertion, so cost a search
// every few lines rather than one a line. Lines in any other order get the right answer all
// the same, at the cost of a search each as far as `reach`: the whole buffer suits only lines
// known to lie in order.
class ColonFinder {
 public:
  static constexpr size_t kWholeBuffer = SIZE_MAX;

  ColonFinder(const char* end, size_t reach) : end_(end), from_(end), next_(end), reach_(reach) {}

  // True when `line`, lying in the buffer, holds a ':'.
  bool In(std::string_view line) {
    const char* const begin = line.data();
    const char* const stop = begin + line.size();
    if (begin < from_ || begin > next_ || (stop > next_ && !colon_)) {
      from_ = begin;
      const auto reach = std::min(static_cast<size_t>(end_ - begin), std::max(line.size(), reach_));
      const void* found = std::memchr(begin, ':', reach);
      colon_ = found != nullptr;
      next_ = colon_ ? static_cast<const char*>(found) : begin + reach;
    }
    // No ':' lies from from_ to next_; next_ is one when colon_ is set.
    return next_ < stop;
  }

 private:
  const char* end_;
  const char* from_;  // where the last search started
  const char* next_;  // where it stopped: the ':' it found, or as far as it looked
  size_t reach_;
  bool colon_ = false;
};

// The line label at the start of a line: a line number ("120") or a name followed by a colon
// ("Retry"); "" when the line has none.
std::string LineLabel(std::string_view line);

// Case-insensitive ASCII comparison, as VB compares names.
using basic::EqualsNoCase;

}  // namespace kestrix::vbfiles

#pragma once

// Character tests on Basic source and names, as VB makes them: blanks are spaces and tabs,
// case is ASCII case, and bytes of the ANSI code page above 127 count as letters.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace kestrix::basic {

inline bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
inline bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
inline char Upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}
// ASCII lower case of every byte, as a table: the tests on a line ask it of most characters.
struct LowerCaseTable {
  char map[256];
  constexpr LowerCaseTable() : map() {
    for (int u = 0; u < 256; ++u) {
      const char c = static_cast<char>(u);
      map[u] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    }
  }
};
inline constexpr LowerCaseTable kLowerCase;

inline char Lower(char c) {
  return kLowerCase.map[static_cast<unsigned char>(c)];
}

// The characters a name is made of (letters, digits, '_', the code page's upper half), as a
// table: scans over whole lines ask for every character.
struct IdentCharTable {
  bool map[256];
  constexpr IdentCharTable() : map() {
    for (int u = 0; u < 256; ++u)
      map[u] = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
               u == '_' || u >= 128;
  }
};
inline constexpr IdentCharTable kIdentChars;

inline bool IsIdentChar(char c) {
  return kIdentChars.map[static_cast<unsigned char>(c)];
}

// The index of the first character at or after `i` that is no blank or tab (s.size() when
// there is none). Eight bytes at a time: every test on a line starts by passing its indent,
// which is mostly spaces; a tab is stepped over where it stands.
inline size_t BlanksEnd(std::string_view s, size_t i = 0) {
  constexpr uint64_t kSpaces = 0x2020202020202020ULL;
  while (i + 8 <= s.size()) {
    uint64_t word;
    std::memcpy(&word, s.data() + i, sizeof word);
    const uint64_t other = word ^ kSpaces;  // a zero byte for each space
    if (other == 0) {
      i += 8;
      continue;
    }
    // The first byte that is no space in memory order is the lowest of a little-endian word.
    if constexpr (std::endian::native == std::endian::little) {
      i += static_cast<size_t>(std::countr_zero(other)) / 8;
    } else {
      i += static_cast<size_t>(std::countl_zero(other)) / 8;
    }
    if (s[i] != '\t') return i;
    ++i;
  }
  while (i < s.size() && IsBlank(s[i]))
    ++i;
  return i;
}

// True when every byte of the text is ASCII (below 0x80). Eight bytes at a time.
inline bool IsAscii(std::string_view s) {
  uint64_t seen = 0;
  size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    uint64_t word;
    std::memcpy(&word, s.data() + i, sizeof word);
    seen |= word;
  }
  for (; i < s.size(); ++i)
    seen |= static_cast<unsigned char>(s[i]);
  return (seen & 0x8080808080808080ULL) == 0;
}

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

// True when the physical line goes on on the next one: a "_" standing after a blank or tab (or
// alone on the line), followed by nothing but blanks and tabs. A name that ends in "_"
// (`x = PROCNAME_`) does not continue the line; a comment ending in " _" does.
inline bool ContinuesOnNextLine(std::string_view line) {
  size_t end = line.size();
  while (end > 0 && IsBlank(line[end - 1]))
    --end;
  if (end == 0 || line[end - 1] != '_') return false;
  return end == 1 || IsBlank(line[end - 2]);
}

// True for a statement that may stand alone before a colon, or a method called without
// arguments: "Loop:" or "DoEvents:" at the start of a line is that statement, not a label.
inline bool IsStandaloneStatementWord(std::string_view word) {
  constexpr std::string_view kWords[] = {"else", "end",     "exit",   "loop",      "next",
                                         "wend", "return",  "resume", "stop",      "do",
                                         "beep", "close",   "reset",  "randomize", "doevents",
                                         "cls",  "refresh", "hide",   "show",      "print"};
  for (std::string_view w : kWords) {
    if (EqualsNoCase(word, w)) return true;
  }
  return false;
}

// True when s[n] and s[n + 1] form one letter of a double-byte code page (Shift-JIS, GBK,
// Big5, UHC): a byte of 0x81-0xFE followed by one of 0x40-0x7E. Its second byte must not be
// read as the ASCII character it looks like (the 0x5B of Shift-JIS "ー" is no '['). Single-byte
// code pages read the same: a high byte followed by one of @ [ \ ] ^ ` { | } ~ inside a name is
// not VB code in any of them.
inline bool IsDoubleByteLetter(std::string_view s, size_t n) {
  if (n + 1 >= s.size()) return false;
  auto c = static_cast<unsigned char>(s[n]);
  auto next = static_cast<unsigned char>(s[n + 1]);
  return c >= 0x81 && c <= 0xFE && next >= 0x40 && next <= 0x7E;
}

// The end of the run of name characters that starts at `n` (`n` itself when none does).
inline size_t NameEnd(std::string_view s, size_t n) {
  while (n < s.size()) {
    if (static_cast<unsigned char>(s[n]) < 0x80) {
      if (!IsIdentChar(s[n])) break;
      ++n;  // an ASCII name character: no double-byte letter starts below 0x81
    } else {
      n += IsDoubleByteLetter(s, n) ? 2 : 1;  // every byte from 0x80 on is a name character
    }
  }
  return n;
}

// Takes the word (a run of name characters) off the front of `s`; "" when none starts it.
inline std::string_view TakeWord(std::string_view& s) {
  size_t n = NameEnd(s, 0);
  std::string_view word = s.substr(0, n);
  s.remove_prefix(n);
  return word;
}

// A name as VB compares it: ASCII letters in lower case; the second byte of a double-byte
// letter is kept, so that two different letters never fold to one.
inline std::string FoldName(std::string_view name) {
  std::string out(name);
  for (size_t i = 0; i < out.size(); ++i) {
    if (IsDoubleByteLetter(out, i)) {
      ++i;
    } else {
      out[i] = Lower(out[i]);
    }
  }
  return out;
}

// `s` in upper case (ASCII letters only; other bytes stay).
inline std::string ToUpper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    c = Upper(c);
  return out;
}

// Position of `needle` in `text` at or after `from`, case ignored; npos when there is none.
size_t FindNoCase(std::string_view text, std::string_view needle, size_t from = 0);

// FindNoCase of one needle, many times over one long text (a whole module): the needle's
// character that the text holds least often, in either case, is looked for with memchr, the
// text being sampled once to tell which that is.
class NoCaseSearch {
 public:
  NoCaseSearch(std::string_view text, std::string_view needle);
  // The same, looking for needle[anchor] (an index in the needle) without sampling the text.
  NoCaseSearch(std::string_view text, std::string_view needle, size_t anchor)
      : text_(text), needle_(needle), anchor_(anchor) {}
  // The first match at or after `from`; npos when there is none.
  size_t Find(size_t from) const;

  // Where the next occurrences of the looked-for character in each case stand, kept from one
  // Find to the next: a search that goes on down the text then reads each byte once, even
  // where one case of the character does not occur again.
  struct Cursor {
    size_t lower = 0, upper = 0;
    bool valid = false;
  };
  // Find, for searches from ever later positions sharing one cursor.
  size_t Find(size_t from, Cursor& cursor) const;

 private:
  // Find for a needle of two characters or more, on a processor with SSE2 (every x86-64).
  size_t FindByPairs(size_t from) const;

  std::string_view text_;
  std::string_view needle_;
  size_t anchor_ = 0;  // index in the needle of the character looked for
};

}  // namespace kestrix::basic

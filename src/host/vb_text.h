#pragma once

// Character tests on Basic source and names, as VB makes them: blanks are spaces and tabs,
// case is ASCII case, and bytes of the ANSI code page above 127 count as letters.

#include <string_view>

namespace kestrix::text {

inline bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
inline bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
inline char Upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}
inline char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

inline bool IsIdentChar(char c) {
  auto u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || IsDigit(c) || u == '_' || u >= 128;
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

// Takes the word (a run of name characters) off the front of `s`; "" when none starts it.
inline std::string_view TakeWord(std::string_view& s) {
  size_t n = 0;
  while (n < s.size() && IsIdentChar(s[n]))
    ++n;
  std::string_view word = s.substr(0, n);
  s.remove_prefix(n);
  return word;
}

}  // namespace kestrix::text

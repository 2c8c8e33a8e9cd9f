#include "basic/source_line.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kestrix::basic {

namespace {

// Lower as a byte: FindNoCase runs over whole modules.
inline unsigned char Low(char c) {
  return static_cast<unsigned char>(Lower(c));
}

// How common a character is in Basic source, roughly (lower is rarer): letters by their
// frequency in English words, blanks and the usual operators the most common of all.
struct CommonnessTable {
  unsigned char map[256];
  constexpr CommonnessTable() : map() {
    for (int c = 0; c < 256; ++c)
      map[c] = 5;  // '_', '#', '$' and the rest
    for (int c = '0'; c <= '9'; ++c)
      map[c] = 20;
    for (char c : {' ', '\t', '=', '(', ')', ',', '.', '"'})
      map[static_cast<unsigned char>(c)] = 40;
    constexpr std::string_view kLetters = "zqjxkvbpygfwmucldrhsnioate";
    for (size_t k = 0; k < kLetters.size(); ++k) {
      map[static_cast<unsigned char>(kLetters[k])] = static_cast<unsigned char>(10 + k);
      map[static_cast<unsigned char>(kLetters[k] - 32)] = static_cast<unsigned char>(10 + k);
    }
  }
};
constexpr CommonnessTable kCommonness;

inline int Commonness(char c) {
  return kCommonness.map[static_cast<unsigned char>(c)];
}

}  // namespace

size_t FindNoCase(std::string_view text, std::string_view needle, size_t from) {
  if (needle.empty()) return from <= text.size() ? from : std::string_view::npos;
  if (needle.size() > text.size() || from > text.size() - needle.size()) {
    return std::string_view::npos;
  }
  const unsigned char first = Low(needle[0]);
  const size_t last_start = text.size() - needle.size();
  auto matches_at = [&](size_t i) {
    size_t k = 1;
    while (k < needle.size() && Low(text[i + k]) == Low(needle[k]))
      ++k;
    return k == needle.size();
  };
  if (last_start - from < 48) {
    for (size_t i = from; i <= last_start; ++i) {
      if (Low(text[i]) == first && matches_at(i)) return i;
    }
    return std::string_view::npos;
  }
  // A long text (a whole module): the needle's rarest character is looked for with memchr, in
  // both cases when it is a letter, so that most of the text is passed over many bytes at a
  // time.
  size_t anchor = 0;
  for (size_t k = 1; k < needle.size(); ++k) {
    if (Commonness(needle[k]) < Commonness(needle[anchor])) anchor = k;
  }
  return NoCaseSearch(text, needle, anchor).Find(from);
}

NoCaseSearch::NoCaseSearch(std::string_view text, std::string_view needle)
    : text_(text), needle_(needle) {
  if (needle.empty()) return;
  // How often each character stands in pieces taken all over the text, both cases counted
  // as one: the start of a module (its declarations) is unlike the rest.
  constexpr size_t kPieces = 16, kPiece = 64;
  std::array<uint32_t, 256> count{};
  const size_t step = text.size() / kPieces;
  for (size_t k = 0; k < kPieces; ++k) {
    for (char c : text.substr(k * step, kPiece))
      ++count[Low(c)];
  }
  for (size_t k = 1; k < needle.size(); ++k) {
    const unsigned char c = Low(needle[k]), best = Low(needle[anchor_]);
    // Equal counts (none in the sample) are told apart by how common a character is.
    if (count[c] < count[best] ||
        (count[c] == count[best] && Commonness(needle[k]) < Commonness(needle[anchor_]))) {
      anchor_ = k;
    }
  }
}

#if defined(__SSE2__)
namespace {

// Compares sixteen bytes with one character of a needle in any case: for a letter, the bytes
// with the case bit set (only a letter's two cases then give that letter), for any other
// character the bytes as they are.
struct FoldedByte {
  __m128i fold, value;
  explicit FoldedByte(char c) {
    const auto low = static_cast<char>(Low(c));
    const bool letter = low >= 'a' && low <= 'z';
    fold = _mm_set1_epi8(letter ? 0x20 : 0);
    value = _mm_set1_epi8(letter ? low : c);
  }
  __m128i Equal(__m128i bytes) const { return _mm_cmpeq_epi8(_mm_or_si128(bytes, fold), value); }
};

}  // namespace

size_t NoCaseSearch::FindByPairs(size_t from) const {
  const std::string_view text = text_, needle = needle_;
  // The anchor and the character next to it, sixteen places at a time: few places hold both,
  // where the anchor alone may stand at every few bytes.
  const size_t second = anchor_ + 1 < needle.size() ? anchor_ + 1 : anchor_ - 1;
  const FoldedByte first_byte(needle[anchor_]), second_byte(needle[second]);
  auto matches_at = [&](size_t i) {
    for (size_t k = 0; k < needle.size(); ++k) {
      if (Low(text[i + k]) != Low(needle[k])) return false;
    }
    return true;
  };
  const size_t span = text.size() - needle.size() + 1;  // where a match may start
  size_t i = from;
  // Sixteen starts at once: the bytes read lie below span + the needle's size, the text's end.
  for (; i + 16 <= span; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i + anchor_));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i + second));
    for (auto bits = static_cast<uint32_t>(
             _mm_movemask_epi8(_mm_and_si128(first_byte.Equal(a), second_byte.Equal(b))));
         bits != 0; bits &= bits - 1) {
      const size_t at = i + static_cast<size_t>(std::countr_zero(bits));
      if (matches_at(at)) return at;
    }
  }
  for (; i < span; ++i) {
    if (matches_at(i)) return i;
  }
  return std::string_view::npos;
}
#endif

size_t NoCaseSearch::Find(size_t from) const {
  Cursor cursor;
  return Find(from, cursor);
}

size_t NoCaseSearch::Find(size_t from, Cursor& cursor) const {
  const std::string_view text = text_, needle = needle_;
  if (needle.empty()) return from <= text.size() ? from : std::string_view::npos;
  if (needle.size() > text.size() || from > text.size() - needle.size()) {
    return std::string_view::npos;
  }
#if defined(__SSE2__)
  if (needle.size() >= 2) return FindByPairs(from);
#endif
  const size_t span = text.size() - needle.size() + 1;  // where a match may start
  const char* base = text.data() + anchor_;
  auto next = [&](char c, size_t at) -> size_t {
    if (at >= span) return std::string_view::npos;
    const void* p = std::memchr(base + at, c, span - at);
    return p == nullptr ? std::string_view::npos
                        : static_cast<size_t>(static_cast<const char*>(p) - base);
  };
  auto matches_at = [&](size_t i) {
    for (size_t k = 0; k < needle.size(); ++k) {
      if (Low(text[i + k]) != Low(needle[k])) return false;
    }
    return true;
  };
  const char lower = static_cast<char>(Low(needle[anchor_]));
  const char upper = (lower >= 'a' && lower <= 'z') ? static_cast<char>(lower - 32) : lower;
  // An occurrence found before and not passed yet is where the next one of that case is.
  size_t& at_lower = cursor.lower;
  size_t& at_upper = cursor.upper;
  if (!cursor.valid || at_lower < from) at_lower = next(lower, from);
  if (upper == lower) {
    at_upper = std::string_view::npos;
  } else if (!cursor.valid || at_upper < from) {
    at_upper = next(upper, from);
  }
  cursor.valid = true;
  while (at_lower != std::string_view::npos || at_upper != std::string_view::npos) {
    size_t i = std::min(at_lower, at_upper);
    if (matches_at(i)) return i;
    if (i == at_lower) {
      at_lower = next(lower, i + 1);
    } else {
      at_upper = next(upper, i + 1);
    }
  }
  return std::string_view::npos;
}

namespace {

std::string_view SkipBlanks(std::string_view s) {
  return s.substr(BlanksEnd(s));
}

std::string_view TrimBlanks(std::string_view s) {
  s = SkipBlanks(s);
  while (!s.empty() && IsBlank(s.back()))
    s.remove_suffix(1);
  return s;
}

// Takes the next word off the front of `s`, after blanks.
std::string_view NextWord(std::string_view& s) {
  s = SkipBlanks(s);
  return TakeWord(s);
}

bool IsLetter(char c) {
  return IsIdentChar(c) && !IsDigit(c) && c != '_';
}

// True when a Rem word at s[rem] stands where a statement starts, the statement having begun at
// s[begin]: nothing but blanks and a line number before it, or Then or Else of a one-line If.
// Looking back only at a word that could be Rem keeps the scan below a tight loop.
bool StatementMayStartAt(std::string_view s, size_t begin, size_t rem) {
  size_t j = rem;
  while (j > begin && (IsBlank(s[j - 1]) || IsDigit(s[j - 1])))
    --j;
  if (j == begin) return true;
  if (j == rem || !IsBlank(s[j]) || j - begin < 4) return false;
  std::string_view word = s.substr(j - 4, 4);
  if (!EqualsNoCase(word, "then") && !EqualsNoCase(word, "else")) return false;
  return j - 4 == begin || !IsIdentChar(s[j - 5]);
}

// The characters at which the scan below may stop or jump: the rest are passed over with one
// look-up.
struct StopTable {
  bool map[256];
  constexpr StopTable() : map() {
    for (char c : {'"', '\'', ':', 'r', 'R'})
      map[static_cast<unsigned char>(c)] = true;
  }
};
constexpr StopTable kStatementStop;

// The end of the statement that starts at s[begin]: the ':' that separates it from the next
// one, the start of a comment (`comment` is then set), or the end of the line.
size_t StatementEnd(std::string_view s, size_t begin, bool& comment) {
  comment = false;
  for (size_t i = begin; i < s.size(); ++i) {
    char c = s[i];
    if (!kStatementStop.map[static_cast<unsigned char>(c)]) continue;
    if (c == '"') {
      i = LiteralEnd(s, i) - 1;
    } else if (c == '\'') {
      comment = true;
      return i;
    } else if (c == ':') {
      if (i + 1 >= s.size() || s[i + 1] != '=') return i;
      ++i;
    } else if ((c == 'r' || c == 'R') && (i == begin || !IsIdentChar(s[i - 1])) && IsRemAt(s, i) &&
               StatementMayStartAt(s, begin, i)) {
      comment = true;
      return i;
    }
  }
  return s.size();
}

}  // namespace

size_t LiteralEnd(std::string_view s, size_t quote) {
  size_t i = quote + 1;
  while (i < s.size()) {
    if (s[i] != '"') {
      ++i;
    } else if (i + 1 < s.size() && s[i + 1] == '"') {
      i += 2;
    } else {
      return i + 1;
    }
  }
  return s.size();
}

bool IsRemAt(std::string_view s, size_t i) {
  return NameEnd(s, i) == i + 3 && EqualsNoCase(s.substr(i, 3), "rem");
}

size_t CommentStart(std::string_view line) {
  size_t i = 0;
  bool comment = false;
  while (i < line.size()) {
    i = StatementEnd(line, i, comment);
    if (comment) return i;
    if (i < line.size()) ++i;  // past the ':'
  }
  return line.size();
}

std::string CodeOnly(std::string_view line) {
  size_t end = CommentStart(line);
  std::string out(line.substr(0, end));
  if (out.find('"') == std::string::npos) return out;
  for (size_t i = 0; i < out.size(); ++i) {
    if (out[i] != '"') continue;
    size_t close = LiteralEnd(out, i);
    // The quotes stay, doubled ones inside too: only the letters of the literal go.
    for (size_t k = i + 1; k < close; ++k) {
      if (out[k] != '"') out[k] = ' ';
    }
    i = close - 1;
  }
  return out;
}

Label ReadLabel(std::string_view line) {
  Label label;
  size_t start = 0;
  start = BlanksEnd(line, start);
  size_t n = start;
  if (n < line.size() && IsDigit(line[n])) {
    while (n < line.size() && IsDigit(line[n]))
      ++n;
    bool colon = n < line.size() && line[n] == ':';
    if (colon && n + 1 < line.size() && line[n + 1] == '=') return label;
    if (n < line.size() && !colon && !IsBlank(line[n]) && line[n] != '\'') return label;
    label.text = line.substr(start, n - start);
    label.numeric = true;
    label.end = colon ? n + 1 : n;
    return label;
  }
  if (n >= line.size() || !IsLetter(line[n])) return label;
  n = NameEnd(line, n);
  if (n >= line.size() || line[n] != ':' || (n + 1 < line.size() && line[n + 1] == '=')) {
    return label;
  }
  std::string_view word = line.substr(start, n - start);
  if (IsStandaloneStatementWord(word)) return label;
  label.text = word;
  label.end = n + 1;
  return label;
}

bool StatementReader::Next(std::string_view& statement) {
  // One pass: each statement is read up to its ':' or to the comment that ends the code.
  while (!done_ && pos_ < line_.size()) {
    first_ = pos_ == 0;
    bool comment = false;
    size_t end = StatementEnd(line_, pos_, comment);
    statement = TrimBlanks(line_.substr(pos_, end - pos_));
    pos_ = end + 1;
    done_ = comment || end >= line_.size();
    if (!statement.empty()) return true;
  }
  return false;
}

std::string_view SkipLineNumber(std::string_view statement) {
  const size_t n = statement.size();
  size_t start = 0;
  start = BlanksEnd(statement, start);
  size_t digits = start;
  while (digits < n && IsDigit(statement[digits]))
    ++digits;
  if (digits == start || (digits < n && !IsBlank(statement[digits]))) {
    return statement.substr(start);
  }
  digits = BlanksEnd(statement, digits);
  return statement.substr(digits);
}

bool IsModifierWord(std::string_view word) {
  static constexpr std::array<std::string_view, 5> kModifiers = {"public", "private", "friend",
                                                                 "static", "global"};
  for (std::string_view m : kModifiers) {
    if (EqualsNoCase(word, m)) return true;
  }
  return false;
}

bool IsDefWord(std::string_view word) {
  static constexpr std::array<std::string_view, 14> kDefs = {
      "defbool", "defbyte", "defint", "deflng",  "deflnglng", "deflngptr", "defcur",
      "defsng",  "defdbl",  "defdec", "defdate", "defstr",    "defobj",    "defvar"};
  if (word.size() < 6 || Lower(word[0]) != 'd') return false;
  for (std::string_view d : kDefs) {
    if (EqualsNoCase(word, d)) return true;
  }
  return false;
}

Header ReadHeader(std::string_view statement) {
  Header header;
  std::string_view s = SkipLineNumber(statement);
  // Every word a header may start with (the modifiers, Sub, Function, Property) begins with
  // one of four letters: other statements, the most of them, end here.
  const char c = s.empty() ? '\0' : Lower(s.front());
  if (c != 'p' && c != 's' && c != 'f' && c != 'g') return header;
  std::string_view word = TakeWord(s);
  for (int i = 0; i < 3 && IsModifierWord(word); ++i)
    word = NextWord(s);
  host::ProcKind kind = host::ProcKind::kProc;
  if (EqualsNoCase(word, "property")) {
    std::string_view accessor = NextWord(s);
    if (EqualsNoCase(accessor, "get")) {
      kind = host::ProcKind::kPropertyGet;
    } else if (EqualsNoCase(accessor, "let")) {
      kind = host::ProcKind::kPropertyLet;
    } else if (EqualsNoCase(accessor, "set")) {
      kind = host::ProcKind::kPropertySet;
    } else {
      return header;
    }
  } else if (!EqualsNoCase(word, "sub") && !EqualsNoCase(word, "function")) {
    return header;
  }
  s = SkipBlanks(s);
  if (!s.empty() && s.front() == '[') {
    size_t close = s.find(']');
    header.name = s.substr(1, close == std::string_view::npos ? s.npos : close - 1);
  } else {
    header.name = TakeWord(s);
  }
  header.kind = kind;
  header.function = EqualsNoCase(word, "function");
  return header;
}

Header ReadLineHeader(std::string_view line) {
  // A line without a ':', a quote or an apostrophe is one statement and holds no comment: its
  // words are read as they stand, without cutting it into statements.
  bool plain = true;
  for (char c : line) {
    if (c == ':' || c == '\'' || c == '"') {
      plain = false;
      break;
    }
  }
  if (plain) return ReadHeader(line);
  StatementReader statements(line);
  std::string_view first;
  if (!statements.Next(first) || !statements.First()) return {};
  return ReadHeader(first);
}

bool IsProcedureEndStatement(std::string_view statement) {
  std::string_view s = SkipLineNumber(statement);
  if (!EqualsNoCase(TakeWord(s), "end")) return false;
  std::string_view what = NextWord(s);
  return EqualsNoCase(what, "sub") || EqualsNoCase(what, "function") ||
         EqualsNoCase(what, "property");
}

bool IsDefStatement(std::string_view line) {
  std::string_view s = SkipBlanks(line);
  std::string_view word = TakeWord(s);
  return !s.empty() && IsBlank(s.front()) && IsDefWord(word);
}

Directive ReadDirective(std::string_view line, size_t& rest) {
  std::string_view s = SkipBlanks(line);
  if (s.empty() || s.front() != '#') return Directive::kNone;
  s.remove_prefix(1);
  std::string_view word = NextWord(s);
  Directive d = Directive::kOther;
  if (EqualsNoCase(word, "if")) {
    d = Directive::kIf;
  } else if (EqualsNoCase(word, "elseif")) {
    d = Directive::kElseIf;
  } else if (EqualsNoCase(word, "else")) {
    d = Directive::kElse;
  } else if (EqualsNoCase(word, "endif")) {
    d = Directive::kEndIf;
  } else if (EqualsNoCase(word, "const")) {
    d = Directive::kConst;
  } else if (EqualsNoCase(word, "end")) {
    std::string_view after = s;
    if (EqualsNoCase(NextWord(after), "if")) {
      d = Directive::kEndIf;
      s = after;
    }
  }
  rest = line.size() - s.size();
  return d;
}

std::string_view WithoutContinuation(std::string_view line) {
  while (!line.empty() && IsBlank(line.back()))
    line.remove_suffix(1);
  if (!line.empty() && line.back() == '_') line.remove_suffix(1);
  return line;
}

}  // namespace kestrix::basic

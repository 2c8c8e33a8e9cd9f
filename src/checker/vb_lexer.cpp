#include "checker/vb_lexer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <utility>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "basic/free_list.h"
#include "basic/source_line.h"

namespace kestrix::checker {
namespace {

constexpr std::pair<std::string_view, Keyword> kKeywords[] = {
    {"as", Keyword::kAs},
    {"attribute", Keyword::kAttribute},
    {"call", Keyword::kCall},
    {"case", Keyword::kCase},
    {"const", Keyword::kConst},
    {"declare", Keyword::kDeclare},
    {"defbool", Keyword::kDeftype},
    {"defbyte", Keyword::kDeftype},
    {"defcur", Keyword::kDeftype},
    {"defdate", Keyword::kDeftype},
    {"defdbl", Keyword::kDeftype},
    {"defdec", Keyword::kDeftype},
    {"defint", Keyword::kDeftype},
    {"deflng", Keyword::kDeftype},
    {"deflnglng", Keyword::kDeftype},
    {"deflngptr", Keyword::kDeftype},
    {"defobj", Keyword::kDeftype},
    {"defsng", Keyword::kDeftype},
    {"defstr", Keyword::kDeftype},
    {"defvar", Keyword::kDeftype},
    {"dim", Keyword::kDim},
    {"do", Keyword::kDo},
    {"each", Keyword::kEach},
    {"else", Keyword::kElse},
    {"elseif", Keyword::kElseIf},
    {"end", Keyword::kEnd},
    {"endif", Keyword::kEndIf},
    {"enum", Keyword::kEnum},
    {"error", Keyword::kError},
    {"event", Keyword::kEvent},
    {"exit", Keyword::kExit},
    {"false", Keyword::kFalse},
    {"for", Keyword::kFor},
    {"friend", Keyword::kFriend},
    {"function", Keyword::kFunction},
    {"get", Keyword::kGet},
    {"global", Keyword::kGlobal},
    {"gosub", Keyword::kGoSub},
    {"goto", Keyword::kGoTo},
    {"if", Keyword::kIf},
    {"implements", Keyword::kImplements},
    {"in", Keyword::kIn},
    {"let", Keyword::kLet},
    {"local", Keyword::kLocal},
    {"loop", Keyword::kLoop},
    {"next", Keyword::kNext},
    {"on", Keyword::kOn},
    {"option", Keyword::kOption},
    {"private", Keyword::kPrivate},
    {"property", Keyword::kProperty},
    {"public", Keyword::kPublic},
    {"redim", Keyword::kReDim},
    {"rem", Keyword::kRem},
    {"resume", Keyword::kResume},
    {"return", Keyword::kReturn},
    {"select", Keyword::kSelect},
    {"set", Keyword::kSet},
    {"static", Keyword::kStatic},
    {"sub", Keyword::kSub},
    {"then", Keyword::kThen},
    {"true", Keyword::kTrue},
    {"type", Keyword::kType},
    {"wend", Keyword::kWend},
    {"while", Keyword::kWhile},
    {"with", Keyword::kWith},
};

// Keywords of up to eight letters are found with one look-up: a word's bytes, each with bit
// 0x20 set (which makes ASCII letters lower case and no other byte a letter), read as one
// number, hashed by a multiplication into a table with a slot for each such keyword. The
// longer ones are compared one by one.
constexpr size_t kPackedLength = 8;
constexpr int kSlotBits = 8;

constexpr size_t Longest() {
  size_t longest = 0;
  for (const auto& each : kKeywords)
    longest = std::max(longest, each.first.size());
  return longest;
}
constexpr size_t kLongest = Longest();

constexpr size_t Shortest() {
  size_t shortest = kLongest;
  for (const auto& each : kKeywords)
    shortest = std::min(shortest, each.first.size());
  return shortest;
}
constexpr size_t kShortest = Shortest();

constexpr uint64_t PackedBytes(std::string_view word) {
  uint64_t packed = 0;
  for (size_t i = 0; i < word.size(); ++i)
    packed |= static_cast<uint64_t>(static_cast<unsigned char>(word[i]) | 0x20) << (8 * i);
  return packed;
}

struct KeywordTable {
  uint64_t multiplier = 0;
  std::array<uint64_t, size_t{1} << kSlotBits> packed{};  // 0 for an empty slot
  std::array<Keyword, size_t{1} << kSlotBits> keyword{};

  constexpr size_t Slot(uint64_t key) const {
    return static_cast<size_t>((key * multiplier) >> (64 - kSlotBits));
  }
};

// A table without two keywords in one slot: multipliers are tried, from one known to work
// for the keywords above, until one works for those there are (a keyword added may need
// another; one in a few hundred of those tried does, for this many keywords).
constexpr KeywordTable MakeKeywordTable() {
  KeywordTable table;
  uint64_t multiplier = 0xed72f0113ec3afbfULL;
  for (;;) {
    table = KeywordTable{};
    table.multiplier = multiplier;
    bool clash = false;
    for (const auto& [word, keyword] : kKeywords) {
      if (word.size() > kPackedLength) continue;
      size_t slot = table.Slot(PackedBytes(word));
      clash = clash || table.packed[slot] != 0;
      table.packed[slot] = PackedBytes(word);
      table.keyword[slot] = keyword;
    }
    if (!clash) return table;
    multiplier = (multiplier * 6364136223846793005ULL + 1442695040888963407ULL) | 1;
  }
}

constexpr KeywordTable kKeywordTable = MakeKeywordTable();

// The keyword of up to eight letters whose PackedBytes are `key`, or kNone.
Keyword KeywordOfPacked(uint64_t key) {
  size_t slot = kKeywordTable.Slot(key);
  return kKeywordTable.packed[slot] == key ? kKeywordTable.keyword[slot] : Keyword::kNone;
}

using basic::IsBlank;
using basic::IsDigit;
using basic::IsIdentChar;
using basic::Lower;

// Letters (bytes from 0x80 on count as letters of the code page) and the other characters of
// a name, as tables: the lexer asks for every character of a line.
struct NameCharTables {
  bool letter[256];
  bool ascii_name[256];  // below 0x80 only: the code page's letters follow their own rules
  bool type_char[256];   // % & ! # @ $
  constexpr NameCharTables() : letter(), ascii_name(), type_char() {
    for (int c = 0; c < 256; ++c) {
      bool ascii_letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
      letter[c] = ascii_letter || c >= 0x80;
      ascii_name[c] = ascii_letter || (c >= '0' && c <= '9') || c == '_';
    }
    for (char c : {'%', '&', '!', '#', '@', '$'})
      type_char[static_cast<unsigned char>(c)] = true;
  }
};
constexpr NameCharTables kNameChars;

bool IsLetter(char c) {
  return kNameChars.letter[static_cast<unsigned char>(c)];
}

bool IsAsciiNameChar(char c) {
  return kNameChars.ascii_name[static_cast<unsigned char>(c)];
}

bool IsHexDigit(char c) {
  char l = Lower(c);
  return IsDigit(c) || (l >= 'a' && l <= 'f');
}

// Characters a date or time literal holds as VB writes it: #1/31/2000 10:30:00 PM#.
bool IsDateChar(char c) {
  char l = Lower(c);
  return IsDigit(c) || c == '/' || c == ':' || c == '-' || c == '.' || c == ' ' || l == 'a' ||
         l == 'p' || l == 'm';
}

// Digits followed by a blank, a ':' (not ":="), a comment or the end: the line number at
// s[i], a line's first non-blank character, set as `out`'s label. Gives the index after the
// digits (the ':' after them stays, as the separator it also is), or `i`, `out` unchanged,
// when the digits there are no line number. Most numbered lines have one, so it is read here
// at once rather than by basic::ReadLabel.
size_t ReadLineNumber(std::string_view s, size_t i, LexedLine& out) {
  size_t n = i;
  uint64_t value = 0;  // wraps past 19 digits, when it is not kept
  while (n < s.size() && IsDigit(s[n])) {
    value = value * 10 + static_cast<uint64_t>(s[n] - '0');
    ++n;
  }
  bool ends = n == s.size() || IsBlank(s[n]) || s[n] == '\'' ||
              (s[n] == ':' && (n + 1 == s.size() || s[n + 1] != '='));
  if (!ends) return i;
  size_t first = i;
  while (first + 1 < n && s[first] == '0')
    ++first;
  out.label = s.substr(first, n - first);
  out.numeric_label = true;
  constexpr size_t kMostDigits = 19;
  if (n - first <= kMostDigits) out.label_number = value;
  return n;
}

// What the scan over a statement's unread rest does at each byte.
enum class Pass : uint8_t {
  kOver = 0,  // passed over
  kQuote,     // a string literal begins
  kColon,     // a separator, unless ":="
  kComment,   // the comment begins
  kLetterR,   // might begin Rem
  kStop,      // the statement is read token by token: '#' (a date or a file number, or a
              // type character), '[' (a name that may hold anything) and the bytes from 0x80
              // on (the letters of a double-byte code page)
};

struct PassTable {
  Pass map[256];
  constexpr PassTable() : map() {
    for (int c = 0x80; c < 256; ++c)
      map[c] = Pass::kStop;
    map[static_cast<unsigned char>('#')] = Pass::kStop;
    map[static_cast<unsigned char>('[')] = Pass::kStop;
    map[static_cast<unsigned char>('"')] = Pass::kQuote;
    map[static_cast<unsigned char>(':')] = Pass::kColon;
    map[static_cast<unsigned char>('\'')] = Pass::kComment;
    map[static_cast<unsigned char>('r')] = Pass::kLetterR;
    map[static_cast<unsigned char>('R')] = Pass::kLetterR;
  }
};
constexpr PassTable kPass;

class Lexer {
 public:
  Lexer(std::string_view text, LexedLine& out, WantsTokens wants)
      : s_(text), out_(out), wants_(wants) {}

  void Run() {
    Reset();
    SkipIndent();
    if (AtCodeEnd()) return;  // a blank line or a comment
    TakeLabel();
    RunCode();
  }

  // Run, with the line's line number (when it has one) already in `out` and `at` where the
  // code after it and its blanks begins, or the line's first non-blank character.
  void RunFrom(size_t at) {
    out_.directive = Directive::kNone;
    out_.tokens.clear();
    i_ = at;
    if (AtCodeEnd()) return;
    if (!out_.numeric_label) TakeLabel();
    RunCode();
  }

 private:
  // The rest of Run, from after the label.
  void RunCode() {
    SkipIndent();
    if (out_.label.empty() && i_ < s_.size() && s_[i_] == '#') {
      TakeDirective();
      return;
    }
    if (wants_ == nullptr) {
      while (TakeToken()) {
      }
      return;
    }
    bool keep_all = false;
    for (;;) {
      bool first = !keep_all && AtStatementBegin();
      if (!TakeToken()) return;
      const Token& token = out_.tokens.back();
      if (!first || token.kind == TokenKind::kSeparator) continue;
      size_t wanted = wants_(token);
      while (wanted == kAskNext) {
        if (!TakeToken()) return;
        if (out_.tokens.back().kind == TokenKind::kSeparator) break;
        wanted = wants_(out_.tokens.back());
      }
      if (out_.tokens.back().kind == TokenKind::kSeparator) continue;
      if (wanted == kAllTokens) {
        keep_all = true;
        continue;
      }
      for (size_t taken = 1; taken < wanted; ++taken) {
        if (!TakeToken()) return;
        if (out_.tokens.back().kind == TokenKind::kSeparator) break;  // no more to pass over
      }
      if (out_.tokens.back().kind == TokenKind::kSeparator) continue;
      if (PassOverStatement() && AtCodeEnd()) return;  // no statement follows
    }
  }

  void Reset() {
    out_.label = {};
    out_.numeric_label = false;
    out_.label_number.reset();
    out_.directive = Directive::kNone;
    out_.tokens.clear();
  }
  // True at the end of the line or at its comment.
  bool AtCodeEnd() const { return i_ == s_.size() || s_[i_] == '\''; }
  void SkipBlanks() {
    while (i_ < s_.size() && IsBlank(s_[i_]))
      ++i_;
  }
  // Blanks that may be many: an indent, or the tab and indent after a line number.
  void SkipIndent() {
    if (i_ < s_.size() && IsBlank(s_[i_])) i_ = basic::BlanksEnd(s_, i_);
  }
  char At(size_t k) const { return k < s_.size() ? s_[k] : '\0'; }

  // The label at i_, the line's first non-blank character, as basic::ReadLabel reads it.
  void TakeLabel() {
    if (IsDigit(s_[i_])) {
      TakeLineNumber();
      return;
    }
    if (!IsLetter(s_[i_])) return;
    // Only a name followed by a colon may be one: most lines begin with no such name.
    size_t end = i_;
    NameEnd(end);
    if (At(end) != ':') return;
    basic::Label label = basic::ReadLabel(s_);
    if (label.text.empty()) return;
    out_.folded_name = FoldName(label.text);
    out_.label = out_.folded_name;
    i_ = label.end;
  }

  void TakeLineNumber() { i_ = ReadLineNumber(s_, i_, out_); }

  void TakeDirective() {
    out_.directive = basic::ReadDirective(s_, i_);
    // The rest of the line: the expression of #If, #ElseIf and #Const.
    while (TakeToken()) {
    }
  }

  std::string_view Word() {
    size_t start = i_;
    NameEnd(i_);
    return s_.substr(start, i_ - start);
  }
  // Moves `n` to the end of the name there, as basic::NameEnd does: plain ASCII names at
  // once; from the first other byte on, the code page's rules.
  void NameEnd(size_t& n) const {
    while (n < s_.size() && IsAsciiNameChar(s_[n]))
      ++n;
    if (n < s_.size() && static_cast<unsigned char>(s_[n]) >= 0x80) n = basic::NameEnd(s_, n);
  }

  // True when the next token is the first of a statement.
  bool AtStatementBegin() const {
    return out_.tokens.empty() || out_.tokens.back().kind == TokenKind::kSeparator;
  }

  // Moves to the end of the statement (the ':' that ends it, the comment or the end of the
  // line) when nothing in the way could read otherwise token by token; else stays, and the
  // statement is read on as usual. Token by token, a ':' is no separator only in ":=" and
  // inside a string literal, a date literal or a bracketed name: the scan passes over the
  // first two, and stops at '#' and '[' (and at the code page's letters); and at a Rem
  // standing as a word, which begins a comment after Then or Else. True when it moved.
  bool PassOverStatement() {
    size_t k = i_;
    auto pass = [this](size_t at) { return kPass.map[static_cast<unsigned char>(s_[at])]; };
    while (k < s_.size()) {
      // Four bytes at a time while none of them is one to act on (kOver is 0).
      while (k + 4 <= s_.size() &&
             (static_cast<unsigned>(pass(k)) | static_cast<unsigned>(pass(k + 1)) |
              static_cast<unsigned>(pass(k + 2)) | static_cast<unsigned>(pass(k + 3))) == 0) {
        k += 4;
      }
      while (k < s_.size() && pass(k) == Pass::kOver)
        ++k;
      if (k == s_.size()) break;
      switch (pass(k)) {
        case Pass::kOver:
          ++k;
          continue;
        case Pass::kQuote:
          k = basic::LiteralEnd(s_, k);
          continue;
        case Pass::kColon:
          if (At(k + 1) == '=') {
            k += 2;
            continue;
          }
          i_ = k;
          return true;
        case Pass::kComment:
          i_ = k;
          return true;
        case Pass::kLetterR:
          if (IsIdentChar(s_[k - 1]) || !basic::IsRemAt(s_, k)) {
            ++k;
            continue;
          }
          return false;
        case Pass::kStop:
          return false;
      }
    }
    i_ = k;
    return true;
  }

  // True when the next token starts a statement, where Rem begins a comment.
  bool AtStatementStart() const {
    if (out_.tokens.empty()) return true;
    const Token& last = out_.tokens.back();
    return last.kind == TokenKind::kSeparator || last.Is(Keyword::kThen) || last.Is(Keyword::kElse);
  }

  void Push(TokenKind kind, size_t start, size_t end, char type_char = 0, bool bracketed = false) {
    out_.tokens.push_back(
        {kind, type_char, bracketed, Keyword::kNone, s_.substr(start, end - start)});
  }

  // The keyword `word`, which lies in the line, is. Eight bytes are read at once when the line
  // holds them.
  Keyword KeywordAt(std::string_view word) const {
    auto start = static_cast<size_t>(word.data() - s_.data());
    if (word.size() < kShortest || word.size() > kLongest) return Keyword::kNone;
    if (std::endian::native != std::endian::little || word.size() > kPackedLength ||
        start + word.size() < kPackedLength) {
      return KeywordOf(word);
    }
    uint64_t bytes = 0;
    if (start + kPackedLength <= s_.size()) {
      std::memcpy(&bytes, word.data(), kPackedLength);
    } else {
      // A word near the end of the line: the eight bytes that end with it.
      std::memcpy(&bytes, word.data() + word.size() - kPackedLength, kPackedLength);
      bytes >>= 8 * (kPackedLength - word.size());
    }
    uint64_t mask =
        word.size() == kPackedLength ? ~uint64_t{0} : (uint64_t{1} << (8 * word.size())) - 1;
    return KeywordOfPacked((bytes | 0x2020202020202020ULL) & mask);
  }

  // A type character right after a name or number; '!' and '&' followed by a name are
  // operators (rs!Field, a&b), not type characters.
  char TakeTypeChar(bool is_number) {
    char c = At(i_);
    bool candidate =
        kNameChars.type_char[static_cast<unsigned char>(c)] && !(c == '$' && is_number);
    if (!candidate) return 0;
    if ((c == '!' || c == '&') && (IsIdentChar(At(i_ + 1)) || At(i_ + 1) == '"')) return 0;
    ++i_;
    return c;
  }

  // Reads one token; false at the end of the code (the end of the line or a comment).
  bool TakeToken() {
    SkipBlanks();
    if (i_ >= s_.size() || s_[i_] == '\'') return false;
    char c = s_[i_];
    size_t start = i_;
    if (IsLetter(c)) return TakeWord();
    if (IsDigit(c) || (c == '.' && IsDigit(At(i_ + 1)))) return TakeNumber(start);
    if (c == '&' && TakeBasedNumber(start)) return true;
    if (c == '"') return TakeString(start);
    if (c == '[') return TakeBracketed(start);
    if (c == '#' && TakeDate(start)) return true;
    return TakeSymbol(start);
  }

  bool TakeWord() {
    std::string_view word = Word();
    Keyword keyword = KeywordAt(word);
    // The word ends where IsRemAt's does: at the first byte that is no name character.
    if (keyword == Keyword::kRem && AtStatementStart()) return false;
    char type_char = TakeTypeChar(false);
    out_.tokens.push_back({TokenKind::kWord, type_char, false, keyword, word});
    return true;
  }

  bool TakeNumber(size_t start) {
    while (IsDigit(At(i_)) || At(i_) == '.')
      ++i_;
    char e = Lower(At(i_));
    if ((e == 'e' || e == 'd') &&
        (IsDigit(At(i_ + 1)) ||
         ((At(i_ + 1) == '+' || At(i_ + 1) == '-') && IsDigit(At(i_ + 2))))) {
      i_ += 2;
      while (IsDigit(At(i_)))
        ++i_;
    }
    size_t end = i_;
    Push(TokenKind::kNumber, start, end, TakeTypeChar(true));
    return true;
  }

  // &H1F, &O17 or &17; false when the '&' is the concatenation operator.
  bool TakeBasedNumber(size_t start) {
    char base = Lower(At(i_ + 1));
    size_t n = i_ + (base == 'h' || base == 'o' ? 2 : 1);
    size_t digits = n;
    while (base == 'h' ? IsHexDigit(At(n)) : (At(n) >= '0' && At(n) <= '7'))
      ++n;
    if (n == digits) return false;
    i_ = n;
    Push(TokenKind::kNumber, start, n, TakeTypeChar(true));
    return true;
  }

  bool TakeString(size_t start) {
    i_ = basic::LiteralEnd(s_, start);
    Push(TokenKind::kString, start, i_);
    return true;
  }

  bool TakeBracketed(size_t start) {
    size_t close = s_.find(']', start);
    size_t end = close == std::string_view::npos ? s_.size() : close;
    i_ = end == s_.size() ? end : end + 1;
    Push(TokenKind::kWord, start + 1, end, TakeTypeChar(false), true);
    return true;
  }

  // #1/31/2000#; false for the '#' of a file number (Print #1, …) and the like.
  bool TakeDate(size_t start) {
    size_t n = start + 1;
    bool has_separator = false;
    while (n < s_.size() && IsDateChar(s_[n])) {
      has_separator = has_separator || s_[n] == '/' || s_[n] == ':';
      ++n;
    }
    if (!has_separator || At(n) != '#') return false;
    i_ = n + 1;
    Push(TokenKind::kDate, start, i_);
    return true;
  }

  bool TakeSymbol(size_t start) {
    char c = s_[i_++];
    char next = At(i_);
    if (c == ':' && next != '=') {
      Push(TokenKind::kSeparator, start, i_);
      return true;
    }
    if ((c == ':' && next == '=') || (c == '<' && (next == '=' || next == '>')) ||
        (c == '>' && next == '=')) {
      ++i_;
    }
    Push(TokenKind::kSymbol, start, i_);
    return true;
  }

  std::string_view s_;
  LexedLine& out_;
  WantsTokens wants_;
  size_t i_ = 0;
};

// A continued line without its "_" and the blanks after it.
std::string_view BeforeContinuation(std::string_view line) {
  return line.substr(0, line.find_last_not_of(" \t"));
}

}  // namespace

Keyword KeywordOf(std::string_view word) {
  if (word.size() <= kPackedLength) return KeywordOfPacked(PackedBytes(word));
  if (word.size() > kLongest) return Keyword::kNone;
  for (const auto& [long_word, keyword] : kKeywords) {
    if (long_word.size() > kPackedLength && basic::EqualsNoCase(word, long_word)) return keyword;
  }
  return Keyword::kNone;
}

void LexLine(std::string_view text, LexedLine& out, WantsTokens wants) {
  Lexer(text, out, wants).Run();
}

namespace {

// Where the code of one line is kept: the same code and the same reading find the same
// slot. Its length, its first, middle and last eight bytes tell most lines apart; the tag,
// more bits of the same hash (never 0), tells most of those apart that share a slot.
struct SlotAndTag {
  size_t slot;
  uint16_t tag;
};
SlotAndTag PlaceOf(std::string_view code, WantsTokens wants, bool numbered, int bits) {
  const size_t n = code.size();
  const char* at = code.data();
  uint64_t first = 0, middle = 0, last = 0;
  if (n >= 8) {
    std::memcpy(&first, at, sizeof first);
    std::memcpy(&middle, at + n / 2 - 4, sizeof middle);
    std::memcpy(&last, at + n - 8, sizeof last);
  } else if (n >= 4) {
    uint32_t head = 0, tail = 0;
    std::memcpy(&head, at, sizeof head);
    std::memcpy(&tail, at + n - 4, sizeof tail);
    first = head;
    last = tail;
  } else {
    for (size_t k = 0; k < n; ++k)
      first |= uint64_t{static_cast<unsigned char>(at[k])} << (8 * k);
  }
  // Each word multiplied on its own, so that the products are made side by side; a product's
  // top bits depend on every bit of its word.
  const uint64_t meta = (n << 2) | (numbered ? 2 : 0) | (wants != nullptr ? 1 : 0);
  const uint64_t h = (first * 0x9E3779B97F4A7C15ULL) ^ (middle * 0xC2B2AE3D27D4EB4FULL) ^
                     (last * 0x165667B19E3779F9ULL) ^ (meta * 0xD6E8FEB86659FD93ULL);
  return {static_cast<size_t>(h >> (64 - bits)), static_cast<uint16_t>((h >> (48 - bits)) | 1)};
}

// True when `a` and `b` hold the same bytes. Lines of code are of every length: the bytes are
// compared in a few overlapping blocks that cover them, not in a loop whose end would be
// mispredicted for nearly every line.
bool SameCode(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  const size_t n = a.size();
  const char* x = a.data();
  const char* y = b.data();
  auto eight = [](const char* at) {
    uint64_t bytes = 0;
    std::memcpy(&bytes, at, sizeof bytes);
    return bytes;
  };
  auto four = [](const char* at) {
    uint32_t bytes = 0;
    std::memcpy(&bytes, at, sizeof bytes);
    return bytes;
  };
#if defined(__SSE2__)
  if (n >= 16 && n <= 64) {
    auto block = [&](size_t at) {
      return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(x + at)),
                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(y + at)));
    };
    const size_t last = n - 16;
    __m128i same = _mm_and_si128(_mm_and_si128(block(0), block(std::min<size_t>(16, last))),
                                 _mm_and_si128(block(std::min<size_t>(32, last)), block(last)));
    return _mm_movemask_epi8(same) == 0xFFFF;
  }
#endif
  if (n >= 8 && n <= 16)
    return ((eight(x) ^ eight(y)) | (eight(x + n - 8) ^ eight(y + n - 8))) == 0;
  if (n >= 4 && n < 8) return ((four(x) ^ four(y)) | (four(x + n - 4) ^ four(y + n - 4))) == 0;
  if (n < 4) return a == b;
  for (size_t k = 0; k + 8 < n; k += 8) {
    if (eight(x + k) != eight(y + k)) return false;
  }
  return eight(x + n - 8) == eight(y + n - 8);
}

// One remembered line: where its code and tokens are kept, and how it was read. Sixteen
// bytes, as a lexer looks up one for every line at random: the table stays in the core's
// cache beside the lines that stream through it.
struct Entry {
  uint16_t tag = 0;    // Place::tag of its code; 0 for an empty slot
  uint16_t size = 0;   // of the code
  uint32_t code = 0;   // where in Memory::code: the line after its line number and the blanks
                       // after it, and then its name label folded
  uint16_t first = 0;  // its tokens in Memory::tokens
  uint16_t count = 0;
  uint16_t folded_size = 0;  // of its name label folded; 0 when it has none
  uint8_t reading = 0;       // Memory::ReadingOf the `wants` it was lexed with, times two, plus
                             // one when the line is numbered
  Directive directive = Directive::kNone;
};
static_assert(sizeof(Entry) == 16);

// Sizes that keep a lexer's memory within a core's own cache: the lines of a module and of
// the modules after it are looked up at random in it.
constexpr int kMemorySlotBits = 13;
constexpr size_t kMostTokens = size_t{1} << 15;  // kept at once; then all is forgotten
constexpr size_t kMostCode = size_t{1} << 18;    // bytes of code kept at once; the same
// The different `wants` one memory tells apart; lines read with still others are not kept.
constexpr size_t kMostReadings = 16;
constexpr uint8_t kNoReading = 0xFE;  // no ReadingOf, even or odd

}  // namespace

struct LineLexer::Memory {
  std::vector<Entry> entries = std::vector<Entry>(size_t{1} << kMemorySlotBits);  // by PlaceOf
  std::vector<Token> tokens;  // of every entry, one after the other
  // The code of every entry, one after the other, which its tokens view. It never grows past
  // what was reserved, so nothing kept moves; when full it is set aside (tokens handed out may
  // still view it) and a new one begun.
  std::vector<char> code;
  std::vector<std::vector<char>> set_aside;           // freed when the lexer that used it is done
  std::array<WantsTokens, kMostReadings> readings{};  // Entry::reading's, nullptr first
  size_t reading_count = 1;

  Memory() {
    tokens.reserve(kMostTokens / 8);
    code.reserve(kMostCode);
  }

  // Twice the index of `wants` in `readings`, which it joins when new: kNoReading when it
  // is one too many to tell apart.
  uint8_t ReadingOf(WantsTokens wants) {
    size_t k = 0;
    while (k < reading_count && readings[k] != wants)
      ++k;
    if (k == reading_count) {
      if (k == kMostReadings) return kNoReading;
      readings[reading_count++] = wants;
    }
    return static_cast<uint8_t>(k << 1);
  }

  // Empties every slot, and begins the code anew: what is kept may no longer fit.
  void Forget() {
    std::fill(entries.begin(), entries.end(), Entry{});
    tokens.clear();
    set_aside.push_back(std::move(code));
    code = std::vector<char>();
    code.reserve(kMostCode);
  }
};

namespace {

// Memories no lexer holds now, for the next lexers to take over. Lexers alive at once (on
// several threads) hold one each.
basic::FreeList<std::unique_ptr<LineLexer::Memory>>& Pool() {
  static basic::FreeList<std::unique_ptr<LineLexer::Memory>> pool;
  return pool;
}

}  // namespace

LineLexer::LineLexer() : memory_(Pool().Take()) {
  if (!memory_) memory_ = std::make_unique<Memory>();
}

LineLexer::~LineLexer() {
  memory_->set_aside.clear();
  Pool().Give(std::move(memory_));
}

LineLexer::Result LineLexer::Lex(std::string_view text, WantsTokens wants) {
  out_.label = {};
  out_.numeric_label = false;
  out_.label_number.reset();
  size_t start = text.empty() || !IsBlank(text[0]) ? 0 : basic::BlanksEnd(text);
  if (start == text.size() || text[start] == '\'') {  // a blank line or a comment
    out_.directive = Directive::kNone;
    out_.tokens.clear();
    return {out_, out_.tokens};
  }
  size_t code = start;
  if (IsDigit(text[start])) code = basic::BlanksEnd(text, ReadLineNumber(text, start, out_));
  std::string_view key = text.substr(code);
  bool numbered = out_.numeric_label;
  if (wants != last_wants_) {
    last_wants_ = wants;
    last_reading_ = memory_->ReadingOf(wants);
  }
  SlotAndTag hashed = PlaceOf(key, wants, numbered, kMemorySlotBits);
  Place place{hashed.slot, hashed.tag, static_cast<uint8_t>(last_reading_ | (numbered ? 1 : 0))};
  const Memory& m = *memory_;
  const Entry& entry = m.entries[place.slot];
  if (entry.tag != place.tag || entry.reading != place.reading ||
      !SameCode({m.code.data() + entry.code, entry.size}, key)) {
    return LexNew(text, code, place, wants);
  }
  // The code after the line number is lexed the same whatever the number.
  if (entry.folded_size != 0) {
    out_.folded_name.assign(m.code.data() + entry.code + entry.size, entry.folded_size);
    out_.label = out_.folded_name;
  }
  out_.directive = entry.directive;
  out_.tokens.clear();
  return {out_, {m.tokens.data() + entry.first, entry.count}};
}

// A line whose code, from `code` on, is not remembered: lexed, and kept at `place`. Apart
// from Lex, whose path for a line seen before is then the shorter.
[[gnu::noinline]] LineLexer::Result LineLexer::LexNew(std::string_view text, size_t code,
                                                      Place place, WantsTokens wants) {
  Lexer(text, out_, wants).RunFrom(code);
  Keep(text.substr(code), place);
  return {out_, out_.tokens};
}

// Keeps out_, just lexed from `code`, at `place`: a copy of the code, and tokens that view it.
void LineLexer::Keep(std::string_view code, Place place) {
  Memory& m = *memory_;
  bool name_label = !out_.label.empty() && !out_.numeric_label;
  std::string_view folded = name_label ? std::string_view(out_.folded_name) : std::string_view();
  constexpr size_t kMostSize = UINT16_MAX;  // what an entry's sizes and counts hold
  // Not kept, and lexed again when it comes back: what the entry cannot tell.
  if (code.size() > kMostSize || folded.size() > kMostSize || out_.tokens.size() > kMostTokens ||
      place.reading >= kNoReading) {
    return;
  }
  if (m.tokens.size() + out_.tokens.size() > kMostTokens ||
      m.code.size() + code.size() + folded.size() > m.code.capacity()) {
    m.Forget();
  }
  auto copy = static_cast<uint32_t>(m.code.size());
  m.code.insert(m.code.end(), code.begin(), code.end());
  m.code.insert(m.code.end(), folded.begin(), folded.end());
  Entry& entry = m.entries[place.slot];
  entry.tag = place.tag;
  entry.size = static_cast<uint16_t>(code.size());
  entry.code = copy;
  entry.first = static_cast<uint16_t>(m.tokens.size());
  entry.count = static_cast<uint16_t>(out_.tokens.size());
  entry.folded_size = static_cast<uint16_t>(folded.size());
  entry.reading = place.reading;
  entry.directive = out_.directive;
  m.tokens.insert(m.tokens.end(), out_.tokens.begin(), out_.tokens.end());
  const char* kept = m.code.data() + copy;
  for (size_t k = entry.first; k < m.tokens.size(); ++k) {
    std::string_view& text = m.tokens[k].text;
    text = std::string_view(kept + (text.data() - code.data()), text.size());
  }
}

void LogicalLineReader::Join() {
  joined_.assign(BeforeContinuation(text_));
  while (next_ < lines_.size()) {
    std::string_view line = lines_[next_++];
    bool more = basic::ContinuesOnNextLine(line) && next_ < lines_.size();
    joined_.append(more ? BeforeContinuation(line) : line);
    if (!more) break;
  }
  text_ = joined_;
}

}  // namespace kestrix::checker

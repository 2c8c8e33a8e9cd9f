#include "checker/vb_lexer.h"

#include "basic/source_line.h"

namespace kestrix::checker {
namespace {

using basic::IsBlank;
using basic::IsDigit;
using basic::IsIdentChar;
using basic::Lower;

bool IsLetter(char c) {
  return IsIdentChar(c) && !IsDigit(c) && c != '_';
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

class Lexer {
 public:
  Lexer(std::string_view text, LexedLine& out) : s_(text), out_(out) {}

  void Run() {
    out_.label.clear();
    out_.numeric_label = false;
    out_.directive = Directive::kNone;
    out_.tokens.clear();
    SkipBlanks();
    TakeLabel();
    SkipBlanks();
    if (out_.label.empty() && i_ < s_.size() && s_[i_] == '#') {
      TakeDirective();
      return;
    }
    while (TakeToken()) {
    }
  }

 private:
  void SkipBlanks() {
    while (i_ < s_.size() && IsBlank(s_[i_]))
      ++i_;
  }
  char At(size_t k) const { return k < s_.size() ? s_[k] : '\0'; }

  void TakeLabel() {
    basic::Label label = basic::ReadLabel(s_);
    if (label.text.empty()) return;
    if (!label.numeric) {
      out_.label = FoldName(label.text);
      i_ = label.end;
      return;
    }
    // The ':' after a line number stays, as the separator it also is.
    size_t first = label.text.find_first_not_of('0');
    out_.label = first == std::string_view::npos ? "0" : std::string(label.text.substr(first));
    out_.numeric_label = true;
    i_ = static_cast<size_t>(label.text.data() - s_.data()) + label.text.size();
  }

  void TakeDirective() {
    out_.directive = basic::ReadDirective(s_, i_);
    // The rest of the line: the expression of #If, #ElseIf and #Const.
    while (TakeToken()) {
    }
  }

  std::string_view Word() {
    size_t start = i_;
    // Plain ASCII names at once; from the first other byte on, the code page's rules.
    while (i_ < s_.size() && IsAsciiNameChar(s_[i_]))
      ++i_;
    if (i_ < s_.size() && static_cast<unsigned char>(s_[i_]) >= 0x80) i_ = basic::NameEnd(s_, i_);
    return s_.substr(start, i_ - start);
  }
  static bool IsAsciiNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) || c == '_';
  }

  // True when the next token starts a statement, where Rem begins a comment.
  bool AtStatementStart() const {
    if (out_.tokens.empty()) return true;
    const Token& last = out_.tokens.back();
    return last.kind == TokenKind::kSeparator || last.Is("then") || last.Is("else");
  }

  void Push(TokenKind kind, size_t start, size_t end, char type_char = 0, bool bracketed = false) {
    out_.tokens.push_back({kind, type_char, bracketed, s_.substr(start, end - start)});
  }

  // A type character right after a name or number; '!' and '&' followed by a name are
  // operators (rs!Field, a&b), not type characters.
  char TakeTypeChar(bool is_number) {
    char c = At(i_);
    bool candidate =
        c == '%' || c == '&' || c == '!' || c == '#' || c == '@' || (c == '$' && !is_number);
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
    if (AtStatementStart() && basic::IsRemAt(s_, i_ - word.size())) return false;
    char type_char = TakeTypeChar(false);
    out_.tokens.push_back({TokenKind::kWord, type_char, false, word});
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
  size_t i_ = 0;
};

// A continued line without its "_" and the blanks after it.
std::string_view BeforeContinuation(std::string_view line) {
  return line.substr(0, line.find_last_not_of(" \t"));
}

}  // namespace

void LexLine(std::string_view text, LexedLine& out) {
  Lexer(text, out).Run();
}

bool LogicalLineReader::Next() {
  if (next_ >= lines_.size()) return false;
  first_ = static_cast<int32_t>(next_);
  std::string_view line = lines_[next_++];
  if (!basic::ContinuesOnNextLine(line) || next_ >= lines_.size()) {
    text_ = line;
    return true;
  }
  joined_.assign(BeforeContinuation(line));
  while (next_ < lines_.size()) {
    line = lines_[next_++];
    bool more = basic::ContinuesOnNextLine(line) && next_ < lines_.size();
    joined_.append(more ? BeforeContinuation(line) : line);
    if (!more) break;
  }
  text_ = joined_;
  return true;
}

}  // namespace kestrix::checker

#pragma once

// Basic source read the way VB reads it: physical lines joined into logical lines at their
// line continuations, and a logical line split into its line label, its conditional-
// compilation directive or its tokens, with string literals, date literals and comments
// taken as wholes. The words a statement's shape depends on are recognised as keywords.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "basic/source_line.h"

namespace kestrix::checker {

enum class TokenKind : uint8_t {
  kWord,       // a name or keyword, or a [bracketed] name
  kNumber,     // a decimal, &H hexadecimal or &O octal literal
  kString,     // "…", quotes included ("" inside stands for one quote)
  kDate,       // #…#, the hashes included
  kSymbol,     // an operator or punctuation mark: one character, or <=, >=, <>, :=
  kSeparator,  // the ':' between two statements
};

// The words recognised as keywords: those that make a statement what it is, and the ones
// that follow them. Every Deftype word (DefInt, DefStr …) is kDeftype.
enum class Keyword : uint8_t {
  kNone,  // not a word, a [bracketed] name, or a word that is none of these
  kAs,
  kAttribute,
  kCall,
  kCase,
  kConst,
  kDeclare,
  kDeftype,
  kDim,
  kDo,
  kEach,
  kElse,
  kElseIf,
  kEnd,
  kEndIf,
  kEnum,
  kError,
  kEvent,
  kExit,
  kFalse,
  kFor,
  kFriend,
  kFunction,
  kGet,
  kGlobal,
  kGoSub,
  kGoTo,
  kIf,
  kImplements,
  kIn,
  kLet,
  kLocal,
  kLoop,
  kNext,
  kOn,
  kOption,
  kPrivate,
  kProperty,
  kPublic,
  kReDim,
  kRem,
  kResume,
  kReturn,
  kSelect,
  kSet,
  kStatic,
  kSub,
  kThen,
  kTrue,
  kType,
  kWend,
  kWhile,
  kWith,
  kCount
};

// The keyword `word` is, case ignored; kNone when it is none.
Keyword KeywordOf(std::string_view word);

struct Token {
  TokenKind kind = TokenKind::kSymbol;
  char type_char = 0;                // % & ! # @ $ right after a name or number; 0 when none
  bool bracketed = false;            // a [name], which is never a keyword
  Keyword keyword = Keyword::kNone;  // of an unbracketed word
  std::string_view text;             // without brackets and type character

  // True for an unbracketed word that is `word`.
  bool Is(Keyword word) const { return keyword == word; }
  // True for an unbracketed word equal to `word`, case ignored.
  bool Is(std::string_view word) const {
    return kind == TokenKind::kWord && !bracketed && basic::EqualsNoCase(text, word);
  }
};

using basic::Directive;

struct LexedLine {
  // The line label: a line number without its leading zeros ("0" for zeros alone), or a
  // name in lower case; "" when the line has none. It views the line, or folded_name.
  std::string_view label;
  bool numeric_label = false;
  // A line number's value; nullopt for a name, and for a number too long for 64 bits (more
  // than 19 digits after its leading zeros), which is kept as a name.
  std::optional<uint64_t> label_number;
  Directive directive = Directive::kNone;
  // The code, its comment left out; on a directive line, what follows the directive's
  // keyword (the expression and Then of #If, the name and value of #Const).
  std::vector<Token> tokens;
  std::string folded_name;  // a name label in lower case
};

using basic::FoldName;  // labels are kept and compared folded

// Lexes one logical line (continuations joined) into `out`, reusing its storage. The
// tokens view `text`, which must outlive them. A label stands at the very start of the line
// (after blanks): digits followed by a blank, a colon or the end, or a name followed
// directly by a colon; words that are statements of their own (Else:, Loop:, DoEvents: …)
// are no labels. Every byte from 0x80 up is a letter; one of 0x81-0xFE followed by one of
// 0x40-0x7E is a single letter of a double-byte code page. Never fails: text VB would reject still
// gives some tokens.
//
// A reader that looks at most statements no further than their first tokens passes `wants`,
// which tells from a statement's first token how many of its tokens (that one included) the
// reader needs: the statement keeps at least those, and its rest, up to the ':' that ends
// it, may be passed over unread. kAllTokens keeps every token of that statement and of every
// one after it on the line. kAskNext keeps the token and asks again with the next one, whose
// answer counts from there (for a word that only qualifies the next, like Public). Either way
// the separators and the comment are where they are without `wants`. It is not asked on a
// directive line.
inline constexpr size_t kAllTokens = SIZE_MAX;
inline constexpr size_t kAskNext = SIZE_MAX - 1;
using WantsTokens = size_t (*)(const Token& first);
void LexLine(std::string_view text, LexedLine& out, WantsTokens wants = nullptr);

// LexLine over the lines of one module, remembering how the code of recent lines was lexed:
// instrumented code repeats the same statements over and over (the error handler's lines in
// every procedure, the same declarations and loops under other line numbers, in one module
// and in the next), and a line whose code after its line number was lexed lately is not
// lexed again. What is remembered outlives the lexer: lexers made one after another (one per
// module, on one thread or on several) take over what an earlier one left, and lexers alive
// at once never share it. The result is the one LexLine gives, except that the tokens of a
// repeated line may view the lexer's own copy of its code, which stays valid as long as the
// lexer lives.
class LineLexer {
 public:
  LineLexer();
  ~LineLexer();
  LineLexer(const LineLexer&) = delete;
  LineLexer& operator=(const LineLexer&) = delete;

  // A line lexed: its label and directive as `line` has them, and its tokens (which are not
  // always those of `line`).
  struct Result {
    const LexedLine& line;
    std::span<const Token> tokens;
  };

  // Lexes `text` as LexLine(text, …, wants) does. `text` need not outlive the call (a line
  // joined from continued ones): what is remembered is a copy. The result is valid until the
  // next call.
  Result Lex(std::string_view text, WantsTokens wants);

  // What is remembered, kept apart from the lexer so that the next one can take it over.
  struct Memory;

 private:
  // Where a line's code is kept: its slot, the tag that tells most other codes in the slot
  // apart, and how it is read.
  struct Place {
    size_t slot = 0;
    uint16_t tag = 0;
    uint8_t reading = 0;
  };

  void Keep(std::string_view code, Place place);
  Result LexNew(std::string_view text, size_t code, Place place, WantsTokens wants);

  std::unique_ptr<Memory> memory_;
  LexedLine out_;
  WantsTokens last_wants_ = nullptr;  // the last `wants` asked for, and its reading
  uint8_t last_reading_ = 0;
};

// Walks physical lines as logical lines: a line that basic::ContinuesOnNextLine is continued
// by the next.
class LogicalLineReader {
 public:
  // `lines` must outlive the reader.
  explicit LogicalLineReader(std::span<const std::string_view> lines) : lines_(lines) {}

  // Moves to the next logical line; false after the last one.
  bool Next() {
    if (next_ >= lines_.size()) return false;
    first_ = static_cast<int32_t>(next_);
    // Looked at through a copy of its own: read back from text_ just stored, the line's size
    // would wait for the store to be forwarded.
    const std::string_view line = lines_[next_++];
    text_ = line;
    if (next_ < lines_.size() && basic::ContinuesOnNextLine(line)) Join();
    return true;
  }
  // 1-based numbers of the first and the last physical line of the logical line.
  int32_t FirstLine() const { return first_ + 1; }
  int32_t LastLine() const { return static_cast<int32_t>(next_); }
  int32_t Continuations() const { return LastLine() - FirstLine(); }
  // The joined text, each continuation's "_" (and the blanks after it) dropped; valid until
  // the next call to Next.
  std::string_view Text() const { return text_; }

 private:
  // Joins text_, which goes on on the next line, with the lines that continue it.
  void Join();

  std::span<const std::string_view> lines_;
  size_t next_ = 0;  // index of the first physical line not yet read
  int32_t first_ = 0;
  std::string joined_;
  std::string_view text_;
};

}  // namespace kestrix::checker

#pragma once

// One physical or logical line of Basic source read as VB reads it: where its comment starts,
// its line label, its statements, and what a statement is for the shape of a module (a
// procedure header, a procedure's End, a Def statement, a conditional-compilation line).
// Every reader of Basic source (the engine, the procedure index, the checker, the colouring)
// asks here, so that they never disagree. Nothing here fails; comparisons ignore case.

#include <cstddef>
#include <string>
#include <string_view>

#include "basic/characters.h"
#include "host/ide.h"

namespace kestrix::basic {

// Just past the quote that closes the string literal opened at s[quote] (a doubled quote
// inside stands for one); s.size() when the literal is not closed.
size_t LiteralEnd(std::string_view s, size_t quote);

// True when the word at s[i] is Rem standing as a word (what follows is no name character).
// Whether it starts a comment depends on where it stands: see CommentStart.
bool IsRemAt(std::string_view s, size_t i);

// Where the line's comment starts: an apostrophe outside string literals, or a Rem at the
// start of a statement (the start of the line, after a line label or number, after a ':'
// separator, or after Then or Else of a one-line If). line.size() when it has none.
size_t CommentStart(std::string_view line);

// The line with the contents of its string literals replaced by blanks (the quotes stay) and
// its comment cut off, so that searches for code see only code.
std::string CodeOnly(std::string_view line);

// The line label at the start of a line, after blanks: a line number (digits followed by a
// blank, a ':', a comment's apostrophe or the end) or a name starting with a letter followed
// directly by a ':'
// ("Retry:"). Words that are statements of their own ("Else:", "DoEvents:") are no labels.
struct Label {
  std::string_view text;  // "" when the line has none; digits as written, or the name
  bool numeric = false;
  size_t end = 0;  // where the code after the label starts (past the label's ':')
};
Label ReadLabel(std::string_view line);

// The statements of a line, each without the blanks around it: the code is split at ':'
// (not ":="), outside string literals, and ends where the comment starts. Empty statements
// are passed over: "a:: b :" holds two, a line of no code none.
class StatementReader {
 public:
  explicit StatementReader(std::string_view line) : line_(line) {}
  // Moves to the next statement; false after the last one.
  bool Next(std::string_view& statement);
  // True while the statement last returned starts the line (no ':' before it).
  bool First() const { return first_; }

 private:
  std::string_view line_;
  size_t pos_ = 0;
  bool first_ = false;
  bool done_ = false;
};

// The statement without a line number in front (digits followed by a blank or the end).
std::string_view SkipLineNumber(std::string_view statement);

// The words that may stand before Sub, Function or Property in a header.
bool IsModifierWord(std::string_view word);
// DefBool, DefInt … DefVar: the words of statements that set the type of names by letter.
bool IsDefWord(std::string_view word);

// A procedure header: Sub, Function or Property Get/Let/Set with up to three modifiers in
// front, and the procedure's name (a name, or the text between [ and ]).
struct Header {
  std::string_view name;  // "" when the statement is no header
  host::ProcKind kind = host::ProcKind::kProc;
  bool function = false;
};
// Reads one statement (a line number in front allowed) as a header. Declare Sub and Event
// are no headers.
Header ReadHeader(std::string_view statement);
// The header of a line: its first statement only, as the code module reads it (":Sub X()"
// and "x = 1: Sub X()" are none).
Header ReadLineHeader(std::string_view line);

// True when the statement (a line number in front allowed) is End Sub, End Function or End
// Property.
bool IsProcedureEndStatement(std::string_view statement);

// True for a line whose first statement is a Def statement ("DefInt A-Z").
bool IsDefStatement(std::string_view line);

// The conditional-compilation directive a line is: '#' (blanks before and after it allowed)
// followed by a word. Any other line starting with '#' is kOther.
enum class Directive : unsigned char { kNone, kIf, kElseIf, kElse, kEndIf, kConst, kOther };
// `rest` receives where the text after the directive's words starts (the expression of #If).
Directive ReadDirective(std::string_view line, size_t& rest);
inline Directive ReadDirective(std::string_view line) {
  size_t rest = 0;
  return ReadDirective(line, rest);
}

// The physical line without its continuation mark and the blanks after it (as it stands
// when ContinuesOnNextLine is false).
std::string_view WithoutContinuation(std::string_view line);

}  // namespace kestrix::basic

#pragma once

// What the tokens of one statement say, for the checker: procedure headers, modifiers,
// declaration keywords, label names, and where a statement or a keyword is.

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "checker/vb_lexer.h"

namespace kestrix::checker {

using Tokens = std::span<const Token>;

// What the End and Exit statements of a procedure name.
enum class ProcType : uint8_t { kNone, kSub, kFunction, kProperty };

// "Sub", "Function" or "Property"; "" for kNone.
std::string_view ProcTypeWord(ProcType type);

// The kind of procedure the statement's header opens; kNone when it is no header.
// Modifiers (Public, Private, Friend, Static, Global) may come first.
ProcType HeaderOf(Tokens t);

bool IsSymbol(const Token& t, std::string_view symbol);

// The statement without the Public, Private, Friend, Static and Global in front.
Tokens SkipModifiers(Tokens t);

// DefInt, DefStr and the other Deftype words.
bool IsDefWord(const Token& t);

// Keywords that begin a statement and cannot name a member of a Type or Enum.
bool IsStatementKeyword(const Token& t);

// A set of keywords, one bit each.
class KeywordSet {
 public:
  constexpr KeywordSet(std::initializer_list<Keyword> words) {
    for (Keyword k : words)
      bits_ |= uint64_t{1} << static_cast<unsigned>(k);
  }
  constexpr bool Has(Keyword k) const { return (bits_ >> static_cast<unsigned>(k)) & 1; }

 private:
  static_assert(static_cast<unsigned>(Keyword::kCount) <= 64);
  uint64_t bits_ = 0;
};

// The words a statement in a procedure's code must begin with for the checker to look at
// it: ModuleChecker::OnProcStatement and what it calls act on no other statement. A word
// the checker comes to act on must be added here.
inline constexpr KeywordSet kProcStatementWords = {
    // procedure headers, and what may not stand in a procedure
    Keyword::kPublic, Keyword::kPrivate, Keyword::kFriend, Keyword::kStatic, Keyword::kGlobal,
    Keyword::kSub, Keyword::kFunction, Keyword::kProperty, Keyword::kType, Keyword::kEnum,
    Keyword::kOption, Keyword::kDeftype, Keyword::kImplements, Keyword::kDeclare, Keyword::kEvent,
    // blocks
    Keyword::kEnd, Keyword::kEndIf, Keyword::kIf, Keyword::kElseIf, Keyword::kElse, Keyword::kFor,
    Keyword::kNext, Keyword::kDo, Keyword::kLoop, Keyword::kWhile, Keyword::kWend, Keyword::kSelect,
    Keyword::kCase, Keyword::kWith,
    // jumps and exits
    Keyword::kGoTo, Keyword::kGoSub, Keyword::kResume, Keyword::kOn, Keyword::kExit};

// False when a statement in a procedure's code that begins with `first` is one the checker
// need not read: one that opens, continues or closes no block, jumps nowhere, exits nothing
// and may stand in a procedure. (Whether it may stand before a Select Case's first Case
// still depends on nothing but that first token.)
inline bool MattersInProcedure(const Token& first) {
  return kProcStatementWords.Has(first.keyword);
}

// The counts TokensReadInProcedure gives, by keyword: a table, as the lexer asks for the
// first word of every statement.
constexpr std::array<size_t, static_cast<size_t>(Keyword::kCount)> MakeTokensRead() {
  std::array<size_t, static_cast<size_t>(Keyword::kCount)> read{};
  for (size_t k = 0; k < read.size(); ++k)
    read[k] = kProcStatementWords.Has(static_cast<Keyword>(k)) ? kAllTokens : 1;
  for (Keyword k : {Keyword::kCase, Keyword::kDo, Keyword::kLoop, Keyword::kWhile, Keyword::kWend,
                    Keyword::kWith, Keyword::kEndIf}) {
    read[static_cast<size_t>(k)] = 1;
  }
  // Select Case, Exit Do, GoTo label, GoSub label, Resume Next or Resume label.
  for (Keyword k :
       {Keyword::kSelect, Keyword::kExit, Keyword::kGoTo, Keyword::kGoSub, Keyword::kResume}) {
    read[static_cast<size_t>(k)] = 2;
  }
  read[static_cast<size_t>(Keyword::kFor)] = 4;  // For Each counter In, For counter =
  return read;
}
inline constexpr auto kTokensRead = MakeTokensRead();

// How many tokens of a statement in a procedure's code that begins with `first` the checker
// reads (LexLine's `wants`): 1 for one it passes over, a few for one it reads no further
// (Select Case, Exit Do, GoTo label), kAllTokens for one that needs them all or may change
// how the statements after it on the line are read (a header, End Sub, Type, If).
inline size_t TokensReadInProcedure(const Token& first) {
  return kTokensRead[static_cast<size_t>(first.keyword)];
}

// How many tokens of a statement outside procedures (and outside Type and Enum blocks) that
// begins with `first` the checker reads (LexLine's `wants`): a procedure's header is known
// by its modifiers (each kAskNext) and the three words after them (Property Get Name), and
// its parameters are passed over; a statement whose first token after its modifiers is no
// keyword (a variable declared, an assignment VB rejects here) is known by that token, the
// rest passed over; every other statement is read whole, and so are all those after it on the
// line, which may stand in a Type block or in the procedure a header opened.
inline size_t TokensReadInDeclarations(const Token& first) {
  switch (first.keyword) {
    case Keyword::kPublic:
    case Keyword::kPrivate:
    case Keyword::kFriend:
    case Keyword::kStatic:
    case Keyword::kGlobal:
      return kAskNext;
    case Keyword::kSub:
    case Keyword::kFunction:
    case Keyword::kProperty:
      return 3;
    case Keyword::kNone:
      return 1;
    default:
      return kAllTokens;
  }
}

// A jump target as labels are kept (LexedLine::label): a line number without leading zeros,
// a name in lower case; "" for a token that names no label. It views `t` or `buffer`.
std::string_view LabelName(const Token& t, std::string& buffer);

// True when LabelName(t) is "0": On Error GoTo 0 and Resume 0 name no label.
bool NamesLineZero(const Token& t);

// Index of the first statement separator; t.size() when there is none.
inline size_t FindSeparator(Tokens t) {
  size_t i = 0;
  while (i < t.size() && t[i].kind != TokenKind::kSeparator)
    ++i;
  return i;
}

// Index of the first keyword `word` not written as a member (after '.' or '!');
// t.size() when there is none.
size_t FindKeyword(Tokens t, Keyword word);

}  // namespace kestrix::checker

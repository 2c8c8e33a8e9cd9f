#pragma once

// What the tokens of one statement say, for the checker: procedure headers, modifiers,
// declaration keywords, label names, and where a statement or a keyword is.

#include <cstddef>
#include <cstdint>
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

// False when a statement in a procedure's code that begins with `first` is one the checker
// need not read: one that opens, continues or closes no block, jumps nowhere, exits nothing
// and may stand in a procedure. (Whether it may stand before a Select Case's first Case
// still depends on nothing but that first token.)
bool MattersInProcedure(const Token& first);

// How many tokens of a statement in a procedure's code that begins with `first` the checker
// reads (LexLine's `wants`): 1 for one it passes over, a few for one it reads no further
// (Select Case, Exit Do, GoTo label), kAllTokens for one that needs them all or may change
// how the statements after it on the line are read (a header, End Sub, Type, If).
size_t TokensReadInProcedure(const Token& first);

// A jump target as labels are kept (LexedLine::label): a line number without leading zeros,
// a name in lower case; "" for a token that names no label.
std::string LabelName(const Token& t);

// True when LabelName(t) is "0": On Error GoTo 0 and Resume 0 name no label.
bool NamesLineZero(const Token& t);

// Index of the first statement separator; t.size() when there is none.
size_t FindSeparator(Tokens t);

// Index of the first keyword `word` not written as a member (after '.' or '!');
// t.size() when there is none.
size_t FindKeyword(Tokens t, Keyword word);

}  // namespace kestrix::checker

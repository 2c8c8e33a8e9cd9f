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

// A jump target as labels are kept (LexedLine::label): a line number without leading zeros,
// a name in lower case; "" for a token that names no label.
std::string LabelName(const Token& t);

// Index of the first statement separator; t.size() when there is none.
size_t FindSeparator(Tokens t);

// Index of the first keyword `word` not written as a member (after '.' or '!');
// t.size() when there is none.
size_t FindKeyword(Tokens t, std::string_view word);

}  // namespace kestrix::checker

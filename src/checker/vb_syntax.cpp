#include "checker/vb_syntax.h"

#include <algorithm>
#include <array>
#include <initializer_list>

namespace kestrix::checker {
namespace {

bool IsModifier(const Token& t) {
  switch (t.keyword) {
    case Keyword::kPublic:
    case Keyword::kPrivate:
    case Keyword::kFriend:
    case Keyword::kStatic:
    case Keyword::kGlobal:
      return true;
    default:
      return false;
  }
}

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
constexpr KeywordSet kProcStatementWords = {
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

constexpr KeywordSet kStatementKeywords = {
    Keyword::kDim,    Keyword::kPrivate,  Keyword::kPublic,   Keyword::kGlobal,
    Keyword::kFriend, Keyword::kStatic,   Keyword::kConst,    Keyword::kDeclare,
    Keyword::kType,   Keyword::kEnum,     Keyword::kEvent,    Keyword::kOption,
    Keyword::kSub,    Keyword::kFunction, Keyword::kProperty, Keyword::kImplements,
    Keyword::kIf,     Keyword::kFor,      Keyword::kDo,       Keyword::kWhile,
    Keyword::kSelect, Keyword::kWith,     Keyword::kExit,     Keyword::kGoTo,
    Keyword::kGoSub,  Keyword::kOn,       Keyword::kResume,   Keyword::kEnd,
    Keyword::kReDim,  Keyword::kSet,      Keyword::kCall,     Keyword::kNext,
    Keyword::kLoop,   Keyword::kWend,     Keyword::kElse,     Keyword::kElseIf,
    Keyword::kCase,   Keyword::kReturn,   Keyword::kDeftype};

}  // namespace

std::string_view ProcTypeWord(ProcType type) {
  switch (type) {
    case ProcType::kSub:
      return "Sub";
    case ProcType::kFunction:
      return "Function";
    case ProcType::kProperty:
      return "Property";
    case ProcType::kNone:
      break;
  }
  return "";
}

ProcType HeaderOf(Tokens t) {
  t = SkipModifiers(t);
  if (t.size() < 2) return ProcType::kNone;
  if (t[0].Is(Keyword::kSub) || t[0].Is(Keyword::kFunction)) {
    if (t[1].kind != TokenKind::kWord) return ProcType::kNone;
    return t[0].Is(Keyword::kSub) ? ProcType::kSub : ProcType::kFunction;
  }
  if (t[0].Is(Keyword::kProperty) && t.size() >= 3 &&
      (t[1].Is(Keyword::kGet) || t[1].Is(Keyword::kLet) || t[1].Is(Keyword::kSet)) &&
      t[2].kind == TokenKind::kWord) {
    return ProcType::kProperty;
  }
  return ProcType::kNone;
}

bool IsSymbol(const Token& t, std::string_view symbol) {
  return t.kind == TokenKind::kSymbol && t.text == symbol;
}

Tokens SkipModifiers(Tokens t) {
  while (!t.empty() && IsModifier(t.front()))
    t = t.subspan(1);
  return t;
}

bool IsDefWord(const Token& t) {
  return t.Is(Keyword::kDeftype);
}

bool IsStatementKeyword(const Token& t) {
  return kStatementKeywords.Has(t.keyword);
}

bool MattersInProcedure(const Token& first) {
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
constexpr auto kTokensRead = MakeTokensRead();

size_t TokensReadInProcedure(const Token& first) {
  return kTokensRead[static_cast<size_t>(first.keyword)];
}

bool NamesLineZero(const Token& t) {
  if (t.kind == TokenKind::kNumber) {
    return t.type_char == 0 && t.text.find_first_not_of('0') == std::string_view::npos;
  }
  return t.kind == TokenKind::kWord && t.text == "0";
}

std::string LabelName(const Token& t) {
  if (t.kind == TokenKind::kNumber) {
    if (t.type_char != 0 || t.text.find_first_not_of("0123456789") != std::string_view::npos) {
      return "";
    }
    size_t first = t.text.find_first_not_of('0');
    return first == std::string_view::npos ? "0" : std::string(t.text.substr(first));
  }
  if (t.kind != TokenKind::kWord) return "";
  return FoldName(t.text);
}

size_t FindSeparator(Tokens t) {
  size_t i = 0;
  while (i < t.size() && t[i].kind != TokenKind::kSeparator)
    ++i;
  return i;
}

size_t FindKeyword(Tokens t, Keyword word) {
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i].Is(word) && (i == 0 || !(IsSymbol(t[i - 1], ".") || IsSymbol(t[i - 1], "!")))) {
      return i;
    }
  }
  return t.size();
}

}  // namespace kestrix::checker

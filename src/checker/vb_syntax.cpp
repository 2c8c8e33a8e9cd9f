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

bool NamesLineZero(const Token& t) {
  if (t.kind == TokenKind::kNumber) {
    return t.type_char == 0 && t.text.find_first_not_of('0') == std::string_view::npos;
  }
  return t.kind == TokenKind::kWord && t.text == "0";
}

std::string_view LabelName(const Token& t, std::string& buffer) {
  if (t.kind == TokenKind::kNumber) {
    if (t.type_char != 0 || t.text.find_first_not_of("0123456789") != std::string_view::npos) {
      return "";
    }
    size_t first = t.text.find_first_not_of('0');
    return first == std::string_view::npos ? "0" : t.text.substr(first);
  }
  if (t.kind != TokenKind::kWord) return "";
  // FoldName, in storage that is kept from one jump to the next.
  buffer.assign(t.text);
  for (size_t i = 0; i < buffer.size(); ++i) {
    if (static_cast<unsigned char>(buffer[i]) > 0x80 && basic::IsDoubleByteLetter(buffer, i)) {
      ++i;
    } else {
      buffer[i] = basic::Lower(buffer[i]);
    }
  }
  return buffer;
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

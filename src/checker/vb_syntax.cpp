#include "checker/vb_syntax.h"

#include <algorithm>
#include <array>

namespace kestrix::checker {
namespace {

bool IsModifier(const Token& t) {
  return t.kind == TokenKind::kWord && !t.bracketed && basic::IsModifierWord(t.text);
}

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
  if (t[0].Is("sub") || t[0].Is("function")) {
    if (t[1].kind != TokenKind::kWord) return ProcType::kNone;
    return t[0].Is("sub") ? ProcType::kSub : ProcType::kFunction;
  }
  if (t[0].Is("property") && t.size() >= 3 &&
      (t[1].Is("get") || t[1].Is("let") || t[1].Is("set")) && t[2].kind == TokenKind::kWord) {
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
  return t.kind == TokenKind::kWord && !t.bracketed && basic::IsDefWord(t.text);
}

bool IsStatementKeyword(const Token& t) {
  static constexpr std::array<std::string_view, 38> kKeywords = {
      "dim",   "private", "public", "global", "friend", "static",   "const",    "declare",
      "type",  "enum",    "event",  "option", "sub",    "function", "property", "implements",
      "if",    "for",     "do",     "while",  "select", "with",     "exit",     "goto",
      "gosub", "on",      "resume", "end",    "redim",  "set",      "call",     "next",
      "loop",  "wend",    "else",   "elseif", "case",   "return"};
  return IsDefWord(t) || std::any_of(kKeywords.begin(), kKeywords.end(),
                                     [&t](std::string_view w) { return t.Is(w); });
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

size_t FindKeyword(Tokens t, std::string_view word) {
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i].Is(word) && (i == 0 || !(IsSymbol(t[i - 1], ".") || IsSymbol(t[i - 1], "!")))) {
      return i;
    }
  }
  return t.size();
}

}  // namespace kestrix::checker

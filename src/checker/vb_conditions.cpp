#include "checker/vb_conditions.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "checker/vb_lexer.h"

namespace kestrix::checker {
namespace {

using Value = std::optional<CondValue>;
using Kind = CondValue::Kind;

std::string LowerName(std::string_view name) {
  std::string out(name);
  for (char& c : out)
    c = basic::Lower(c);
  return out;
}

CondValue Bool(bool b) {
  return CondValue::Number(b ? -1 : 0);
}

// A decimal, &H or &O literal; nullopt for anything else.
std::optional<double> NumberOf(std::string_view t, char type_char) {
  std::string digits(t);
  if (digits.size() > 1 && digits[0] == '&') {
    char base = basic::Lower(digits[1]);
    int radix = base == 'h' ? 16 : 8;
    size_t at = base == 'h' || base == 'o' ? 2 : 1;
    char* end = nullptr;
    long long v = std::strtoll(digits.c_str() + at, &end, radix);
    if (end == digits.c_str() + at || *end != '\0') return std::nullopt;
    // &HFFFF is an Integer, -1 (&HFFFF& a Long, 65535); &HFFFFFFFF a Long, -1.
    if (type_char != '&' && digits.size() - at <= 4 && v > 0x7FFF) v -= 0x10000;
    if (digits.size() - at > 4 && v > 0x7FFFFFFF && v <= 0xFFFFFFFFLL) v -= 0x100000000LL;
    return static_cast<double>(v);
  }
  char* end = nullptr;
  double v = std::strtod(digits.c_str(), &end);
  if (end == digits.c_str() || *end != '\0') return std::nullopt;
  return v;
}

// Empty counts as 0 where a number is wanted; a string does not.
std::optional<double> AsNumber(const CondValue& v) {
  if (v.kind == Kind::kString) return std::nullopt;
  return v.kind == Kind::kNumber ? v.number : 0.0;
}

std::optional<int64_t> AsInteger(const CondValue& v) {
  std::optional<double> n = AsNumber(v);
  if (!n || std::fabs(*n) > 2147483647.0) return std::nullopt;
  return static_cast<int64_t>(std::nearbyint(*n));
}

bool IsOperatorWord(const Token& k) {
  for (std::string_view word : {"not", "and", "or", "xor", "eqv", "imp", "mod", "is", "like"}) {
    if (k.Is(word)) return true;
  }
  return false;
}

bool SameValue(const std::optional<CondValue>& a, const std::optional<CondValue>& b) {
  if (!a || !b) return !a && !b;
  return a->kind == b->kind && a->number == b->number && a->text == b->text;
}

// Recursive descent over VB's operator precedence, lowest first: Imp, Eqv, Xor, Or, And,
// Not, comparisons, &, + -, then * / \ Mod (VB ranks these three apart; no condition needs
// it), unary -, ^.
class Evaluator {
 public:
  Evaluator(Tokens t, const CondConstants& constants) : t_(t), constants_(constants) {}

  Value Run() {
    Value v = Logical(0);
    if (at_ != t_.size()) return std::nullopt;
    return v;
  }

 private:
  static constexpr std::string_view kLogical[] = {"imp", "eqv", "xor", "or", "and"};

  bool Take(std::string_view word) {
    if (at_ < t_.size() && (t_[at_].Is(word) || IsSymbol(t_[at_], word))) {
      ++at_;
      return true;
    }
    return false;
  }

  Value Logical(size_t level) {
    if (level == std::size(kLogical)) return Not();
    Value left = Logical(level + 1);
    while (left && Take(kLogical[level])) {
      Value right = Logical(level + 1);
      if (!right) return std::nullopt;
      std::optional<int64_t> a = AsInteger(*left), b = AsInteger(*right);
      if (!a || !b) return std::nullopt;
      int64_t r = 0;
      switch (level) {
        case 0:
          r = ~*a | *b;
          break;
        case 1:
          r = ~(*a ^ *b);
          break;
        case 2:
          r = *a ^ *b;
          break;
        case 3:
          r = *a | *b;
          break;
        default:
          r = *a & *b;
          break;
      }
      left = CondValue::Number(static_cast<double>(r));
    }
    return left;
  }

  // Nesting deeper than any real condition is not evaluated: it would only use up the stack.
  struct Nested {
    explicit Nested(int& depth) : depth_(++depth) {}
    ~Nested() { --depth_; }
    bool TooDeep() const { return depth_ > kMostNesting; }
    int& depth_;
  };
  static constexpr int kMostNesting = 64;

  Value Not() {
    if (!Take("not")) return Comparison();
    Nested nested(depth_);
    if (nested.TooDeep()) return std::nullopt;
    Value v = Not();
    if (!v) return std::nullopt;
    std::optional<int64_t> n = AsInteger(*v);
    if (!n) return std::nullopt;
    return CondValue::Number(static_cast<double>(~*n));
  }

  Value Comparison() {
    Value left = Concatenation();
    for (std::string_view op : {"=", "<>", "<=", ">=", "<", ">"}) {
      if (!left || !Take(op)) continue;
      Value right = Concatenation();
      if (!right) return std::nullopt;
      std::optional<int> order = Compare(*left, *right);
      if (!order) return std::nullopt;
      bool r = op == "="    ? *order == 0
               : op == "<>" ? *order != 0
               : op == "<=" ? *order <= 0
               : op == ">=" ? *order >= 0
               : op == "<"  ? *order < 0
                            : *order > 0;
      return Bool(r);
    }
    return left;
  }

  static std::optional<int> Compare(const CondValue& a, const CondValue& b) {
    bool strings = a.kind == Kind::kString || b.kind == Kind::kString;
    if (strings) {
      if (a.kind == Kind::kNumber || b.kind == Kind::kNumber) return std::nullopt;
      int c = a.text.compare(b.text);
      return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    double x = *AsNumber(a), y = *AsNumber(b);
    return x < y ? -1 : x > y ? 1 : 0;
  }

  Value Concatenation() {
    Value left = Additive();
    while (left && Take("&")) {
      Value right = Additive();
      if (!right || left->kind == Kind::kNumber || right->kind == Kind::kNumber) {
        return std::nullopt;
      }
      left = CondValue::String(left->text + right->text);
    }
    return left;
  }

  Value Additive() {
    Value left = Multiplicative();
    while (left) {
      bool plus = Take("+");
      if (!plus && !Take("-")) break;
      Value right = Multiplicative();
      if (!right) return std::nullopt;
      if (plus && left->kind == Kind::kString && right->kind == Kind::kString) {
        left = CondValue::String(left->text + right->text);
        continue;
      }
      std::optional<double> a = AsNumber(*left), b = AsNumber(*right);
      if (!a || !b) return std::nullopt;
      left = CondValue::Number(plus ? *a + *b : *a - *b);
    }
    return left;
  }

  Value Multiplicative() {
    Value left = Negation();
    while (left) {
      std::string_view op = Take("*") ? "*" : Take("/") ? "/" : Take("\\") ? "\\" : "";
      if (op.empty() && Take("mod")) op = "mod";
      if (op.empty()) break;
      Value right = Negation();
      if (!right) return std::nullopt;
      std::optional<double> a = AsNumber(*left), b = AsNumber(*right);
      if (!a || !b) return std::nullopt;
      if (op == "*") {
        left = CondValue::Number(*a * *b);
        continue;
      }
      if (*b == 0) return std::nullopt;  // division by zero
      if (op == "/") {
        left = CondValue::Number(*a / *b);
        continue;
      }
      std::optional<int64_t> x = AsInteger(*left), y = AsInteger(*right);
      if (!x || !y || *y == 0) return std::nullopt;
      left = CondValue::Number(static_cast<double>(op == "mod" ? *x % *y : *x / *y));
    }
    return left;
  }

  Value Negation() {
    if (!Take("-")) return Power();
    Nested nested(depth_);
    if (nested.TooDeep()) return std::nullopt;
    Value v = Negation();
    if (!v) return std::nullopt;
    std::optional<double> n = AsNumber(*v);
    if (!n) return std::nullopt;
    return CondValue::Number(-*n);
  }

  Value Power() {
    Value left = Primary();
    while (left && Take("^")) {
      Value right = Primary();
      if (!right) return std::nullopt;
      std::optional<double> a = AsNumber(*left), b = AsNumber(*right);
      if (!a || !b) return std::nullopt;
      left = CondValue::Number(std::pow(*a, *b));
    }
    return left;
  }

  Value Primary() {
    if (at_ >= t_.size()) return std::nullopt;
    const Token& k = t_[at_++];
    if (IsSymbol(k, "(")) {
      Nested nested(depth_);
      if (nested.TooDeep()) return std::nullopt;
      Value v = Logical(0);
      if (!v || !Take(")")) return std::nullopt;
      return v;
    }
    if (k.kind == TokenKind::kNumber) {
      std::optional<double> n = NumberOf(k.text, k.type_char);
      if (!n) return std::nullopt;
      return CondValue::Number(*n);
    }
    if (k.kind == TokenKind::kString) {
      std::string_view s = k.text.substr(1, k.text.size() >= 2 ? k.text.size() - 2 : 0);
      std::string out;
      for (size_t i = 0; i < s.size(); ++i) {
        out += s[i];
        if (s[i] == '"') ++i;  // "" stands for one quote
      }
      return CondValue::String(std::move(out));
    }
    if (k.Is("true")) return Bool(true);
    if (k.Is("false")) return Bool(false);
    if (k.kind != TokenKind::kWord || k.type_char != 0 || IsOperatorWord(k)) return std::nullopt;
    // A name followed by '(' or '.' is a function or member: not a constant.
    if (at_ < t_.size() && (IsSymbol(t_[at_], "(") || IsSymbol(t_[at_], "."))) return std::nullopt;
    return constants_.Lookup(k.text);
  }

  Tokens t_;
  const CondConstants& constants_;
  size_t at_ = 0;
  int depth_ = 0;
};

}  // namespace

CondConstants CondConstants::FromArguments(std::string_view arguments) {
  CondConstants constants;
  LexedLine lexed;
  std::string text(arguments);
  LexLine(text, lexed);
  Tokens t = lexed.tokens;
  while (!t.empty()) {
    size_t end = FindSeparator(t);
    Tokens one = t.first(end);
    t = t.subspan(end < t.size() ? end + 1 : end);
    if (one.size() < 2 || one[0].kind != TokenKind::kWord || !IsSymbol(one[1], "=")) continue;
    constants.Define(one[0].text, EvaluateCondition(one.subspan(2), constants));
  }
  constants.project_ = constants.values_;
  return constants;
}

void CondConstants::Define(std::string_view name, std::optional<CondValue> value) {
  std::string key = LowerName(name);
  auto project = project_.find(key);
  if (project != project_.end() && !SameValue(project->second, value)) value.reset();
  values_[key] = std::move(value);
}

std::optional<CondValue> CondConstants::Lookup(std::string_view name) const {
  std::string key = LowerName(name);
  if (key == "win32") return Bool(true);
  if (key == "win16") return Bool(false);
  if (key == "vba5" || key == "vba6") return std::nullopt;
  auto it = values_.find(key);
  if (it != values_.end()) return it->second;
  return CondValue{};
}

std::optional<CondValue> EvaluateCondition(Tokens t, const CondConstants& constants) {
  if (t.empty()) return std::nullopt;
  return Evaluator(t, constants).Run();
}

std::optional<bool> ConditionHolds(Tokens t, const CondConstants& constants) {
  std::optional<CondValue> v = EvaluateCondition(t, constants);
  if (!v || v->kind == Kind::kString) return std::nullopt;
  return v->kind == Kind::kNumber && v->number != 0;
}

}  // namespace kestrix::checker

#pragma once

// Conditional compilation as VB6 evaluates it: the constants a module sees (VB's own, the
// project's conditional-compilation arguments, the module's #Const lines) and the value of
// an #If, #ElseIf or #Const expression.
//
// VB's own constants are those of VB6 on 32-bit Windows: Win32 = True, Win16 = False. Win64,
// VBA7 and Mac are not defined in VB6 and so are Empty, which counts as False. VBA5 and VBA6
// tell VB5 from VB6; which of them the project's VB defines is not known here, so an
// expression naming them has no known value. Any other name that is not defined is Empty.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "checker/vb_syntax.h"

namespace kestrix::checker {

// A value of a conditional-compilation expression: Empty, a number or a string.
struct CondValue {
  enum class Kind { kEmpty, kNumber, kString };
  Kind kind = Kind::kEmpty;
  double number = 0;
  std::string text;

  static CondValue Number(double n) { return {Kind::kNumber, n, {}}; }
  static CondValue String(std::string s) { return {Kind::kString, 0, std::move(s)}; }
};

// The constants one module sees. A name maps to nullopt when its value is not known.
class CondConstants {
 public:
  // The project's conditional-compilation arguments as the project file holds them:
  // "A = 1 : B = -1". An argument whose value cannot be read is not known.
  static CondConstants FromArguments(std::string_view arguments);

  // Defines `name` (any case) for the rest of the module; nullopt when its value is not known.
  // Which one wins where a module's #Const gives a project argument another value is not
  // known here, so such a name's value is not known from there on.
  void Define(std::string_view name, std::optional<CondValue> value);

  // The value of `name`: a defined constant, VB's own, or Empty; nullopt when not known.
  std::optional<CondValue> Lookup(std::string_view name) const;

 private:
  std::map<std::string, std::optional<CondValue>> values_;   // by lower-case name
  std::map<std::string, std::optional<CondValue>> project_;  // the project's arguments
};

// The value of the expression `t`; nullopt when it holds anything VB would not evaluate
// the way this does (a function, an operator it does not know, a type mismatch).
std::optional<CondValue> EvaluateCondition(Tokens t, const CondConstants& constants);

// Whether an #If or #ElseIf with the expression `t` (the tokens between the directive and
// Then) compiles its branch; nullopt when that is not known.
std::optional<bool> ConditionHolds(Tokens t, const CondConstants& constants);

}  // namespace kestrix::checker

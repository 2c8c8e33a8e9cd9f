#include "checker/vb_conditions.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "checker/vb_lexer.h"

namespace kestrix::checker {
namespace {

// "true", "false" or "unknown": whether "#If <condition> Then" compiles its branch.
std::string Holds(std::string_view condition, const CondConstants& constants) {
  std::string line = "#If " + std::string(condition) + " Then";
  LexedLine lexed;
  LexLine(line, lexed);
  Tokens t = lexed.tokens;
  std::optional<bool> holds = ConditionHolds(t.first(t.size() - 1), constants);
  return !holds ? "unknown" : *holds ? "true" : "false";
}

TEST(Conditions, EvaluatesAsVb6) {
  CondConstants constants = CondConstants::FromArguments(
      "DEBUGGING = 1 : RELEASE = 0 : LEVEL = -3 : FLAGS = &H10 : Bad = Len(1) : Junk");
  constants.Define("NAME", CondValue::String("kestrix"));
  // VB's And, Or and Not work on bits: Not 1 is -2, so "Not DEBUGGING" holds and
  // "DEBUGGING Imp RELEASE" (Not 1 Or 0) too. Win64 is not defined in VB6: Empty.
  const std::pair<const char*, std::vector<const char*>> rows[] = {
      {"true",
       {"True", "Win32", "Undefined = 0", "Undefined = \"\"", "Not Win64", "DEBUGGING",
        "debugging And Not RELEASE", "Not DEBUGGING", "RELEASE Eqv 0", "DEBUGGING Imp RELEASE",
        "LEVEL < -2 And LEVEL >= -3", "(LEVEL + 3) * 5 = 0", "FLAGS = 16 And &HFFFF = -1",
        "&HFFFF& = 65535 And &O17 = 15 And &HFFFFFFFF = -1",
        "2 ^ 3 = 8 And 7 \\ 2 = 3 And 7 Mod 4 = 3 And 1 / 4 = 0.25", "-2 ^ 2 = -4",
        "NAME = \"kestrix\"", "NAME & \"x\" = \"kestrixx\"", "NAME < \"l\""}},
      {"false",
       {"False", "0", "Win16", "Win64", "VBA7 Or Mac", "DEBUGGING And 2", "DEBUGGING Xor DEBUGGING",
        "LEVEL <> -3"}},
      // What VB would not evaluate, or evaluate otherwise; a string is no condition.
      {"unknown",
       {"VBA6", "VBA5 Or True", "Bad", "NAME", "NAME = 1", "1 / 0", "Len(NAME) > 1", "Obj.Member",
        "x Is Nothing", "Not -Not 1", "(1", "1 2", ""}},
  };
  for (const auto& [expected, conditions] : rows) {
    for (const char* condition : conditions)
      EXPECT_EQ(Holds(condition, constants), expected) << condition;
  }
}

TEST(Conditions, NestingBeyondAnyRealConditionIsNotEvaluated) {
  CondConstants none;
  EXPECT_EQ(Holds(std::string(60, '(') + "1" + std::string(60, ')'), none), "true");
  EXPECT_EQ(Holds(std::string(20000, '(') + "1" + std::string(20000, ')'), none), "unknown");
  std::string nots, minuses;
  for (int i = 0; i < 20000; ++i) {
    nots += "Not ";
    minuses += "- ";
  }
  EXPECT_EQ(Holds("Not Not 1 And - - 1", none), "true");
  EXPECT_EQ(Holds(nots + "1", none), "unknown");
  EXPECT_EQ(Holds(minuses + "1", none), "unknown");
}

TEST(Conditions, ModuleConstantsAndTheProjects) {
  CondConstants constants = CondConstants::FromArguments("A = 1 : B = 2");
  constants.Define("a", CondValue::Number(1));  // the same value: no doubt
  constants.Define("b", CondValue::Number(0));  // which one VB takes is not known
  constants.Define("Win32", CondValue::Number(0));
  constants.Define("C", CondValue::Number(0));
  EXPECT_EQ(Holds("A", constants), "true");
  EXPECT_EQ(Holds("B", constants), "unknown");
  EXPECT_EQ(Holds("Win32", constants), "true");
  EXPECT_EQ(Holds("C", constants), "false");
  constants.Define("C", std::nullopt);
  EXPECT_EQ(Holds("C", constants), "unknown");
  EXPECT_EQ(Holds("Junk", CondConstants::FromArguments("Junk")), "false");
}

}  // namespace
}  // namespace kestrix::checker

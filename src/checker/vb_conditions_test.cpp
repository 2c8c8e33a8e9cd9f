#include "checker/vb_conditions.h"

#include <gtest/gtest.h>

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
  struct Row {
    const char* condition;
    const char* expected;
  } rows[] = {
      {"True", "true"},
      {"False", "false"},
      {"0", "false"},
      {"Win32", "true"},
      {"Win16", "false"},
      {"Win64", "false"},  // not defined in VB6: Empty
      {"VBA7 Or Mac", "false"},
      {"Undefined = 0", "true"},
      {"Undefined = \"\"", "true"},
      {"Not Win64", "true"},
      {"DEBUGGING", "true"},
      {"debugging And Not RELEASE", "true"},
      {"Not DEBUGGING", "true"},  // Not 1 is -2: VB's And, Or and Not work on bits
      {"DEBUGGING And 2", "false"},
      {"DEBUGGING Xor DEBUGGING", "false"},
      {"RELEASE Eqv 0", "true"},
      {"DEBUGGING Imp RELEASE", "true"},  // Not 1 Or 0 is -2
      {"LEVEL < -2 And LEVEL >= -3", "true"},
      {"LEVEL <> -3", "false"},
      {"(LEVEL + 3) * 5 = 0", "true"},
      {"FLAGS = 16 And &HFFFF = -1", "true"},
      {"&HFFFF& = 65535 And &O17 = 15 And &HFFFFFFFF = -1", "true"},
      {"2 ^ 3 = 8 And 7 \\ 2 = 3 And 7 Mod 4 = 3 And 1 / 4 = 0.25", "true"},
      {"-2 ^ 2 = -4", "true"},
      {"NAME = \"kestrix\"", "true"},
      {"NAME & \"x\" = \"kestrixx\"", "true"},
      {"NAME < \"l\"", "true"},
      // What VB would not evaluate, or evaluate otherwise: not known.
      {"VBA6", "unknown"},
      {"VBA5 Or True", "unknown"},
      {"Bad", "unknown"},
      {"NAME", "unknown"},  // a string is no condition
      {"NAME = 1", "unknown"},
      {"1 / 0", "unknown"},
      {"Len(NAME) > 1", "unknown"},
      {"Obj.Member", "unknown"},
      {"x Is Nothing", "unknown"},
      {"Not -Not 1", "unknown"},
      {"(1", "unknown"},
      {"1 2", "unknown"},
      {"", "unknown"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Holds(row.condition, constants), row.expected) << row.condition;
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

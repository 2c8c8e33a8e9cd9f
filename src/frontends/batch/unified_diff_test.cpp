#include "frontends/batch/unified_diff.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace kestrix::batch {
namespace {

std::string Diff(std::string_view a, std::string_view b, int context = 3) {
  return UnifiedDiff(a, b, "a/M.bas", "b/M.bas", context);
}

TEST(UnifiedDiffTest, SmallCases) {
  const std::string h = "--- a/M.bas\n+++ b/M.bas\n";
  struct Case {
    const char* name;
    std::string old_text, new_text;
    int context;
    std::string expected;
  };
  const Case cases[] = {
      {"equal", "a\nb\n", "a\nb\n", 3, ""},
      {"old lacks final newline", "a\nb", "a\nb\n", 3,
       h + "@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n+b\n"},
      // The CR of a CR LF line end is part of the line and printed with it, as diff -u does.
      {"CR LF against LF", "a\r\nb\r\n", "a\r\nb\n", 3, h + "@@ -1,2 +1,2 @@\n a\r\n-b\r\n+b\n"},
      {"NUL bytes are printed", std::string("a\0b\nc\n", 6), std::string("a\0b\nC\0\n", 7), 3,
       h + "@@ -1,2 +1,2 @@\n " + std::string("a\0b\n-c\n+C\0\n", 11)},
      {"lone CR stays inside a line", "a\rb\n", "a\rc\n", 3, h + "@@ -1 +1 @@\n-a\rb\n+a\rc\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Diff(c.old_text, c.new_text, c.context), c.expected) << c.name;
  }
}

// Rebuilds the new text from the old one and a diff of LF-ended lines, checking that the
// context and removed lines match the old text.
std::string ApplyDiff(std::string_view old_text, std::string_view diff) {
  std::vector<std::string_view> old_lines;
  for (size_t start = 0; start < old_text.size();) {
    size_t end = std::min(old_text.find('\n', start), old_text.size() - 1) + 1;
    old_lines.push_back(old_text.substr(start, end - start));
    start = end;
  }
  std::string result;
  size_t next = 0;
  char last_kind = 0;
  size_t pos = diff.find('\n', diff.find('\n') + 1) + 1;  // past the two header lines
  while (pos < diff.size()) {
    size_t end = diff.find('\n', pos);
    std::string_view line = diff.substr(pos, end - pos);
    pos = end + 1;
    char kind = line[0];
    std::string_view text = line.substr(1);
    if (kind == '@') {
      long start = 0, count = 1;
      std::sscanf(std::string(line).c_str(), "@@ -%ld,%ld", &start, &count);
      for (size_t first = static_cast<size_t>(count == 0 ? start : start - 1); next < first;)
        result += old_lines[next++];
    } else if (kind == ' ' || kind == '-') {
      if (next >= old_lines.size() || old_lines[next].substr(0, text.size()) != text) {
        ADD_FAILURE() << "diff does not match the old text at line " << next + 1;
        return result;
      }
      if (kind == ' ') result += old_lines[next];
      ++next;
    } else if (kind == '+') {
      result += text;
      result += '\n';
    } else if (kind == '\\' && last_kind == '+') {
      result.pop_back();
    }
    last_kind = kind;
  }
  while (next < old_lines.size())
    result += old_lines[next++];
  return result;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines)
    text += line + '\n';
  return text;
}

// Random deletions, insertions and replacements of whole lines.
std::vector<std::string> Edit(std::vector<std::string> lines, int edits, int alphabet,
                              std::mt19937& rng) {
  for (int e = 0; e < edits; ++e) {
    size_t at = lines.empty() ? 0 : rng() % lines.size();
    std::string fresh = "n" + std::to_string(rng() % static_cast<unsigned>(alphabet));
    switch (rng() % 3) {
      case 0:
        if (!lines.empty()) lines.erase(lines.begin() + static_cast<long>(at));
        break;
      case 1:
        lines.insert(lines.begin() + static_cast<long>(at), fresh);
        break;
      default:
        if (!lines.empty()) lines[at] = fresh;
    }
  }
  return lines;
}

std::vector<std::string> RandomLines(size_t count, int alphabet, std::mt19937& rng) {
  std::vector<std::string> lines;
  for (size_t i = 0; i < count; ++i)
    lines.push_back("l" + std::to_string(rng() % static_cast<unsigned>(alphabet)));
  return lines;
}

std::string ReferenceDiff(const std::string& a, const std::string& b, int context) {
  testing::TempDir dir;
  std::string command = "/usr/bin/diff --minimal -U" + std::to_string(context) +
                        " --label a/M.bas --label b/M.bas " + dir.Write("a", a) + " " +
                        dir.Write("b", b);
  return testing::RunShell(command).out;
}

int CountLines(const std::string& diff, char kind) {
  int count = 0;
  for (size_t pos = 0; pos < diff.size(); pos = diff.find('\n', pos) + 1) {
    if (diff[pos] == kind && diff.compare(pos, 4, std::string(3, kind) + " ") != 0) ++count;
  }
  return count;
}

// Random edits, some with missing final newlines: the diff always applies back. Against the
// reference program (every third round, when present): with lines that each occur once the
// shortest edit is unique, so the output must be the same byte for byte; with repeated
// lines only its size must match.
TEST(UnifiedDiffTest, RandomEditsAgreeWithDiffAndApplyBack) {
  bool have_reference = testing::FileExists("/usr/bin/diff");
  std::mt19937 rng(7);
  for (int round = 0; round < 200; ++round) {
    int alphabet = round % 2 == 0 ? 1'000'000 : static_cast<int>(2 + rng() % 10);
    auto old_lines = RandomLines(rng() % 60, alphabet, rng);
    std::string a = Join(old_lines);
    std::string b = Join(Edit(old_lines, static_cast<int>(rng() % 12), alphabet, rng));
    if (round % 5 == 1 && !a.empty()) a.pop_back();
    if (round % 7 == 2 && !b.empty()) b.pop_back();
    int context = static_cast<int>(rng() % 4);
    std::string mine = Diff(a, b, context);
    EXPECT_EQ(mine.empty(), a == b) << "round " << round;
    EXPECT_EQ(ApplyDiff(a, mine), b) << "round " << round;
    if (!have_reference || round % 3 != 0) continue;
    std::string reference = ReferenceDiff(a, b, context);
    if (alphabet == 1'000'000) {
      EXPECT_EQ(mine, reference) << "round " << round;
    }
    EXPECT_EQ(CountLines(mine, '-'), CountLines(reference, '-')) << "round " << round;
    EXPECT_EQ(CountLines(mine, '+'), CountLines(reference, '+')) << "round " << round;
  }
}

// A module of procedures: mostly distinct statements between repeated blank lines and ends.
std::vector<std::string> LargeModule(std::mt19937& rng) {
  std::vector<std::string> lines;
  for (int i = 0; i < 60'000; ++i) {
    if (i % 8 == 0)
      lines.push_back("");
    else if (i % 8 == 7)
      lines.push_back("End Sub");
    else
      lines.push_back("x = " + std::to_string(rng()));
  }
  return lines;
}

// About one line in seven removed, added or replaced, some by the repeated lines.
std::vector<std::string> ScatterEdits(const std::vector<std::string>& lines, std::mt19937& rng) {
  std::vector<std::string> edited;
  for (const auto& line : lines) {
    std::string fresh = rng() % 4 == 0 ? "End Sub" : "y = " + std::to_string(rng());
    switch (rng() % 20) {
      case 0:
        break;
      case 1:
        edited.push_back(fresh);
        edited.push_back(line);
        break;
      case 2:
        edited.push_back(fresh);
        break;
      default:
        edited.push_back(line);
    }
  }
  return edited;
}

// Large modules: thousands of scattered edits, every line changed (as instrumentation
// numbers them), every line moved (the search gives up and replaces). Each stays fast and
// correct.
TEST(UnifiedDiffTest, LargeFilesStayFast) {
#ifdef NDEBUG
  constexpr auto kTimeLimit = std::chrono::seconds(1);
#else  // unoptimised, perhaps with sanitizers
  constexpr auto kTimeLimit = std::chrono::seconds(10);
#endif
  std::mt19937 rng(3);
  std::vector<std::string> module = LargeModule(rng);
  std::vector<std::string> numbered, reversed(module.rbegin(), module.rend());
  for (size_t i = 0; i < module.size(); ++i)
    numbered.push_back(std::to_string(i) + " " + module[i]);
  std::string a = Join(module);
  const std::string others[] = {Join(ScatterEdits(module, rng)), Join(numbered), Join(reversed)};
  for (const auto& b : others) {
    auto start = std::chrono::steady_clock::now();
    std::string diff = Diff(a, b);
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, kTimeLimit);
    EXPECT_EQ(ApplyDiff(a, diff), b);
  }
}

}  // namespace
}  // namespace kestrix::batch

#pragma once

// A code module that hands every call on to another one and counts the calls by member. In a
// real IDE each call crosses into the IDE's process, so the counts say what a pass costs
// there more plainly than a stopwatch on the file-backed IDE does.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "host/ide.h"

namespace kestrix::host {

class CountingCodeModule final : public CodeModule {
 public:
  enum Member : int {
    kParent,
    kCountOfLines,
    kCountOfDeclarationLines,
    kLines,
    kInsertLines,
    kDeleteLines,
    kReplaceLine,
    kProcOfLine,
    kProcStartLine,
    kProcCountLines,
    kProcBodyLine,
    kFind,
    kRevision,
    kMemberCount,
  };

  explicit CountingCodeModule(CodeModule& inner) : inner_(inner) {}

  static const char* MemberName(Member member) {
    static constexpr std::array<const char*, kMemberCount> kNames = {
        "Parent",         "CountOfLines", "CountOfDeclarationLines",
        "Lines",          "InsertLines",  "DeleteLines",
        "ReplaceLine",    "ProcOfLine",   "ProcStartLine",
        "ProcCountLines", "ProcBodyLine", "Find",
        "Revision"};
    return kNames[static_cast<size_t>(member)];
  }

  int64_t Calls(Member member) const { return calls_[static_cast<size_t>(member)]; }
  int64_t TotalCalls() const {
    int64_t total = 0;
    for (int64_t n : calls_)
      total += n;
    return total;
  }
  void ResetCounts() { calls_.fill(0); }

  Component& Parent() override { return Count(kParent).Parent(); }
  int32_t CountOfLines() const override { return Count(kCountOfLines).CountOfLines(); }
  int32_t CountOfDeclarationLines() const override {
    return Count(kCountOfDeclarationLines).CountOfDeclarationLines();
  }
  std::string Lines(int32_t start_line, int32_t count) const override {
    return Count(kLines).Lines(start_line, count);
  }
  void InsertLines(int32_t line, std::string_view text) override {
    Count(kInsertLines).InsertLines(line, text);
  }
  void DeleteLines(int32_t start_line, int32_t count = 1) override {
    Count(kDeleteLines).DeleteLines(start_line, count);
  }
  void ReplaceLine(int32_t line, std::string_view text) override {
    Count(kReplaceLine).ReplaceLine(line, text);
  }
  std::string ProcOfLine(int32_t line, ProcKind& kind) const override {
    return Count(kProcOfLine).ProcOfLine(line, kind);
  }
  int32_t ProcStartLine(std::string_view name, ProcKind kind) const override {
    return Count(kProcStartLine).ProcStartLine(name, kind);
  }
  int32_t ProcCountLines(std::string_view name, ProcKind kind) const override {
    return Count(kProcCountLines).ProcCountLines(name, kind);
  }
  int32_t ProcBodyLine(std::string_view name, ProcKind kind) const override {
    return Count(kProcBodyLine).ProcBodyLine(name, kind);
  }
  bool Find(std::string_view target, int32_t& start_line, int32_t& start_column, int32_t& end_line,
            int32_t& end_column, bool whole_word = false, bool match_case = false,
            bool pattern_search = false) const override {
    return Count(kFind).Find(target, start_line, start_column, end_line, end_column, whole_word,
                             match_case, pattern_search);
  }
  uint64_t Revision() const override { return Count(kRevision).Revision(); }

 private:
  CodeModule& Count(Member member) const {
    ++calls_[static_cast<size_t>(member)];
    return inner_;
  }

  CodeModule& inner_;
  mutable std::array<int64_t, kMemberCount> calls_{};
};

}  // namespace kestrix::host

#pragma once

// Writes the code of VB6 modules: a declarations section and procedures, each of an exact
// number of lines, in code VB6 compiles (every block closed by its End, a Case straight
// after each Select Case, labels unique within their procedure, every variable declared).
// Internal to the project generator.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrix::bench {

// splitmix64: small, fast and free of floating point, so a seed gives the same projects on
// every platform.
class Prng {
 public:
  explicit Prng(uint64_t seed) : state_(seed) {}
  uint64_t Next();
  // A number in lo..hi, both included; lo when hi < lo.
  int64_t Between(int64_t lo, int64_t hi);
  // True `percent` times in a hundred.
  bool Chance(int percent) { return Between(0, 99) < percent; }
  template <typename Items>
  const auto& Pick(const Items& items) {
    return items[static_cast<size_t>(Between(0, static_cast<int64_t>(items.size()) - 1))];
  }

 private:
  uint64_t state_;
};

// The bytes of a file in the making, every line ended with CR LF. Lines the code window shows
// are counted apart from header and attribute lines, which it hides.
class LineWriter {
 public:
  void Code(std::string_view line);
  void Hidden(std::string_view line);
  int64_t code_lines() const { return code_lines_; }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
  int64_t code_lines_ = 0;
};

// Hands out names unique across everything generated with it ("Stem12"), so that no two
// public names of a project clash.
class NameSource {
 public:
  std::string Next(std::string_view stem) { return std::string(stem) + std::to_string(++count_); }

 private:
  int64_t count_ = 0;
};

enum class ModuleKind { kStandard, kClass, kForm };

struct ModuleRequest {
  ModuleKind kind = ModuleKind::kStandard;
  int64_t lines = 0;       // code lines to write, exactly
  bool with_main = false;  // the first procedure is Public Sub Main (room permitting)
  // Event procedures of a form's controls: name ("cmdOK_Click") and parameter list.
  std::vector<std::pair<std::string, std::string>> event_handlers;
};

// Appends the module's code (what follows its Attribute VB_Name block) to `out`: exactly
// request.lines code lines, plus the hidden member attributes of some Property Get procedures
// of classes.
void WriteModuleCode(const ModuleRequest& request, Prng& rng, NameSource& names, LineWriter& out);

}  // namespace kestrix::bench

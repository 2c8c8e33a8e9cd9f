#pragma once

// What the benchmarks share: scratch folders, timing and memory figures, saving a loaded
// tree into another folder, and the cp -r yardstick.

#include <charconv>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "host/ide.h"
#include "platform/vbfiles/file_ide.h"

namespace kestrix::bench {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A fresh folder under `base` ($TMPDIR by default), removed with everything in it when the
// object goes away.
class ScratchDir {
 public:
  explicit ScratchDir(const fs::path& base = fs::temp_directory_path()) {
    std::string pattern = (base / "kestrix-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("cannot make a folder like " + pattern);
    }
    path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

double SecondsSince(Clock::time_point start);
double PeakRssMb();
// The process's user cpu time so far, every thread's: steadier than the clock on a busy machine.
double UserCpuSeconds();
// One line of figures: seconds, nanoseconds per line, peak memory so far.
void PrintPhase(std::string_view name, double seconds, int64_t lines, std::string_view note);
// The same with the user cpu time of the phase beside the clock's.
void PrintPhase(std::string_view name, double seconds, double cpu_seconds, int64_t lines,
                std::string_view note);

template <typename Visit>
void ForEachCodeModule(vbfiles::FileIde& ide, Visit visit) {
  for (int32_t p = 1; p <= ide.Count(); ++p) {
    host::Components& components = ide.Item(p).VBComponents();
    for (int32_t c = 1; c <= components.Count(); ++c) {
      if (host::CodeModule* code = components.Item(c).GetCodeModule()) visit(*code);
    }
  }
}

// Saves every component, then its project, below `out_root` with the paths they had below
// `in_root`; the group file is copied.
void SaveAll(vbfiles::FileIde& ide, const fs::path& in_root, const fs::path& out_root);

// The best of three `cp -r` copies of `tree` into `scratch`; negative when cp fails.
double TimeCopy(const fs::path& tree, const fs::path& scratch);
// One `cp -r` of `tree` to `target` (removed afterwards); negative when cp fails.
double TimeCopyOnce(const fs::path& tree, const fs::path& target);
// The median (of an even count, the mean of the middle two); 0 for none.
double Median(std::vector<double> values);

struct TreeSize {
  int64_t files = 0;
  uintmax_t bytes = 0;
};
TreeSize MeasureTree(const fs::path& root);
int64_t CountLines(vbfiles::FileIde& ide);

template <typename Int>
bool ParseNumber(std::string_view text, Int& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

// The main of a benchmark taking LINES [SEED]: parses them, runs `run`, and turns what it
// throws into a message and exit status 1; bad usage gives 2.
int BenchMain(int argc, char** argv, const char* name,
              const std::function<int(int64_t lines, uint32_t seed)>& run);

}  // namespace kestrix::bench

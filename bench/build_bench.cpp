// kestrix-build-bench [--dir DIR] [--batch PROGRAM] LINES [SEED]
//
// Times kestrix-batch as a user runs it, on a generated VB6 group of LINES lines written
// below DIR ($TMPDIR when left out; /dev/shm puts it on a RAM disk, where the disk's noise
// drops out), against what the same tree costs without Kestrix:
//   cp -r       a copy of the tree, the cost of reading and writing its bytes;
//   awk         number_tree.sh: a copy numbered by an awk script file by file, what a
//               Linux user would write instead;
//   --no-build  kestrix-batch build --scope group --no-build (load and instrument);
//   full build  kestrix-batch build --scope group: instrument, add the report modules, save
//               into BUILD n, load the copy back and check it.
// Five rounds alternate the four; the medians are reported (wall clock, and the cpu time of
// the process and its children), with each program's peak resident memory (the largest of its runs,
// from wait4). --batch times another build of kestrix-batch (an older one, to compare). Settings
// live in the scratch folder, which goes with everything in it at the end.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "bench_util.h"
#include "vb_generator.h"

namespace kestrix::bench {
namespace {

struct Run {
  double seconds = -1;  // negative when the program failed
  double cpu = 0;       // user and system time, all threads: less moved by a busy machine
  long peak_kb = 0;
};

double CpuSeconds(const rusage& usage) {
  auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs `argv` with its output thrown away; the wall-clock time and the child's peak memory.
Run Spawn(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const auto& a : argv)
    args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::fflush(stdout);  // or the child's freopen writes what is buffered a second time
  const Clock::time_point start = Clock::now();
  const pid_t child = ::fork();
  if (child < 0) return {};
  if (child == 0) {
    if (std::freopen("/dev/null", "w", stdout) == nullptr) ::_exit(127);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  if (::wait4(child, &status, 0, &usage) != child) return {};
  Run run;
  run.peak_kb = usage.ru_maxrss;
  run.cpu = CpuSeconds(usage);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) run.seconds = SecondsSince(start);
  return run;
}

struct Measure {
  const char* name;
  std::vector<std::string> argv;
  fs::path output;  // removed after each run
  std::vector<double> seconds;
  std::vector<double> cpu;
  long peak_kb = 0;
};

void PrintMeasure(const Measure& m, int64_t lines) {
  const double seconds = Median(m.seconds);
  std::printf("  %-12s %8.3f s %8.1f ns/line   cpu %7.3f s   peak RSS %7.1f MB\n", m.name, seconds,
              seconds * 1e9 / static_cast<double>(std::max<int64_t>(lines, 1)), Median(m.cpu),
              static_cast<double>(m.peak_kb) / 1024.0);
}

int RunBench(const fs::path& base, const std::string& batch, int64_t lines, uint32_t seed) {
  const ScratchDir scratch(base);
  const fs::path in = scratch.path() / "in";
  const GeneratedGroup tree = GenerateGroup(in.string(), lines, seed);
  const TreeSize size = MeasureTree(in);
  ::setenv("XDG_CONFIG_HOME", (scratch.path() / "settings").c_str(), 1);
  const std::string group = tree.group_file;
  std::vector<Measure> measures = {
      {"cp -r",
       {"cp", "-r", in.string(), (scratch.path() / "cp").string()},
       scratch.path() / "cp",
       {},
       {},
       0},
      {"awk",
       {"sh", KESTRIX_SOURCE_DIR "/bench/number_tree.sh", in.string(),
        (scratch.path() / "awk").string()},
       scratch.path() / "awk",
       {},
       {},
       0},
      {"--no-build", {batch, "build", group, "--scope", "group", "--no-build"}, {}, {}, {}, 0},
      {"full build",
       {batch, "build", group, "--scope", "group", "--build-root",
        (scratch.path() / "builds").string()},
       scratch.path() / "builds",
       {},
       {},
       0},
  };
  std::printf("group %lld below %s: %lld lines, %lld files, %.1f MB\n",
              static_cast<long long>(lines), base.c_str(), static_cast<long long>(tree.code_lines),
              static_cast<long long>(size.files), static_cast<double>(size.bytes) / 1e6);
  constexpr int kRounds = 5;
  for (int round = 1; round <= kRounds; ++round) {
    for (Measure& m : measures) {
      const Run run = Spawn(m.argv);
      if (run.seconds < 0) {
        std::fprintf(stderr, "kestrix-build-bench: %s failed\n", m.name);
        return 1;
      }
      m.seconds.push_back(run.seconds);
      m.cpu.push_back(run.cpu);
      m.peak_kb = std::max(m.peak_kb, run.peak_kb);
      if (!m.output.empty()) fs::remove_all(m.output);
    }
  }
  for (const Measure& m : measures)
    PrintMeasure(m, tree.code_lines);
  const double copy = Median(measures[0].seconds), awk = Median(measures[1].seconds);
  const double full = Median(measures[3].seconds);
  std::printf("  %-12s %8.1f   awk / (full build)\n", "ratio", awk / full);
  std::printf("  %-12s %8.1f   the same in cpu time\n", "ratio",
              Median(measures[1].cpu) / std::max(Median(measures[3].cpu), 1e-9));
  std::printf("  %-12s %8.1f   (full build) / (cp -r)\n", "ratio", full / copy);
  std::printf("  %-12s %8.1f   (full build's peak RSS) / (source size)\n", "ratio",
              static_cast<double>(measures[3].peak_kb) * 1024.0 / static_cast<double>(size.bytes));
  std::printf("  (medians of %d alternating rounds)\n", kRounds);
  return 0;
}

}  // namespace
}  // namespace kestrix::bench

int main(int argc, char** argv) {
  std::vector<char*> args(argv, argv + argc);
  kestrix::bench::fs::path base = kestrix::bench::fs::temp_directory_path();
  std::string batch = KESTRIX_BATCH_PROGRAM;
  while (args.size() >= 3 &&
         (std::string_view(args[1]) == "--dir" || std::string_view(args[1]) == "--batch")) {
    if (std::string_view(args[1]) == "--dir") {
      base = args[2];
    } else {
      batch = args[2];
    }
    args.erase(args.begin() + 1, args.begin() + 3);
  }
  return kestrix::bench::BenchMain(static_cast<int>(args.size()), args.data(),
                                   "kestrix-build-bench [--dir DIR] [--batch PROGRAM]",
                                   [&](int64_t lines, uint32_t seed) {
                                     return kestrix::bench::RunBench(base, batch, lines, seed);
                                   });
}

// kestrix-check-bench LINES [SEED]
//
// Times the compile check against loading on a generated VB6 group of LINES lines:
//   load   FileIde::Open of the group;
//   check  every component of the loaded group checked (its code read out of the module,
//          the checker run, the problems mapped to file lines).
// Each is the best of three runs; the last line is check / load. The group is written below
// $TMPDIR and removed at the end.

#include <cstdio>
#include <exception>

#include "bench_util.h"
#include "platform/vbfiles/compiler.h"
#include "platform/vbfiles/file_component.h"
#include "vb_generator.h"

namespace kestrix::bench {
namespace {

// Checks every component; returns how many problems were found (none, on generated code).
size_t CheckAll(vbfiles::FileIde& ide) {
  size_t problems = 0;
  for (int32_t p = 1; p <= ide.Count(); ++p) {
    host::Components& components = ide.Item(p).VBComponents();
    for (int32_t c = 1; c <= components.Count(); ++c) {
      auto& component = dynamic_cast<vbfiles::FileComponent&>(components.Item(c));
      problems += vbfiles::CheckComponent(component).size();
    }
  }
  return problems;
}

int Run(int64_t lines, uint32_t seed) {
  const ScratchDir scratch;
  const GeneratedGroup tree = GenerateGroup((scratch.path() / "in").string(), lines, seed);
  std::printf("group %lld: %lld lines, %lld files\n", static_cast<long long>(lines),
              static_cast<long long>(tree.code_lines), static_cast<long long>(tree.files));
  double best_load = 0, best_check = 0;
  size_t problems = 0;
  for (int run = 1; run <= 3; ++run) {
    vbfiles::FileIde ide;
    Clock::time_point start = Clock::now();
    ide.Open(tree.group_file);
    double load = SecondsSince(start);
    start = Clock::now();
    problems = CheckAll(ide);
    double check = SecondsSince(start);
    if (run == 1 || load < best_load) best_load = load;
    if (run == 1 || check < best_check) best_check = check;
  }
  PrintPhase("load", best_load, tree.code_lines, "   (best of 3)");
  PrintPhase("check", best_check, tree.code_lines, "   (best of 3)");
  std::printf("  %-15s %9zu\n", "problems", problems);
  if (best_load <= 0) return 1;
  std::printf("  %-15s %9.2f   check/load\n", "ratio", best_check / best_load);
  return problems == 0 ? 0 : 1;
}

}  // namespace
}  // namespace kestrix::bench

int main(int argc, char** argv) {
  return kestrix::bench::BenchMain(argc, argv, "kestrix-check-bench", kestrix::bench::Run);
}

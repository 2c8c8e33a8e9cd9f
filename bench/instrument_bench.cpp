// kestrix-instrument-bench LINES [SEED]
// kestrix-instrument-bench shape LINES PROC_LINES [FORM]
//
// Times Kestrix's own work on a generated VB6 group of LINES lines:
//   instrument  the build command over the whole group in memory (no folder, no compile),
//               then every changed file saved into another folder, then the clean command
//               taking it all out again in memory; the commands work on as many modules at
//               once as the machine has processors, as kestrix-batch does (the cpu column
//               adds up every thread's time);
//   build       the full build of every project: instrument, add the report modules, save
//               into the numbered build folder, check the saved copy.
// Five rounds alternate the runs and a `cp -r` of the same tree, the yardstick; the medians
// are reported. Settings and
// every file written live below $TMPDIR and are removed at the end.
//
// The `shape` form times the engine alone on one module of LINES lines made of procedures of
// PROC_LINES lines written in FORM (plain when left out; see ProcForm in vb_generator.h):
// instrumenting it and cleaning it again, in memory, best of three. The time per line should
// not grow with LINES.

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "bench_util.h"
#include "driver/add_in_form.h"
#include "driver/status_model.h"
#include "engine/clean_pass.h"
#include "engine/engine_state.h"
#include "engine/module_pass.h"
#include "host/counting_code_module.h"
#include "platform/system/settings_store.h"
#include "platform/vbfiles/file_code_module.h"
#include "vb_generator.h"

namespace kestrix::bench {
namespace {

class BenchDialogs final : public host::Dialogs {
 public:
  host::MsgResult MsgBox(const std::string& text, host::MsgButtons, host::MsgIcon,
                         const std::string&) override {
    std::fprintf(stderr, "  message: %s\n", text.c_str());
    return host::MsgResult::kOk;
  }
};

// The program folder is the source tree, where config/ lies.
class SourceShell final : public host::Shell {
 public:
  bool OpenDocument(const std::string&) override { return false; }
  std::string ProgramFolder() const override { return KESTRIX_SOURCE_DIR; }
};

class Connected final : public host::Connection {
 public:
  void HideForm() override {}
};

struct Times {
  double load = 0, instrument = 0, save = 0, clean = 0, build = 0;
  // The same phases in user cpu time.
  double load_cpu = 0, instrument_cpu = 0, save_cpu = 0, clean_cpu = 0, build_cpu = 0;
};

// Wall clock and user cpu time from one moment on.
struct Stopwatch {
  Clock::time_point start = Clock::now();
  double cpu_start = UserCpuSeconds();
  void Read(double& seconds, double& cpu) const {
    seconds = SecondsSince(start);
    cpu = UserCpuSeconds() - cpu_start;
  }
};

// One run on a fresh load of the tree.
Times RunOnce(const std::string& group, const fs::path& in_root, const fs::path& scratch,
              bool full_build, int run) {
  Times t;
  system::FileSettingsStore settings((scratch / ("settings" + std::to_string(run))).string());
  BenchDialogs dialogs;
  SourceShell shell;
  driver::StatusModel progress;
  Connected connection;
  driver::frmAddIn form(
      {settings, dialogs, shell, progress, {}, std::max(1u, std::thread::hardware_concurrency())});
  form.options().Option1 = 0;  // the group
  form.options().Check3 = 1;   // build folders under the scratch folder
  form.options().Dir1 = (scratch / ("builds" + std::to_string(run))).string();
  fs::create_directories(form.options().Dir1);
  form.options().Check4 = 1;
  vbfiles::FileIde ide;
  Stopwatch watch;
  ide.SetLoadOnAllCores(true);  // as kestrix-batch loads
  ide.Open(group);
  watch.Read(t.load, t.load_cpu);
  form.vbinstance = &ide;
  form.Connect = &connection;
  if (full_build) {
    watch = Stopwatch();
    form.RunCommand(0);
    watch.Read(t.build, t.build_cpu);
    fs::remove_all(form.options().Dir1);
    return t;
  }
  form.options().Check2 = 0;
  watch = Stopwatch();
  form.RunCommand(0);
  watch.Read(t.instrument, t.instrument_cpu);
  fs::path out = scratch / ("out" + std::to_string(run));
  watch = Stopwatch();
  SaveAll(ide, in_root, out);
  watch.Read(t.save, t.save_cpu);
  fs::remove_all(out);
  watch = Stopwatch();
  form.RunCommand(1);
  watch.Read(t.clean, t.clean_cpu);
  return t;
}

// Instruments and cleans every code module of the group once more, counting the calls.
int CountGroup(const std::string& group_file, int64_t lines);

int Run(int64_t lines, uint32_t seed) {
  const ScratchDir scratch;
  const fs::path in_root = scratch.path() / "in";
  const GeneratedGroup tree = GenerateGroup(in_root.string(), lines, seed);
  const TreeSize size = MeasureTree(in_root);
  std::printf("group %lld: %lld lines, %lld files, %.1f MB\n", static_cast<long long>(lines),
              static_cast<long long>(tree.code_lines), static_cast<long long>(size.files),
              static_cast<double>(size.bytes) / 1e6);
  // Five rounds, each one run of every measurement in turn, so that the disk's and the
  // machine's moods fall on all of them alike; the medians are compared.
  constexpr int kRounds = 5;
  std::vector<double> load, instrument, save, clean, build, copy;
  std::vector<double> load_cpu, instrument_cpu, save_cpu, clean_cpu, build_cpu;
  for (int run = 1; run <= kRounds; ++run) {
    Times t = RunOnce(tree.group_file, in_root, scratch.path(), false, run);
    load.push_back(t.load);
    instrument.push_back(t.instrument);
    save.push_back(t.save);
    clean.push_back(t.clean);
    load_cpu.push_back(t.load_cpu);
    instrument_cpu.push_back(t.instrument_cpu);
    save_cpu.push_back(t.save_cpu);
    clean_cpu.push_back(t.clean_cpu);
    Times b = RunOnce(tree.group_file, in_root, scratch.path(), true, run + kRounds);
    build.push_back(b.load + b.build);
    build_cpu.push_back(b.load_cpu + b.build_cpu);
    copy.push_back(TimeCopyOnce(in_root, scratch.path() / ("cp" + std::to_string(run))));
    if (copy.back() <= 0) return 1;
  }
  const double copied = Median(copy);
  PrintPhase("load", Median(load), Median(load_cpu), tree.code_lines, "");
  PrintPhase("instrument", Median(instrument), Median(instrument_cpu), tree.code_lines,
             "   (in memory)");
  PrintPhase("save", Median(save), Median(save_cpu), tree.code_lines, "");
  PrintPhase("clean", Median(clean), Median(clean_cpu), tree.code_lines, "   (in memory)");
  PrintPhase("full build", Median(build), Median(build_cpu), tree.code_lines,
             "   (load, instrument, add modules, save into BUILD n, check)");
  PrintPhase("cp -r", copied, tree.code_lines, "");
  std::printf("  %-15s %9.1f   (load+instrument+save)/(cp -r)\n", "ratio",
              (Median(load) + Median(instrument) + Median(save)) / copied);
  std::printf("  %-15s %9.1f   (full build)/(cp -r)\n", "ratio", Median(build) / copied);
  std::printf("  (medians of %d alternating rounds)\n", kRounds);
  return CountGroup(tree.group_file, tree.code_lines);
}

class BenchState final : public engine::EngineState {
 public:
  BenchState() = default;
  explicit BenchState(std::string name) : name_(std::move(name)) {}
  // Status rows that name a procedure: one per procedure the pass met.
  int64_t ProcedureRows() const {
    int64_t n = 0;
    for (const auto& row : progress_.Rows())
      n += row.member.empty() ? 0 : 1;
    return n;
  }

  int32_t InsertErrorHandlersValue() const override { return 1; }
  int32_t RemoveValue(int) const override { return 1; }
  const std::string& CurrentModuleName() const override { return name_; }
  const std::string& LocalHandlerText() const override { return handler_; }
  host::StatusOutput& Progress() override { return progress_; }
  host::Dialogs& Messages() override { return dialogs_; }
  void DoEvents() override {}

 private:
  std::string name_ = "modBench";
  std::string handler_ = "    LogError MODULENAME_, PROCNAME_, Erl\r\n    Resume Next\r\n";
  driver::StatusModel progress_;
  BenchDialogs dialogs_;
};

// Object-model calls of the passes over some code modules, by member.
using Tally = std::array<int64_t, host::CountingCodeModule::kMemberCount>;
struct CallCounts {
  Tally instrument{};
  Tally clean{};
  int64_t procedures = 0;
};

void AddCounts(Tally& sum, const host::CountingCodeModule& counted) {
  for (int m = 0; m < host::CountingCodeModule::kMemberCount; ++m)
    sum[static_cast<size_t>(m)] += counted.Calls(static_cast<host::CountingCodeModule::Member>(m));
}

// Instruments and then cleans one module through a counting code module.
bool CountModule(host::CodeModule& code, const std::string& name, CallCounts& counts) {
  host::CountingCodeModule counted(code);
  BenchState state(name);
  if (!engine::InstrumentModule(state, &counted)) return false;
  AddCounts(counts.instrument, counted);
  counts.procedures += state.ProcedureRows();
  counted.ResetCounts();
  if (!engine::CleanModule(state, &counted)) return false;
  AddCounts(counts.clean, counted);
  return true;
}

void PrintCounts(const CallCounts& counts, int64_t lines) {
  using host::CountingCodeModule;
  const double per_line = lines > 0 ? 1.0 / static_cast<double>(lines) : 0.0;
  const double per_proc = counts.procedures > 0 ? 1.0 / static_cast<double>(counts.procedures) : 0;
  std::printf("  object-model calls (%lld procedures, %lld lines)\n",
              static_cast<long long>(counts.procedures), static_cast<long long>(lines));
  std::printf("  %-24s %12s %10s %10s %12s %10s %10s\n", "member", "instrument", "/line", "/proc",
              "clean", "/line", "/proc");
  auto row = [&](const char* name, int64_t i, int64_t c) {
    std::printf("  %-24s %12lld %10.4f %10.2f %12lld %10.4f %10.2f\n", name,
                static_cast<long long>(i), static_cast<double>(i) * per_line,
                static_cast<double>(i) * per_proc, static_cast<long long>(c),
                static_cast<double>(c) * per_line, static_cast<double>(c) * per_proc);
  };
  int64_t total_i = 0, total_c = 0;
  for (int m = 0; m < CountingCodeModule::kMemberCount; ++m) {
    int64_t i = counts.instrument[static_cast<size_t>(m)];
    int64_t c = counts.clean[static_cast<size_t>(m)];
    total_i += i;
    total_c += c;
    if (i == 0 && c == 0) continue;
    row(CountingCodeModule::MemberName(static_cast<CountingCodeModule::Member>(m)), i, c);
  }
  row("all", total_i, total_c);
}

int CountGroup(const std::string& group_file, int64_t lines) {
  vbfiles::FileIde ide;
  ide.Open(group_file);
  CallCounts counts;
  size_t store_bytes = 0, text_bytes = 0;
  for (int32_t p = 1; p <= ide.Count(); ++p) {
    host::Components& components = ide.Item(p).VBComponents();
    for (int32_t c = 1; c <= components.Count(); ++c) {
      host::CodeModule* code = components.Item(c).GetCodeModule();
      if (code == nullptr) continue;
      if (auto* file = dynamic_cast<vbfiles::FileCodeModule*>(code)) {
        store_bytes += file->StoreBytes();
        text_bytes += code->CountOfLines() == 0 ? 0 : code->Lines(1, code->CountOfLines()).size();
        text_bytes += 2 * static_cast<size_t>(code->CountOfLines());  // the line breaks
      }
      if (!CountModule(*code, components.Item(c).Name(), counts)) return 1;
    }
  }
  const double per_line = lines > 0 ? 1.0 / static_cast<double>(lines) : 0.0;
  std::printf("  %-15s %9.1f bytes/line   (the code as text: %.1f bytes/line)\n", "code store",
              static_cast<double>(store_bytes) * per_line,
              static_cast<double>(text_bytes) * per_line);
  PrintCounts(counts, lines);
  return 0;
}

int RunShape(int64_t lines, int64_t proc_lines, ProcForm form, std::string_view form_name) {
  const ScratchDir scratch;
  const GeneratedGroup tree =
      GenerateUniformModuleProject((scratch.path() / "in").string(), lines, proc_lines, form);
  std::printf("module of %lld lines, %s procedures of %lld lines\n", static_cast<long long>(lines),
              std::string(form_name).c_str(), static_cast<long long>(proc_lines));
  double best_instrument = -1, best_clean = -1;
  for (int run = 1; run <= 3; ++run) {
    vbfiles::FileIde ide;
    ide.Open(tree.group_file);
    host::CodeModule* code = ide.Item(1).VBComponents().Item(1).GetCodeModule();
    const std::string before = code->Lines(1, code->CountOfLines());
    BenchState state;
    Clock::time_point start = Clock::now();
    if (!engine::InstrumentModule(state, code)) return 1;
    const double instrument = SecondsSince(start);
    start = Clock::now();
    if (!engine::CleanModule(state, code)) return 1;
    const double clean = SecondsSince(start);
    if (code->Lines(1, code->CountOfLines()) != before) {
      std::fprintf(stderr, "cleaning did not give back the module\n");
      return 1;
    }
    if (best_instrument < 0 || instrument < best_instrument) best_instrument = instrument;
    if (best_clean < 0 || clean < best_clean) best_clean = clean;
  }
  PrintPhase("instrument", best_instrument, tree.code_lines, "   (in memory, best of 3)");
  PrintPhase("clean", best_clean, tree.code_lines, "   (in memory, best of 3)");
  vbfiles::FileIde ide;
  ide.Open(tree.group_file);
  CallCounts counts;
  if (!CountModule(*ide.Item(1).VBComponents().Item(1).GetCodeModule(), "modBench", counts)) {
    return 1;
  }
  PrintCounts(counts, tree.code_lines);
  return 0;
}

}  // namespace
}  // namespace kestrix::bench

int main(int argc, char** argv) {
  if (argc >= 2 && std::string_view(argv[1]) == "shape") {
    int64_t lines = 0, proc_lines = 0;
    std::string_view form_name = argc == 5 ? argv[4] : "plain";
    kestrix::bench::ProcForm form = kestrix::bench::ProcForm::kPlain;
    if ((argc != 4 && argc != 5) || !kestrix::bench::ParseNumber(argv[2], lines) ||
        !kestrix::bench::ParseNumber(argv[3], proc_lines) ||
        !kestrix::bench::ParseProcForm(form_name, form)) {
      std::fprintf(stderr,
                   "usage: kestrix-instrument-bench shape LINES PROC_LINES [FORM]\n"
                   "  FORM: plain, if-header, if-wrapped, if-else-header, continued, open-end,\n"
                   "        one-line, commented\n");
      return 2;
    }
    try {
      return kestrix::bench::RunShape(lines, proc_lines, form, form_name);
    } catch (const std::exception& error) {
      std::fprintf(stderr, "kestrix-instrument-bench: %s\n", error.what());
      return 1;
    }
  }
  return kestrix::bench::BenchMain(argc, argv, "kestrix-instrument-bench", kestrix::bench::Run);
}

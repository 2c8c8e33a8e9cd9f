#include "bench_util.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>

namespace kestrix::bench {
namespace {

// Where a file of the input tree goes in the output tree; its folder is made.
fs::path Relocate(const std::string& path, const fs::path& in_root, const fs::path& out_root) {
  const fs::path relative = fs::path(path).lexically_normal().lexically_relative(in_root);
  if (relative.empty() || *relative.begin() == "..") {
    throw std::runtime_error(path + " lies outside " + in_root.string());
  }
  const fs::path target = out_root / relative;
  fs::create_directories(target.parent_path());
  return target;
}

std::string ShellQuote(const fs::path& path) {
  std::string quoted = "'";
  for (char c : path.string())
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double PeakRssMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

double UserCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec) / 1e6;
}

void PrintPhase(std::string_view name, double seconds, double cpu_seconds, int64_t lines,
                std::string_view note) {
  const double per_line = lines > 0 ? 1e9 / static_cast<double>(lines) : 0.0;
  std::printf("  %-15s %9.3f s %10.1f ns/line   cpu %6.1f ns/line   peak RSS %8.1f MB%s\n",
              std::string(name).c_str(), seconds, seconds * per_line, cpu_seconds * per_line,
              PeakRssMb(), std::string(note).c_str());
}

void PrintPhase(std::string_view name, double seconds, int64_t lines, std::string_view note) {
  const double ns_per_line = lines > 0 ? seconds * 1e9 / static_cast<double>(lines) : 0.0;
  std::printf("  %-15s %9.3f s %10.1f ns/line   peak RSS %8.1f MB%s\n", std::string(name).c_str(),
              seconds, ns_per_line, PeakRssMb(), std::string(note).c_str());
}

// Saves every component, then its project, below `out_root` with the paths they had below
// `in_root`. A group has no SaveAs of its own: its file is copied, so that the output is as
// complete as a copy of the tree.
void SaveAll(vbfiles::FileIde& ide, const fs::path& in_root, const fs::path& out_root) {
  for (int32_t p = 1; p <= ide.Count(); ++p) {
    host::Project& project = ide.Item(p);
    host::Components& components = project.VBComponents();
    for (int32_t c = 1; c <= components.Count(); ++c) {
      host::Component& component = components.Item(c);
      const std::string file = component.FileNames(1);
      if (!file.empty()) {
        component.SaveAs(Relocate(file, in_root, out_root).string());
        continue;
      }
      // Added since the load (the report modules): beside the project file.
      const char* ext = component.Type() == host::ComponentType::kVBForm ? ".frm" : ".bas";
      fs::path beside = fs::path(project.FileName()).parent_path() / (component.Name() + ext);
      component.SaveAs(Relocate(beside.string(), in_root, out_root).string());
    }
    project.SaveAs(Relocate(project.FileName(), in_root, out_root).string());
  }
  if (!ide.GroupFileName().empty()) {
    fs::copy_file(ide.GroupFileName(), Relocate(ide.GroupFileName(), in_root, out_root),
                  fs::copy_options::overwrite_existing);
  }
}

// The best of three `cp -r` copies of `tree` into `scratch`; each copy is removed after it is
// timed. Negative when cp fails.
double TimeCopyOnce(const fs::path& tree, const fs::path& target) {
  const std::string command = "cp -r " + ShellQuote(tree) + " " + ShellQuote(target);
  const Clock::time_point start = Clock::now();
  const int status = std::system(command.c_str());
  const double seconds = SecondsSince(start);
  fs::remove_all(target);
  return status == 0 ? seconds : -1;
}

double TimeCopy(const fs::path& tree, const fs::path& scratch) {
  double best = -1;
  for (int run = 1; run <= 3; ++run) {
    const double seconds = TimeCopyOnce(tree, scratch / ("cp" + std::to_string(run)));
    if (seconds < 0) return -1;
    if (best < 0 || seconds < best) best = seconds;
  }
  return best;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

TreeSize MeasureTree(const fs::path& root) {
  TreeSize size;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    ++size.files;
    size.bytes += entry.file_size();
  }
  return size;
}

int64_t CountLines(vbfiles::FileIde& ide) {
  int64_t lines = 0;
  ForEachCodeModule(ide, [&](host::CodeModule& code) { lines += code.CountOfLines(); });
  return lines;
}

int BenchMain(int argc, char** argv, const char* name,
              const std::function<int(int64_t lines, uint32_t seed)>& run) {
  int64_t lines = 0;
  uint32_t seed = 1;
  if (argc < 2 || argc > 3 || !ParseNumber(argv[1], lines) || lines < 0 ||
      (argc == 3 && !ParseNumber(argv[2], seed))) {
    std::fprintf(stderr, "usage: %s LINES [SEED]\n", name);
    return 2;
  }
  try {
    return run(lines, seed);
  } catch (const host::IdeError& error) {
    std::fprintf(stderr, "%s: error %d: %s\n", name, error.Number(), error.Description().c_str());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: %s\n", name, error.what());
  }
  return 1;
}

}  // namespace kestrix::bench

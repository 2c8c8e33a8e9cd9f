// The check that stands in for the compiler (compiler.h): every component's code through
// the checker, with the project's conditional-compilation arguments; components of one name;
// a build copy's problems at the original's file and line.

#include <algorithm>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <utility>

#include "checker/vb_checker.h"
#include "checker/vb_conditions.h"
#include "host/ide_error.h"
#include "host/vb_text.h"
#include "platform/vbfiles/compiler.h"
#include "platform/vbfiles/file_component.h"
#include "platform/vbfiles/file_project.h"
#include "platform/vbfiles/parallel.h"
#include "platform/vbfiles/text_io.h"

namespace kestrix::vbfiles {

using checker::CheckModuleCode;
using checker::CodeProblem;
using checker::CondConstants;
namespace {

// The lines that open and close a block the build inserts, as the instrumentation writes
// them.
constexpr std::string_view kBeginMarker = "'-------- Kestrix Begin --------";
constexpr std::string_view kEndMarker = "'-------- Kestrix End ----------";

// Which lines of a file belong to blocks the build inserted, markers included.
std::vector<bool> InsertedLines(const std::vector<std::string>& lines) {
  std::vector<bool> inserted(lines.size(), false);
  bool inside = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
    if (!inside && line.starts_with(kBeginMarker)) inside = true;
    inserted[i] = inside;
    if (inside && line.starts_with(kEndMarker)) inside = false;
  }
  return inserted;
}

// The lines of a build's copy matched to those of its original: with the inserted blocks
// taken out of both (the original may hold some too, when it is itself a build's copy), the
// two files are the same line for line.
class OriginLines {
 public:
  // nullopt when either file cannot be read.
  static std::optional<OriginLines> Read(const std::string& copy, const std::string& original) {
    OriginLines map;
    try {
      std::vector<std::string> copy_lines = SplitLines(ReadFileBytes(copy)).lines;
      std::vector<std::string> original_lines = SplitLines(ReadFileBytes(original)).lines;
      std::vector<bool> inserted = InsertedLines(copy_lines);
      int32_t kept = 0;
      for (bool in_block : inserted) {
        map.kept_above_.push_back(kept);
        if (!in_block) ++kept;
      }
      inserted = InsertedLines(original_lines);
      for (size_t i = 0; i < inserted.size(); ++i) {
        if (!inserted[i]) map.kept_.push_back(static_cast<int32_t>(i + 1));
      }
    } catch (const host::IdeError&) {
      return std::nullopt;
    }
    return map;
  }

  // The original's line for line `copy_line` of the copy; a line of an inserted block gets
  // the line it was inserted above.
  int32_t Original(int32_t copy_line) const {
    if (kept_above_.empty() || kept_.empty()) return copy_line;
    auto at =
        static_cast<size_t>(std::clamp(copy_line, 1, static_cast<int32_t>(kept_above_.size())));
    auto kept = static_cast<size_t>(kept_above_[at - 1]);
    return kept < kept_.size() ? kept_[kept] : kept_.back();
  }

 private:
  std::vector<int32_t> kept_above_;  // for each line of the copy, the lines kept above it
  std::vector<int32_t> kept_;        // the original's lines outside inserted blocks, 1-based
};

CondConstants ProjectConstants(const FileProject& project) {
  return CondConstants::FromArguments(project.File().Value("CondComp").value_or(""));
}

// Two components of one name: VB refuses to load the project. Reported at the project
// file's line of the later one; in a build's copy, at the original project file's line,
// which is the copy's as long as the later one came from the original too (the build adds
// its lines after the original's component lines).
std::vector<CheckProblem> CheckNames(FileProject& project, const OriginMap& origins) {
  std::vector<CheckProblem> problems;
  const auto& listed = project.File().Components();
  auto line_of = [&listed](int32_t index) {
    auto at = static_cast<size_t>(index - 1);
    return at < listed.size() ? listed[at].line : 0;
  };
  auto original = origins.find(project.FileName());
  auto item = [&project](int32_t k) -> FileComponent& {
    return static_cast<FileComponent&>(project.Item(k));
  };
  for (int32_t k = 2; k <= project.Count(); ++k) {
    FileComponent& c = item(k);
    if (!c.HasCode()) continue;  // resource files and related documents
    for (int32_t j = 1; j < k; ++j) {
      FileComponent& earlier = item(j);
      if (!earlier.HasCode() || !text::EqualsNoCase(c.Name(), earlier.Name())) {
        continue;
      }
      std::string already =
          line_of(j) > 0 ? " (named at line " + std::to_string(line_of(j)) + " already)" : "";
      CheckProblem problem{
          project.FileName(),
          line_of(k),
          "Name conflicts with existing module, project, or object library: " + c.Name() + already,
          false,
          "",
          0};
      if (original != origins.end() && origins.count(c.FileNames(1)) != 0) {
        problem.copy_file = std::exchange(problem.file, original->second);
        problem.copy_line = problem.line;
      }
      problems.push_back(std::move(problem));
      break;
    }
  }
  return problems;
}

// The problems of one component's code; `origin` is the file it is a build's copy of, or "".
// When the original cannot be read, they are reported at the copy.
std::vector<CheckProblem> CheckComponent(FileComponent& component, const CondConstants& constants,
                                         const std::string& origin) {
  std::vector<CheckProblem> problems;
  if (!component.HasCode()) return problems;
  // A copy only read is checked where its lines are; a module's lines are gathered first.
  std::vector<std::string_view> gathered;
  std::span<const std::string_view> lines = component.CodeOnlyLines();
  if (lines.empty()) {
    gathered = component.CodeLines();
    lines = gathered;
  }
  std::vector<CodeProblem> found = CheckModuleCode(lines, constants);
  if (found.empty()) return problems;
  const std::string file = component.FileNames(1);
  std::optional<OriginLines> map;
  if (!origin.empty()) map = OriginLines::Read(file, origin);
  for (CodeProblem& p : found) {
    int32_t line = component.FileLine(p.line);
    if (!map) {
      problems.push_back({file, line, std::move(p.message), p.warning, "", 0});
    } else {
      problems.push_back(
          {origin, map->Original(line), std::move(p.message), p.warning, file, line});
    }
  }
  return problems;
}

}  // namespace

// Loads a saved project and checks each component as soon as it is loaded, freeing its code
// then: a build's copy is never held whole in memory.
std::vector<CheckProblem> CheckSavedProject(const std::string& project_file,
                                            const OriginMap& origins) {
  std::unique_ptr<FileProject> project;
  std::vector<std::vector<CheckProblem>> found;
  std::mutex found_mutex;
  auto check = [&](const FileProject& loaded, size_t k, FileComponent& component) {
    auto origin = origins.find(component.FileNames(1));
    std::vector<CheckProblem> problems =
        CheckComponent(component, ProjectConstants(loaded),
                       origin == origins.end() ? std::string() : origin->second);
    component.ReleaseCode();
    std::lock_guard lock(found_mutex);
    if (found.size() <= k) found.resize(k + 1);
    found[k] = std::move(problems);
  };
  try {
    project = FileProject::Load(project_file, 0, LoadDepth::kCodeOnly, check);
  } catch (const host::IdeError& error) {
    return {{project_file, 0, error.Description(), false, "", 0}};
  }
  std::vector<CheckProblem> problems = CheckNames(*project, origins);
  std::set<std::string> seen;  // a file listed twice is checked once
  for (int32_t k = 1; k <= project->Count(); ++k) {
    std::string file = project->Item(k).FileNames(1);
    auto at = static_cast<size_t>(k - 1);
    if (at >= found.size() || (!file.empty() && !seen.insert(file).second)) continue;
    problems.insert(problems.end(), std::make_move_iterator(found[at].begin()),
                    std::make_move_iterator(found[at].end()));
  }
  return problems;
}

std::vector<CheckProblem> CheckProject(FileProject& project, const OriginMap& origins) {
  std::vector<CheckProblem> problems = CheckNames(project, origins);
  CondConstants constants = ProjectConstants(project);
  std::set<std::string> seen;  // a file listed twice is checked once
  std::vector<FileComponent*> checked;
  for (int32_t k = 1; k <= project.Count(); ++k) {
    auto& component = static_cast<FileComponent&>(project.Item(k));
    std::string file = component.FileNames(1);
    if (file.empty() || seen.insert(file).second) checked.push_back(&component);
  }
  // Checked on every core, reported in the project's order.
  std::vector<std::vector<CheckProblem>> found(checked.size());
  ForEachIndex(checked.size(), [&](size_t k) {
    auto origin = origins.find(checked[k]->FileNames(1));
    found[k] = CheckComponent(*checked[k], constants,
                              origin == origins.end() ? std::string() : origin->second);
  });
  for (auto& each : found)
    problems.insert(problems.end(), std::make_move_iterator(each.begin()),
                    std::make_move_iterator(each.end()));
  return problems;
}

std::vector<CheckProblem> CheckComponent(FileComponent& component) {
  auto* project = dynamic_cast<FileProject*>(&component.Collection());
  return CheckComponent(component, project ? ProjectConstants(*project) : CondConstants(), "");
}

std::string FormatProblem(const CheckProblem& p) {
  auto place = [](const std::string& file, int line) {
    return file + (line > 0 ? "(" + std::to_string(line) + ")" : "");
  };
  std::string out = place(p.file, p.line) + ": " + (p.warning ? "warning: " : "") + p.message;
  if (!p.copy_file.empty()) out += " (copy: " + place(p.copy_file, p.copy_line) + ")";
  return out;
}

CompileResult CheckInsteadOfCompiling(const std::string& project_file, const OriginMap& origins) {
  CompileResult result;
  std::vector<CheckProblem> problems = CheckSavedProject(project_file, origins);
  result.ok = std::none_of(problems.begin(), problems.end(),
                           [](const CheckProblem& p) { return !p.warning; });
  for (const auto& p : problems)
    result.report += FormatProblem(p) + "\n";
  if (result.ok) result.report += "checked; no compiler configured, no executable written";
  if (!result.report.empty() && result.report.back() == '\n') result.report.pop_back();
  return result;
}

}  // namespace kestrix::vbfiles

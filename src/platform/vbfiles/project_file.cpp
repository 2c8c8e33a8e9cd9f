#include "platform/vbfiles/project_file.h"

#include <array>
#include <tuple>
#include <utility>

#include "host/component_kinds.h"
#include "host/ide_error.h"
#include "platform/vbfiles/paths.h"
#include "platform/vbfiles/text_io.h"

namespace kestrix::vbfiles {

using host::IdeError;

namespace {

constexpr std::string_view kBlanks = " \t\r";

// Settings VB writes in quotes; besides these, every key starting with "Version".
constexpr std::array<std::string_view, 11> kQuotedKeys = {
    "Name",     "Title",   "ExeName32",   "Path32",    "Command32", "HelpFile",
    "IconForm", "Startup", "Description", "ResFile32", "CondComp"};

std::string_view Trim(std::string_view s) {
  size_t begin = s.find_first_not_of(kBlanks);
  if (begin == std::string_view::npos) return {};
  return s.substr(begin, s.find_last_not_of(kBlanks) - begin + 1);
}

bool IsBlank(std::string_view line) {
  return Trim(line).empty();
}
bool IsSectionHeader(std::string_view line) {
  return Trim(line).starts_with('[');
}

std::optional<std::string_view> CanonicalComponentKey(std::string_view key) {
  const host::ComponentKind* kind = host::KindForKey(key);
  if (kind == nullptr) return std::nullopt;
  return kind->project_key;
}

bool IsQuotedKey(std::string_view key) {
  if (key.size() >= 7 && EqualsIgnoreCase(key.substr(0, 7), "Version")) return true;
  for (std::string_view known : kQuotedKeys) {
    if (EqualsIgnoreCase(key, known)) return true;
  }
  return false;
}

struct KeyValue {
  std::string_view key;  // blanks around it dropped
  size_t value_begin;    // offset of the value in the line
};

std::optional<KeyValue> SplitKeyValue(std::string_view line) {
  size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  std::string_view key = Trim(line.substr(0, eq));
  if (key.empty()) return std::nullopt;
  return KeyValue{key, eq + 1};
}

// Offsets of the text between a value's opening quote and its last quote; nullopt when the
// quote is never closed. A value that does not open with a quote is taken whole.
std::optional<std::pair<size_t, size_t>> QuotedSpan(std::string_view line, size_t begin) {
  if (begin >= line.size() || line[begin] != '"') return std::pair{begin, line.size()};
  size_t close = line.rfind('"');
  if (close == begin) return std::nullopt;
  return std::pair{begin + 1, close};
}

// Where a component line's name and path lie, or what is wrong with it.
struct ComponentSpan {
  std::string_view key;  // canonical spelling
  std::string_view name;
  size_t path_begin = 0;
  size_t path_end = 0;
  std::string problem;
};

ComponentSpan ScanComponent(std::string_view line, const KeyValue& kv, std::string_view key) {
  ComponentSpan span{key, {}, kv.value_begin, line.size(), {}};
  if (key == "Module" || key == "Class") {
    size_t semicolon = line.find(';', kv.value_begin);
    if (semicolon == std::string_view::npos) {
      span.problem = std::string(key) + "= needs a name, \"; \" and a file";
      return span;
    }
    span.name = Trim(line.substr(kv.value_begin, semicolon - kv.value_begin));
    span.path_begin = semicolon + 1;
  } else if (key == "ResFile32") {
    auto quoted = QuotedSpan(line, kv.value_begin);
    if (!quoted) {
      span.problem = "the value of ResFile32 has no closing quote";
      return span;
    }
    std::tie(span.path_begin, span.path_end) = *quoted;
  }
  // Windows drops blanks at the end of a file name; blanks after "; " only separate.
  while (span.path_begin < span.path_end && kBlanks.find(line[span.path_begin]) != kBlanks.npos) {
    ++span.path_begin;
  }
  while (span.path_end > span.path_begin && kBlanks.find(line[span.path_end - 1]) != kBlanks.npos) {
    --span.path_end;
  }
  if (span.path_begin == span.path_end) span.problem = std::string(key) + "= names no file";
  return span;
}

// What is wrong with a top-level line that is neither blank nor a section header; "" when
// nothing is.
std::string LineProblem(std::string_view line) {
  std::optional<KeyValue> kv = SplitKeyValue(line);
  if (!kv) return "expected a Key=Value line";
  if (auto key = CanonicalComponentKey(kv->key)) return ScanComponent(line, *kv, *key).problem;
  if (IsQuotedKey(kv->key) && !QuotedSpan(line, kv->value_begin)) {
    return "the value of " + std::string(kv->key) + " has no closing quote";
  }
  return "";
}

// A line the setters are about to write must read back as the same single line.
void CheckNewLine(const std::string& line, std::string_view key) {
  std::string problem;
  if (line.find_first_of("\r\n") != std::string::npos) {
    problem = "a line break";
  } else if (IsSectionHeader(line) || !SplitKeyValue(line) || SplitKeyValue(line)->key != key) {
    problem = "a bad key";
  } else {
    problem = LineProblem(line);
  }
  if (!problem.empty()) {
    throw IdeError(host::kErrInvalidCall, "Invalid project file line (" + problem + "): " + line,
                   "vbfiles");
  }
}

}  // namespace

ProjectFile ProjectFile::Parse(std::string_view bytes, const std::string& file_name) {
  auto fail = [&](size_t index, const std::string& what) {
    throw IdeError(host::kErrBadFileFormat,
                   file_name + "(" + std::to_string(index + 1) + "): " + what, "vbfiles");
  };
  if (bytes.substr(0, 1024).find('\0') != std::string_view::npos) {
    fail(0, "not a project file (it holds binary data)");
  }
  ProjectFile file;
  TextLines text = SplitLines(bytes);
  file.lines_ = std::move(text.lines);
  file.final_newline_ = text.final_newline;
  file.bom_ = text.bom;
  bool any_setting = false;
  for (size_t i = 0; i < file.lines_.size(); ++i) {
    const std::string& line = file.lines_[i];
    if (IsBlank(line)) continue;
    if (IsSectionHeader(line)) {
      if (any_setting) break;
      fail(i, "expected a Key=Value line before the first [Section]");
    }
    std::string problem = LineProblem(line);
    if (!problem.empty()) fail(i, problem);
    any_setting = true;
  }
  // An empty file is more likely a failed write than a project with nothing in it.
  if (!any_setting) fail(0, "the file holds no project settings");
  file.Reindex();
  return file;
}

std::string ProjectFile::Serialize() const {
  return (bom_ ? std::string(kUtf8Bom) : std::string()) + JoinLines(lines_, final_newline_);
}

void ProjectFile::Reindex() {
  section_start_ = lines_.size();
  components_.clear();
  for (size_t i = 0; i < lines_.size(); ++i) {
    std::string_view line = lines_[i];
    if (IsSectionHeader(line)) {
      section_start_ = i;
      return;
    }
    std::optional<KeyValue> kv = SplitKeyValue(line);
    std::optional<std::string_view> key = kv ? CanonicalComponentKey(kv->key) : std::nullopt;
    if (!key) continue;
    ComponentSpan span = ScanComponent(line, *kv, *key);
    components_.push_back(
        ComponentRef{std::string(span.key), std::string(span.name),
                     std::string(line.substr(span.path_begin, span.path_end - span.path_begin)),
                     static_cast<int>(i + 1)});
  }
}

std::optional<std::string> ProjectFile::Value(std::string_view key) const {
  for (size_t i = 0; i < section_start_; ++i) {
    std::string_view line = lines_[i];
    std::optional<KeyValue> kv = SplitKeyValue(line);
    if (!kv || !EqualsIgnoreCase(kv->key, key)) continue;
    auto [begin, end] =
        QuotedSpan(line, kv->value_begin).value_or(std::pair{kv->value_begin, line.size()});
    return std::string(line.substr(begin, end - begin));
  }
  return std::nullopt;
}

size_t ProjectFile::SettingsEnd() const {
  for (size_t i = section_start_; i > 0; --i) {
    if (!IsBlank(lines_[i - 1])) return i;
  }
  return 0;
}

void ProjectFile::InsertLine(size_t at, std::string line) {
  // A line added at the very end gets its line break, as VB writes every line.
  if (at == lines_.size()) final_newline_ = true;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
  Reindex();
}

void ProjectFile::SetValue(std::string_view key, std::string_view value, bool quoted) {
  std::string text = quoted ? "\"" + std::string(value) + "\"" : std::string(value);
  for (size_t i = 0; i < section_start_; ++i) {
    std::optional<KeyValue> kv = SplitKeyValue(lines_[i]);
    if (!kv || !EqualsIgnoreCase(kv->key, key)) continue;
    std::string line = lines_[i].substr(0, kv->value_begin) + text;
    CheckNewLine(line, kv->key);
    lines_[i] = std::move(line);
    Reindex();
    return;
  }
  std::string line = std::string(key) + "=" + text;
  CheckNewLine(line, key);
  InsertLine(SettingsEnd(), std::move(line));
}

size_t ProjectFile::CheckIndex(size_t index) const {
  if (index >= components_.size()) {
    throw IdeError(host::kErrSubscriptOutOfRange,
                   "No component " + std::to_string(index) + " in the project file", "vbfiles");
  }
  return static_cast<size_t>(components_[index].line - 1);
}

void ProjectFile::SetComponentPath(size_t index, std::string_view path) {
  size_t at = CheckIndex(index);
  const std::string& old_line = lines_[at];
  std::optional<KeyValue> kv = SplitKeyValue(old_line);
  ComponentSpan span = ScanComponent(old_line, *kv, components_[index].key);
  std::string line =
      old_line.substr(0, span.path_begin) + std::string(path) + old_line.substr(span.path_end);
  CheckNewLine(line, kv->key);
  lines_[at] = std::move(line);
  Reindex();
}

void ProjectFile::AddComponent(std::string_view key, std::string_view name, std::string_view path) {
  std::optional<std::string_view> canonical = CanonicalComponentKey(key);
  if (!canonical) {
    throw IdeError(host::kErrInvalidCall, "Not a component key: " + std::string(key), "vbfiles");
  }
  std::string line = std::string(*canonical) + "=";
  if (*canonical == "Module" || *canonical == "Class") {
    if (Trim(name).empty() || name.find(';') != std::string_view::npos) {
      throw IdeError(host::kErrInvalidCall,
                     "Invalid name for " + std::string(*canonical) + "=: " + std::string(name),
                     "vbfiles");
    }
    line += std::string(name) + "; " + std::string(path);
  } else if (*canonical == "ResFile32") {
    line += "\"" + std::string(path) + "\"";
  } else {
    line += path;
  }
  CheckNewLine(line, *canonical);
  InsertLine(ComponentInsertionPoint(), std::move(line));
}

size_t ProjectFile::ComponentInsertionPoint() const {
  if (!components_.empty()) return static_cast<size_t>(components_.back().line);
  for (size_t i = section_start_; i > 0; --i) {
    std::optional<KeyValue> kv = SplitKeyValue(lines_[i - 1]);
    if (kv && (EqualsIgnoreCase(kv->key, "Reference") || EqualsIgnoreCase(kv->key, "Object"))) {
      return i;
    }
  }
  return SettingsEnd();
}

void ProjectFile::RemoveComponent(size_t index) {
  size_t at = CheckIndex(index);
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(at));
  Reindex();
}

}  // namespace kestrix::vbfiles

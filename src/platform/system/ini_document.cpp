#include "platform/system/ini_document.h"

#include "host/vb_text.h"

namespace kestrix::system {

using text::IsBlank;
using text::Lower;
namespace {

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != text.npos;
}

// The name of a "[Name]" line, or nullopt for any other line. A header missing its ']' still
// opens a section, named by the rest of the line.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = TrimBlanks(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  line.remove_prefix(1);
  return TrimBlanks(line.substr(0, line.find(']')));
}

// The key of a "key=value" line, or nullopt for comments and lines without '='.
std::optional<std::string_view> KeyName(std::string_view line) {
  std::string_view trimmed = TrimBlanks(line);
  if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[') return std::nullopt;
  size_t eq = line.find('=');
  if (eq == line.npos) return std::nullopt;
  return TrimBlanks(line.substr(0, eq));
}

bool IsEntry(std::string_view line) {
  std::string_view trimmed = TrimBlanks(line);
  return !trimmed.empty() && trimmed.front() != ';';
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back()))
    text.remove_suffix(1);
  return text;
}

bool ValidKey(std::string_view key) {
  return !key.empty() && !HasLineBreak(key) && key.find('=') == key.npos && key.front() != ';' &&
         key.front() != '[' && TrimBlanks(key).size() == key.size();
}

bool ValidSection(std::string_view section) {
  return !section.empty() && !HasLineBreak(section) && section.find(']') == section.npos &&
         TrimBlanks(section).size() == section.size();
}

IniDocument::IniDocument(std::string_view bytes) {
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t lf = bytes.find('\n', pos);
    if (lf == bytes.npos) lf = bytes.size();
    size_t end = (lf > pos && bytes[lf - 1] == '\r') ? lf - 1 : lf;
    lines_.emplace_back(bytes.substr(pos, end - pos));
    pos = lf + 1;
  }
}

std::string IniDocument::Bytes() const {
  std::string out;
  for (const std::string& line : lines_) {
    out += line;
    out += "\r\n";
  }
  return out;
}

std::optional<IniDocument::Section> IniDocument::FindSection(std::string_view name) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    std::optional<std::string_view> found = SectionName(lines_[i]);
    if (!found || !SameName(*found, name)) continue;
    size_t end = i + 1;
    while (end < lines_.size() && !SectionName(lines_[end]))
      ++end;
    return Section{i, end};
  }
  return std::nullopt;
}

std::optional<size_t> IniDocument::FindKey(const Section& section, std::string_view key) const {
  for (size_t i = section.header + 1; i < section.end; ++i) {
    std::optional<std::string_view> found = KeyName(lines_[i]);
    if (found && SameName(*found, key)) return i;
  }
  return std::nullopt;
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
  std::optional<Section> found = FindSection(section);
  if (!found) return std::nullopt;
  std::optional<size_t> line = FindKey(*found, key);
  if (!line) return std::nullopt;
  const std::string& text = lines_[*line];
  return text.substr(text.find('=') + 1);
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  std::optional<Section> found = FindSection(section);
  if (!found) {
    if (!lines_.empty() && !TrimBlanks(lines_.back()).empty()) lines_.emplace_back();
    lines_.push_back("[" + std::string(section) + "]");
    found = Section{lines_.size() - 1, lines_.size()};
  }
  if (std::optional<size_t> line = FindKey(*found, key)) {
    std::string& text = lines_[*line];
    size_t start = text.find('=') + 1;
    while (start < text.size() && IsBlank(text[start]))
      ++start;
    text = text.substr(0, start) + std::string(value);
    return;
  }
  // After the section's last entry, so that comments and blanks before the next section stay
  // with that section.
  size_t at = found->end;
  while (at > found->header + 1 && !IsEntry(lines_[at - 1]))
    --at;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                std::string(key) + "=" + std::string(value));
}

bool IniDocument::Erase(std::string_view section, std::string_view key) {
  bool erased = false;
  std::optional<std::string_view> current;  // the section of line i
  for (size_t i = 0; i < lines_.size();) {
    if (std::optional<std::string_view> name = SectionName(lines_[i])) {
      current = name;
      ++i;
      continue;
    }
    std::optional<std::string_view> found = KeyName(lines_[i]);
    if (current && SameName(*current, section) && found && SameName(*found, key)) {
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
      erased = true;
      continue;
    }
    ++i;
  }
  return erased;
}

}  // namespace kestrix::system

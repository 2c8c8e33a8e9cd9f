#include "platform/vbfiles/component_file.h"

#include "host/vb_text.h"

#include "host/ide_error.h"
#include "platform/vbfiles/line_scan.h"
#include "platform/vbfiles/text_io.h"

namespace kestrix::vbfiles {

using text::IsBlank;
namespace {

using host::IdeError;

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && IsBlank(s.front()))
    s.remove_prefix(1);
  return s;
}

// True when `line` starts with `word` (any case) followed by a blank or its end.
bool StartsWithWord(std::string_view line, std::string_view word) {
  if (line.size() < word.size() || !EqualsNoCase(line.substr(0, word.size()), word)) return false;
  return line.size() == word.size() || IsBlank(line[word.size()]) || line[word.size()] == '=';
}

bool IsAttribute(std::string_view line) {
  return StartsWithWord(line, "Attribute");
}

// How a header line changes the nesting depth of designer blocks.
int BlockDelta(std::string_view line) {
  std::string_view s = TrimLeft(line);
  while (!s.empty() && IsBlank(s.back()))
    s.remove_suffix(1);
  if (StartsWithWord(s, "Begin") || StartsWithWord(s, "BeginProperty")) return 1;
  if (EqualsNoCase(s, "End") || EqualsNoCase(s, "EndProperty")) return -1;
  return 0;
}

IdeError BadFile(const std::string& file_name, size_t line, const std::string& what) {
  return IdeError(host::kErrBadFileFormat, file_name + "(" + std::to_string(line) + "): " + what,
                  "vbfiles");
}

std::string QuotedValue(std::string_view line) {
  size_t open = line.find('"');
  if (open == std::string_view::npos) return "";
  size_t close = line.find('"', open + 1);
  return std::string(line.substr(open + 1, close == line.npos ? line.npos : close - open - 1));
}

// Reads the designer block starting at lines[i] into the header; returns the line after it.
size_t ReadBlock(const std::vector<std::string_view>& lines, size_t i, ComponentFile& out,
                 const std::string& file_name) {
  size_t begin = i;
  out.mdi_form = TrimLeft(lines[i]).find("VB.MDIForm") != std::string_view::npos;
  int depth = 0;
  do {
    depth += BlockDelta(lines[i]);
    out.header.emplace_back(lines[i]);
    ++i;
  } while (depth > 0 && i < lines.size());
  if (depth > 0) {
    throw BadFile(file_name, lines.size(),
                  "the file ends inside the description begun at line " +
                      std::to_string(begin + 1) + " (no matching End)");
  }
  return i;
}

size_t ReadHeader(const std::vector<std::string_view>& lines, ComponentFile& out,
                  const std::string& file_name, bool needs_designer) {
  size_t i = 0;
  if (lines.empty() || !StartsWithWord(lines[0], "VERSION")) {
    if (needs_designer) throw BadFile(file_name, 1, "expected a VERSION line");
    return 0;
  }
  out.header.emplace_back(lines[i++]);
  while (i < lines.size() && StartsWithWord(TrimLeft(lines[i]), "Object")) {
    out.header.emplace_back(lines[i++]);
  }
  if (i < lines.size() && BlockDelta(lines[i]) == 1) return ReadBlock(lines, i, out, file_name);
  if (needs_designer) {
    throw BadFile(
        file_name, i + 1 > lines.size() ? lines.size() : i + 1,
        i >= lines.size() ? "the file ends before its Begin block" : "expected a Begin block");
  }
  return i;
}

// VB writes no line longer than this.
constexpr size_t kMaxLineLength = 1023;

// Whether a file's first line that is not blank could begin a VB text file: a header line or a
// module-level statement starts with a letter (VERSION, Attribute, Option, Dim, Private, …), a
// comment with ', a directive with #. Binary files start otherwise (\x89PNG, \x7FELF) or hold
// a NUL byte at once (MZ\x90\0). Lines further down may hold any byte: string literals do.
bool LooksLikeVbText(const std::vector<std::string_view>& lines, size_t& line_index) {
  for (line_index = 0; line_index < lines.size(); ++line_index) {
    std::string_view line = TrimLeft(lines[line_index]);
    if (line.empty()) continue;
    char c = line.front();
    bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    return (letter || c == '\'' || c == '#') && line.find('\0') == std::string_view::npos &&
           lines[line_index].size() <= kMaxLineLength;
  }
  return true;
}

void RefuseBinary(const std::vector<std::string_view>& lines, const std::string& file_name) {
  size_t index = 0;
  if (!LooksLikeVbText(lines, index)) {
    throw BadFile(file_name, index + 1, "not a VB text file (it starts with binary data)");
  }
}

// Whether `line` is an Attribute line: in the code, a member attribute of the code line before
// it, unless that line goes on in it.
bool StartsAttribute(std::string_view line) {
  return (line.starts_with('A') || line.starts_with('a')) && IsAttribute(line);
}

// The code from lines[i] on into the code store, in one copy, line breaks and member
// attributes with it; each line refers to its place in it.
void ReadCodeIntoStore(std::string_view bytes, const std::vector<std::string_view>& lines, size_t i,
                       ComponentFile& out) {
  const char* code = lines[i].data();
  const uint32_t base =
      out.code.AppendBytes(std::string_view(code, bytes.data() + bytes.size() - code));
  out.code.Reserve(lines.size() - i, 0);
  for (; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    const int32_t last = out.code.size() - 1;
    bool member_attr =
        StartsAttribute(line) && last >= 0 && !EndsWithContinuation(out.code.Text(last));
    if (!member_attr) {
      out.code.PushBackCopied(base + static_cast<uint32_t>(line.data() - code),
                              static_cast<uint32_t>(line.size()));
      continue;
    }
    uint32_t block = out.code.Attrs(last);
    if (block == 0) {
      block = static_cast<uint32_t>(out.attr_blocks.size());
      out.code.SetAttrs(last, block);
      out.attr_blocks.emplace_back();
    }
    out.attr_blocks[block].emplace_back(line);
  }
}

// The same as views, nothing copied but the member attributes: the code lines from lines[i]
// on move to the front of `lines`, which becomes code_views.
void ReadCodeViews(std::vector<std::string_view>& lines, size_t i, ComponentFile& out) {
  size_t kept = 0;
  for (; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    bool member_attr = StartsAttribute(line) && kept > 0 && !EndsWithContinuation(lines[kept - 1]);
    if (!member_attr) {
      lines[kept++] = line;
      continue;
    }
    const auto last = static_cast<uint32_t>(kept - 1);
    if (out.view_attrs.empty() || out.view_attrs.back().line != last) {
      out.view_attrs.push_back({last, static_cast<uint32_t>(out.attr_blocks.size())});
      out.attr_blocks.emplace_back();
    }
    out.attr_blocks[out.view_attrs.back().block].emplace_back(line);
  }
  lines.resize(kept);
  out.code_views = std::move(lines);
}

}  // namespace

ComponentFile ParseComponentFile(std::string_view bytes, const std::string& file_name,
                                 bool needs_designer, CodeInto into) {
  TextLineViews text = SplitLineViews(bytes);
  ComponentFile out;
  out.final_newline = text.final_newline;
  out.bom = text.bom;
  std::vector<std::string_view>& lines = text.lines;
  RefuseBinary(lines, file_name);
  size_t i = ReadHeader(lines, out, file_name, needs_designer);
  for (; i < lines.size() && IsAttribute(lines[i]); ++i) {
    if (StartsWithWord(TrimLeft(lines[i].substr(9)), "VB_Name")) {
      out.vb_name = QuotedValue(lines[i]);
    }
    out.attributes.emplace_back(lines[i]);
  }
  if (i == lines.size()) return out;
  if (into == CodeInto::kViews) {
    ReadCodeViews(lines, i, out);
  } else {
    ReadCodeIntoStore(bytes, lines, i, out);
  }
  return out;
}

std::vector<std::string> RenameCompanion(const std::vector<std::string>& header,
                                         std::string_view old_stem, std::string_view new_stem) {
  if (EqualsNoCase(old_stem, new_stem)) return header;
  std::vector<std::string> out = header;
  for (auto& line : out) {
    // References look like  Icon = "Form1.frx":0000  or  Text = $"Form1.frx":0A1C
    size_t pos = 0;
    while ((pos = line.find('"', pos)) != std::string::npos) {
      size_t start = pos + 1;
      size_t dot = start + old_stem.size();
      if (dot < line.size() && line[dot] == '.' &&
          EqualsNoCase(std::string_view(line).substr(start, old_stem.size()), old_stem)) {
        size_t close = line.find('"', dot);
        if (close != std::string::npos && close + 1 < line.size() && line[close + 1] == ':') {
          line.replace(start, old_stem.size(), new_stem);
          pos = start + new_stem.size();
          continue;
        }
      }
      pos = start;
    }
  }
  return out;
}

}  // namespace kestrix::vbfiles

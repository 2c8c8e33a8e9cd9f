#include "platform/vbfiles/paths.h"

#include <filesystem>
#include <map>
#include <system_error>
#include <vector>

#include "platform/system/code_pages.h"

namespace kestrix::vbfiles {

namespace fs = std::filesystem;

namespace {

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Splits on '/' (and on '\\' when windows is set), dropping empty components.
std::vector<std::string> SplitComponents(std::string_view path, bool windows) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    bool at_separator = i == path.size() || path[i] == '/' || (windows && path[i] == '\\');
    if (!at_separator) continue;
    if (i > start) parts.emplace_back(path.substr(start, i - start));
    start = i + 1;
  }
  return parts;
}

std::string JoinComponents(const std::vector<std::string>& parts, bool absolute, char sep) {
  std::string out = absolute ? "/" : "";
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out += sep;
    out += parts[i];
  }
  return out;
}

// Folds "." and ".." lexically; a ".." above the root of an absolute path is dropped.
std::vector<std::string> FoldDots(const std::vector<std::string>& parts, bool absolute) {
  std::vector<std::string> out;
  for (const auto& part : parts) {
    if (part == ".") continue;
    if (part != "..") {
      out.push_back(part);
    } else if (!out.empty() && out.back() != "..") {
      out.pop_back();
    } else if (!absolute) {
      out.push_back(part);
    }
  }
  return out;
}

bool IsWindowsAbsolute(std::string_view path) {
  bool drive = path.size() >= 2 && path[1] == ':' &&
               ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  return drive || (!path.empty() && (path[0] == '\\' || path[0] == '/'));
}

// The entry of `dir` whose name equals `name` ignoring case; the first in byte order when
// several do, so that the answer does not depend on the order the folder lists them in.
std::optional<std::string> FindEntryIgnoringCase(const std::string& dir, const std::string& name) {
  std::error_code ec;
  std::optional<std::string> best;
  for (fs::directory_iterator it(dir.empty() ? "." : dir, ec), end; !ec && it != end;
       it.increment(ec)) {
    std::string entry = it->path().filename().string();
    if (EqualsIgnoreCase(entry, name) && (!best || entry < *best)) best = entry;
  }
  return best;
}

}  // namespace

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

std::optional<std::string> ResolveCaseInsensitive(const std::string& native_path) {
  std::error_code ec;
  if (native_path.empty()) return std::nullopt;
  if (fs::exists(native_path, ec)) return native_path;

  bool absolute = native_path[0] == '/';
  std::string found = absolute ? "/" : "";
  for (const auto& part : SplitComponents(native_path, false)) {
    std::string prefix = found;
    if (!prefix.empty() && prefix.back() != '/') prefix += '/';
    // The exact name first: one stat, and the only way through a folder we may not list.
    if (part == "." || part == ".." || fs::exists(prefix + part, ec)) {
      found = prefix + part;
      continue;
    }
    std::optional<std::string> entry = FindEntryIgnoringCase(found, part);
    if (!entry) return std::nullopt;
    found = prefix + *entry;
  }
  return found;
}

namespace {

bool IsAscii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// The entry of `dir` that `part`, read in one of the code pages, names: code page -> entry.
std::map<int, std::string> EntriesInCodePages(const std::string& dir, const std::string& part,
                                              int code_page) {
  std::map<int, std::string> found;
  std::vector<int> pages =
      code_page != 0 ? std::vector<int>{code_page} : system::CommonAnsiCodePages();
  std::string prefix = dir.empty() ? "" : dir.back() == '/' ? dir : dir + "/";
  for (int page : pages) {
    std::optional<std::string> utf8 = system::AnsiToUtf8(page, part);
    if (!utf8 || *utf8 == part) continue;
    std::error_code ec;
    if (fs::exists(prefix + *utf8, ec)) {
      found[page] = *utf8;
    } else if (auto entry = FindEntryIgnoringCase(dir, *utf8)) {
      found[page] = *entry;
    }
  }
  return found;
}

// "1251 (Форма.frm), 1252 (Ôîðìà.frm)"
std::string ListCandidates(const std::map<int, std::string>& found) {
  std::string out;
  for (const auto& [page, entry] : found)
    out += (out.empty() ? "" : ", ") + std::to_string(page) + " (" + entry + ")";
  return out;
}

}  // namespace

Resolution ResolveProjectPath(const std::string& native_path, int code_page) {
  if (auto found = ResolveCaseInsensitive(native_path)) return {found, ""};
  if (native_path.empty() || IsAscii(native_path)) return {};
  bool absolute = native_path[0] == '/';
  std::string found = absolute ? "/" : "";
  for (const auto& part : SplitComponents(native_path, false)) {
    std::string prefix = found;
    if (!prefix.empty() && prefix.back() != '/') prefix += '/';
    std::error_code ec;
    if (part == "." || part == ".." || fs::exists(prefix + part, ec)) {
      found = prefix + part;
      continue;
    }
    if (auto entry = FindEntryIgnoringCase(found, part)) {
      found = prefix + *entry;
      continue;
    }
    std::map<int, std::string> entries = EntriesInCodePages(found, part, code_page);
    if (entries.empty()) return {};
    for (const auto& [page, entry] : entries) {
      if (entry != entries.begin()->second) {
        return {std::nullopt, "the name reads as different files in the code pages " +
                                  ListCandidates(entries) + " of " + (found.empty() ? "." : found)};
      }
    }
    found = prefix + entries.begin()->second;
  }
  return {found, ""};
}

std::string NormalizePath(std::string_view path) {
  bool absolute = !path.empty() && path[0] == '/';
  std::string out = JoinComponents(FoldDots(SplitComponents(path, false), absolute), absolute, '/');
  return out.empty() ? "." : out;
}

std::string AbsolutePath(const std::string& path) {
  if (!path.empty() && path[0] == '/') return NormalizePath(path);
  std::error_code ec;
  std::string cwd = fs::current_path(ec).string();
  return NormalizePath(cwd + "/" + path);
}

std::string FromWindowsPath(const std::string& base_dir, std::string_view win_path) {
  if (IsWindowsAbsolute(win_path)) {
    std::string out(win_path);
    for (char& c : out) {
      if (c == '\\') c = '/';
    }
    bool unc = out.starts_with("//");
    return (unc ? "/" : "") + NormalizePath(out);
  }
  std::vector<std::string> parts = SplitComponents(base_dir, false);
  for (auto& part : SplitComponents(win_path, true))
    parts.push_back(std::move(part));
  bool absolute = !base_dir.empty() && base_dir[0] == '/';
  std::string out = JoinComponents(FoldDots(parts, absolute), absolute, '/');
  return out.empty() ? "." : out;
}

std::string RelativeWindowsPath(const std::string& from_dir, const std::string& target) {
  std::vector<std::string> from = SplitComponents(AbsolutePath(from_dir), false);
  std::vector<std::string> to = SplitComponents(AbsolutePath(target), false);
  size_t common = 0;
  while (common < from.size() && common < to.size() && from[common] == to[common])
    ++common;
  std::vector<std::string> parts(from.size() - common, "..");
  parts.insert(parts.end(), to.begin() + static_cast<std::ptrdiff_t>(common), to.end());
  return parts.empty() ? "." : JoinComponents(parts, false, '\\');
}

std::string DirName(std::string_view path) {
  size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return ".";
  if (slash == 0) return "/";
  return std::string(path.substr(0, slash));
}

std::string FileNamePart(std::string_view path) {
  size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string Stem(std::string_view path) {
  std::string name = FileNamePart(path);
  size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return name;
  return name.substr(0, dot);
}

std::string Extension(std::string_view path) {
  std::string name = FileNamePart(path);
  size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return "";
  std::string ext = name.substr(dot);
  for (char& c : ext)
    c = LowerAscii(c);
  return ext;
}

}  // namespace kestrix::vbfiles

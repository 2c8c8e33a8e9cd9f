#include "platform/vbfiles/paths.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <system_error>
#include <vector>

#include "basic/characters.h"
#include "platform/system/code_pages.h"
#include "platform/system/environment.h"
#include "platform/system/file_io.h"

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

std::string JoinComponents(const std::vector<std::string>& parts, char sep) {
  std::string out;
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

bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The root of an internal path, with what follows it split into components.
struct SplitPath {
  std::string root;  // "", "/", "C:/", "C:" (drive-relative) or "//server/share"
  std::vector<std::string> parts;
};

SplitPath Split(std::string_view path) {
  size_t length = RootLength(path);
  return {std::string(path.substr(0, length)), SplitComponents(path.substr(length), false)};
}

// The root followed by the components: "/" + a/b, "C:/" + a/b, "//server/share" + /a/b.
std::string Join(const std::string& root, const std::vector<std::string>& parts) {
  std::string out = root;
  if (!parts.empty() && !out.empty() && out.back() != '/' && out.back() != ':') out += '/';
  return out + JoinComponents(parts, '/');
}

// `name` inside the folder `dir` as written, without normalising anything.
std::string Child(const std::string& dir, const std::string& name) {
  if (dir.empty() || dir.back() == '/' || (dir.size() == 2 && dir[1] == ':')) return dir + name;
  return dir + "/" + name;
}

bool Exists(const std::string& path) {
  return system::PathExists(path);
}

bool SameName(std::string_view a, std::string_view b) {
  return system::FileNamesIgnoreCase() ? EqualsIgnoreCase(a, b) : a == b;
}

// The entry of `dir` whose name equals `name` ignoring case; the first in byte order when
// several do, so that the answer does not depend on the order the folder lists them in.
std::optional<std::string> FindEntryIgnoringCase(const std::string& dir, const std::string& name) {
  std::error_code ec;
  std::optional<std::string> best;
  for (fs::directory_iterator it(system::FileSystemPath(dir.empty() ? "." : dir), ec), end;
       !ec && it != end; it.increment(ec)) {
    std::string entry = system::FromFileSystemPath(it->path().filename());
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
  if (native_path.empty()) return std::nullopt;
  // Where the system ignores case every spelling of an existing path exists: the spelling on
  // disk is looked up all the same, so that a project names its files alike everywhere.
  bool ignore_case = system::FileNamesIgnoreCase();
  bool exists = Exists(native_path);
  if (exists != ignore_case) return exists ? std::optional(native_path) : std::nullopt;

  SplitPath split = Split(native_path);
  std::string found = split.root;
  for (const auto& part : split.parts) {
    if (ignore_case && part != "." && part != "..") {
      // A folder that cannot be listed keeps the name as asked.
      found = Child(found, FindEntryIgnoringCase(found, part).value_or(part));
      continue;
    }
    // The exact name first: one stat, and the only way through a folder we may not list.
    if (part == "." || part == ".." || Exists(Child(found, part))) {
      found = Child(found, part);
      continue;
    }
    std::optional<std::string> entry = FindEntryIgnoringCase(found, part);
    if (!entry) return std::nullopt;
    found = Child(found, *entry);
  }
  return found;
}

namespace {

// The entry of `dir` that `part`, read in one of the code pages, names: code page -> entry.
std::map<int, std::string> EntriesInCodePages(const std::string& dir, const std::string& part,
                                              int code_page) {
  std::map<int, std::string> found;
  std::vector<int> pages =
      code_page != 0 ? std::vector<int>{code_page} : system::CommonAnsiCodePages();
  for (int page : pages) {
    std::optional<std::string> utf8 = system::AnsiToUtf8(page, part);
    if (!utf8 || *utf8 == part) continue;
    // Where names ignore case, the spelling on disk (see ResolveCaseInsensitive).
    bool exact = !system::FileNamesIgnoreCase() && Exists(Child(dir, *utf8));
    if (exact) {
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
  if (native_path.empty() || basic::IsAscii(native_path)) return {};
  SplitPath split = Split(native_path);
  std::string found = split.root;
  for (const auto& part : split.parts) {
    bool exact = !system::FileNamesIgnoreCase() && Exists(Child(found, part));
    if (part == "." || part == ".." || exact) {
      found = Child(found, part);
      continue;
    }
    if (auto entry = FindEntryIgnoringCase(found, part)) {
      found = Child(found, *entry);
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
    found = Child(found, entries.begin()->second);
  }
  return {found, ""};
}

size_t RootLength(std::string_view path) {
  if (path.size() >= 2 && IsLetter(path[0]) && path[1] == ':') {
    return path.size() >= 3 && path[2] == '/' ? 3 : 2;
  }
  if (path.size() > 2 && path[0] == '/' && path[1] == '/' && path[2] != '/') {
    size_t server_end = path.find('/', 2);
    if (server_end == std::string_view::npos) return path.size();
    size_t share_end = path.find('/', server_end + 1);
    return share_end == std::string_view::npos ? path.size() : share_end;
  }
  return !path.empty() && path[0] == '/' ? 1 : 0;
}

bool IsAbsolute(std::string_view path) {
  return RootLength(path) > 0;
}

namespace {

// True when NormalizePath gives the path back as it stands, as it does for every path that
// went through it once: the root, the '/' a share's root needs before a name, and names
// that are neither empty, "." nor "..", one '/' between each two.
bool IsNormal(std::string_view path) {
  const size_t root = RootLength(path);
  std::string_view names = path.substr(root);
  if (names.empty()) return root > 0;  // "" is "."
  if (root > 0 && path[root - 1] != '/' && path[root - 1] != ':') {
    if (names[0] != '/') return false;
    names.remove_prefix(1);
  }
  return system::PlainNames(names);
}

}  // namespace

std::string NormalizePath(std::string_view path) {
  // Most paths are normal already (every one read from a file went through here): they are
  // looked over once rather than taken apart and put together again.
  if (IsNormal(path)) return std::string(path);
  SplitPath split = Split(path);
  std::string out = Join(split.root, FoldDots(split.parts, !split.root.empty()));
  return out.empty() ? "." : out;
}

std::string JoinPath(std::string_view dir, std::string_view path) {
  if (IsAbsolute(path) || dir.empty() || dir == ".") return std::string(path);
  if (path.empty()) return std::string(dir);
  return Child(std::string(dir), std::string(path));
}

std::string AbsolutePath(const std::string& path) {
  if (IsAbsolute(path)) return NormalizePath(path);
  return NormalizePath(JoinPath(system::CurrentFolder(), path));
}

std::string FromWindowsPath(const std::string& base_dir, std::string_view win_path) {
  std::string path(win_path);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  // A path from the drive's root ("\x") is absolute here as it stands.
  return NormalizePath(IsAbsolute(path) ? path : JoinPath(base_dir, path));
}

namespace {

// The names of a normalised path after its root: "a/b" of "/a/b", "C:/a/b" and
// "//server/share/a/b"; "" when it has none ("." has none).
std::string_view NamesAfterRoot(std::string_view normal) {
  std::string_view names = normal.substr(RootLength(normal));
  if (!names.empty() && names[0] == '/') names.remove_prefix(1);  // after a share's root
  return normal == "." ? std::string_view() : names;
}

// The first name of `names`, which then holds those after it.
std::string_view TakeName(std::string_view& names) {
  std::string_view name = names.substr(0, names.find('/'));
  names.remove_prefix(std::min(names.size(), name.size() + 1));
  return name;
}

}  // namespace

std::string RelativeWindowsPath(const std::string& from_dir, const std::string& target) {
  // Both normalised: their names are read in place.
  const std::string from = AbsolutePath(from_dir);
  const std::string to = AbsolutePath(target);
  const std::string_view from_root = std::string_view(from).substr(0, RootLength(from));
  const std::string_view to_root = std::string_view(to).substr(0, RootLength(to));
  // On another drive or share no relative path leads there: VB writes the whole path.
  if (!EqualsIgnoreCase(from_root, to_root)) {
    std::string whole = to == "." ? "" : to;
    for (char& c : whole) {
      if (c == '/') c = '\\';
    }
    return whole;
  }
  std::string_view up = NamesAfterRoot(from);  // the names to climb out of
  std::string_view down = NamesAfterRoot(to);  // and those to go into
  while (!up.empty() && !down.empty()) {
    std::string_view rest_up = up, rest_down = down;
    if (!SameName(TakeName(rest_up), TakeName(rest_down))) break;
    up = rest_up;
    down = rest_down;
  }
  std::string out;
  if (!up.empty()) {
    for (size_t n = std::count(up.begin(), up.end(), '/') + 1; n > 0; --n)
      out += "..\\";
  }
  for (char c : down)
    out += c == '/' ? '\\' : c;
  if (down.empty() && !out.empty()) out.pop_back();  // the '\\' after the last ".."
  return out.empty() ? "." : out;
}

std::string DirName(std::string_view path) {
  size_t root = RootLength(path);
  size_t slash = path.rfind('/');
  if (slash == std::string_view::npos || slash < root) {
    return root > 0 ? std::string(path.substr(0, root)) : ".";
  }
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

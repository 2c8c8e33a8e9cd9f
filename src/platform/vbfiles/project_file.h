#pragma once

// A VB project file (.vbp), kept line for line: every line is written back as it was read,
// in its place, unless one of the setters below rewrites it. Lines are opaque ANSI bytes.
//
// The file is "Key=Value" lines (the top level) followed by optional "[Section]" blocks that
// add-ins own; everything from the first "[Section]" header on is kept byte for byte and never
// read as project settings, even where it reuses a key such as Description=.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrix::vbfiles {

class ProjectFile {
 public:
  // A component line of the top level, in file order.
  struct ComponentRef {
    // Form, Module, Class, UserControl, PropertyPage, UserDocument, Designer, RelatedDoc or
    // ResFile32, spelt as here whatever case the file uses.
    std::string key;
    std::string name;  // Module and Class: the name before "; "; "" for the other keys
    std::string path;  // as written (Windows path), without quotes and surrounding blanks
    int line = 0;      // 1-based line in the file
  };

  // Reads the bytes of a project file (CR LF, LF or mixed line breaks). Throws
  // host::IdeError(kErrBadFileFormat, "<file_name>(<line>): <what is wrong>") when a
  // top-level line is not Key=Value (an empty file included), a Module= or Class= line lacks
  // the "; " between name and path, a component line names no file, a quoted setting
  // (Name, Title, ResFile32, …) opens a quote it never closes, or the first kilobyte holds a
  // NUL byte (a binary file, never a project file). A leading UTF-8 byte-order mark is kept
  // aside and written back.
  static ProjectFile Parse(std::string_view bytes, const std::string& file_name);

  // Every line in order, each ending with CR LF, except that a file read without a final line
  // break is written without one. An untouched CR LF file gives back its exact bytes.
  std::string Serialize() const;

  const std::vector<ComponentRef>& Components() const { return components_; }

  // The value of the first top-level line with this key (ASCII case ignored), without its
  // quotes when it is written in quotes; nullopt when no such line exists.
  std::optional<std::string> Value(std::string_view key) const;

  // Rewrites the value of the first top-level line with this key (keeping the key as the file
  // spells it), or adds Key=Value after the last top-level setting, before any [Section].
  // Throws host::IdeError(kErrInvalidCall) when the line would be malformed or split in two
  // (a key holding '=', a line break, a Module= value without "; ", …).
  void SetValue(std::string_view key, std::string_view value, bool quoted);

  // Rewrites the path of component `index` (of Components()), leaving the rest of the line
  // as it stands. Throws host::IdeError: kErrSubscriptOutOfRange for a bad index,
  // kErrInvalidCall for an empty path or one holding a line break.
  void SetComponentPath(size_t index, std::string_view path);

  // Adds "Key=path" ("Key=name; path" for Module and Class, ResFile32="path" quoted) after the
  // last component line; with none, after the last Reference= or Object= line; with none of
  // those either, after the last top-level setting. Throws host::IdeError(kErrInvalidCall)
  // for a key that is not a component key, an empty path, or a Module/Class name that is
  // empty or holds ';'.
  void AddComponent(std::string_view key, std::string_view name, std::string_view path);

  // Removes the line of component `index`. Throws host::IdeError(kErrSubscriptOutOfRange).
  void RemoveComponent(size_t index);

 private:
  void Reindex();
  size_t SettingsEnd() const;  // index just after the last non-blank top-level line
  size_t ComponentInsertionPoint() const;
  void InsertLine(size_t at, std::string line);
  size_t CheckIndex(size_t index) const;

  std::vector<std::string> lines_;
  bool final_newline_ = true;
  bool bom_ = false;          // the file began with a UTF-8 byte-order mark, kept on save
  size_t section_start_ = 0;  // index of the first [Section] header, or lines_.size()
  std::vector<ComponentRef> components_;
};

}  // namespace kestrix::vbfiles

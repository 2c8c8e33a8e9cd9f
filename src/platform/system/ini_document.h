#pragma once

// An INI file held as its lines, changed so that only the lines a change is about move: every
// other line, comment and blank keeps its bytes. Used for the profile files and the settings
// store alike.
//
// A line "[Name]" opens a section; "key=value" is an entry of the section above it; a line
// starting with ';' is a comment. Sections and keys are found without regard to the case of
// ASCII letters and with blanks around them ignored; where a name occurs twice, the first one
// counts. Lines above the first section belong to none and cannot be addressed.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrix::system {

class IniDocument {
 public:
  // Accepts CR LF and LF line ends.
  explicit IniDocument(std::string_view bytes = {});

  // The file's bytes: every line followed by CR LF.
  std::string Bytes() const;

  // Everything after the first '=' of the key's line, blanks included, or nullopt when the
  // section or the key is missing.
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;

  // Replaces the key's value (the key keeps its spelling and the blanks around '='). A missing
  // key is added as "key=value" after the last entry of its section; a missing section is added
  // at the end of the file, after a blank line. The caller keeps names and values free of line
  // breaks (see ValidKey / ValidSection).
  void Set(std::string_view section, std::string_view key, std::string_view value);

  // Removes every line of the key, in every section of that name (a file edited by hand may
  // repeat both), so that no reader finds it afterwards. False when there was no such key.
  bool Erase(std::string_view section, std::string_view key);

 private:
  struct Section {
    size_t header;  // index of the "[Name]" line
    size_t end;     // one past its last line
  };
  std::optional<Section> FindSection(std::string_view name) const;
  std::optional<size_t> FindKey(const Section& section, std::string_view key) const;

  std::vector<std::string> lines_;
};

// Names that can be stored and found again: not empty, no line breaks; a key has no '=' and
// does not start like a comment or a section; a section name has no ']'. Blanks at either end
// would be lost on reading, so they are refused too.
bool ValidKey(std::string_view key);
bool ValidSection(std::string_view section);

// `text` without the blanks (spaces and tabs) at either end.
std::string_view TrimBlanks(std::string_view text);

}  // namespace kestrix::system

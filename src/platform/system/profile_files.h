#pragma once

// Private profile files: INI files read and written key by key, as the system's
// private-profile functions do. A file named without a folder ("vbaddin.ini", the IDE's add-in
// list) lives in the configuration folder; a name with a folder is taken as a path. Sections
// and keys are found regardless of case. Writing keeps every other line and comment of the file
// as it was, writes CR LF line ends and replaces the file atomically. Nothing here throws.

#include <cstdint>
#include <optional>
#include <string>

#include "host/system.h"

namespace kestrix::system {

class IniProfileFiles final : public host::ProfileFiles {
 public:
  // Files named without a folder lie in ConfigFolder(), as the environment says at construction.
  IniProfileFiles();
  explicit IniProfileFiles(std::string folder);

  // The value read as an integer: blanks and a pair of quotes around it are ignored, then an
  // optional sign and the leading digits count ("1abc" is 1, "abc" is 0, values beyond 32 bits
  // are clamped). `default_value` when the file, the section or the key is missing, the value
  // is empty, or the file cannot be read.
  int32_t GetInt(const std::string& section, const std::string& key, int32_t default_value,
                 const std::string& file) const override;

  // Writes "key=value" or, for nullopt, deletes the key, creating the folder, the file and the
  // section as needed. Deleting from a missing file or section succeeds without writing.
  // False when the file cannot be read or written, or when a name or the value cannot be
  // stored (a line break anywhere, a key with '=', a section with ']').
  bool WriteString(const std::string& section, const std::string& key,
                   const std::optional<std::string>& value, const std::string& file) override;

  std::string FilePath(const std::string& file) const override;
  std::string WriteError() const override { return write_error_; }

 private:
  bool Fail(std::string why);

  std::string folder_;
  std::string write_error_;
};

#ifdef _WIN32
// The system's own private-profile functions, as the IDE reads its add-in list with them: a
// file named without a folder lies in the Windows folder (or where the system redirects it),
// a name with a folder is a path. profile_files_win32.cpp.
class SystemProfileFiles final : public host::ProfileFiles {
 public:
  int32_t GetInt(const std::string& section, const std::string& key, int32_t default_value,
                 const std::string& file) const override;
  // Writes "key=value" or, for nullopt, deletes the key. False, with the system's reason,
  // when the file cannot be written or a name or the value cannot be stored.
  bool WriteString(const std::string& section, const std::string& key,
                   const std::optional<std::string>& value, const std::string& file) override;
  std::string FilePath(const std::string& file) const override;
  std::string WriteError() const override { return write_error_; }

 private:
  std::string write_error_;
};
#endif

}  // namespace kestrix::system

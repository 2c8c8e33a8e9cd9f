#pragma once

// The per-user settings store: one INI file, settings.ini in the configuration folder, with a
// section "[App\Section]" per application and section ("[Kestrix\Settings]",
// "[Kestrix\BuildNumbers]"). Keys are found regardless of case and keep the spelling they were
// first written with. Values are text of any bytes; line breaks and backslashes in them are
// stored as \r, \n and \\, tabs as \t and a space at either end as \s, so that the file stays
// one line per key, tolerates blanks around '=' and reads back exactly.
//
// Every change is a read-modify-write under an exclusive lock on settings.lock beside the
// file, re-reading the file under the lock, and replaces the file atomically: processes that
// write at once lose none of each other's keys. Reads take no lock and no cache, so they see
// what another process wrote.

#include <functional>
#include <optional>
#include <string>

#include "host/system.h"
#include "platform/system/ini_document.h"

namespace kestrix::system {

class FileSettingsStore final : public host::SettingsStore {
 public:
  // The store in ConfigFolder(), as the environment says at construction.
  FileSettingsStore();
  // The store in `folder` (created on the first write).
  explicit FileSettingsStore(std::string folder);

  // The default when the value, the file or a valid name is missing, or the file is unreadable.
  std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                         const std::string& default_value = "") const override;

  // False with the reason for a file that cannot be read or is no settings file (it holds
  // NUL bytes), and for a name that cannot be stored.
  bool ReadSetting(const std::string& app, const std::string& section, const std::string& key,
                   std::optional<std::string>& value, std::string& error) const override;

  // Throws host::IdeError kErrPathFileAccess ("Cannot write <path>: <why>", source "Settings")
  // when the folder or the file cannot be written or the existing file cannot be read, and
  // kErrInvalidCall for a name that cannot be stored (empty, with a line break, a key with '=',
  // an application or section with ']'). A file holding NUL bytes is no settings file: it is
  // never rewritten.
  void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                   const std::string& value) override;

  // Removes the key; nothing happens when it is not there. Throws as SaveSetting.
  void DeleteSetting(const std::string& app, const std::string& section,
                     const std::string& key) override;

  // Reads the key and stores what `change` makes of it, as one step under the lock: another
  // process cannot write the key in between. `change` gets the current value (nullopt when
  // there is none) and returns the new one, or nullopt to leave the key as it is. True when a
  // value was stored. Throws as SaveSetting; an exception from `change` passes through and
  // leaves the store as it was.
  using Change = std::function<std::optional<std::string>(std::optional<std::string> current)>;
  bool Update(const std::string& app, const std::string& section, const std::string& key,
              const Change& change);

  // Holds an exclusive lock on a lock file of its own for the key (in locks/ beside the
  // settings file) without waiting; nullptr while another process holds it, or when the lock
  // file cannot be made (the reason goes to `LockError()`).
  std::unique_ptr<host::SettingLock> TryLock(const std::string& app, const std::string& section,
                                             const std::string& key) override;
  std::string LockError() const override { return lock_error_; }

  // The settings file's full path.
  std::string FilePath() const;

 private:
  bool Modify(const std::function<bool(IniDocument&)>& change);

  std::string folder_;
  std::string lock_error_;
};

// The escapes of stored values, exposed for the tests: Encode gives one line without blanks
// at either end, Decode(Encode(v)) == v.
std::string EncodeSettingValue(const std::string& value);
std::string DecodeSettingValue(std::string_view stored);

}  // namespace kestrix::system

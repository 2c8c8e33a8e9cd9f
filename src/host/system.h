#pragma once

// What the add-in needs of the system around it, beyond the IDE: the per-user settings
// store, the private profile files (the IDE's add-in list), and starting programs and
// documents. platform/system provides them for this machine.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace kestrix::host {

// A claim on one setting, held until the object goes away.
class SettingLock {
 public:
  virtual ~SettingLock() = default;
};

// Text values addressed by application name, section and key, kept per user.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // Claims the key for this process (a build claims its project's build number) until the
  // returned lock goes; nullptr while another process holds the claim. A store that is not
  // shared between processes grants every claim.
  virtual std::unique_ptr<SettingLock> TryLock(const std::string& app, const std::string& section,
                                               const std::string& key) {
    (void)app, (void)section, (void)key;
    return std::make_unique<SettingLock>();
  }
  // Why the last TryLock gave nullptr when that was not another holder's claim (the lock
  // could not be made); "" when another process holds it.
  virtual std::string LockError() const { return ""; }
  // The stored value, or `default_value` when there is none (or the store cannot be read).
  virtual std::string GetSetting(const std::string& app, const std::string& section,
                                 const std::string& key,
                                 const std::string& default_value = "") const = 0;
  // The stored value in `value` (nullopt when there is none). False, with the reason in
  // `error`, when the store cannot be read or the name can never be stored: for the callers
  // that must not take a default in place of a value they could not read.
  virtual bool ReadSetting(const std::string& app, const std::string& section,
                           const std::string& key, std::optional<std::string>& value,
                           std::string& error) const {
    (void)error;
    std::string stored = GetSetting(app, section, key);
    value = stored.empty() ? std::nullopt : std::optional<std::string>(stored);
    return true;
  }
  // Stores the value. Throws IdeError (kErrPathFileAccess) when the store cannot be written.
  virtual void SaveSetting(const std::string& app, const std::string& section,
                           const std::string& key, const std::string& value) = 0;
  virtual void DeleteSetting(const std::string& app, const std::string& section,
                             const std::string& key) = 0;
};

// INI-style profile files named without a folder, as the IDE's add-in list "vbaddin.ini".
// Like the system's private-profile functions, they report no errors to the user.
class ProfileFiles {
 public:
  virtual ~ProfileFiles() = default;
  // The key's value read as an integer (leading digits, optional sign); `default_value`
  // when the key or the file is missing.
  virtual int32_t GetInt(const std::string& section, const std::string& key, int32_t default_value,
                         const std::string& file) const = 0;
  // Writes the key, or deletes it when `value` is empty (nullopt). False when the file
  // could not be written.
  virtual bool WriteString(const std::string& section, const std::string& key,
                           const std::optional<std::string>& value, const std::string& file) = 0;
  // Why the last WriteString gave false, for telling the user ("" when unknown).
  virtual std::string WriteError() const { return ""; }
  // Where the file named `file` lies, for telling the user (the name itself when unknown).
  virtual std::string FilePath(const std::string& file) const { return file; }
};

class Shell {
 public:
  virtual ~Shell() = default;
  // Opens a document (a text file, a web page, …) with the desktop's program for it, without
  // waiting. False when there is no desktop to open it on or no program could be started.
  virtual bool OpenDocument(const std::string& path_or_url) = 0;
  // The folder of the running program, where config/ and the read-me lie.
  virtual std::string ProgramFolder() const = 0;
};

}  // namespace kestrix::host

#include "platform/system/settings_store.h"

#include <filesystem>

#include "host/ide_error.h"
#include "platform/system/config_paths.h"
#include "platform/system/environment.h"
#include "platform/system/file_io.h"

namespace kestrix::system {
namespace {

constexpr const char* kSource = "Settings";
constexpr const char* kFileName = "settings.ini";
constexpr const char* kLockName = "settings.lock";
constexpr const char* kNotText = "it is not a settings file (it holds NUL bytes)";

std::string SectionOf(const std::string& app, const std::string& section) {
  return app + "\\" + section;
}

bool ValidNames(const std::string& app, const std::string& section, const std::string& key) {
  return ValidSection(app) && ValidSection(section) && ValidKey(key);
}

void CheckNames(const std::string& app, const std::string& section, const std::string& key) {
  if (ValidNames(app, section, key)) return;
  throw host::IdeError(host::kErrInvalidCall,
                       "Invalid setting name: " + SectionOf(app, section) + " " + key, kSource);
}

[[noreturn]] void Fail(const std::string& path, const std::string& why) {
  throw host::IdeError(host::kErrPathFileAccess, "Cannot write " + path + ": " + why, kSource);
}

char Unescaped(char c) {
  switch (c) {
    case 'r':
      return '\r';
    case 'n':
      return '\n';
    case 't':
      return '\t';
    case 's':
      return ' ';
    case '\\':
      return '\\';
  }
  return 0;
}

}  // namespace

std::string EncodeSettingValue(const std::string& value) {
  std::string out;
  out.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    bool edge = i == 0 || i + 1 == value.size();
    if (c == '\\')
      out += "\\\\";
    else if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\t')
      out += "\\t";
    else if (c == ' ' && edge)
      out += "\\s";
    else
      out += c;
  }
  return out;
}

std::string DecodeSettingValue(std::string_view stored) {
  stored = TrimBlanks(stored);
  std::string out;
  out.reserve(stored.size());
  for (size_t i = 0; i < stored.size(); ++i) {
    char c = stored[i];
    // An unknown escape, or a backslash at the end, is taken as it stands (a hand-edited path).
    char escaped = (c == '\\' && i + 1 < stored.size()) ? Unescaped(stored[i + 1]) : 0;
    if (escaped != 0) ++i;
    out += escaped != 0 ? escaped : c;
  }
  return out;
}

FileSettingsStore::FileSettingsStore() : folder_(ConfigFolder()) {}

FileSettingsStore::FileSettingsStore(std::string folder) : folder_(std::move(folder)) {}

std::string FileSettingsStore::FilePath() const {
  return folder_ + "/" + kFileName;
}

std::string FileSettingsStore::GetSetting(const std::string& app, const std::string& section,
                                          const std::string& key,
                                          const std::string& default_value) const {
  if (!ValidNames(app, section, key)) return default_value;
  std::string bytes, error;
  if (ReadWholeFile(FilePath(), bytes, error) != ReadStatus::kOk) return default_value;
  std::optional<std::string> stored = IniDocument(bytes).Get(SectionOf(app, section), key);
  return stored ? DecodeSettingValue(*stored) : default_value;
}

bool FileSettingsStore::ReadSetting(const std::string& app, const std::string& section,
                                    const std::string& key, std::optional<std::string>& value,
                                    std::string& error) const {
  value.reset();
  if (!ValidNames(app, section, key)) {
    error = "\"" + key + "\" cannot be a key of " + FilePath() +
            " (a key is not empty, holds no '=' and no line break, and starts with no blank, ';' "
            "or '[')";
    return false;
  }
  std::string bytes, why;
  ReadStatus status = ReadWholeFile(FilePath(), bytes, why);
  if (status == ReadStatus::kFailed) {
    error = "Cannot read " + FilePath() + ": " + why;
    return false;
  }
  if (bytes.find('\0') != std::string::npos) {
    error = "Cannot read " + FilePath() + ": " + kNotText;
    return false;
  }
  std::optional<std::string> stored = IniDocument(bytes).Get(SectionOf(app, section), key);
  if (stored) value = DecodeSettingValue(*stored);
  return true;
}

void FileSettingsStore::SaveSetting(const std::string& app, const std::string& section,
                                    const std::string& key, const std::string& value) {
  Update(app, section, key, [&](const std::optional<std::string>&) { return value; });
}

void FileSettingsStore::DeleteSetting(const std::string& app, const std::string& section,
                                      const std::string& key) {
  CheckNames(app, section, key);
  // Nothing to delete: no need to create the folder and the lock for it.
  std::string bytes, error;
  if (ReadWholeFile(FilePath(), bytes, error) == ReadStatus::kMissing) return;
  Modify([&](IniDocument& doc) { return doc.Erase(SectionOf(app, section), key); });
}

bool FileSettingsStore::Update(const std::string& app, const std::string& section,
                               const std::string& key, const Change& change) {
  CheckNames(app, section, key);
  std::string name = SectionOf(app, section);
  return Modify([&](IniDocument& doc) {
    std::optional<std::string> stored = doc.Get(name, key);
    std::optional<std::string> current;
    if (stored) current = DecodeSettingValue(*stored);
    std::optional<std::string> next = change(std::move(current));
    if (!next) return false;
    doc.Set(name, key, EncodeSettingValue(*next));
    return true;
  });
}

bool FileSettingsStore::Modify(const std::function<bool(IniDocument&)>& change) {
  std::string error;
  if (!MakeFolders(folder_, error)) Fail(FilePath(), error);
  FileLock lock;
  std::string lock_path = folder_ + "/" + kLockName;
  if (!lock.Acquire(lock_path, error)) Fail(lock_path, error);
  // Read under the lock: what another process wrote a moment ago must be kept.
  std::string bytes;
  if (ReadWholeFile(FilePath(), bytes, error) == ReadStatus::kFailed) {
    Fail(FilePath(), "cannot read it: " + error);
  }
  if (bytes.find('\0') != std::string::npos) Fail(FilePath(), kNotText);
  IniDocument doc(bytes);
  if (!change(doc)) return false;
  if (!WriteFileAtomic(FilePath(), doc.Bytes(), error)) Fail(FilePath(), error);
  return true;
}

namespace {

class HeldLock final : public host::SettingLock {
 public:
  FileLock lock;
};

// A file name for the key: letters and digits kept, every other byte as two hex digits.
std::string LockFileName(const std::string& app, const std::string& section,
                         const std::string& key) {
  std::string name;
  for (char c : app + "." + section + "." + key) {
    auto u = static_cast<unsigned char>(c);
    if ((u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || c == '.') {
      name += c;
    } else if (u >= 'A' && u <= 'Z') {
      name += static_cast<char>(u - 'A' + 'a');  // keys are claimed regardless of case
    } else {
      static const char* kHex = "0123456789abcdef";
      name += '_';
      name += kHex[u >> 4];
      name += kHex[u & 15];
    }
  }
  return name + ".lock";
}

}  // namespace

std::unique_ptr<host::SettingLock> FileSettingsStore::TryLock(const std::string& app,
                                                              const std::string& section,
                                                              const std::string& key) {
  lock_error_.clear();
  std::string folder = folder_ + "/locks";
  std::error_code made;
  std::filesystem::create_directories(FileSystemPath(folder), made);
  if (made) {
    lock_error_ = "Cannot make " + folder + ": " + made.message();
    return nullptr;
  }
  auto held = std::make_unique<HeldLock>();
  std::string path = folder + "/" + LockFileName(app, section, key), error;
  if (!held->lock.TryAcquire(path, error)) {
    if (!error.empty()) lock_error_ = "Cannot lock " + path + ": " + error;
    return nullptr;
  }
  return held;
}

}  // namespace kestrix::system

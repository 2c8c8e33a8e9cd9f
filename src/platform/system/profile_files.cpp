#include "platform/system/profile_files.h"

#include <limits>

#include "platform/system/config_paths.h"
#include "platform/system/file_io.h"
#include "platform/system/ini_document.h"

namespace kestrix::system {
namespace {

std::string_view Unquoted(std::string_view value) {
  value = TrimBlanks(value);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

// Optional sign and leading digits; no digits gives 0, as the system's function does.
int32_t LeadingInt(std::string_view text) {
  text = TrimBlanks(text);
  bool negative = !text.empty() && text.front() == '-';
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  int64_t magnitude = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    magnitude = std::min(magnitude * 10 + (c - '0'), kLimit);
  }
  int64_t value = negative ? -magnitude : std::min(magnitude, kLimit - 1);
  return static_cast<int32_t>(value);
}

}  // namespace

IniProfileFiles::IniProfileFiles() : folder_(ConfigFolder()) {}

IniProfileFiles::IniProfileFiles(std::string folder) : folder_(std::move(folder)) {}

std::string IniProfileFiles::FilePath(const std::string& file) const {
  if (file.find('/') != std::string::npos) return file;
  return folder_ + "/" + file;
}

int32_t IniProfileFiles::GetInt(const std::string& section, const std::string& key,
                                int32_t default_value, const std::string& file) const {
  std::string bytes, error;
  if (ReadWholeFile(FilePath(file), bytes, error) != ReadStatus::kOk) return default_value;
  std::optional<std::string> value = IniDocument(bytes).Get(section, key);
  if (!value) return default_value;
  std::string_view text = Unquoted(*value);
  return text.empty() ? default_value : LeadingInt(text);
}

bool IniProfileFiles::Fail(std::string why) {
  write_error_ = std::move(why);
  return false;
}

bool IniProfileFiles::WriteString(const std::string& section, const std::string& key,
                                  const std::optional<std::string>& value,
                                  const std::string& file) {
  write_error_.clear();
  // A line break would add lines of its own to the file: refuse rather than corrupt it.
  if (!ValidSection(section) || !ValidKey(key)) return Fail("the name cannot be stored");
  if (value && value->find_first_of("\r\n") != std::string::npos) {
    return Fail("the value holds a line break");
  }
  std::string path = FilePath(file);
  std::string bytes, error;
  ReadStatus status = ReadWholeFile(path, bytes, error);
  if (status == ReadStatus::kFailed) return Fail(error);
  if (status == ReadStatus::kMissing && !value) return true;
  IniDocument doc(bytes);
  if (!value) {
    if (!doc.Erase(section, key)) return true;
  } else {
    doc.Set(section, key, *value);
  }
  // The configuration folder appears on the first write; other folders must exist already.
  bool own_folder = file.find('/') == std::string::npos;
  if (status == ReadStatus::kMissing && own_folder && !MakeFolders(folder_, error)) {
    return Fail(error);
  }
  return WriteFileAtomic(path, doc.Bytes(), error) || Fail(error);
}

}  // namespace kestrix::system

#include "templates/template_files.h"

#include "platform/system/file_io.h"

namespace kestrix::templates {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

const char* FileName(TemplateWhich which) {
  return which == TemplateWhich::kLocal ? "LocalHandler.txt" : "Kestrix.bas";
}

}  // namespace

std::string LiveTemplatePath(TemplateWhich which, const std::string& program_folder) {
  return program_folder + "/config/" + FileName(which);
}

std::string BackupTemplatePath(TemplateWhich which, const std::string& program_folder) {
  return program_folder + "/config/Backup/" + FileName(which);
}

std::string EditorCaption(TemplateWhich which) {
  return which == TemplateWhich::kLocal ? "Edit Local Error Handler" : "Edit Global Error Handler";
}

std::optional<std::string> ReadTemplate(const std::string& path) {
  std::string bytes;
  std::string error;
  if (system::ReadWholeFile(path, bytes, error) != system::ReadStatus::kOk) return std::nullopt;
  return bytes;
}

bool SaveTemplate(const std::string& path, const std::string& text, std::string& error) {
  bool ok = text.ends_with(kLineEnd)
                ? system::WriteFileAtomic(path, text, error)
                : system::WriteFileAtomic(path, text + std::string(kLineEnd), error);
  if (!ok) error = "Unable to write " + path + ": " + error;
  return ok;
}

bool RestoreOriginal(TemplateWhich which, const std::string& program_folder, std::string& error) {
  std::string backup = BackupTemplatePath(which, program_folder);
  std::string bytes;
  switch (system::ReadWholeFile(backup, bytes, error)) {
    case system::ReadStatus::kOk:
      break;
    case system::ReadStatus::kMissing:
      error = "The original " + backup + " is missing";
      return false;
    case system::ReadStatus::kFailed:
      error = "Unable to read " + backup + ": " + error;
      return false;
  }
  std::string live = LiveTemplatePath(which, program_folder);
  if (system::WriteFileAtomic(live, bytes, error)) return true;
  error = "Unable to write " + live + ": " + error;
  return false;
}

}  // namespace kestrix::templates

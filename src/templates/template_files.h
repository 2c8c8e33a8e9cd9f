#pragma once

// The editable templates beside the program: the local error handler inserted into every
// procedure and the global error-handling module added to every built project. Each has a
// live file in <program folder>/config/ and a pristine copy in config/Backup/, which the
// program only ever reads.

#include <optional>
#include <string>

namespace kestrix::templates {

// The which-codes of the main window: 1 the local handler, 2 the global module.
enum class TemplateWhich { kLocal = 1, kGlobal = 2 };

// <program folder>/config/LocalHandler.txt or <program folder>/config/Kestrix.bas.
std::string LiveTemplatePath(TemplateWhich which, const std::string& program_folder);
// The same file name in <program folder>/config/Backup/.
std::string BackupTemplatePath(TemplateWhich which, const std::string& program_folder);
// The caption of the editor window for the template.
std::string EditorCaption(TemplateWhich which);

// The whole file as bytes; nullopt when it is missing or cannot be read.
std::optional<std::string> ReadTemplate(const std::string& path);

// Replaces the file with `text` and a final CR LF, unless `text` already ends with one, so that
// saving an unchanged template leaves it as it was. The file is replaced atomically: a failed
// save leaves the old contents. False with the reason in `error` when it cannot be written.
bool SaveTemplate(const std::string& path, const std::string& text, std::string& error);

// Makes the live file a byte-identical copy of its backup. False with the reason in `error`
// (and the live file untouched) when the backup cannot be read or the live file written.
bool RestoreOriginal(TemplateWhich which, const std::string& program_folder, std::string& error);

}  // namespace kestrix::templates

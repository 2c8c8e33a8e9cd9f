#pragma once

// The main window's Error Handler tab without its windows: the two editable handler templates
// shown in their views, and the buttons Load/Edit and Restore Original. Each front end gives
// it the two views and the editor; what the buttons do, and what they say when a file fails,
// is decided here once.

#include <string>

#include "host/dialogs.h"

namespace kestrix::templates {

// The views and the editor of one front end.
class TemplateViewSurface {
 public:
  virtual ~TemplateViewSurface() = default;
  // Shows `text` (Windows-1252, CR LF lines) in the view of `which` (kLocal or kGlobal of
  // TemplateTab), coloured.
  virtual void ShowTemplate(int which, const std::string& text) = 0;
  // The view's text as it shows it (coloured and respelt), Windows-1252 with CR LF lines.
  virtual std::string TemplateText(int which) = 0;
  // Opens the editor on `text` under `caption`; true after Save, with `text` replaced by the
  // edited text.
  virtual bool EditTemplate(int which, const std::string& caption, std::string& text) = 0;
};

class TemplateTab {
 public:
  // Which-codes of LoadTemplates: both templates, the local handler, the global module.
  static constexpr int kBoth = 0, kLocal = 1, kGlobal = 2;

  // The templates of `program_folder`/config, shown in `views`; both must outlive this object.
  TemplateTab(TemplateViewSurface& views, host::Dialogs& dialogs, std::string program_folder);

  // Reads the local handler (which 0 or 1), then the global module (0 or 2) and shows each in
  // its view, coloured. A file that cannot be read stops it at once with the message
  // "Unable to read file <path>": the views not yet read stay as they were. False after such
  // a failure.
  bool LoadTemplates(int which);

  // The template buttons, Command1(index): 0 and 1 edit the local and the global template in
  // the editor and, when the editor saved, write the file and reload its view; 2 and 3
  // replace the local and the global template by its backup and reload its view. A save or a
  // restore that fails is reported with its reason; the view shows the file as it then is.
  void Command1Click(int index);

  // The live file of a template (kLocal or kGlobal).
  std::string LivePath(int which) const;

 private:
  void Report(const std::string& what, const std::string& path, const std::string& error);

  TemplateViewSurface& views_;
  host::Dialogs& dialogs_;
  std::string program_folder_;
};

}  // namespace kestrix::templates

#pragma once
// The main window's Error Handler tab as windows of the system: the views of the two editable
// handler templates (the local handler in the frame "Local", the global module in "Global"),
// and their buttons Load/Edit and Restore Original.
#include <windows.h>

#include <functional>
#include <string>

#include "host/dialogs.h"

namespace kestrix::com {

class NativeTemplateViews {
 public:
  // Which-codes of LoadTemplates: both templates, the local handler, the global module.
  static constexpr int kBoth = 0, kLocal = 1, kGlobal = 2;
  // The editor: shows `text` under `caption` over `owner`; true after Save, with `text`
  // replaced by the edited text.
  using Editor = std::function<bool(HWND owner, const std::string& caption, std::string& text)>;

  // `local_view` and `global_view` are rich-text views of `program_folder`/config's templates;
  // the editor opens over `owner`. The views and `dialogs` must outlive this object.
  NativeTemplateViews(HWND local_view, HWND global_view, host::Dialogs& dialogs,
                      std::string program_folder, HWND owner);

  // Reads the local handler (which 0 or 1), then the global module (0 or 2) and shows each in
  // its view, coloured. A file that cannot be read stops it at once with the message
  // "Unable to read file <path>": the views not yet read stay as they were. False after such
  // a failure.
  bool LoadTemplates(int which);

  // The template buttons by index: 0 and 1 edit the local and the global template and, when
  // the editor saved, write the file and reload its view; 2 and 3 replace the local and the
  // global template by its backup and reload its view. A save or a restore that fails is
  // reported with its reason; the view then shows the file as it is.
  void Command1Click(int index);

  void SetEditor(Editor editor) { editor_ = std::move(editor); }
  std::string LivePath(int which) const;

 private:
  HWND View(int which) const { return which == kLocal ? local_view_ : global_view_; }
  void Report(const std::string& what, const std::string& path, const std::string& error);

  HWND local_view_;
  HWND global_view_;
  host::Dialogs& dialogs_;
  std::string program_folder_;
  HWND owner_;
  Editor editor_;
};

}  // namespace kestrix::com

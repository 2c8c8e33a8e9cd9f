#pragma once
// The main window's Error Handler tab as windows of the system: the views of the two editable
// handler templates (the local handler in the frame "Local", the global module in "Global"),
// and their buttons Load/Edit and Restore Original.
#include <windows.h>

#include <functional>
#include <string>

#include "host/dialogs.h"
#include "templates/template_tab.h"

namespace kestrix::com {

// The tab's rules are templates::TemplateTab's; this class gives it the system's rich-text
// views and the editor.
class NativeTemplateViews final : private templates::TemplateViewSurface {
 public:
  // Which-codes of LoadTemplates: both templates, the local handler, the global module.
  static constexpr int kBoth = templates::TemplateTab::kBoth;
  static constexpr int kLocal = templates::TemplateTab::kLocal;
  static constexpr int kGlobal = templates::TemplateTab::kGlobal;
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
  bool LoadTemplates(int which) { return tab_.LoadTemplates(which); }

  // The template buttons by index: 0 and 1 edit the local and the global template and, when
  // the editor saved, write the file and reload its view; 2 and 3 replace the local and the
  // global template by its backup and reload its view. A save or a restore that fails is
  // reported with its reason; the view then shows the file as it is.
  void Command1Click(int index) { tab_.Command1Click(index); }

  void SetEditor(Editor editor) { editor_ = std::move(editor); }
  std::string LivePath(int which) const { return tab_.LivePath(which); }

 private:
  HWND View(int which) const { return which == kLocal ? local_view_ : global_view_; }
  // templates::TemplateViewSurface
  void ShowTemplate(int which, const std::string& text) override;
  std::string TemplateText(int which) override;
  bool EditTemplate(int which, const std::string& caption, std::string& text) override;

  HWND local_view_;
  HWND global_view_;
  HWND owner_;
  Editor editor_;
  templates::TemplateTab tab_;
};

}  // namespace kestrix::com

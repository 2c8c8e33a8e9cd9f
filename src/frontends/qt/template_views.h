#pragma once

// The main window's Error Handler tab: the views of the two editable handler templates, and
// their buttons Load/Edit and Restore Original.

#include <string>

#include "host/dialogs.h"
#include "templates/template_tab.h"

class QTextEdit;
class QWidget;

namespace kestrix::ui {

// The tab's rules are templates::TemplateTab's; this class gives it the Qt views and editor.
class TemplateViews final : private templates::TemplateViewSurface {
 public:
  // Which-codes of LoadTemplates: both templates, the local handler, the global module.
  static constexpr int kBoth = templates::TemplateTab::kBoth;
  static constexpr int kLocal = templates::TemplateTab::kLocal;
  static constexpr int kGlobal = templates::TemplateTab::kGlobal;

  // `local_view` (Text1) and `global_view` (Text2) show the templates of
  // `program_folder`/config; `editor_parent` owns the editor while it is open. All of them
  // must outlive this object.
  TemplateViews(QTextEdit& local_view, QTextEdit& global_view, host::Dialogs& dialogs,
                std::string program_folder, QWidget* editor_parent);

  // Reads the local handler (which 0 or 1), then the global module (0 or 2) and shows each in
  // its view, coloured. A file that cannot be read stops it at once with the message
  // "Unable to read file <path>": the views not yet read stay as they were. False after such
  // a failure.
  bool LoadTemplates(int which) { return tab_.LoadTemplates(which); }

  // The template buttons, Command1(index): 0 and 1 edit the local and the global template in
  // the editor and, when the editor saved, write the file and reload its view; 2 and 3
  // replace the local and the global template by its backup and reload its view. A save or a
  // restore that fails is reported with its reason; the view shows the file as it then is.
  void Command1Click(int index) { tab_.Command1Click(index); }

  // The live file of a template (kLocal or kGlobal).
  std::string LivePath(int which) const { return tab_.LivePath(which); }

 private:
  QTextEdit& View(int which);
  // templates::TemplateViewSurface
  void ShowTemplate(int which, const std::string& text) override;
  std::string TemplateText(int which) override;
  bool EditTemplate(int which, const std::string& caption, std::string& text) override;

  QTextEdit& local_view_;
  QTextEdit& global_view_;
  QWidget* editor_parent_;
  templates::TemplateTab tab_;
};

}  // namespace kestrix::ui

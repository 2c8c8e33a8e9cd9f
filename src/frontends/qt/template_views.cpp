#include "frontends/qt/template_views.h"

#include <QTextEdit>
#include <optional>

#include "templates/qt_colouring.h"
#include "templates/template_editor.h"
#include "templates/template_files.h"

namespace kestrix::ui {
namespace {

templates::TemplateWhich Which(int which) {
  return which == TemplateViews::kLocal ? templates::TemplateWhich::kLocal
                                        : templates::TemplateWhich::kGlobal;
}

}  // namespace

TemplateViews::TemplateViews(QTextEdit& local_view, QTextEdit& global_view, host::Dialogs& dialogs,
                             std::string program_folder, QWidget* editor_parent)
    : local_view_(local_view),
      global_view_(global_view),
      dialogs_(dialogs),
      program_folder_(std::move(program_folder)),
      editor_parent_(editor_parent) {}

std::string TemplateViews::LivePath(int which) const {
  return templates::LiveTemplatePath(Which(which), program_folder_);
}

QTextEdit& TemplateViews::View(int which) {
  return which == kLocal ? local_view_ : global_view_;
}

// Each view is shown coloured as soon as its file is read.
bool TemplateViews::LoadTemplates(int which) {
  for (int one : {kLocal, kGlobal}) {
    if (which != kBoth && which != one) continue;
    std::optional<std::string> text = templates::ReadTemplate(LivePath(one));
    if (!text) {
      dialogs_.MsgBox("Unable to read file " + LivePath(one), host::MsgButtons::kOk,
                      host::MsgIcon::kCritical);
      return false;
    }
    templates::ShowColoured(View(one), *text);
  }
  return true;
}

void TemplateViews::Command1Click(int index) {
  if (index < 0 || index > 3) return;
  const int which = index % 2 == 0 ? kLocal : kGlobal;
  const std::string path = LivePath(which);
  std::string error;
  if (index >= 2) {
    if (!templates::RestoreOriginal(Which(which), program_folder_, error)) {
      Report("Unable to restore the original of", path, error);
    }
    LoadTemplates(which);
    return;
  }
  // The editor gets the view's text, as coloured (and respelt) in the view.
  templates::EditExchange exchange;
  exchange.EditCaption = templates::EditorCaption(Which(which));
  exchange.EditText = templates::AnsiTextOf(*View(which).document());
  exchange.EditBackColor = View(which).palette().color(QPalette::Base);
  templates::ShowTemplateEditor(exchange, editor_parent_);
  if (!exchange.EditSaved) return;
  if (!templates::SaveTemplate(path, exchange.EditText, error)) {
    Report("Unable to save", path, error);
  }
  LoadTemplates(which);
}

void TemplateViews::Report(const std::string& what, const std::string& path,
                           const std::string& error) {
  dialogs_.MsgBox(what + " " + path + ":\n" + error, host::MsgButtons::kOk,
                  host::MsgIcon::kCritical);
}

}  // namespace kestrix::ui

#include "ui/template_views.h"

#include <QTextEdit>
#include <optional>

#include "templates/ansi_text.h"
#include "templates/template_editor.h"
#include "templates/template_files.h"

namespace kestrix::ui {
namespace {

// The views hold lines; the files and the editor hold CR LF between them.
QString ViewText(const std::string& file_text) {
  return templates::FromAnsi(file_text).replace("\r\n", "\n");
}

std::string FileText(const QTextEdit& view) {
  return templates::ToAnsi(view.toPlainText().replace("\n", "\r\n"));
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
  return program_folder_ + (which == kLocal ? "/config/LocalHandler.txt" : "/config/Kestrix.bas");
}

QTextEdit& TemplateViews::View(int which) {
  return which == kLocal ? local_view_ : global_view_;
}

bool TemplateViews::LoadTemplates(int which) {
  for (int one : {kLocal, kGlobal}) {
    if (which != kBoth && which != one) continue;
    std::optional<std::string> text = templates::ReadTemplate(LivePath(one));
    if (!text) {
      dialogs_.MsgBox("Unable to read file " + LivePath(one), host::MsgButtons::kOk,
                      host::MsgIcon::kCritical);
      return false;
    }
    View(one).setPlainText(ViewText(*text));
  }
  for (int one : {kLocal, kGlobal}) {
    if (which == kBoth || which == one) templates::HighlightIntoView(View(one));
  }
  return true;
}

void TemplateViews::Command1Click(int index) {
  const int which = index % 2 == 0 ? kLocal : kGlobal;
  const std::string path = LivePath(which);
  std::string error;
  if (index >= 2) {
    if (!templates::RestoreOriginal(which, program_folder_, error)) {
      Report("Unable to restore the original of", path, error);
    }
    LoadTemplates(which);
    return;
  }
  templates::EditExchange exchange;
  exchange.EditCaption = which == kLocal ? "Edit Local Error Handler" : "Edit Global Error Handler";
  exchange.EditText = FileText(View(which));
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

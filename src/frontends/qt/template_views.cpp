#include "frontends/qt/template_views.h"

#include <QTextEdit>

#include "templates/qt_colouring.h"
#include "templates/template_editor.h"

namespace kestrix::ui {

TemplateViews::TemplateViews(QTextEdit& local_view, QTextEdit& global_view, host::Dialogs& dialogs,
                             std::string program_folder, QWidget* editor_parent)
    : local_view_(local_view),
      global_view_(global_view),
      editor_parent_(editor_parent),
      tab_(*this, dialogs, std::move(program_folder)) {}

QTextEdit& TemplateViews::View(int which) {
  return which == kLocal ? local_view_ : global_view_;
}

void TemplateViews::ShowTemplate(int which, const std::string& text) {
  templates::ShowColoured(View(which), text);
}

std::string TemplateViews::TemplateText(int which) {
  return templates::AnsiTextOf(*View(which).document());
}

bool TemplateViews::EditTemplate(int which, const std::string& caption, std::string& text) {
  templates::EditExchange exchange;
  exchange.EditCaption = caption;
  exchange.EditText = text;
  exchange.EditBackColor = View(which).palette().color(QPalette::Base);
  templates::ShowTemplateEditor(exchange, editor_parent_);
  if (exchange.EditSaved) text = exchange.EditText;
  return exchange.EditSaved;
}

}  // namespace kestrix::ui

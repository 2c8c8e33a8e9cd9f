#include "com/native_template_views.h"

#include "com/native_rich_text.h"
#include "com/native_template_editor.h"

namespace kestrix::com {

NativeTemplateViews::NativeTemplateViews(HWND local_view, HWND global_view, host::Dialogs& dialogs,
                                         std::string program_folder, HWND owner)
    : local_view_(local_view),
      global_view_(global_view),
      owner_(owner),
      editor_([](HWND window, const std::string& caption, std::string& text) {
        return EditTemplateNative(window, caption, text);
      }),
      tab_(*this, dialogs, std::move(program_folder)) {}

void NativeTemplateViews::ShowTemplate(int which, const std::string& text) {
  HWND view = View(which);
  if (view == nullptr) return;
  ShowColouredText(view, text);
  // Each view opens at its first line.
  SendMessageW(view, WM_VSCROLL, SB_TOP, 0);
  SendMessageW(view, WM_HSCROLL, SB_LEFT, 0);
}

std::string NativeTemplateViews::TemplateText(int which) {
  return View(which) != nullptr ? RichTextPlainText(View(which)) : std::string();
}

bool NativeTemplateViews::EditTemplate(int, const std::string& caption, std::string& text) {
  return editor_(owner_, caption, text);
}

}  // namespace kestrix::com

#include "com/native_template_views.h"

#include <optional>

#include "com/native_rich_text.h"
#include "com/native_template_editor.h"
#include "templates/template_files.h"

namespace kestrix::com {
namespace {

templates::TemplateWhich Which(int which) {
  return which == NativeTemplateViews::kLocal ? templates::TemplateWhich::kLocal
                                              : templates::TemplateWhich::kGlobal;
}

}  // namespace

NativeTemplateViews::NativeTemplateViews(HWND local_view, HWND global_view, host::Dialogs& dialogs,
                                         std::string program_folder, HWND owner)
    : local_view_(local_view),
      global_view_(global_view),
      dialogs_(dialogs),
      program_folder_(std::move(program_folder)),
      owner_(owner),
      editor_([](HWND window, const std::string& caption, std::string& text) {
        return EditTemplateNative(window, caption, text);
      }) {}

std::string NativeTemplateViews::LivePath(int which) const {
  return templates::LiveTemplatePath(Which(which), program_folder_);
}

// Each view is shown coloured as soon as its file is read.
bool NativeTemplateViews::LoadTemplates(int which) {
  for (int one : {kLocal, kGlobal}) {
    if (which != kBoth && which != one) continue;
    std::optional<std::string> text = templates::ReadTemplate(LivePath(one));
    if (!text) {
      dialogs_.MsgBox("Unable to read file " + LivePath(one), host::MsgButtons::kOk,
                      host::MsgIcon::kCritical);
      return false;
    }
    if (HWND view = View(one)) {
      ShowColouredText(view, *text);
      // Each view opens at its first line.
      SendMessageW(view, WM_VSCROLL, SB_TOP, 0);
      SendMessageW(view, WM_HSCROLL, SB_LEFT, 0);
    }
  }
  return true;
}

void NativeTemplateViews::Command1Click(int index) {
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
  std::string text = View(which) != nullptr ? RichTextPlainText(View(which)) : std::string();
  if (!editor_(owner_, templates::EditorCaption(Which(which)), text)) return;
  if (!templates::SaveTemplate(path, text, error)) Report("Unable to save", path, error);
  LoadTemplates(which);
}

void NativeTemplateViews::Report(const std::string& what, const std::string& path,
                                 const std::string& error) {
  dialogs_.MsgBox(what + " " + path + ":\n" + error, host::MsgButtons::kOk,
                  host::MsgIcon::kCritical);
}

}  // namespace kestrix::com

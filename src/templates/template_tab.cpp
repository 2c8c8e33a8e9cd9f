#include "templates/template_tab.h"

#include <optional>

#include "templates/template_files.h"

namespace kestrix::templates {
namespace {

TemplateWhich Which(int which) {
  return which == TemplateTab::kLocal ? TemplateWhich::kLocal : TemplateWhich::kGlobal;
}

}  // namespace

TemplateTab::TemplateTab(TemplateViewSurface& views, host::Dialogs& dialogs,
                         std::string program_folder)
    : views_(views), dialogs_(dialogs), program_folder_(std::move(program_folder)) {}

std::string TemplateTab::LivePath(int which) const {
  return LiveTemplatePath(Which(which), program_folder_);
}

// Each view is shown coloured as soon as its file is read.
bool TemplateTab::LoadTemplates(int which) {
  for (int one : {kLocal, kGlobal}) {
    if (which != kBoth && which != one) continue;
    std::optional<std::string> text = ReadTemplate(LivePath(one));
    if (!text) {
      dialogs_.MsgBox("Unable to read file " + LivePath(one), host::MsgButtons::kOk,
                      host::MsgIcon::kCritical);
      return false;
    }
    views_.ShowTemplate(one, *text);
  }
  return true;
}

void TemplateTab::Command1Click(int index) {
  if (index < 0 || index > 3) return;
  const int which = index % 2 == 0 ? kLocal : kGlobal;
  const std::string path = LivePath(which);
  std::string error;
  if (index >= 2) {
    if (!RestoreOriginal(Which(which), program_folder_, error)) {
      Report("Unable to restore the original of", path, error);
    }
    LoadTemplates(which);
    return;
  }
  // The editor gets the view's text, as coloured (and respelt) in the view.
  std::string text = views_.TemplateText(which);
  if (!views_.EditTemplate(which, EditorCaption(Which(which)), text)) return;
  if (!SaveTemplate(path, text, error)) Report("Unable to save", path, error);
  LoadTemplates(which);
}

void TemplateTab::Report(const std::string& what, const std::string& path,
                         const std::string& error) {
  dialogs_.MsgBox(what + " " + path + ":\n" + error, host::MsgButtons::kOk,
                  host::MsgIcon::kCritical);
}

}  // namespace kestrix::templates

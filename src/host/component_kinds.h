#pragma once

// Every kind of component, once: the extension of its file, the binary companion a designer
// keeps beside it, the key that lists it in a project file, the folder the project explorer
// shows it in, and the word kestrix-batch's listing uses. Every layer asks this table.

#include <string_view>

#include "host/ide.h"

namespace kestrix::host {

struct ComponentKind {
  ComponentType type;
  std::string_view extension;    // with its dot, lower case; "" when no name can be made up
  std::string_view companion;    // ".frx" and the like; "" for a kind without one
  std::string_view project_key;  // "Module" in  Module=modUtil; modUtil.bas
  std::string_view folder;       // the project explorer's folder
  std::string_view word;         // "module", "user control", …
};

// The first row of each extension and key is the kind a file of that extension or key loads
// as; the variants (an MDI form, an MSForms designer) come after.
inline constexpr ComponentKind kComponentKinds[] = {
    {ComponentType::kVBForm, ".frm", ".frx", "Form", "Forms", "form"},
    {ComponentType::kStdModule, ".bas", "", "Module", "Modules", "module"},
    {ComponentType::kClassModule, ".cls", "", "Class", "Class Modules", "class"},
    {ComponentType::kUserControl, ".ctl", ".ctx", "UserControl", "User Controls", "user control"},
    {ComponentType::kPropPage, ".pag", ".pgx", "PropertyPage", "Property Pages", "property page"},
    {ComponentType::kDocObject, ".dob", ".dox", "UserDocument", "User Documents", "user document"},
    {ComponentType::kActiveXDesigner, ".dsr", ".dsx", "Designer", "Designers", "designer"},
    {ComponentType::kRelatedDocument, "", "", "RelatedDoc", "Related Documents", "document"},
    {ComponentType::kResFile, ".res", "", "ResFile32", "Related Documents", "resource"},
    {ComponentType::kVBMDIForm, ".frm", ".frx", "Form", "Forms", "mdi form"},
    {ComponentType::kMSForm, ".dsr", ".dsx", "Designer", "Designers", "msform"},
};

static_assert(kComponentKinds[7].type == ComponentType::kRelatedDocument);

// The explorer's folders in the order it lists them.
inline constexpr std::string_view kExplorerFolders[] = {
    "Forms",          "Modules",        "Class Modules", "User Controls",
    "Property Pages", "User Documents", "Designers",     "Related Documents"};

namespace component_kinds_detail {
constexpr bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}
}  // namespace component_kinds_detail

// The row of `type` (every type has one).
constexpr const ComponentKind& KindOf(ComponentType type) {
  for (const ComponentKind& kind : kComponentKinds) {
    if (kind.type == type) return kind;
  }
  return kComponentKinds[7];  // a related document: what an unknown code would be
}

// The kind a file of this extension (".BAS" as ".bas") loads as; nullptr for none.
constexpr const ComponentKind* KindForExtension(std::string_view extension) {
  if (extension.empty()) return nullptr;
  for (const ComponentKind& kind : kComponentKinds) {
    if (component_kinds_detail::SameText(kind.extension, extension)) return &kind;
  }
  return nullptr;
}

// The kind a project-file key (any case) lists; nullptr for a key that lists no component.
constexpr const ComponentKind* KindForKey(std::string_view key) {
  for (const ComponentKind& kind : kComponentKinds) {
    if (component_kinds_detail::SameText(kind.project_key, key)) return &kind;
  }
  return nullptr;
}

}  // namespace kestrix::host

#pragma once

// A component's text file split the way the IDE splits it: the header (VERSION line,
// Object lines and the designer block), the module attributes, and the code with the member
// attributes lifted out and kept with the line they follow.

#include <string>
#include <string_view>
#include <vector>

#include "platform/vbfiles/line_store.h"

namespace kestrix::vbfiles {

// Where ParseComponentFile puts the code: into a code store of its own (a copy), or as views
// into the bytes parsed, for a reader done with the code before the bytes go.
enum class CodeInto { kStore, kViews };

// A code line that carries member attributes, as kViews gives them.
struct ViewAttrs {
  uint32_t line = 0;   // its index in code_views
  uint32_t block = 0;  // in attr_blocks
};

struct ComponentFile {
  std::vector<std::string> header;
  std::vector<std::string> attributes;
  LineStore code;  // kStore: the code lines, with the block of member attributes each one carries
  std::vector<std::string_view> code_views;  // kViews: the code lines
  std::vector<ViewAttrs> view_attrs;         // kViews: the lines with attributes, in order
  std::vector<std::vector<std::string>> attr_blocks{{}};  // block 0 unused
  bool final_newline = true;
  bool bom = false;       // the file began with a UTF-8 byte-order mark (kept on save)
  std::string vb_name;    // from Attribute VB_Name; "" when the file has none
  bool mdi_form = false;  // the designer block is a VB.MDIForm
};

// Splits the bytes of a component file. `needs_designer` is true for the kinds that must
// carry a designer block (forms, user controls, property pages, user documents, designers).
// Throws host::IdeError kErrBadFileFormat, naming `file_name` and the line, when the header
// is cut short or missing, or when the file is not VB text at all (an executable or a picture
// renamed, say): its first line that is not blank starts with something other than a letter,
// ' or #, holds a NUL byte or is longer than any line VB writes. Control bytes further down are
// kept: string literals may hold them.
ComponentFile ParseComponentFile(std::string_view bytes, const std::string& file_name,
                                 bool needs_designer, CodeInto into = CodeInto::kStore);

// The header lines with every reference to the binary companion "<old_stem>.<ext>" renamed
// to "<new_stem>.<ext>" (stems compared without case; nothing changes when they match).
std::vector<std::string> RenameCompanion(const std::vector<std::string>& header,
                                         std::string_view old_stem, std::string_view new_stem);

}  // namespace kestrix::vbfiles

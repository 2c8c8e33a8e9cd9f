#pragma once

// A component's text file split the way the IDE splits it: the header (VERSION line,
// Object lines and the designer block), the module attributes, and the code with the member
// attributes lifted out and kept with the line they follow.

#include <string>
#include <string_view>
#include <vector>

#include "platform/vbfiles/line_store.h"

namespace kestrix::vbfiles {

struct ComponentFile {
  std::vector<std::string> header;
  std::vector<std::string> attributes;
  LineStore code;  // the code lines, with the block of member attributes each one carries
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
                                 bool needs_designer);

// The header lines with every reference to the binary companion "<old_stem>.<ext>" renamed
// to "<new_stem>.<ext>" (stems compared without case; nothing changes when they match).
std::vector<std::string> RenameCompanion(const std::vector<std::string>& header,
                                         std::string_view old_stem, std::string_view new_stem);

}  // namespace kestrix::vbfiles

#pragma once
// The template text in a rich-edit control of the system: a fixed-width Courier font, tab stops
// every four characters, and the colours of the syntax colouring (keywords blue, comments
// green), applied in one go so that the view changes once and not word by word.
#include <windows.h>

#include <string>
#include <string_view>

namespace kestrix::com {

// Makes a rich-edit control (multi-line, scroll bars, fixed-width Courier-like font, tab width
// 4) as a child of `parent` with control id `id`; nullptr when none can be made.
HWND MakeRichTextView(HWND parent, int id, bool read_only);

// Replaces the view's whole text with `ansi_text` (Windows-1252, CR LF lines), coloured by the
// syntax colouring (and respelt as it respells keywords), in one go. The caret goes to the
// start; nothing is selected.
void ShowColouredText(HWND view, std::string_view ansi_text);

// The view's plain text as Windows-1252 with CR LF line ends.
std::string RichTextPlainText(HWND view);

// The rich-text document ShowColouredText gives the control: `ansi_text` coloured, with every
// line end a paragraph.
std::string ColouredRtf(std::string_view ansi_text);

}  // namespace kestrix::com

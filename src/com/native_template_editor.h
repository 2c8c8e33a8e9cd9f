#pragma once
// frmEdit as a window of the system: the template editor. Modal and topmost, with the caller's
// caption, the template's text coloured once when it opens, and the buttons Save and Cancel.
// It can be made larger but not smaller than 2800 by 2800 twips; the buttons keep to the
// bottom-right corner and the text area grows with the window.
#include <windows.h>

#include <string>

namespace kestrix::com {

// The control id of the editor's text area.
inline constexpr int kEditorTextId = 100;

// Shows the editor with `text` (Windows-1252, CR LF lines) over `owner` (nullptr for none) and
// returns when it closes. After Save it returns true with `text` replaced by the edited text,
// lines ending in CR LF; after Cancel, Escape or the close box it returns false and `text` is
// left as it was. `back_colour` is the text area's background (CLR_INVALID: the system's).
bool EditTemplateNative(HWND owner, const std::string& caption, std::string& text,
                        COLORREF back_colour = CLR_INVALID);

}  // namespace kestrix::com

#pragma once

// Source text is bytes in the Windows ANSI code page; the editor shows Unicode. The mapping
// here reads the bytes as Windows-1252 and is lossless both ways for every byte: the five
// bytes that code page leaves undefined keep their own code points, and a carriage return
// inside a line (which a text document would take for a line break) shows as the symbol ␍.
// Bytes of other code pages read as the Windows-1252 letters of the same values, and come
// back unchanged.

#include <QString>
#include <string>
#include <string_view>

namespace kestrix::desktop {

// The text of `bytes`, one character per byte.
QString AnsiToDisplay(std::string_view bytes);

// The text of lines joined with CR LF (as CodeModule::Lines gives them), joined with '\n'.
QString AnsiLinesToDisplay(std::string_view crlf_joined);

// The bytes of `text`, one per character; characters that no byte stands for become '?'.
std::string DisplayToAnsi(const QString& text);

}  // namespace kestrix::desktop

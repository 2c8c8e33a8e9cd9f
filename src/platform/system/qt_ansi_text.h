#pragma once

// The Qt side of ansi_text: Windows ANSI bytes as a QString and back, by the one mapping
// there. Every Qt window and message box shows the add-in's text through these.

#include <QString>
#include <string>
#include <string_view>

#include "platform/system/ansi_text.h"

namespace kestrix::system {

inline QString AnsiToQString(std::string_view bytes) {
  return QString::fromStdU16String(AnsiToUtf16(bytes));
}

inline std::string QStringToAnsi(const QString& text) {
  return Utf16ToAnsi(text.toStdU16String());
}

}  // namespace kestrix::system

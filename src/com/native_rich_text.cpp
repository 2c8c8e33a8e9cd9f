#include "com/native_rich_text.h"

#include <richedit.h>

#include "com/module.h"
#include "com/native_text.h"
#include "platform/system/ansi_text.h"
#include "templates/syntax_colouring.h"

namespace kestrix::com {
namespace {

// Courier New at 10 points: twips for the character format, half points for the document.
constexpr wchar_t kFontName[] = L"Courier New";
constexpr LONG kFontTwips = 200;
// A Courier character is 0.6 of the font's size wide: four of them at 10 points.
constexpr LONG kTabTwips = 4 * 120;

// The rich-edit class of the newest library the system has: Msftedit's (4.1), else
// riched20's; nullptr when neither loads.
const wchar_t* RichEditClass() {
  static const wchar_t* name = []() -> const wchar_t* {
    if (LoadLibraryW(L"Msftedit.dll") != nullptr) return MSFTEDIT_CLASS;
    if (LoadLibraryW(L"riched20.dll") != nullptr) return RICHEDIT_CLASSW;
    return nullptr;
  }();
  return name;
}

void AppendUnicode(std::string& rtf, char16_t c) {
  // \uN takes a signed 16-bit number; \uc0 has said that no stand-in character follows.
  rtf += "\\u" + std::to_string(static_cast<int16_t>(c)) + " ";
}

// One byte of the text as the document spells it.
void AppendByte(std::string& rtf, char byte) {
  switch (byte) {
    case '\\':
    case '{':
    case '}':
      rtf += '\\';
      rtf += byte;
      return;
    case '\t':
      rtf += "\\tab ";
      return;
    case '\0':
      return;  // the control keeps no zero characters
    default:
      break;
  }
  auto code = static_cast<unsigned char>(byte);
  if (code >= 0x20 && code < 0x80) {
    rtf += byte;
    return;
  }
  AppendUnicode(rtf, system::AnsiCharOf(code));
}

// The colour table's index of each colour: 1 black, 2 blue, 3 green (0 is the control's own).
int ColourIndex(templates::Colour colour) {
  switch (colour) {
    case templates::Colour::kBlack:
      return 1;
    case templates::Colour::kBlue:
      return 2;
    case templates::Colour::kGreen:
      break;
  }
  return 3;
}

size_t TrailingLineEnds(std::string_view text) {
  size_t count = 0;
  while (text.size() >= 2 * (count + 1) &&
         text.substr(text.size() - 2 * (count + 1), 2) == "\r\n") {
    ++count;
  }
  return count;
}

}  // namespace

std::string ColouredRtf(std::string_view ansi_text) {
  const std::string text = system::WithCrLf(ansi_text);
  const templates::Colouring colouring = templates::HighlightSyntax(text);
  const std::string& shown = colouring.text;
  std::string rtf =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc0\\deftab" + std::to_string(kTabTwips) +
      "{\\fonttbl{\\f0\\fmodern\\fcharset0 Courier New;}}"
      "{\\colortbl ;\\red0\\green0\\blue0;\\red0\\green0\\blue220;\\red0\\green127\\blue0;}"
      "\\pard\\f0\\fs" +
      std::to_string(kFontTwips / 10) + " ";
  rtf.reserve(rtf.size() + shown.size() * 2);
  auto range = colouring.ranges.begin();
  for (size_t at = 0; at < shown.size(); ++at) {
    if (range != colouring.ranges.end() && at == range->offset) {
      rtf += "\\cf" + std::to_string(ColourIndex(range->colour)) + " ";
    }
    if (shown[at] == '\r' && at + 1 < shown.size() && shown[at + 1] == '\n') {
      // A line end inside a range (none does: comments stop before it) keeps its colour.
      rtf += "\\par\n";
      ++at;
    } else {
      AppendByte(rtf, shown[at]);
    }
    if (range != colouring.ranges.end() && at + 1 >= range->offset + range->length) {
      rtf += "\\cf0 ";
      ++range;
    }
  }
  rtf += "}";
  return rtf;
}

HWND MakeRichTextView(HWND parent, int id, bool read_only) {
  const wchar_t* type = RichEditClass();
  if (type == nullptr) {
    Log("No rich-edit control is available");
    return nullptr;
  }
  DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN | ES_NOHIDESEL;
  if (read_only) style |= ES_READONLY;
  HWND view =
      CreateWindowExW(WS_EX_CLIENTEDGE, type, L"", style, 0, 0, 0, 0, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ThisModule(), nullptr);
  if (view == nullptr) return nullptr;
  // The control's own limit is 32767 characters.
  SendMessageW(view, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
  // What the user types into an empty view: black Courier.
  CHARFORMAT2W format{};
  format.cbSize = sizeof format;
  format.dwMask = CFM_FACE | CFM_SIZE | CFM_CHARSET | CFM_COLOR;
  format.dwEffects = CFE_AUTOCOLOR;
  format.yHeight = kFontTwips;
  format.bCharSet = ANSI_CHARSET;
  format.bPitchAndFamily = FIXED_PITCH | FF_MODERN;
  wcscpy_s(format.szFaceName, kFontName);
  SendMessageW(view, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
  SendMessageW(view, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
  ShowColouredText(view, "");
  return view;
}

void ShowColouredText(HWND view, std::string_view ansi_text) {
  if (view == nullptr) return;
  const std::string rtf = ColouredRtf(ansi_text);
  SendMessageW(view, WM_SETREDRAW, FALSE, 0);
  // A view the user cannot change still takes the text given here.
  const bool read_only = (GetWindowLongPtrW(view, GWL_STYLE) & ES_READONLY) != 0;
  if (read_only) SendMessageW(view, EM_SETREADONLY, FALSE, 0);
  SETTEXTEX how{ST_DEFAULT, CP_ACP};
  SendMessageW(view, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&how),
               reinterpret_cast<LPARAM>(rtf.c_str()));
  // The control takes the document's last paragraph mark for its own closing one: a text
  // that ends in line ends gets back those the control left out.
  const size_t wanted = TrailingLineEnds(system::WithCrLf(ansi_text));
  for (size_t have = TrailingLineEnds(RichTextPlainText(view)); have < wanted; ++have) {
    GETTEXTLENGTHEX measure{GTL_NUMCHARS | GTL_PRECISE, 1200};
    auto end = static_cast<LONG>(
        SendMessageW(view, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&measure), 0));
    CHARRANGE at_end{end, end};
    SendMessageW(view, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&at_end));
    SendMessageW(view, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"\r"));
  }
  // Tab stops every four characters for text typed into new lines too.
  PARAFORMAT2 paragraph{};
  paragraph.cbSize = sizeof paragraph;
  paragraph.dwMask = PFM_TABSTOPS;
  paragraph.cTabCount = MAX_TAB_STOPS;
  for (int i = 0; i < MAX_TAB_STOPS; ++i)
    paragraph.rgxTabs[i] = (i + 1) * kTabTwips;
  SendMessageW(view, EM_SETSEL, 0, -1);
  SendMessageW(view, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&paragraph));
  SendMessageW(view, EM_SETSEL, 0, 0);
  SendMessageW(view, EM_EMPTYUNDOBUFFER, 0, 0);
  SendMessageW(view, EM_SETMODIFY, FALSE, 0);
  if (read_only) SendMessageW(view, EM_SETREADONLY, TRUE, 0);
  SendMessageW(view, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(view, nullptr, TRUE);
}

std::string RichTextPlainText(HWND view) {
  if (view == nullptr) return "";
  GETTEXTLENGTHEX measure{GTL_USECRLF | GTL_PRECISE | GTL_NUMCHARS, 1200};
  LRESULT length = SendMessageW(view, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&measure), 0);
  if (length <= 0) return "";
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  GETTEXTEX request{};
  request.cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  request.flags = GT_USECRLF;
  request.codepage = 1200;
  LRESULT got = SendMessageW(view, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request),
                             reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  // However the control ends its paragraphs, each line end comes back as CR LF.
  return system::WithCrLf(AnsiText(text));
}

}  // namespace kestrix::com

#include "frontends/batch/status_printer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "basic/characters.h"
#include "frontends/batch/text_escape.h"

#include "platform/system/environment.h"

namespace kestrix::batch {

namespace {

using host::StatusOutput;

// Column widths of the text format; a longer value pushes the rest of its row along.
constexpr size_t kProjectWidth = 14;
constexpr size_t kModuleWidth = 20;
constexpr size_t kMemberWidth = 34;
constexpr size_t kLinesWidth = 6;
// The progress line stays within an 80-column terminal, so "\r" can always rewrite it.
constexpr size_t kProgressWidth = 79;
constexpr int kBarWidth = 10;
constexpr auto kRedrawInterval = std::chrono::milliseconds(50);
// Rows are written when this many bytes are waiting, or this long after the last write.
constexpr size_t kRowBatchBytes = size_t{64} << 10;
constexpr auto kRowInterval = std::chrono::milliseconds(100);

void Write(std::FILE* file, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), file);
}

constexpr uint64_t kEveryByte = 0x0101010101010101ULL;  // times a byte: it in every byte
constexpr uint64_t kHighBits = 0x8080808080808080ULL;

// True when the text holds a CR, LF or tab. All three lie below 14, where row text has
// nothing else: eight characters at a time are asked whether one lies below 14 (exactly, for
// any bytes), and only such a group is looked at closely.
bool HoldsBreakOrTab(std::string_view text) {
  size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    uint64_t word;
    std::memcpy(&word, text.data() + i, sizeof word);
    if (((word - kEveryByte * 14) & ~word & kHighBits) == 0) continue;
    for (size_t k = i; k < i + 8; ++k) {
      if (text[k] == '\r' || text[k] == '\n' || text[k] == '\t') return true;
    }
  }
  for (; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n' || text[i] == '\t') return true;
  }
  return false;
}

// A row of the text format stays on one line: appends the text on one line, a line break (CR
// LF, CR or LF) or a tab becoming a blank. Returns how many characters it appended.
size_t AppendOneLine(std::string& out, std::string_view text) {
  const size_t before = out.size();
  if (!HoldsBreakOrTab(text)) {
    out += text;  // most cells
    return text.size();
  }
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += (c == '\r' || c == '\n' || c == '\t') ? ' ' : c;
  }
  return out.size() - before;
}

std::string OneLine(std::string_view text) {
  std::string out;
  AppendOneLine(out, text);
  return out;
}

void PadRight(std::string& line, const std::string& cell, size_t width) {
  const size_t size = AppendOneLine(line, cell);
  line.append(width > size ? width - size : 0, ' ');
  line += ' ';
}

// Appends the row, padded into its columns, to `out`; `line` is room to build it in.
void AppendTextRow(std::string& out, std::string& line, const std::string& project,
                   const std::string& module, const std::string& member, const std::string& lines,
                   const std::string& notes) {
  line.clear();
  PadRight(line, project, kProjectWidth);
  PadRight(line, module, kModuleWidth);
  PadRight(line, member, kMemberWidth);
  const size_t count_at = line.size();
  const size_t count = AppendOneLine(line, lines);
  if (count < kLinesWidth) line.insert(count_at, kLinesWidth - count, ' ');
  line += ' ';
  AppendOneLine(line, notes);
  line.erase(line.find_last_not_of(' ') + 1);
  // Padded first: every Windows-1252 byte is one character wide.
  if (basic::IsAscii(line)) {
    out += line;
  } else {
    out += Cp1252ToUtf8(line);
  }
  out += '\n';
}

std::string JsonRow(const host::StatusRow& row) {
  return "{\"type\":\"row\",\"project\":" + JsonString(row.project) +
         ",\"module\":" + JsonString(row.module) + ",\"member\":" + JsonString(row.member) +
         ",\"lines\":" + JsonString(row.lines) + ",\"notes\":" + JsonString(row.notes) + "}\n";
}

std::string TsvRow(const host::StatusRow& row) {
  return "row\t" + TsvCell(row.project) + '\t' + TsvCell(row.module) + '\t' + TsvCell(row.member) +
         '\t' + TsvCell(row.lines) + '\t' + TsvCell(row.notes) + '\n';
}

// "Title: text [answer]", the text's further lines indented below it.
std::string TextMessage(const std::string& title, const std::string& text,
                        const std::string& answer) {
  std::string out = title + ": ";
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    if (text[i] == '\r' || text[i] == '\n') {
      out += "\n  ";
    } else {
      out += text[i];
    }
  }
  if (!answer.empty()) out += " [" + answer + "]";
  return out + '\n';
}

}  // namespace

StatusPrinter::StatusPrinter(Format format, std::FILE* out, std::FILE* err)
    : StatusPrinter(format, out, err, system::IsTerminal(err)) {}

StatusPrinter::StatusPrinter(Format format, std::FILE* out, std::FILE* err, bool show_progress)
    : format_(format),
      out_(out),
      err_(err),
      show_progress_(show_progress && format == Format::kText) {}

void StatusPrinter::OnText(StatusOutput::Field field, const std::string& text) {
  if (field == StatusOutput::kProjectField) project_ = text;
  if (field == StatusOutput::kModuleField) module_ = text;
  UpdateProgress();
}

void StatusPrinter::OnProgress(StatusOutput::Bar bar, int32_t value, int32_t max) {
  if (bar != StatusOutput::kLinesBar) return;
  lines_value_ = value;
  lines_max_ = max;
  UpdateProgress();
}

// Rows are gathered and written in batches: one write for many rows, yet a person watching
// sees them within kRowInterval.
void StatusPrinter::OnRow(const host::StatusRow& row) {
  switch (format_) {
    case Format::kTsv:
      pending_rows_ += TsvRow(row);
      break;
    case Format::kJson:
      pending_rows_ += JsonRow(row);
      break;
    case Format::kText:
      if (!header_printed_) {
        AppendTextRow(pending_rows_, row_line_, "Project", "Module", "Member", "Lines", "Notes");
        header_printed_ = true;
      }
      AppendTextRow(pending_rows_, row_line_, row.project, row.module, row.member, row.lines,
                    row.notes);
      break;
  }
  auto now = std::chrono::steady_clock::now();
  if (pending_rows_.size() >= kRowBatchBytes || now - last_rows_write_ >= kRowInterval) {
    WriteRows();
    last_rows_write_ = now;
  }
  UpdateProgress();
}

void StatusPrinter::WriteRows() {
  if (pending_rows_.empty()) return;
  ClearProgress();
  Write(out_, pending_rows_);
  std::fflush(out_);
  pending_rows_.clear();
}

// The window's fields are gone with it; so is the line that showed them.
void StatusPrinter::OnUnload() {
  project_.clear();
  module_.clear();
  lines_value_ = lines_max_ = 0;
  ClearProgress();
}

void StatusPrinter::Finish(const std::string& caption) {
  WriteRows();
  ClearProgress();
  show_progress_ = false;
  switch (format_) {
    case Format::kTsv:
      Write(out_, "caption\t" + TsvCell(caption) + '\n');
      break;
    case Format::kJson:
      Write(out_, "{\"type\":\"caption\",\"caption\":" + JsonString(caption) + "}\n");
      break;
    case Format::kText:
      Write(out_, (header_printed_ ? "\n" : "") + Cp1252ToUtf8(caption) + '\n');
      break;
  }
  std::fflush(out_);
}

void StatusPrinter::PrintMessage(const std::string& title, const std::string& text,
                                 const std::string& answer) {
  WriteRows();  // the rows before the question come before it
  switch (format_) {
    case Format::kTsv:
      Write(err_,
            "message\t" + TsvCell(title) + '\t' + TsvCell(text) + '\t' + TsvCell(answer) + '\n');
      break;
    case Format::kJson:
      Write(err_, "{\"type\":\"message\",\"title\":" + JsonString(title) + ",\"text\":" +
                      JsonString(text) + ",\"answer\":" + JsonString(answer) + "}\n");
      break;
    case Format::kText:
      ClearProgress();
      Write(err_, Cp1252ToUtf8(TextMessage(title, text, answer)));
      break;
  }
  std::fflush(err_);
}

// "<project> <module>  [#####-----] 45%", the names shortened to keep within the width.
std::string StatusPrinter::ProgressLine() const {
  std::string names = OneLine(project_);
  if (!module_.empty()) names += (names.empty() ? "" : " ") + OneLine(module_);
  std::string bar;
  if (lines_max_ > 0) {
    int64_t value = std::clamp<int64_t>(lines_value_, 0, lines_max_);
    int64_t filled = (value * kBarWidth * 2 + lines_max_) / (int64_t{lines_max_} * 2);
    bar = "  [" + std::string(static_cast<size_t>(filled), '#') +
          std::string(static_cast<size_t>(kBarWidth - filled), '-') + "] " +
          std::to_string(value * 100 / lines_max_) + "%";
  }
  if (names.size() + bar.size() > kProgressWidth) {
    names.resize(kProgressWidth > bar.size() ? kProgressWidth - bar.size() : 0);
  }
  return names + bar;
}

// Redraws the progress line when what it shows has changed, at most every kRedrawInterval.
void StatusPrinter::UpdateProgress() {
  if (!show_progress_) return;
  std::string line = ProgressLine();
  if (line == shown_) return;
  if (line.empty()) return ClearProgress();
  auto now = std::chrono::steady_clock::now();
  if (now - last_draw_ < kRedrawInterval) return;
  last_draw_ = now;
  DrawProgress(line);
}

void StatusPrinter::DrawProgress(const std::string& line) {
  std::string text = '\r' + line;
  if (shown_.size() > line.size()) text.append(shown_.size() - line.size(), ' ');
  Write(err_, text);
  std::fflush(err_);
  shown_ = line;
}

void StatusPrinter::ClearProgress() {
  if (shown_.empty()) return;
  Write(err_, '\r' + std::string(shown_.size(), ' ') + '\r');
  std::fflush(err_);
  shown_.clear();
}

}  // namespace kestrix::batch

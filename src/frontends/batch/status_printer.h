#pragma once

// The status window of a batch run, printed as it changes: the status rows as they are added
// (in batches, a few times a second at most), the final caption at the end, and the message boxes
// the run answered. Text for people, tab-separated values or JSON lines for programs.

#include <chrono>
#include <cstdio>
#include <string>

#include "driver/status_model.h"

namespace kestrix::batch {

class StatusPrinter final : public driver::StatusListener {
 public:
  enum class Format { kText, kTsv, kJson };

  // Rows and the caption go to `out`, messages (and the progress line) to `err`; the printer
  // owns neither. In text format a one-line progress display is kept on `err` while the
  // command runs, when `err` is a terminal; the other formats never show one.
  StatusPrinter(Format format, std::FILE* out, std::FILE* err);
  // The same with the progress display on or off whatever `err` is (text format only).
  StatusPrinter(Format format, std::FILE* out, std::FILE* err, bool show_progress);

  // driver::StatusListener
  void OnText(host::StatusOutput::Field field, const std::string& text) override;
  void OnProgress(host::StatusOutput::Bar bar, int32_t value, int32_t max) override;
  void OnRow(const host::StatusRow& row) override;
  void OnUnload() override;

  // Ends the output with the window's final caption and takes the progress line away;
  // call once, when the command is over.
  void Finish(const std::string& caption);

  // A message box and the answer it was given, on `err`.
  void PrintMessage(const std::string& title, const std::string& text, const std::string& answer);

 private:
  // Writes the rows gathered so far.
  void WriteRows();
  std::string ProgressLine() const;
  void UpdateProgress();
  void DrawProgress(const std::string& line);
  void ClearProgress();

  Format format_;
  std::FILE* out_;
  std::FILE* err_;
  bool show_progress_;
  bool header_printed_ = false;
  // What the progress line shows, and what it shows on screen right now ("" when cleared).
  std::string project_;
  std::string module_;
  int32_t lines_value_ = 0;
  int32_t lines_max_ = 0;
  std::string shown_;
  std::chrono::steady_clock::time_point last_draw_{};
  std::string pending_rows_;  // rows not written yet
  std::string row_line_;      // room to build a row of the text format in
  std::chrono::steady_clock::time_point last_rows_write_{};
};

}  // namespace kestrix::batch

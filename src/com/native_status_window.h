#pragma once
// frmProgress as a window of the system: the status window a command writes to. It keeps the
// status model and shows it as it changes: the caption, three text fields (project, module,
// item), two progress bars and a report-view list with the columns Project, Module, Member,
// Lines and Notes. It stays above other windows (a topmost tool window); its OK button and
// its close box unload it (the model forgets its rows).
//
// Rows come in bursts, one per procedure: the list and the fields are brought up to date at
// most about 30 times a second, and always before the caption changes or the window shows,
// hides or unloads. Without a desktop (no window can be made) the model works all the same.
#include <windows.h>

#include <cstdint>
#include <functional>

#include "driver/status_model.h"

namespace kestrix::com {

class NativeStatusWindow final : public host::StatusOutput, private driver::StatusListener {
 public:
  NativeStatusWindow();
  ~NativeStatusWindow() override;
  NativeStatusWindow(const NativeStatusWindow&) = delete;
  NativeStatusWindow& operator=(const NativeStatusWindow&) = delete;

  // host::StatusOutput, kept by the model.
  void SetCaption(const std::string& caption) override { model_.SetCaption(caption); }
  std::string Caption() const override { return model_.Caption(); }
  void SetText(Field field, const std::string& text) override { model_.SetText(field, text); }
  std::string Text(Field field) const override { return model_.Text(field); }
  void SetProgressMax(Bar bar, int32_t max) override { model_.SetProgressMax(bar, max); }
  void SetProgressValue(Bar bar, int32_t value) override { model_.SetProgressValue(bar, value); }
  void AddRow(const host::StatusRow& row) override { model_.AddRow(row); }
  void Show() override { model_.Show(); }
  void Hide() override { model_.Hide(); }
  void Unload() override { model_.Unload(); }
  bool Visible() const override { return model_.Visible(); }

  const driver::StatusModel& model() const { return model_; }
  // The window; nullptr before the model first loads, and where no window can be made.
  HWND window() const { return window_; }
  // Shows at once what waits for the next update.
  void Flush();
  // Shows what waits when the last update is long enough ago, and lets the bars move; for a
  // running command, which lets only repaints through, so that no timer brings the update.
  void Update();
  // The window the status window is placed beside when it shows (the main window), so that
  // neither covers the other.
  void PlaceBeside(std::function<HWND()> window) { beside_ = std::move(window); }

 private:
  // driver::StatusListener
  void OnCaption(const std::string& caption) override;
  void OnText(Field field, const std::string& text) override;
  void OnProgress(Bar bar, int32_t value, int32_t max) override;
  void OnRow(const host::StatusRow& row) override;
  void OnVisible(bool visible) override;
  void OnUnload() override;

  bool MakeWindow();
  void MakeControls();
  void LayOut();
  void Place();
  void FitNotes();
  void Changed();
  void AddRows();
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l);
  LRESULT Handle(UINT message, WPARAM w, LPARAM l);

  driver::StatusModel model_;
  HWND window_ = nullptr;
  HWND text_[3] = {};
  HWND bar_[2] = {};
  HWND list_ = nullptr;
  HWND frames_[2] = {};
  HWND labels_[3] = {};
  HWND ok_ = nullptr;
  std::function<HWND()> beside_;
  int widest_note_ = 0;   // pixels
  bool tried_ = false;    // a window was asked for once: no desktop means no second try
  bool pending_ = false;  // changes wait for the next update
  ULONGLONG last_update_ = 0;
  int shown_rows_ = 0;
};

}  // namespace kestrix::com

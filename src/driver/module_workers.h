#pragma once

// Working on several code modules of a project at once, for a host whose modules are
// independent of one another (the file-backed IDE): each module's pass runs on a thread of
// its own and reports into a recording of the status window; the recordings are played into
// the real window in the components' order, each as soon as its module and every one before
// it are done. The user sees the rows, fields and bars a pass module after module shows, in
// the same order; only the time between them changes.

#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "host/status_output.h"

namespace kestrix::driver {

// The status calls of one module's pass, kept to be played into the real window later. It
// reads back what it was told, and the real window's caption, fields and visibility as they
// were when it was made for what it was not.
class RecordedStatus final : public host::StatusOutput {
 public:
  explicit RecordedStatus(const host::StatusOutput& real);

  void SetCaption(const std::string& caption) override;
  std::string Caption() const override { return caption_; }
  void SetText(Field field, const std::string& text) override;
  std::string Text(Field field) const override { return texts_[field]; }
  void SetProgressMax(Bar bar, int32_t max) override;
  void SetProgressValue(Bar bar, int32_t value) override;
  void AddRow(const host::StatusRow& row) override;
  void Show() override;
  void Hide() override;
  void Unload() override;
  bool Visible() const override { return visible_; }

  // Makes every recorded call on `real`, in the order they were made.
  void PlayInto(host::StatusOutput& real) const;

 private:
  enum class Call : uint8_t { kCaption, kText, kMax, kValue, kRow, kShow, kHide, kUnload };
  struct Event {
    Call call;
    int32_t which = 0;  // the field or bar
    int32_t value = 0;  // a bar's value or maximum; the index of a text or row
  };

  std::string caption_;
  std::array<std::string, 3> texts_;
  bool visible_ = false;
  std::vector<Event> events_;
  std::vector<std::string> strings_;
  std::vector<host::StatusRow> rows_;
};

// Runs `work(index, status)` for indices 0 to count - 1, handed out in that order, on up to
// `threads` threads (the calling thread among them; 0 counts as 1), each with its own
// recording of `real`;
// calls `done(index, status)` on the calling thread for 0, 1, 2, … in that order, each as
// soon as that index and all before it are worked. When `done` answers false, or `work`
// throws, no further index is handed out; the exception is thrown again on the calling
// thread once the threads are finished, after `done` for the indices before it. The indices
// handed out by then are worked to their end, and what they recorded is dropped.
void RunInOrder(int32_t count, unsigned threads, const host::StatusOutput& real,
                const std::function<void(int32_t, RecordedStatus&)>& work,
                const std::function<bool(int32_t, const RecordedStatus&)>& done);

}  // namespace kestrix::driver

#include "driver/module_workers.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace kestrix::driver {

RecordedStatus::RecordedStatus(const host::StatusOutput& real)
    : caption_(real.Caption()),
      texts_{real.Text(kProjectField), real.Text(kModuleField), real.Text(kItemField)},
      visible_(real.Visible()) {}

void RecordedStatus::SetCaption(const std::string& caption) {
  caption_ = caption;
  events_.push_back({Call::kCaption, 0, static_cast<int32_t>(strings_.size())});
  strings_.push_back(caption);
}

void RecordedStatus::SetText(Field field, const std::string& text) {
  texts_[field] = text;
  events_.push_back({Call::kText, field, static_cast<int32_t>(strings_.size())});
  strings_.push_back(text);
}

void RecordedStatus::SetProgressMax(Bar bar, int32_t max) {
  events_.push_back({Call::kMax, bar, max});
}

void RecordedStatus::SetProgressValue(Bar bar, int32_t value) {
  events_.push_back({Call::kValue, bar, value});
}

void RecordedStatus::AddRow(const host::StatusRow& row) {
  events_.push_back({Call::kRow, 0, static_cast<int32_t>(rows_.size())});
  rows_.push_back(row);
}

void RecordedStatus::Show() {
  visible_ = true;
  events_.push_back({Call::kShow});
}

void RecordedStatus::Hide() {
  visible_ = false;
  events_.push_back({Call::kHide});
}

void RecordedStatus::Unload() {
  visible_ = false;
  events_.push_back({Call::kUnload});
}

void RecordedStatus::PlayInto(host::StatusOutput& real) const {
  for (const Event& e : events_) {
    const auto k = static_cast<size_t>(e.value);
    switch (e.call) {
      case Call::kCaption:
        real.SetCaption(strings_[k]);
        break;
      case Call::kText:
        real.SetText(static_cast<Field>(e.which), strings_[k]);
        break;
      case Call::kMax:
        real.SetProgressMax(static_cast<Bar>(e.which), e.value);
        break;
      case Call::kValue:
        real.SetProgressValue(static_cast<Bar>(e.which), e.value);
        break;
      case Call::kRow:
        real.AddRow(rows_[k]);
        break;
      case Call::kShow:
        real.Show();
        break;
      case Call::kHide:
        real.Hide();
        break;
      case Call::kUnload:
        real.Unload();
        break;
    }
  }
}

void RunInOrder(int32_t count, unsigned threads, const host::StatusOutput& real,
                const std::function<void(int32_t, RecordedStatus&)>& work,
                const std::function<bool(int32_t, const RecordedStatus&)>& done) {
  if (count <= 0) return;
  struct Slot {
    std::unique_ptr<RecordedStatus> status;
    std::exception_ptr error;
    bool finished = false;
  };
  std::vector<Slot> slots(static_cast<size_t>(count));
  for (Slot& slot : slots)
    slot.status = std::make_unique<RecordedStatus>(real);
  std::mutex mutex;
  std::condition_variable finished;
  int32_t next = 0;  // the next index to hand out
  bool stop = false;
  auto take = [&]() -> int32_t {
    std::lock_guard<std::mutex> lock(mutex);
    if (stop || next >= count) return -1;
    return next++;
  };
  auto run = [&](int32_t i) {
    Slot& slot = slots[static_cast<size_t>(i)];
    std::exception_ptr error;
    try {
      work(i, *slot.status);
    } catch (...) {
      error = std::current_exception();
    }
    {
      std::lock_guard<std::mutex> lock(mutex);
      slot.error = error;
      slot.finished = true;
      if (error) stop = true;
    }
    finished.notify_all();
  };
  std::vector<std::thread> pool;
  // Whatever ends this call (an exception from `done` too) first lets the threads finish.
  struct Joiner {
    std::vector<std::thread>& pool;
    std::mutex& mutex;
    bool& stop;
    ~Joiner() {
      {
        std::lock_guard<std::mutex> lock(mutex);
        stop = true;
      }
      for (std::thread& t : pool)
        t.join();
    }
  } joiner{pool, mutex, stop};
  // The calling thread is one of them: none more for one thread (or none asked for).
  const unsigned helpers = std::max(1u, std::min(threads, static_cast<unsigned>(count))) - 1;
  for (unsigned t = 0; t < helpers; ++t) {
    pool.emplace_back([&] {
      for (int32_t i = take(); i >= 0; i = take())
        run(i);
    });
  }
  // This thread plays what is done, in order, and works itself while nothing is ready.
  std::exception_ptr failure;
  for (int32_t played = 0; played < count;) {
    Slot& slot = slots[static_cast<size_t>(played)];
    bool ready = false;
    {
      std::lock_guard<std::mutex> lock(mutex);
      ready = slot.finished;
      // Handed out no more (a failure stopped it): nothing after this can come.
      if (!ready && stop && played >= next) break;
    }
    if (ready) {
      if (slot.error) {
        failure = slot.error;
        break;
      }
      const bool go_on = done(played, *slot.status);
      slot.status.reset();
      ++played;
      if (!go_on) break;
      continue;
    }
    if (int32_t i = take(); i >= 0) {
      run(i);
      continue;
    }
    std::unique_lock<std::mutex> lock(mutex);
    finished.wait(lock, [&] { return slot.finished || (stop && played >= next); });
  }
  {
    std::lock_guard<std::mutex> lock(mutex);
    stop = true;
  }
  for (std::thread& t : pool)
    t.join();
  pool.clear();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace kestrix::driver

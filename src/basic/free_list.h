#pragma once

// Large buffers handed from one user to the next rather than freed and allocated again: a
// buffer used before is warm, and filling it costs no fresh memory. Safe to use from several
// threads at once.

#include <cstddef>
#include <mutex>
#include <utility>
#include <vector>

namespace kestrix::basic {

template <typename T>
class FreeList {
 public:
  // One given back before, or T() when none waits.
  T Take() {
    std::lock_guard lock(mutex_);
    if (free_.empty()) return T();
    T item = std::move(free_.back());
    free_.pop_back();
    return item;
  }
  // Keeps `item` for the next Take; it is let go when enough wait already.
  void Give(T item) {
    std::lock_guard lock(mutex_);
    if (free_.size() < kMostKept) free_.push_back(std::move(item));
  }

 private:
  static constexpr size_t kMostKept = 8;  // one or two for each thread at work
  std::mutex mutex_;
  std::vector<T> free_;
};

}  // namespace kestrix::basic

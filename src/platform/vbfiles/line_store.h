#pragma once

// The lines of a code module in a gap buffer: two vectors meeting at the place last edited,
// so that inserting or deleting there costs no more than moving the gap to it.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kestrix::vbfiles {

struct CodeLine {
  std::string text;    // without line break
  uint32_t attrs = 0;  // member attributes written after this line: index into the module's
                       // attribute blocks, 0 for none
  uint8_t flags = 0;   // LineFlag bits (line_scan.h)
};

class LineStore {
 public:
  LineStore() = default;
  explicit LineStore(std::vector<CodeLine> lines) : front_(std::move(lines)) {}

  int32_t size() const { return static_cast<int32_t>(front_.size() + back_.size()); }

  // 0-based access.
  CodeLine& at(int32_t i) {
    auto k = static_cast<size_t>(i);
    return k < front_.size() ? front_[k] : back_[back_.size() - 1 - (k - front_.size())];
  }
  const CodeLine& at(int32_t i) const { return const_cast<LineStore*>(this)->at(i); }

  // Inserts before the line at 0-based index i (i == size() appends).
  void Insert(int32_t i, CodeLine line) {
    MoveGapTo(i);
    front_.push_back(std::move(line));
  }
  // Removes lines i .. i+count-1.
  void Erase(int32_t i, int32_t count) {
    MoveGapTo(i);
    back_.resize(back_.size() - static_cast<size_t>(count));
  }

 private:
  void MoveGapTo(int32_t i) {
    auto k = static_cast<size_t>(i);
    while (front_.size() > k) {
      back_.push_back(std::move(front_.back()));
      front_.pop_back();
    }
    while (front_.size() < k) {
      front_.push_back(std::move(back_.back()));
      back_.pop_back();
    }
  }

  std::vector<CodeLine> front_;  // lines before the gap, in order
  std::vector<CodeLine> back_;   // lines after the gap, last line first
};

}  // namespace kestrix::vbfiles

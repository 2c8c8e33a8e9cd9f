#pragma once

// The lines of a code module: their text kept end to end in one buffer, and for each line a
// small record of where its text lies, in a gap buffer (two vectors meeting at the place last
// edited), so that inserting or deleting there costs no more than moving the gap to it. A
// line costs its text and 12 bytes.

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrix::vbfiles {

// One line as a component file hands it to its code module.
struct CodeLine {
  std::string text;    // without line break
  uint32_t attrs = 0;  // member attributes written after this line: index into the module's
                       // attribute blocks, 0 for none
  uint8_t flags = 0;   // LineFlag bits (line_scan.h)
};

class LineStore {
 public:
  LineStore() = default;
  explicit LineStore(const std::vector<CodeLine>& lines) {
    size_t bytes = 0;
    for (const auto& line : lines)
      bytes += line.text.size();
    text_.reserve(bytes);
    front_.reserve(lines.size());
    for (const auto& line : lines)
      PushBack(line.text, line.attrs, line.flags);
  }

  // Makes room for `lines` lines of `bytes` bytes of text in all, to be appended.
  void Reserve(size_t lines, size_t bytes) {
    text_.reserve(text_.size() + bytes);
    front_.reserve(front_.size() + back_.size() + lines);
  }

  // Appends a line after the last one.
  void PushBack(std::string_view text, uint32_t attrs = 0, uint8_t flags = 0) {
    Insert(size(), text, attrs, flags);
  }

  int32_t size() const { return static_cast<int32_t>(front_.size() + back_.size()); }

  // 0-based access.
  std::string_view Text(int32_t i) const {
    const Record& r = At(i);
    return std::string_view(text_).substr(r.offset, r.length);
  }
  uint8_t Flags(int32_t i) const { return static_cast<uint8_t>(At(i).attrs_flags & 0xFF); }
  void SetFlags(int32_t i, uint8_t flags) {
    Record& r = At(i);
    r.attrs_flags = (r.attrs_flags & ~uint32_t{0xFF}) | flags;
  }
  uint32_t Attrs(int32_t i) const { return At(i).attrs_flags >> 8; }
  void SetAttrs(int32_t i, uint32_t attrs) {
    Record& r = At(i);
    r.attrs_flags = Pack(attrs, static_cast<uint8_t>(r.attrs_flags & 0xFF));
  }
  void SetText(int32_t i, std::string_view text) {
    uint32_t offset = Append(text);  // may move the text of every line, this one's too
    Record& r = At(i);
    garbage_ += r.length;
    r.offset = offset;
    r.length = static_cast<uint32_t>(text.size());
  }

  // Inserts before the line at 0-based index i (i == size() appends).
  void Insert(int32_t i, std::string_view text, uint32_t attrs, uint8_t flags) {
    if (front_.size() != static_cast<size_t>(i)) MoveGapTo(i);
    if (front_.size() == front_.capacity()) Reserve(front_, static_cast<size_t>(size()) + 1);
    front_.push_back(Record{Append(text), static_cast<uint32_t>(text.size()), Pack(attrs, flags)});
  }
  // Removes lines i .. i+count-1.
  void Erase(int32_t i, int32_t count) {
    MoveGapTo(i);
    for (int32_t k = 0; k < count; ++k) {
      garbage_ += back_.back().length;
      back_.pop_back();
    }
  }

  // Bytes held: the text buffer and the records.
  size_t Bytes() const {
    return text_.capacity() + (front_.capacity() + back_.capacity()) * sizeof(Record);
  }

 private:
  struct Record {
    uint32_t offset;
    uint32_t length;
    uint32_t attrs_flags;  // the attribute block above the flags' 8 bits
  };

  static uint32_t Pack(uint32_t attrs, uint8_t flags) {
    // A module has far fewer attribute blocks than 2^24 (one a line at most).
    if (attrs >= (uint32_t{1} << 24)) throw std::length_error("too many attribute blocks");
    return attrs << 8 | flags;
  }

  Record& At(int32_t i) {
    auto k = static_cast<size_t>(i);
    return k < front_.size() ? front_[k] : back_[back_.size() - 1 - (k - front_.size())];
  }
  const Record& At(int32_t i) const { return const_cast<LineStore*>(this)->At(i); }

  uint32_t Append(std::string_view text) {
    if (text_.size() + text.size() > text_.capacity()) Grow(text.size());
    // Offsets are 32 bits: far more than a module of 65,534 lines can hold.
    if (text_.size() + text.size() > UINT32_MAX) throw std::length_error("module text too large");
    auto at = static_cast<uint32_t>(text_.size());
    text_.append(text);
    return at;
  }

  // Makes room for `extra` more bytes. The text left behind by replaced and deleted lines is
  // dropped then, and the buffer grows by a quarter of the text in use: it stays within
  // about 1.25 times the module's text, and each byte is moved a bounded number of times.
  void Grow(size_t extra) {
    const size_t live = text_.size() - garbage_;
    const size_t want = live + extra + live / 4 + 256;
    if (garbage_ == 0) {
      text_.reserve(want);
      return;
    }
    std::string text;
    text.reserve(want);
    // Lines that lay end to end stay so: each such run goes over in one copy, appended where
    // the lines before it end.
    const char* in = text_.data();
    uint32_t run_from = 0, run_to = 0;  // the run gathered so far, in the old text
    auto flush = [&] {
      if (run_to > run_from) text.append(in + run_from, run_to - run_from);
    };
    auto move = [&](Record& r) {
      if (r.offset != run_to) {
        flush();
        run_from = run_to = r.offset;
      }
      run_to += r.length;
      r.offset = static_cast<uint32_t>(text.size() + (run_to - run_from) - r.length);
    };
    for (Record& r : front_)
      move(r);
    for (auto it = back_.rbegin(); it != back_.rend(); ++it)
      move(*it);
    flush();
    text_ = std::move(text);
    garbage_ = 0;
  }

  // Either side of the gap may come to hold every line: each grows straight to that many
  // (and an eighth), not by doubling past it.
  static void Reserve(std::vector<Record>& side, size_t lines) {
    if (side.capacity() < lines) side.reserve(lines + lines / 8 + 16);
  }

  void MoveGapTo(int32_t i) {
    auto k = static_cast<size_t>(i);
    if (front_.size() > k) Reserve(back_, back_.size() + front_.size() - k);
    if (front_.size() < k) Reserve(front_, k);
    while (front_.size() > k) {
      back_.push_back(front_.back());
      front_.pop_back();
    }
    while (front_.size() < k) {
      front_.push_back(back_.back());
      back_.pop_back();
    }
  }

  std::string text_;
  size_t garbage_ = 0;         // bytes of text_ no line refers to
  std::vector<Record> front_;  // lines before the gap, in order
  std::vector<Record> back_;   // lines after the gap, last line first
};

}  // namespace kestrix::vbfiles

#pragma once

// The lines of a code module: their text kept in one buffer, in order as far as edits leave
// it so, with the line breaks the text was loaded or inserted with still between the lines,
// and for each line a small record of where its text lies, in a gap buffer (two vectors
// meeting at the place last edited), so that inserting or deleting there costs no more than
// moving the gap to it. A line costs its text, its line break and 12 bytes.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "basic/byte_scan.h"
#include "platform/vbfiles/line_scan.h"

namespace kestrix::vbfiles {

// One line as a component file hands it to its code module.
struct CodeLine {
  std::string text;    // without line break
  uint32_t attrs = 0;  // member attributes written after this line: index into the module's
                       // attribute blocks, 0 for none
  uint8_t flags = 0;   // LineFlag bits (line_scan.h)
};

class LineStore {
  struct Record;

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

  // Copies `bytes` in after the text held, for lines appended with PushBackCopied to refer
  // into; returns where the copy starts. Bytes no line refers to stay behind, unused.
  uint32_t AppendBytes(std::string_view bytes) {
    const uint32_t at = Append(bytes);
    garbage_ += bytes.size();
    return at;
  }
  // Appends a line after the last one, its text the `length` bytes at `offset` of a copy made
  // by AppendBytes.
  void PushBackCopied(uint32_t offset, uint32_t length) {
    if (!back_.empty()) MoveGapTo(size());
    if (joined_ && !front_.empty()) {
      const uint32_t end = front_.back().offset + front_.back().length;
      joined_ = offset == end + 2 && text_[end] == '\r' && text_[end + 1] == '\n';
    }
    if (front_.size() == front_.capacity()) Reserve(front_, front_.size() + 1);
    front_.push_back(Record{offset, length, 0});
    garbage_ -= length;
    CountIfBreakLike(offset, length, 1);
  }

  // Where a line's flags are kept, to be set while the lines are visited.
  class FlagSlot {
   public:
    FlagSlot() = default;
    void Set(uint8_t flags) { record_->attrs_flags = (record_->attrs_flags & ~0xFFu) | flags; }

   private:
    friend class LineStore;
    Record* record_ = nullptr;
  };

  // Calls fn(text, slot) for lines i, i+1 … (0-based) in order, until it returns false or the
  // lines end. fn must not change the store but through the slots.
  template <typename Fn>
  void Visit(int32_t i, Fn&& fn) {
    FlagSlot slot;
    for (auto k = static_cast<size_t>(i); k < front_.size(); ++k) {
      slot.record_ = &front_[k];
      if (!fn(std::string_view(text_.data() + front_[k].offset, front_[k].length), slot)) return;
    }
    const auto start = static_cast<size_t>(i);
    const size_t skip = start > front_.size() ? start - front_.size() : 0;
    for (size_t k = back_.size() - skip; k-- > 0;) {
      slot.record_ = &back_[k];
      if (!fn(std::string_view(text_.data() + back_[k].offset, back_[k].length), slot)) return;
    }
  }

  // Appends the text of every line, in order, as views valid until the store next changes.
  void AppendViews(std::vector<std::string_view>& out) const {
    out.reserve(out.size() + front_.size() + back_.size());
    const char* text = text_.data();
    for (const Record& r : front_)
      out.emplace_back(text + r.offset, r.length);
    for (auto it = back_.rbegin(); it != back_.rend(); ++it)
      out.emplace_back(text + it->offset, it->length);
  }

  // The end of the buffer every line's text lies in, valid until the store next changes.
  const char* TextEnd() const { return text_.data() + text_.size(); }

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
    if (Holds(text)) return SetText(i, std::string(text));  // see Holds
    joined_ = false;
    uint32_t offset = Append(text);  // may move the text of every line, this one's too
    Record& r = At(i);
    garbage_ += r.length;
    CountIfBreakLike(r.offset, r.length, -1);
    r.offset = offset;
    r.length = static_cast<uint32_t>(text.size());
    CountIfBreakLike(r.offset, r.length, 1);
  }

  // Inserts before the line at 0-based index i (i == size() appends).
  void Insert(int32_t i, std::string_view text, uint32_t attrs, uint8_t flags) {
    if (Holds(text)) return Insert(i, std::string(text), attrs, flags);  // see Holds
    joined_ = false;
    if (front_.size() != static_cast<size_t>(i)) MoveGapTo(i);
    if (front_.size() == front_.capacity()) Reserve(front_, static_cast<size_t>(size()) + 1);
    front_.push_back(Record{Append(text), static_cast<uint32_t>(text.size()), Pack(attrs, flags)});
    CountIfBreakLike(front_.back().offset, front_.back().length, 1);
  }
  // Inserts before the line at 0-based index i the lines of `text`, split at CR LF or LF (a
  // final line break leaves an empty last line), without attributes; returns how many. Each
  // line's flags are flags_of(line, has_colon, last), asked in order: has_colon tells whether
  // the line holds a ':', last whether it is the text's last. The text goes in with one copy,
  // its line breaks staying behind, unused: as many of its first lines as fit where the lines
  // last erased lay, the others after the text held.
  template <typename FlagsOf>
  int32_t InsertText(int32_t i, std::string_view text, FlagsOf&& flags_of) {
    if (Holds(text)) return InsertText(i, std::string(text), flags_of);  // see Holds
    joined_ = false;
    if (front_.size() != static_cast<size_t>(i)) MoveGapTo(i);
    const size_t first = front_.size();
    const size_t n = text.size();
    size_t in_hole = HoleShare(text);
    if (text_.size() + (n - in_hole) > text_.capacity()) in_hole = 0;  // growing drops the hole
    const uint32_t hole = hole_from_;
    const uint32_t base = Append(text.substr(in_hole)) - static_cast<uint32_t>(in_hole);
    if (in_hole != 0) {
      std::memcpy(text_.data() + hole, text.data(), in_hole);
      hole_from_ += static_cast<uint32_t>(in_hole);
    }
    garbage_ += n - in_hole;  // less the lines' own text, below
    const char* const data = text.data();
    basic::ForEachLine(text, [&](size_t begin, size_t lf, bool colon, bool last) {
      const size_t end = (!last && lf > begin && data[lf - 1] == '\r') ? lf - 1 : lf;
      if (front_.size() == front_.capacity()) {
        // Room for as many more lines as the rest of the text may hold at 16 bytes a line.
        Reserve(front_, static_cast<size_t>(size()) + 1 + (n - begin) / 16);
      }
      const uint8_t flags = flags_of(std::string_view(data + begin, end - begin), colon, last);
      const uint32_t at = (begin < in_hole ? hole : base) + static_cast<uint32_t>(begin);
      front_.push_back(Record{at, static_cast<uint32_t>(end - begin), flags});
      garbage_ -= end - begin;
      CountIfBreakLike(at, static_cast<uint32_t>(end - begin), 1);
    });
    return static_cast<int32_t>(front_.size() - first);
  }

  // Removes lines i .. i+count-1. The longest stretch of them that lay one after the other,
  // with no more than line breaks between them, is kept for the next text inserted.
  void Erase(int32_t i, int32_t count) {
    if (count <= 0) return;
    joined_ = false;
    MoveGapTo(i);
    const Record* const last = back_.data() + back_.size() - 1;  // line i
    uint32_t from = last->offset, to = from;                     // the stretch being followed
    uint32_t best_from = from, best_to = from;
    size_t freed = 0;
    int64_t break_like = 0;
    for (int32_t k = 0; k < count; ++k) {
      const Record& r = *(last - k);
      if (!NothingButABreak(to, r.offset)) from = r.offset;
      to = r.offset + r.length;
      if (to - from > best_to - best_from) {
        best_from = from;
        best_to = to;
      }
      freed += r.length;
      break_like += IsBreakLike(r.offset, r.length);
    }
    hole_from_ = best_from;
    hole_to_ = best_to;
    garbage_ += freed;
    break_like_ -= break_like;
    back_.resize(back_.size() - static_cast<size_t>(count));
  }

  // The flags of lines i .. i+count-1 or'ed together.
  uint8_t AnyFlags(int32_t i, int32_t count) const {
    uint32_t any = 0;
    ForEach(i, count, [&](const Record& r) { any |= r.attrs_flags; });
    return static_cast<uint8_t>(any & 0xFF);
  }

  // Appends lines i .. i+count-1 with CR LF between them. Lines that lie one after the other
  // with a CR LF between them (as loaded or inserted) go over in one copy; all of them at once
  // while every line does, as after loading a file written with CR LF.
  void AppendJoined(std::string& out, int32_t i, int32_t count) const {
    if (joined_ && count > 0) {
      const uint32_t from = At(i).offset;
      const Record& last = At(i + count - 1);
      out.append(text_.data() + from, last.offset + last.length - from);
      return;
    }
    size_t bytes = count > 0 ? 2 * static_cast<size_t>(count - 1) : 0;
    if (i == 0 && count == size()) {
      bytes += text_.size() - garbage_;  // the text of every line: no need to add it up
    } else {
      ForEach(i, count, [&](const Record& r) { bytes += r.length; });
    }
    out.reserve(out.size() + bytes);
    const char* text = text_.data();
    size_t run_from = 0, run_to = 0;  // the run gathered so far
    bool started = false;
    ForEach(i, count, [&](const Record& r) {
      if (started && r.offset == run_to + 2 && text[run_to] == '\r' && text[run_to + 1] == '\n') {
        run_to = r.offset + r.length;
        return;
      }
      if (started) {
        out.append(text + run_from, run_to - run_from);
        out.append("\r\n", 2);
      }
      started = true;
      run_from = r.offset;
      run_to = r.offset + r.length;
    });
    out.append(text + run_from, run_to - run_from);
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

  // Calls fn with the records of lines i .. i+count-1, in order.
  template <typename Fn>
  void ForEach(int32_t i, int32_t count, Fn&& fn) const {
    auto k = static_cast<size_t>(i);
    const size_t end = k + static_cast<size_t>(count);
    for (; k < end && k < front_.size(); ++k)
      fn(front_[k]);
    for (; k < end; ++k)
      fn(back_[back_.size() - 1 - (k - front_.size())]);
  }

  Record& At(int32_t i) {
    auto k = static_cast<size_t>(i);
    return k < front_.size() ? front_[k] : back_[back_.size() - 1 - (k - front_.size())];
  }
  const Record& At(int32_t i) const { return const_cast<LineStore*>(this)->At(i); }

  // True when `text` lies in the buffer itself (a view of a line's text handed back in):
  // growing the buffer would free it while it is read, and the place of erased lines may
  // overlap it. Such a text is copied out first.
  bool Holds(std::string_view text) const {
    const auto at = reinterpret_cast<uintptr_t>(text.data());
    const auto begin = reinterpret_cast<uintptr_t>(text_.data());
    return !text.empty() && at >= begin && at < begin + text_.capacity();
  }

  uint32_t Append(std::string_view text) {
    if (text_.size() + text.size() > text_.capacity()) Grow(text.size());
    // Offsets are 32 bits: far more than a module of 65,534 lines can hold.
    if (text_.size() + text.size() > UINT32_MAX) throw std::length_error("module text too large");
    auto at = static_cast<uint32_t>(text_.size());
    text_.append(text);
    return at;
  }

  // How many of the first bytes of `text` go where the lines last erased lay: all of it when
  // it fits, else its lines up to the last line break that fits. None while a line that is
  // nothing but line-break characters is held: such a line could lie between two erased
  // lines, where only a line break is expected.
  size_t HoleShare(std::string_view text) const {
    const size_t room = hole_to_ - hole_from_;
    if (room == 0 || break_like_ != 0) return 0;
    if (text.size() <= room) return text.size();
    const size_t lf = text.substr(0, room).rfind('\n');
    return lf == std::string_view::npos ? 0 : lf + 1;
  }

  // True when the bytes from `end` to `next` are nothing or a line break: no line's text.
  bool NothingButABreak(uint32_t end, uint32_t next) const {
    if (next == end) return true;
    if (next == end + 1) return text_[end] == '\n';
    return next == end + 2 && text_[end] == '\r' && text_[end + 1] == '\n';
  }

  // True for a line whose text is one or two bytes starting with CR or LF.
  bool IsBreakLike(uint32_t offset, uint32_t length) const {
    return length - 1 < 2 && (text_[offset] == '\r' || text_[offset] == '\n');
  }
  // Keeps count of such lines.
  void CountIfBreakLike(uint32_t offset, uint32_t length, int delta) {
    if (IsBreakLike(offset, length)) break_like_ += delta;
  }

  // Makes room for `extra` more bytes, with room for half the text in use again after them,
  // so that a pass rewriting the module as it goes down fills the buffer only a few times.
  // While little of the buffer is left behind by replaced and deleted lines, it is simply
  // made larger; else that text is dropped. The buffer so stays within about 1.5 times the
  // module's text, and each byte is moved a bounded number of times.
  void Grow(size_t extra) {
    hole_from_ = hole_to_ = 0;
    const size_t live = text_.size() - garbage_;
    if (garbage_ <= live / 8) {
      text_.reserve(text_.size() + extra + live / 2 + 256);
      return;
    }
    joined_ = false;  // never so after edits: the text dropped came from them
    std::string text;
    text.reserve(live + 2 * static_cast<size_t>(size()) + extra + live / 2 + 256);
    // Lines that lay end to end, or apart by no more than a line break, stay so: each such run
    // goes over in one copy (its line breaks too), appended where the lines before it end.
    const char* in = text_.data();
    uint32_t run_from = 0, run_to = 0;  // the run gathered so far, in the old text
    size_t kept = 0;                    // bytes between lines that went over with them
    auto flush = [&] {
      if (run_to > run_from) text.append(in + run_from, run_to - run_from);
    };
    auto move = [&](Record& r) {
      const uint32_t from = r.offset;
      if (from < run_to || from > run_to + 2) {
        flush();
        run_from = run_to = from;
      }
      kept += from - run_to;
      run_to = from + r.length;
      r.offset = static_cast<uint32_t>(text.size() + (from - run_from));
    };
    for (Record& r : front_)
      move(r);
    for (auto it = back_.rbegin(); it != back_.rend(); ++it)
      move(*it);
    flush();
    text_ = std::move(text);
    garbage_ = kept;
  }

  // Either side of the gap may come to hold every line: each grows straight to that many
  // (and an eighth), not by doubling past it.
  static void Reserve(std::vector<Record>& side, size_t lines) {
    if (side.capacity() < lines) side.reserve(lines + lines / 8 + 16);
  }

  void MoveGapTo(int32_t i) {
    auto k = static_cast<size_t>(i);
    // A few records change sides one by one (an edit next to the last one); many go over in
    // one copy, in reverse order, and the side they leave shrinks once.
    constexpr size_t kOneByOne = 16;
    if (front_.size() > k && front_.size() - k <= kOneByOne) {
      while (front_.size() > k) {
        back_.push_back(front_.back());
        front_.pop_back();
      }
    } else if (front_.size() < k && k - front_.size() <= kOneByOne) {
      while (front_.size() < k) {
        front_.push_back(back_.back());
        back_.pop_back();
      }
    } else if (front_.size() > k) {
      const size_t moved = front_.size() - k;
      Reserve(back_, back_.size() + moved);
      back_.insert(back_.end(), front_.rbegin(), front_.rbegin() + static_cast<ptrdiff_t>(moved));
      front_.resize(k);
    } else if (front_.size() < k) {
      const size_t moved = k - front_.size();
      Reserve(front_, k);
      front_.insert(front_.end(), back_.rbegin(), back_.rbegin() + static_cast<ptrdiff_t>(moved));
      back_.resize(back_.size() - moved);
    }
  }

  std::string text_;
  size_t garbage_ = 0;  // bytes of text_ no line refers to
  // Where the lines last erased lay, less what was put there since: bytes no line refers to,
  // until the buffer next grows.
  uint32_t hole_from_ = 0, hole_to_ = 0;
  int64_t break_like_ = 0;  // lines of one or two bytes, the first CR or LF
  // Every line lies right after the one before it with a CR LF between them, as a file read in
  // line by line lies: kept only until the first edit.
  bool joined_ = true;
  std::vector<Record> front_;  // lines before the gap, in order
  std::vector<Record> back_;   // lines after the gap, last line first
};

}  // namespace kestrix::vbfiles

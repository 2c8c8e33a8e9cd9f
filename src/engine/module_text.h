#pragma once

// The text of one code module as a pass works on it: read from the code module with one
// Lines call, examined and edited in memory, and written back with one DeleteLines and one
// InsertLines per changed stretch. Every object-model call may cross into another process
// (the IDE's code window), so the passes ask it as little as they can.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "host/ide.h"

namespace kestrix::engine {

// A test asked of one line by its number: a reference to any callable, which must outlive
// the call it is passed to (as a lambda written in the call does).
class LineTest {
 public:
  // Not explicit: a callable converts, as it does to std::function.
  template <typename F>
  requires(!std::is_same_v<std::decay_t<F>, LineTest>) LineTest(const F& test)
      : object_(&test), call_([](const void* object, int32_t line) {
          return static_cast<bool>((*static_cast<const F*>(object))(line));
        }) {}
  bool operator()(int32_t line) const { return call_(object_, line); }

 private:
  const void* object_;
  bool (*call_)(const void*, int32_t);
};

// What the passes ask of nearly every line, read in one scan when first asked and kept with
// the line: most lines answer every test from these alone, and the full reading is left to
// the few that may be what a test looks for.
struct LineFacts {
  uint32_t start = 0;  // the first character that is no blank or tab (the length when none)
  char first = 0;      // that character, in lower case ('\0' when there is none)
  // The first character of the statement after a line number (digits and a blank), in lower
  // case: where a header's or an End's first word starts ('\0' when there is none).
  char word = 0;
  uint32_t word_at = 0;    // where that character stands
  bool colon = false;      // the line holds a ':' (a label or a second statement may follow)
  bool continues = false;  // ContinuesOnNextLine
};
LineFacts ReadLineFacts(std::string_view line);

// False when ParseHeader finds no header in `line`, whose facts these are: its first word
// must start as a modifier, Sub, Function or Property does.
bool MayBeHeader(const LineFacts& facts, std::string_view line);

// A line with what the walks ask of it, read once: for a text inserted again and again (the
// handler block goes into every procedure).
struct KnownLine {
  std::string_view text;
  LineFacts facts;
  bool holds_end = false;  // HoldsProcedureEnd
};
KnownLine KnowLine(std::string_view text);

class ModuleText {
 public:
  // Lines 1..CountOfLines() of `code`, read at once. Errors of the code module pass to the
  // caller.
  explicit ModuleText(host::CodeModule& code);

  int32_t Count() const { return static_cast<int32_t>(lines_.size() - (gap_end_ - gap_)); }
  // Line `line` (1..Count()), without its line break.
  std::string_view Line(int32_t line) const { return At(line).text; }
  // The line's number when it was read, 0 for a line inserted or replaced since.
  int32_t Origin(int32_t line) const { return At(line).origin; }

  // Inserts `text` as line `line` (1..Count()+1); a text holding line breaks (CR LF or LF)
  // becomes several lines, as InsertLines makes it.
  void Insert(int32_t line, std::string_view text);
  // Inserts `lines` (each a single line) as lines `line`, `line` + 1, ….
  void InsertEach(int32_t line, std::span<const std::string_view> lines);
  // The same with lines read before.
  void InsertKnown(int32_t line, std::span<const KnownLine> lines);
  // Line `line` becomes `text` (a single line). `same_end`: the new text holds a procedure's
  // End exactly when the old one did (a line number put in front, a jump's target changed),
  // so that HoldsEnd need not read it again.
  void Replace(int32_t line, std::string_view text, bool same_end = false);
  // The same with the text `head` followed by `tail`.
  void Replace(int32_t line, std::string_view head, std::string_view tail, bool same_end);
  // Line `line` loses its first `count` characters (a line number and the blanks after it, say):
  // what stays is not copied.
  void CutFront(int32_t line, size_t count) {
    Entry& entry = At(line);
    entry = Entry(entry.text.substr(count), 0);
    last_written_ = std::max(last_written_, line);
  }
  // Line `line` keeps its text and stays a line as read, but the text is copied after the text
  // stored last: lines stored one after the other go back to the code module as one run.
  void CopyToStore(int32_t line) {
    Entry& entry = At(line);
    entry.text = Store(entry.text);
  }
  // HoldsProcedureEnd of the line, read once for each text the line has had.
  bool HoldsEnd(int32_t line) const {
    const Entry& entry = At(line);
    return entry.holds_end >= 0 ? entry.holds_end != 0 : ReadHoldsEnd(line);
  }
  // The line's facts, read once for each text the line has had.
  const LineFacts& Facts(int32_t line) const {
    const Entry& entry = At(line);
    if (!entry.facts_known) {
      entry.facts = ReadLineFacts(entry.text);
      entry.facts_known = true;
    }
    return entry.facts;
  }
  bool Continues(int32_t line) const { return Facts(line).continues; }
  void Erase(int32_t line, int32_t count);

  // True when some line as read holds `needle`, in any case: one search of the text as read,
  // kept for the next ask (and for every needle that holds this one). Always true for a
  // module whose lines had to be read one by one.
  bool HeldAsRead(std::string_view needle) const;
  // The numbers (as read) of the lines as read that hold `needle`, in any case, in order: one
  // search of the text as read.
  std::vector<int32_t> LinesHolding(std::string_view needle) const;
  // The same, searched once and kept for every later ask.
  const std::vector<int32_t>& KeptLinesHolding(std::string_view needle) const;

  // True when some line from `from` to `to` holds `needle`, in any case: the code module's
  // Find over those lines, without whole-word or pattern matching.
  bool Contains(std::string_view needle, int32_t from, int32_t to) const;
  // The same for up to 32 needles at once, in one pass over the lines: bit k of the result
  // is set when some line holds the k-th needle.
  uint32_t ContainsEach(std::initializer_list<std::string_view> needles, int32_t from,
                        int32_t to) const;

  // Makes lines from..to of the code module what they are here; the lines above them must
  // already be, and lines from-1 and to+1 (where they exist) must be lines as read. Stretches
  // of changed lines are written as one DeleteLines of the old ones and one InsertLines of
  // the new; unchanged lines between two of them are rewritten with them unless `keep` says
  // they must stay (a line carrying something the text does not show). `keep` is asked about
  // every line of the range as read (not inserted or replaced since) once, top down.
  void WriteBack(host::CodeModule& code, int32_t from, int32_t to, LineTest keep) const;

 private:
  struct Entry {
    Entry() = default;
    Entry(std::string_view t, int32_t o, int8_t h = -1) : text(t), origin(o), holds_end(h) {}
    Entry(std::string_view t, int32_t o, int8_t h, const LineFacts& f)
        : text(t), origin(o), holds_end(h), facts_known(true), facts(f) {}
    std::string_view text;
    int32_t origin = 0;
    mutable int8_t holds_end = -1;  // HoldsEnd's answer; -1 until it is asked
    mutable bool facts_known = false;
    mutable LineFacts facts;
  };

  const Entry& At(int32_t line) const {
    auto k = static_cast<size_t>(line - 1);
    return k < gap_ ? lines_[k] : lines_[k + (gap_end_ - gap_)];
  }
  Entry& At(int32_t line) { return const_cast<Entry&>(std::as_const(*this).At(line)); }
  // Moves the gap to just before the line at `index` (0-based), with room for `room` lines.
  void MoveGapTo(size_t index, size_t room);
  bool ReadHoldsEnd(int32_t line) const;
  // Keeps last_written_ for `count` lines written at `line`.
  void Inserted(int32_t line, int32_t count);
  // A copy of `text` followed by `more`, kept as long as this. A CR LF follows it (outside the
  // view): lines stored one after the other lie in the chunk as they are written back, so that
  // WriteBack copies them in runs, or not at all.
  std::string_view Store(std::string_view text, std::string_view more = {}) {
    const size_t size = text.size() + more.size();
    if (size + 2 > left_) NewChunk(size + 2);
    char* at = free_;
    CopyBytes(at, text);
    CopyBytes(at + text.size(), more);
    at[size] = '\r';
    at[size + 1] = '\n';
    free_ += size + 2;
    left_ -= size + 2;
    return std::string_view(at, size);
  }
  void NewChunk(size_t size);
  // Copies `text` to `to`. Most lines and line numbers are short: up to 32 bytes go over in a
  // few moves of fixed size (overlapping when the size is not a multiple), without a call.
  static void CopyBytes(char* to, std::string_view text) {
    const char* from = text.data();
    const size_t n = text.size();
    auto move8 = [](char* dst, const char* src) {
      uint64_t word;
      std::memcpy(&word, src, 8);
      std::memcpy(dst, &word, 8);
    };
    if (n >= 8 && n <= 16) {
      move8(to, from);
      move8(to + n - 8, from + n - 8);
    } else if (n > 16 && n <= 32) {
      move8(to, from);
      move8(to + 8, from + 8);
      move8(to + n - 16, from + n - 16);
      move8(to + n - 8, from + n - 8);
    } else if (n > 32) {
      std::memcpy(to, from, n);
    } else if (n >= 4) {
      uint32_t head, tail;
      std::memcpy(&head, from, 4);
      std::memcpy(&tail, from + n - 4, 4);
      std::memcpy(to, &head, 4);
      std::memcpy(to + n - 4, &tail, 4);
    } else {
      for (size_t k = 0; k < n; ++k)
        to[k] = from[k];
    }
  }

  // Copies `run` and a CR LF to `to`; returns where they end.
  static char* CopyRun(char* to, std::string_view run) {
    CopyBytes(to, run);
    to += run.size();
    to[0] = '\r';
    to[1] = '\n';
    return to + 2;
  }

  // True when `next` starts right after `end` and a CR LF: the two lie end to end in one run of
  // text (lines as read, or texts stored one after the other).
  bool FollowsRightAfter(const char* end, std::string_view next) const;
  // Lines from..to (from <= to) joined with CR LF, in `buffer` or where they lie.
  std::string_view Joined(int32_t from, int32_t to, std::string& buffer) const;
  // ContainsEach over the lines themselves.
  uint32_t SearchLines(const std::string_view* needles, size_t count, int32_t from,
                       int32_t to) const;

  std::string source_;  // the module as read
  int32_t source_count_ = 0;
  mutable std::vector<std::pair<std::string, bool>> held_;  // HeldAsRead's answers
  // KeptLinesHolding's answers, which stay where they are as more come.
  mutable std::deque<std::pair<std::string, std::vector<int32_t>>> holding_;
  std::vector<uint32_t> starts_;  // where each line as read starts in source_
  // Text of the lines written since, in chunks that never move once filled; `free_` is where
  // the last one's unused `left_` bytes start.
  std::vector<std::unique_ptr<char[]>> chunks_;
  char* free_ = nullptr;
  size_t left_ = 0;
  // The lines in a gap buffer: a pass edits as it goes down the module, so every edit lands
  // at or just below the one before. Lines 1..gap_ lie before the gap, the rest from gap_end_.
  std::vector<Entry> lines_;
  size_t gap_ = 0;
  size_t gap_end_ = 0;
  // No line below this one has been written (inserted, replaced or cut) since the module was
  // read: 0 while none has.
  int32_t last_written_ = 0;
};

}  // namespace kestrix::engine

#include "engine/module_text.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "basic/byte_scan.h"
#include "basic/source_line.h"
#include "engine/text_util.h"

namespace kestrix::engine {
namespace {

constexpr size_t kChunkSize = size_t{1} << 16;

// True when the text holds a CR or LF. Needles are short: a loop, not a search per character.
bool HoldsLineBreak(std::string_view text) {
  for (char c : text) {
    if (c == '\r' || c == '\n') return true;
  }
  return false;
}

}  // namespace

namespace {

// ReadLineFacts but for the colon, which the caller tells.
LineFacts ReadFacts(std::string_view line, bool colon) {
  LineFacts facts;
  const size_t n = line.size();
  const size_t start = basic::BlanksEnd(line);
  facts.start = static_cast<uint32_t>(start);
  if (start == n) return facts;
  facts.first = basic::Lower(line[start]);
  // A line number is digits followed by a blank (or nothing); the statement starts after it.
  size_t word = start;
  if (basic::IsDigit(line[start])) {
    size_t digits = start + 1;
    while (digits < n && basic::IsDigit(line[digits]))
      ++digits;
    if (digits == n || basic::IsBlank(line[digits])) word = basic::BlanksEnd(line, digits);
  }
  facts.word = word < n ? basic::Lower(line[word]) : '\0';
  facts.word_at = static_cast<uint32_t>(word);
  facts.colon = colon;
  facts.continues = basic::ContinuesOnNextLine(line);
  return facts;
}

// False when HoldsProcedureEnd is: on a line of one statement End must be the first word
// (after a line number), followed by a blank and a word that starts as Sub, Function or
// Property do.
bool MayHoldEnd(std::string_view line, const LineFacts& facts) {
  if (facts.colon) return true;
  if (facts.word != 'e') return false;
  std::string_view word = line.substr(facts.word_at);
  if (word.size() < 7 || basic::Lower(word[1]) != 'n' || basic::Lower(word[2]) != 'd' ||
      !basic::IsBlank(word[3])) {
    return false;
  }
  const size_t next = basic::BlanksEnd(word, 4);
  const char c = next < word.size() ? basic::Lower(word[next]) : '\0';
  return c == 's' || c == 'f' || c == 'p';
}

// HoldsProcedureEnd of a line whose facts these are, read in full only when its first word
// may be an End.
bool ReadsAsEnd(std::string_view line, const LineFacts& facts) {
  return MayHoldEnd(line, facts) && HoldsProcedureEnd(line);
}

}  // namespace

bool MayBeHeader(const LineFacts& facts, std::string_view line) {
  const char c = facts.word;
  if (c != 'p' && c != 's' && c != 'f' && c != 'g') return false;
  // Public, Private, Property; Sub, Static; Function, Friend; Global.
  const size_t second = facts.word_at + 1;
  const char next = second < line.size() ? basic::Lower(line[second]) : '\0';
  switch (c) {
    case 'p':
      return next == 'u' || next == 'r';
    case 's':
      return next == 'u' || next == 't';
    case 'f':
      return next == 'u' || next == 'r';
    default:
      return next == 'l';
  }
}

LineFacts ReadLineFacts(std::string_view line) {
  return ReadFacts(line, line.find(':') != std::string_view::npos);
}

KnownLine KnowLine(std::string_view text) {
  KnownLine known{text, ReadLineFacts(text), false};
  known.holds_end = ReadsAsEnd(text, known.facts);
  return known;
}

ModuleText::ModuleText(host::CodeModule& code) {
  const int32_t n = code.CountOfLines();
  if (n <= 0) return;
  source_ = code.Lines(1, n);
  // The lines go after the gap, which starts at the top with room for what a pass inserts.
  const size_t gap = static_cast<size_t>(n) / 2 + 64;
  lines_.reserve(static_cast<size_t>(n) + gap);
  lines_.resize(gap);
  gap_end_ = gap;
  starts_.resize(static_cast<size_t>(n));
  std::string_view all = source_;
  // Lines never hold a line feed, so every one in the text ends a line (with the CR before it).
  // Each line's facts are read with it; the line breaks and colons are found in one pass.
  int32_t read = 0;
  basic::ForEachLine(all, [&](size_t pos, size_t end, bool colon, bool last) {
    if (++read > n) return;  // a line holding a line break of its own: read one by one below
    const size_t cut = !last && end > pos && all[end - 1] == '\r' ? end - 1 : end;
    starts_[static_cast<size_t>(read - 1)] = static_cast<uint32_t>(pos);
    const std::string_view text = all.substr(pos, cut - pos);
    const LineFacts facts = ReadFacts(text, colon);
    // Most lines are told from their first word; the few others when they are asked about.
    const int8_t holds_end = MayHoldEnd(text, facts) ? int8_t{-1} : int8_t{0};
    lines_.emplace_back(text, read, holds_end, facts);
  });
  if (read != n) {
    // A code module whose lines hold line breaks of their own: read them one by one.
    source_.clear();
    starts_.clear();
    lines_.resize(gap + static_cast<size_t>(n));
    std::vector<std::string> lines;
    lines.reserve(static_cast<size_t>(n));
    for (int32_t i = 1; i <= n; ++i)
      lines.push_back(code.Lines(i, 1));
    for (size_t k = 0; k < lines.size(); ++k)
      lines_[gap + k] = Entry(Store(lines[k]), static_cast<int32_t>(k) + 1);
  }
  source_count_ = n;
}

void ModuleText::MoveGapTo(size_t index, size_t room) {
  static_assert(std::is_trivially_copyable_v<Entry>);
  if (gap_end_ - gap_ < room) {
    // Grown by half the lines at least, so that a pass inserting as it goes down the module
    // moves each line a bounded number of times.
    const size_t after = lines_.size() - gap_end_;
    const size_t gap = room + (gap_ + after) / 2 + 64;
    std::vector<Entry> grown(gap_ + gap + after);
    // An empty module has no lines yet (and no storage to copy from).
    if (gap_ > 0) std::memcpy(grown.data(), lines_.data(), gap_ * sizeof(Entry));
    if (after > 0) {
      std::memcpy(grown.data() + gap_ + gap, lines_.data() + gap_end_, after * sizeof(Entry));
    }
    lines_.swap(grown);
    gap_end_ = gap_ + gap;
  }
  if (index < gap_) {
    const size_t n = gap_ - index;
    std::memmove(lines_.data() + gap_end_ - n, lines_.data() + index, n * sizeof(Entry));
    gap_ -= n;
    gap_end_ -= n;
  } else if (index > gap_) {
    const size_t n = index - gap_;
    std::memmove(lines_.data() + gap_, lines_.data() + gap_end_, n * sizeof(Entry));
    gap_ += n;
    gap_end_ += n;
  }
}

void ModuleText::NewChunk(size_t size) {
  const size_t capacity = std::max(kChunkSize, size);
  chunks_.push_back(std::make_unique_for_overwrite<char[]>(capacity));
  free_ = chunks_.back().get();
  left_ = capacity;
}

void ModuleText::Insert(int32_t line, std::string_view text) {
  size_t pos = 0;
  for (;;) {
    size_t lf = text.find('\n', pos);
    MoveGapTo(static_cast<size_t>(line - 1), 1);
    Inserted(line, 1);
    if (lf == std::string_view::npos) {
      lines_[gap_++] = Entry(Store(text.substr(pos)), 0);
      return;
    }
    size_t end = (lf > pos && text[lf - 1] == '\r') ? lf - 1 : lf;
    lines_[gap_++] = Entry(Store(text.substr(pos, end - pos)), 0);
    ++line;
    pos = lf + 1;
  }
}

void ModuleText::InsertEach(int32_t line, std::span<const std::string_view> lines) {
  MoveGapTo(static_cast<size_t>(line - 1), lines.size());
  Inserted(line, static_cast<int32_t>(lines.size()));
  for (std::string_view text : lines)
    lines_[gap_++] = Entry(Store(text), 0);
}

void ModuleText::InsertKnown(int32_t line, std::span<const KnownLine> lines) {
  MoveGapTo(static_cast<size_t>(line - 1), lines.size());
  Inserted(line, static_cast<int32_t>(lines.size()));
  for (const KnownLine& known : lines)
    lines_[gap_++] = Entry(Store(known.text), 0, known.holds_end ? 1 : 0, known.facts);
}

void ModuleText::Replace(int32_t line, std::string_view text, bool same_end) {
  Entry& entry = At(line);
  const int8_t holds_end = same_end ? entry.holds_end : int8_t{-1};
  entry = Entry(Store(text), 0, holds_end);
  last_written_ = std::max(last_written_, line);
}

void ModuleText::Replace(int32_t line, std::string_view head, std::string_view tail,
                         bool same_end) {
  Entry& entry = At(line);
  const int8_t holds_end = same_end ? entry.holds_end : int8_t{-1};
  entry = Entry(Store(head, tail), 0, holds_end);
  last_written_ = std::max(last_written_, line);
}

bool ModuleText::ReadHoldsEnd(int32_t line) const {
  const Entry& entry = At(line);
  entry.holds_end = ReadsAsEnd(entry.text, Facts(line)) ? 1 : 0;
  return entry.holds_end != 0;
}

void ModuleText::Erase(int32_t line, int32_t count) {
  MoveGapTo(static_cast<size_t>(line - 1), 0);
  gap_end_ += static_cast<size_t>(count);
  if (last_written_ >= line + count) {
    last_written_ -= count;
  } else if (last_written_ >= line) {
    last_written_ = line - 1;  // the last written line went: the rest lie above
  }
}

void ModuleText::Inserted(int32_t line, int32_t count) {
  if (last_written_ >= line) last_written_ += count;
  last_written_ = std::max(last_written_, line + count - 1);
}

bool ModuleText::Contains(std::string_view needle, int32_t from, int32_t to) const {
  return ContainsEach({needle}, from, to) != 0;
}

bool ModuleText::HeldAsRead(std::string_view needle) const {
  if (source_.empty()) return source_count_ > 0;  // read line by line: not known
  for (const auto& [text, held] : held_) {
    if (text == needle) return held;
  }
  // A needle holding one that no line holds is held by none either.
  for (const auto& [text, held] : held_) {
    if (!held && basic::FindNoCase(needle, text) != std::string_view::npos) return false;
  }
  const bool held = basic::NoCaseSearch(source_, needle).Find(0) != std::string_view::npos;
  held_.emplace_back(std::string(needle), held);
  return held;
}

std::vector<int32_t> ModuleText::LinesHolding(std::string_view needle) const {
  std::vector<int32_t> lines;
  if (needle.empty() || HoldsLineBreak(needle)) return lines;
  if (source_.empty()) {
    // Read line by line: only the lines still as read count.
    for (int32_t i = 1; i <= Count(); ++i) {
      const Entry& entry = At(i);
      if (entry.origin != 0 && basic::FindNoCase(entry.text, needle) != std::string_view::npos) {
        lines.push_back(entry.origin);
      }
    }
    return lines;
  }
  const basic::NoCaseSearch search(source_, needle);
  basic::NoCaseSearch::Cursor cursor;
  size_t line = 0;  // the number of the line holding the last match
  for (size_t at = search.Find(0, cursor); at != std::string_view::npos;) {
    // A needle holds no line break: the match lies on the line it starts on. Matches come in
    // order, and often a few lines apart: the lines just below the last one are looked at
    // first.
    const auto position = static_cast<uint32_t>(at);
    size_t ahead = 0;
    while (ahead < 4 && line + ahead < starts_.size() && starts_[line + ahead] <= position)
      ++ahead;
    if (ahead < 4) {
      line += ahead;
    } else {
      line = static_cast<size_t>(
          std::upper_bound(starts_.begin() + static_cast<std::ptrdiff_t>(line + ahead),
                           starts_.end(), position) -
          starts_.begin());
    }
    lines.push_back(static_cast<int32_t>(line));
    at = line < starts_.size() ? search.Find(starts_[line], cursor) : std::string_view::npos;
  }
  return lines;
}

const std::vector<int32_t>& ModuleText::KeptLinesHolding(std::string_view needle) const {
  for (const auto& [text, lines] : holding_) {
    if (text == needle) return lines;
  }
  holding_.emplace_back(std::string(needle), LinesHolding(needle));
  return holding_.back().second;
}

uint32_t ModuleText::ContainsEach(std::initializer_list<std::string_view> needle_list, int32_t from,
                                  int32_t to) const {
  const std::string_view* needles = needle_list.begin();
  const size_t count = std::min<size_t>(needle_list.size(), 32);
  // A needle that no line as read holds (one search of the whole text, kept for the next
  // ask) can only be in the lines written since: most ranges have few, or none.
  std::array<std::string_view, 32> others;
  std::array<size_t, 32> other_index{};
  size_t other_count = 0;
  std::array<size_t, 32> fresh_index{};
  size_t fresh_count = 0;
  for (size_t k = 0; k < count; ++k) {
    std::string_view needle = needles[k];
    const bool searchable = !needle.empty() && !source_.empty() && !HoldsLineBreak(needle);
    if (searchable && !HeldAsRead(needle)) {
      fresh_index[fresh_count++] = k;
    } else {
      other_index[other_count] = k;
      others[other_count++] = needle;
    }
  }
  uint32_t found = 0;
  const uint32_t some = other_count > 0 ? SearchLines(others.data(), other_count, from, to) : 0;
  for (size_t j = 0; j < other_count; ++j) {
    if (some & (uint32_t{1} << j)) found |= uint32_t{1} << other_index[j];
  }
  // Lines written since lie at or above last_written_: a range below it has none.
  if (fresh_count == 0 || from > last_written_) return found;
  const int32_t last = std::min(to, Count());
  for (int32_t i = std::max(from, 1); i <= last; ++i) {
    const Entry& entry = At(i);
    if (entry.origin != 0) continue;
    for (size_t j = 0; j < fresh_count; ++j) {
      const size_t k = fresh_index[j];
      if (basic::FindNoCase(entry.text, needles[k]) != std::string_view::npos) {
        found |= uint32_t{1} << k;
      }
    }
  }
  return found;
}

uint32_t ModuleText::SearchLines(const std::string_view* needles, size_t count, int32_t from,
                                 int32_t to) const {
  uint32_t found = 0;
  size_t left = 0;
  // Needles without line breaks can be looked for in a run of lines at once: the
  // line breaks between them keep a match inside one line.
  bool joinable = true;
  for (size_t k = 0; k < count; ++k) {
    if (needles[k].empty()) {
      found |= uint32_t{1} << k;
      continue;
    }
    joinable = joinable && !HoldsLineBreak(needles[k]);
    ++left;
  }
  const int32_t last = std::min(to, Count());
  for (int32_t i = std::max(from, 1); i <= last && left > 0; ++i) {
    std::string_view span = Line(i);
    if (joinable) {
      // Lines that lie end to end are looked through as one text.
      const char* end = span.data() + span.size();
      while (i < last) {
        std::string_view next = Line(i + 1);
        if (!FollowsRightAfter(end, next)) break;
        end = next.data() + next.size();
        ++i;
      }
      span = std::string_view(span.data(), static_cast<size_t>(end - span.data()));
    }
    for (size_t k = 0; k < count; ++k) {
      const uint32_t bit = uint32_t{1} << k;
      if ((found & bit) || basic::FindNoCase(span, needles[k]) == std::string_view::npos) {
        continue;
      }
      found |= bit;
      --left;
    }
  }
  return found;
}

bool ModuleText::FollowsRightAfter(const char* end, std::string_view next) const {
  // A stored text is followed by a CR LF; a line ends where a stored text or a line as read
  // ends (CutFront keeps the end). In the text as read, what follows a line is looked at.
  const auto at = reinterpret_cast<uintptr_t>(end);
  const auto source_begin = reinterpret_cast<uintptr_t>(source_.data());
  const uintptr_t source_end = source_begin + source_.size();
  if (at >= source_begin && at <= source_end &&
      (source_end - at < 2 || end[0] != '\r' || end[1] != '\n')) {
    return false;
  }
  return next.data() == end + 2;
}

std::string_view ModuleText::Joined(int32_t from, int32_t to, std::string& buffer) const {
  // Lines that lie end to end go over as one run; a stretch that is one run is not copied at
  // all. Otherwise the buffer is sized once and the runs written into it in place: cleaning
  // leaves every line a run of its own.
  std::string_view first = Line(from);
  const char* run = first.data();  // the run gathered so far
  const char* run_end = run + first.size();
  char* out = nullptr;  // where the next run goes, once copying has begun
  for (int32_t k = from + 1; k <= to; ++k) {
    const std::string_view line = Line(k);
    if (FollowsRightAfter(run_end, line)) {
      run_end = line.data() + line.size();
      continue;
    }
    if (out == nullptr) {
      size_t bytes = 2 * static_cast<size_t>(to - from);
      for (int32_t j = from; j <= to; ++j)
        bytes += Line(j).size();
      buffer.resize(bytes);
      out = buffer.data();
    }
    out = CopyRun(out, std::string_view(run, static_cast<size_t>(run_end - run)));
    run = line.data();
    run_end = line.data() + line.size();
  }
  const std::string_view last(run, static_cast<size_t>(run_end - run));
  if (out == nullptr) return last;
  CopyBytes(out, last);
  return buffer;
}

void ModuleText::WriteBack(host::CodeModule& code, int32_t from, int32_t to, LineTest keep) const {
  // Each stretch lies between two kept lines (or the ends of the range): the old lines between
  // them are as many as their numbers as read tell.
  int32_t last_kept = from - 1;
  int32_t last_origin = from > 1 ? Origin(from - 1) : 0;
  bool changed = false;
  std::string joined;
  for (int32_t i = from; i <= to + 1; ++i) {
    int32_t origin = 0;
    if (i > to) {
      origin = to < Count() ? Origin(to + 1) : source_count_ + 1;
    } else {
      // The module's last line stays as read: rewriting it would give the file a final line
      // break it may not have had.
      // A conditional-compilation line stays too: a stretch that took one out for a moment
      // would leave the module's #If blocks unbalanced, and every procedure below it would
      // have to be found again.
      origin = Origin(i);
      if (origin == 0) {
        changed = true;
        continue;
      }
      bool kept = keep(i) || (i == Count() && origin == source_count_) || Facts(i).first == '#';
      if (!kept) continue;
    }
    const int32_t old_count = origin - last_origin - 1;
    const int32_t new_count = i - last_kept - 1;
    if (changed || old_count != new_count) {
      if (old_count > 0) code.DeleteLines(last_kept + 1, old_count);
      if (new_count > 0) code.InsertLines(last_kept + 1, Joined(last_kept + 1, i - 1, joined));
    }
    last_kept = i;
    last_origin = origin;
    changed = false;
  }
}

}  // namespace kestrix::engine

#include "engine/module_text.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "basic/source_line.h"
#include "engine/text_util.h"

namespace kestrix::engine {
namespace {

constexpr size_t kChunkSize = size_t{1} << 16;

}  // namespace

ModuleText::ModuleText(host::CodeModule& code) {
  const int32_t n = code.CountOfLines();
  if (n <= 0) return;
  source_ = code.Lines(1, n);
  // The back side holds the lines last first: line k goes to back_[n - k].
  back_.resize(static_cast<size_t>(n));
  std::string_view all = source_;
  // Lines never hold a line feed, so every one in the text ends a line (with the CR before it).
  size_t pos = 0;
  int32_t read = 0;
  for (;;) {
    size_t lf = all.find('\n', pos);
    size_t end = lf == std::string_view::npos ? all.size() : lf;
    size_t cut =
        (lf != std::string_view::npos && end > pos && all[end - 1] == '\r') ? end - 1 : end;
    if (++read > n) break;
    back_[static_cast<size_t>(n - read)] = {all.substr(pos, cut - pos), read};
    if (lf == std::string_view::npos) break;
    pos = lf + 1;
  }
  if (read != n) {
    // A code module whose lines hold line breaks of their own: read them one by one.
    back_.clear();
    source_.clear();
    std::vector<std::string> lines;
    lines.reserve(static_cast<size_t>(n));
    for (int32_t i = 1; i <= n; ++i)
      lines.push_back(code.Lines(i, 1));
    for (const auto& line : lines) {
      back_.push_back({Store(line), static_cast<int32_t>(back_.size()) + 1});
    }
    std::reverse(back_.begin(), back_.end());
  }
  source_count_ = n;
}

void ModuleText::MoveGapTo(size_t index) {
  if (front_.size() > index) {
    const auto n = static_cast<std::ptrdiff_t>(front_.size() - index);
    back_.insert(back_.end(), front_.rbegin(), front_.rbegin() + n);
    front_.resize(index);
  } else if (front_.size() < index) {
    const auto n = static_cast<std::ptrdiff_t>(index - front_.size());
    front_.insert(front_.end(), back_.rbegin(), back_.rbegin() + n);
    back_.resize(back_.size() - static_cast<size_t>(n));
  }
}

std::string_view ModuleText::Store(std::string_view text, std::string_view more) {
  const size_t size = text.size() + more.size();
  if (chunks_.empty() || chunks_.back().capacity() - chunks_.back().size() < size) {
    chunks_.emplace_back();
    chunks_.back().reserve(std::max(kChunkSize, size));
  }
  std::string& chunk = chunks_.back();
  size_t at = chunk.size();
  chunk.append(text);
  chunk.append(more);
  return std::string_view(chunk).substr(at, size);
}

void ModuleText::Insert(int32_t line, std::string_view text) {
  MoveGapTo(static_cast<size_t>(line - 1));
  size_t pos = 0;
  for (;;) {
    size_t lf = text.find('\n', pos);
    if (lf == std::string_view::npos) {
      front_.push_back({Store(text.substr(pos)), 0});
      return;
    }
    size_t end = (lf > pos && text[lf - 1] == '\r') ? lf - 1 : lf;
    front_.push_back({Store(text.substr(pos, end - pos)), 0});
    pos = lf + 1;
  }
}

void ModuleText::Replace(int32_t line, std::string_view text, bool same_end) {
  Entry& entry = At(line);
  const int8_t holds_end = same_end ? entry.holds_end : int8_t{-1};
  entry = {Store(text), 0, holds_end};
}

void ModuleText::Replace(int32_t line, std::string_view head, std::string_view tail,
                         bool same_end) {
  Entry& entry = At(line);
  const int8_t holds_end = same_end ? entry.holds_end : int8_t{-1};
  entry = {Store(head, tail), 0, holds_end};
}

bool ModuleText::HoldsEnd(int32_t line) const {
  const Entry& entry = At(line);
  if (entry.holds_end < 0) entry.holds_end = HoldsProcedureEnd(entry.text) ? 1 : 0;
  return entry.holds_end != 0;
}

void ModuleText::Erase(int32_t line, int32_t count) {
  MoveGapTo(static_cast<size_t>(line - 1));
  back_.resize(back_.size() - static_cast<size_t>(count));
}

bool ModuleText::Contains(std::string_view needle, int32_t from, int32_t to) const {
  return ContainsEach({needle}, from, to) != 0;
}

uint32_t ModuleText::ContainsEach(std::initializer_list<std::string_view> needle_list, int32_t from,
                                  int32_t to) const {
  const std::string_view* needles = needle_list.begin();
  const size_t count = std::min<size_t>(needle_list.size(), 32);
  uint32_t found = 0;
  size_t left = 0;
  // Needles without line breaks can be looked for in a run of lines as read at once: the
  // line breaks between them keep a match inside one line.
  bool joinable = true;
  for (size_t k = 0; k < count; ++k) {
    if (needles[k].empty()) {
      found |= uint32_t{1} << k;
      continue;
    }
    joinable = joinable && needles[k].find_first_of("\r\n") == std::string_view::npos;
    ++left;
  }
  const auto source_begin = reinterpret_cast<uintptr_t>(source_.data());
  const uintptr_t source_end = source_begin + source_.size();
  auto in_source = [&](std::string_view v) {
    auto p = reinterpret_cast<uintptr_t>(v.data());
    return p >= source_begin && p + v.size() <= source_end;
  };
  const int32_t last = std::min(to, Count());
  for (int32_t i = std::max(from, 1); i <= last && left > 0; ++i) {
    std::string_view span = Line(i);
    if (joinable && in_source(span)) {
      // Lines read one after the other lie in the text as read, a CR LF (or LF) apart.
      const char* end = span.data() + span.size();
      while (i < last) {
        std::string_view next = Line(i + 1);
        size_t gap = static_cast<size_t>(next.data() - end);
        if (!in_source(next) || next.data() < end || gap > 2 || gap == 0 || end[gap - 1] != '\n') {
          break;
        }
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
      bool kept = keep(i) || (i == Count() && origin == source_count_) ||
                  basic::ReadDirective(Line(i)) != basic::Directive::kNone;
      if (!kept) continue;
    }
    const int32_t old_count = origin - last_origin - 1;
    const int32_t new_count = i - last_kept - 1;
    if (changed || old_count != new_count) {
      if (old_count > 0) code.DeleteLines(last_kept + 1, old_count);
      if (new_count > 0) {
        size_t bytes = 2 * static_cast<size_t>(new_count - 1);
        for (int32_t k = last_kept + 1; k < i; ++k)
          bytes += Line(k).size();
        joined.resize(bytes);
        char* at = joined.data();
        for (int32_t k = last_kept + 1; k < i; ++k) {
          if (k > last_kept + 1) {
            *at++ = '\r';
            *at++ = '\n';
          }
          std::string_view line = Line(k);
          if (!line.empty()) std::memcpy(at, line.data(), line.size());
          at += line.size();
        }
        code.InsertLines(last_kept + 1, joined);
      }
    }
    last_kept = i;
    last_origin = origin;
    changed = false;
  }
}

}  // namespace kestrix::engine

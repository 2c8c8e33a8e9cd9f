#include "platform/vbfiles/text_search.h"

#include "host/vb_text.h"

namespace kestrix::vbfiles {

using text::IsIdentChar;
using text::Lower;
namespace {}  // namespace

bool TextSearch::Same(char a, char b) const {
  return match_case_ ? a == b : Lower(a) == Lower(b);
}

bool TextSearch::IsWord(std::string_view text, size_t pos, size_t len) const {
  if (!whole_word_) return true;
  if (pos > 0 && IsIdentChar(text[pos - 1])) return false;
  return pos + len >= text.size() || !IsIdentChar(text[pos + len]);
}

std::optional<std::pair<size_t, size_t>> TextSearch::In(std::string_view text, size_t from,
                                                        size_t limit) const {
  if (!pattern_) return Literal(text, from, limit);
  for (size_t pos = from; pos <= limit; ++pos) {
    long end = LikeAt(0, text, pos, limit);
    if (end < 0 || static_cast<size_t>(end) == pos) continue;
    size_t len = static_cast<size_t>(end) - pos;
    if (IsWord(text, pos, len)) return std::make_pair(pos, len);
  }
  return std::nullopt;
}

std::optional<std::pair<size_t, size_t>> TextSearch::Literal(std::string_view text, size_t from,
                                                             size_t limit) const {
  if (target_.empty() || limit < target_.size()) return std::nullopt;
  // The first character in either case finds the places worth comparing.
  char first_a = match_case_ ? target_[0] : Lower(target_[0]);
  char first_b = first_a;
  if (!match_case_ && first_a >= 'a' && first_a <= 'z') first_b = static_cast<char>(first_a - 32);
  size_t last = limit - target_.size();
  for (size_t pos = from; pos <= last; ++pos) {
    char c = text[pos];
    if (c != first_a && c != first_b) continue;
    size_t i = 1;
    while (i < target_.size() && Same(text[pos + i], target_[i]))
      ++i;
    if (i == target_.size() && IsWord(text, pos, target_.size())) {
      return std::make_pair(pos, target_.size());
    }
  }
  return std::nullopt;
}

bool TextSearch::ClassMatches(size_t& pi, char c) const {
  ++pi;  // '['
  bool negate = pi < target_.size() && target_[pi] == '!';
  if (negate) ++pi;
  bool hit = false;
  while (pi < target_.size() && target_[pi] != ']') {
    char lo = target_[pi];
    char hi = lo;
    if (pi + 2 < target_.size() && target_[pi + 1] == '-' && target_[pi + 2] != ']') {
      hi = target_[pi + 2];
      pi += 2;
    }
    char x = match_case_ ? c : Lower(c);
    if (!match_case_) lo = Lower(lo), hi = Lower(hi);
    if (x >= lo && x <= hi) hit = true;
    ++pi;
  }
  ++pi;  // ']'
  return hit != negate;
}

long TextSearch::LikeAt(size_t pi, std::string_view text, size_t ti, size_t limit) const {
  if (pi == target_.size()) return static_cast<long>(ti);
  char p = target_[pi];
  if (p == '*') {
    for (size_t t = ti; t <= limit; ++t) {
      long end = LikeAt(pi + 1, text, t, limit);
      if (end >= 0) return end;
    }
    return -1;
  }
  if (ti >= limit) return -1;
  char c = text[ti];
  bool ok = false;
  if (p == '?') {
    ok = true;
    ++pi;
  } else if (p == '#') {
    ok = c >= '0' && c <= '9';
    ++pi;
  } else if (p == '[') {
    ok = ClassMatches(pi, c);
  } else {
    ok = Same(c, p);
    ++pi;
  }
  return ok ? LikeAt(pi, text, ti + 1, limit) : -1;
}

}  // namespace kestrix::vbfiles

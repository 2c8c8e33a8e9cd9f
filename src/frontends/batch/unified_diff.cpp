#include "frontends/batch/unified_diff.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <unordered_map>
#include <vector>

namespace kestrix::batch {

namespace {

// How many diagonal probes and snake steps the search may take over a whole diff before
// it settles for replace blocks: a few tenths of a second at worst.
constexpr int64_t kSearchBudget = 25'000'000;

// Lines with their LF (if any), pointing into the text.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t lf = text.find('\n', start);
    size_t end = lf == std::string_view::npos ? text.size() : lf + 1;
    lines.push_back(text.substr(start, end - start));
    start = end;
  }
  return lines;
}

// Equal lines get equal numbers, so the search compares integers.
struct InternedLines {
  std::vector<int> old_ids;
  std::vector<int> new_ids;
  int distinct = 0;
};

InternedLines Intern(const std::vector<std::string_view>& old_lines,
                     const std::vector<std::string_view>& new_lines) {
  InternedLines result;
  std::unordered_map<std::string_view, int> ids;
  ids.reserve(old_lines.size() + new_lines.size());
  auto intern = [&](std::string_view line) {
    auto [it, added] = ids.emplace(line, static_cast<int>(ids.size()));
    return it->second;
  };
  for (auto line : old_lines)
    result.old_ids.push_back(intern(line));
  for (auto line : new_lines)
    result.new_ids.push_back(intern(line));
  result.distinct = static_cast<int>(ids.size());
  return result;
}

// Myers' linear-space search for a shortest edit script between two integer sequences,
// marking every element that is not part of the common subsequence found.
class EditSearch {
 public:
  EditSearch(const std::vector<int>& x, const std::vector<int>& y, std::vector<char>& x_changed,
             std::vector<char>& y_changed)
      : x_(x), y_(y), x_changed_(x_changed), y_changed_(y_changed) {
    size_t diagonals = x.size() + y.size() + 3;
    forward_.assign(diagonals, 0);
    backward_.assign(diagonals, 0);
    offset_ = static_cast<int>(y.size()) + 1;
  }

  void Run() { Compare(0, Size(x_), 0, Size(y_)); }

 private:
  static int Size(const std::vector<int>& v) { return static_cast<int>(v.size()); }
  int& Fd(int diagonal) { return forward_[static_cast<size_t>(diagonal + offset_)]; }
  int& Bd(int diagonal) { return backward_[static_cast<size_t>(diagonal + offset_)]; }

  void MarkChanged(int xoff, int xlim, int yoff, int ylim) {
    std::fill(x_changed_.begin() + xoff, x_changed_.begin() + xlim, 1);
    std::fill(y_changed_.begin() + yoff, y_changed_.begin() + ylim, 1);
  }

  void Compare(int xoff, int xlim, int yoff, int ylim) {
    while (xoff < xlim && yoff < ylim && x_[xoff] == y_[yoff])
      ++xoff, ++yoff;
    while (xoff < xlim && yoff < ylim && x_[xlim - 1] == y_[ylim - 1])
      --xlim, --ylim;
    if (xoff == xlim || yoff == ylim) return MarkChanged(xoff, xlim, yoff, ylim);
    int xmid = 0;
    int ymid = 0;
    if (!FindSplit(xoff, xlim, yoff, ylim, xmid, ymid)) {
      return MarkChanged(xoff, xlim, yoff, ylim);
    }
    Compare(xoff, xmid, yoff, ymid);
    Compare(xmid, xlim, ymid, ylim);
  }

  bool FindSplit(int xoff, int xlim, int yoff, int ylim, int& xmid, int& ymid);
  bool StepForward(int xlim, int ylim, int& xmid, int& ymid);
  bool StepBackward(int xoff, int yoff, int& xmid, int& ymid);

  const std::vector<int>& x_;
  const std::vector<int>& y_;
  std::vector<char>& x_changed_;
  std::vector<char>& y_changed_;
  // Furthest x reached on each diagonal (x - y), searching forward and backward.
  std::vector<int> forward_;
  std::vector<int> backward_;
  int offset_ = 0;
  int64_t budget_ = kSearchBudget;
  // The diagonal ranges of the current search.
  int dmin_ = 0, dmax_ = 0, fmin_ = 0, fmax_ = 0, bmin_ = 0, bmax_ = 0;
  bool odd_ = false;
};

// Finds a point on a shortest path through the region where the forward and backward
// searches meet; false when the budget runs out first.
bool EditSearch::FindSplit(int xoff, int xlim, int yoff, int ylim, int& xmid, int& ymid) {
  dmin_ = xoff - ylim;
  dmax_ = xlim - yoff;
  int fmid = xoff - yoff;
  int bmid = xlim - ylim;
  odd_ = ((fmid - bmid) & 1) != 0;
  Fd(fmid) = xoff;
  Bd(bmid) = xlim;
  fmin_ = fmax_ = fmid;
  bmin_ = bmax_ = bmid;
  while (budget_ > 0) {
    if (StepForward(xlim, ylim, xmid, ymid)) return true;
    if (StepBackward(xoff, yoff, xmid, ymid)) return true;
  }
  return false;
}

// Extends every forward path by one edit and its snake of equal elements.
bool EditSearch::StepForward(int xlim, int ylim, int& xmid, int& ymid) {
  if (fmin_ > dmin_)
    Fd(--fmin_ - 1) = -1;
  else
    ++fmin_;
  if (fmax_ < dmax_)
    Fd(++fmax_ + 1) = -1;
  else
    --fmax_;
  for (int d = fmax_; d >= fmin_; d -= 2) {
    int lo = Fd(d - 1);
    int hi = Fd(d + 1);
    int x = lo >= hi ? lo + 1 : hi;
    int y = x - d;
    int start = x;
    while (x < xlim && y < ylim && x_[x] == y_[y])
      ++x, ++y;
    budget_ -= 1 + (x - start);
    Fd(d) = x;
    if (odd_ && bmin_ <= d && d <= bmax_ && Bd(d) <= x) {
      xmid = x, ymid = y;
      return true;
    }
  }
  return false;
}

// Extends every backward path by one edit and its snake of equal elements.
bool EditSearch::StepBackward(int xoff, int yoff, int& xmid, int& ymid) {
  constexpr int kFar = std::numeric_limits<int>::max();
  if (bmin_ > dmin_)
    Bd(--bmin_ - 1) = kFar;
  else
    ++bmin_;
  if (bmax_ < dmax_)
    Bd(++bmax_ + 1) = kFar;
  else
    --bmax_;
  for (int d = bmax_; d >= bmin_; d -= 2) {
    int lo = Bd(d - 1);
    int hi = Bd(d + 1);
    int x = lo < hi ? lo : hi - 1;
    int y = x - d;
    int start = x;
    while (x > xoff && y > yoff && x_[x - 1] == y_[y - 1])
      --x, --y;
    budget_ -= 1 + (start - x);
    Bd(d) = x;
    if (!odd_ && fmin_ <= d && d <= fmax_ && x <= Fd(d)) {
      xmid = x, ymid = y;
      return true;
    }
  }
  return false;
}

// Marks the lines of each side that are not part of a longest common subsequence. Lines
// that occur nowhere in the other text can never be common, so the search only sees the
// rest: with instrumented code that is a small remainder of headers, blank lines and ends.
void MarkChanges(const InternedLines& lines, std::vector<char>& old_changed,
                 std::vector<char>& new_changed) {
  std::vector<char> in_old(static_cast<size_t>(lines.distinct), 0);
  std::vector<char> in_new(static_cast<size_t>(lines.distinct), 0);
  for (int id : lines.old_ids)
    in_old[static_cast<size_t>(id)] = 1;
  for (int id : lines.new_ids)
    in_new[static_cast<size_t>(id)] = 1;
  std::vector<int> x, y, x_index, y_index;
  for (size_t i = 0; i < lines.old_ids.size(); ++i) {
    if (!in_new[static_cast<size_t>(lines.old_ids[i])]) continue;
    x.push_back(lines.old_ids[i]);
    x_index.push_back(static_cast<int>(i));
  }
  for (size_t j = 0; j < lines.new_ids.size(); ++j) {
    if (!in_old[static_cast<size_t>(lines.new_ids[j])]) continue;
    y.push_back(lines.new_ids[j]);
    y_index.push_back(static_cast<int>(j));
  }
  old_changed.assign(lines.old_ids.size(), 1);
  new_changed.assign(lines.new_ids.size(), 1);
  std::vector<char> x_changed(x.size(), 0), y_changed(y.size(), 0);
  EditSearch(x, y, x_changed, y_changed).Run();
  for (size_t k = 0; k < x.size(); ++k)
    old_changed[static_cast<size_t>(x_index[k])] = x_changed[k];
  for (size_t k = 0; k < y.size(); ++k)
    new_changed[static_cast<size_t>(y_index[k])] = y_changed[k];
}

// A run of removed old lines [old_begin, old_end) replaced by new lines [new_begin, new_end).
struct Change {
  int64_t old_begin, old_end, new_begin, new_end;
};

std::vector<Change> CollectChanges(const std::vector<char>& old_changed,
                                   const std::vector<char>& new_changed) {
  std::vector<Change> changes;
  int64_t n = static_cast<int64_t>(old_changed.size());
  int64_t m = static_cast<int64_t>(new_changed.size());
  int64_t i = 0, j = 0;
  while (i < n || j < m) {
    bool removed = i < n && old_changed[static_cast<size_t>(i)];
    bool added = j < m && new_changed[static_cast<size_t>(j)];
    if (!removed && !added) {
      ++i, ++j;
      continue;
    }
    Change change{i, i, j, j};
    while (i < n && old_changed[static_cast<size_t>(i)])
      ++i;
    while (j < m && new_changed[static_cast<size_t>(j)])
      ++j;
    change.old_end = i;
    change.new_end = j;
    changes.push_back(change);
  }
  return changes;
}

// "start,count" as diff prints it: an empty range names the line before it, and a range of
// one line leaves out its count.
std::string Range(int64_t begin, int64_t end) {
  if (end == begin) return std::to_string(begin) + ",0";
  if (end == begin + 1) return std::to_string(begin + 1);
  return std::to_string(begin + 1) + "," + std::to_string(end - begin);
}

void AppendLine(std::string& out, char prefix, std::string_view line) {
  bool has_lf = !line.empty() && line.back() == '\n';
  if (has_lf) line.remove_suffix(1);
  out += prefix;
  out += line;
  out += '\n';
  if (!has_lf) out += "\\ No newline at end of file\n";
}

struct DiffInput {
  const std::vector<std::string_view>& old_lines;
  const std::vector<std::string_view>& new_lines;
  int64_t context;
};

// Prints changes [first, last] with their context as one hunk.
void AppendHunk(std::string& out, const DiffInput& in, const Change* first, const Change* last) {
  int64_t lead = std::min(in.context, first->old_begin);
  int64_t old_size = static_cast<int64_t>(in.old_lines.size());
  int64_t trail = std::min(in.context, old_size - last->old_end);
  int64_t old_begin = first->old_begin - lead;
  int64_t new_begin = first->new_begin - lead;
  out += "@@ -" + Range(old_begin, last->old_end + trail) + " +" +
         Range(new_begin, last->new_end + trail) + " @@\n";
  auto old_line = [&](int64_t i) { return in.old_lines[static_cast<size_t>(i)]; };
  auto new_line = [&](int64_t j) { return in.new_lines[static_cast<size_t>(j)]; };
  int64_t i = old_begin;
  for (const Change* c = first; c <= last; ++c) {
    for (; i < c->old_begin; ++i)
      AppendLine(out, ' ', old_line(i));
    for (; i < c->old_end; ++i)
      AppendLine(out, '-', old_line(i));
    for (int64_t j = c->new_begin; j < c->new_end; ++j)
      AppendLine(out, '+', new_line(j));
  }
  for (; i < last->old_end + trail; ++i)
    AppendLine(out, ' ', old_line(i));
}

}  // namespace

std::string UnifiedDiff(std::string_view old_text, std::string_view new_text,
                        const std::string& old_label, const std::string& new_label, int context) {
  if (old_text == new_text) return {};
  std::vector<std::string_view> old_lines = SplitLines(old_text);
  std::vector<std::string_view> new_lines = SplitLines(new_text);
  std::vector<char> old_changed, new_changed;
  MarkChanges(Intern(old_lines, new_lines), old_changed, new_changed);
  std::vector<Change> changes = CollectChanges(old_changed, new_changed);
  DiffInput in{old_lines, new_lines, std::max(context, 0)};
  std::string out = "--- " + old_label + "\n+++ " + new_label + "\n";
  // Changes whose contexts would touch or overlap share a hunk.
  for (size_t k = 0; k < changes.size();) {
    size_t last = k;
    while (last + 1 < changes.size() &&
           changes[last + 1].old_begin - changes[last].old_end <= 2 * in.context) {
      ++last;
    }
    AppendHunk(out, in, &changes[k], &changes[last]);
    k = last + 1;
  }
  return out;
}

}  // namespace kestrix::batch

#include "checker/vb_labels.h"

#include <algorithm>
#include <optional>

#include "basic/characters.h"

namespace kestrix::checker {

void LabelTable::EnterGroup() {
  open_.emplace_back(next_group_++, 0);
  path_stale_ = true;
}

void LabelTable::NextBranch() {
  if (open_.empty()) return;
  ++open_.back().second;
  path_stale_ = true;
}

void LabelTable::LeaveGroup() {
  if (open_.empty()) return;
  open_.pop_back();
  path_stale_ = true;
}

std::optional<uint64_t> LabelTable::NumberOf(std::string_view name) {
  constexpr size_t kMostDigits = 19;
  if (name.empty() || name.size() > kMostDigits) return std::nullopt;
  uint64_t value = 0;
  for (char c : name) {
    if (!basic::IsDigit(c)) return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return value;
}

void LabelTable::Define(std::string_view name, int32_t line) {
  if (std::optional<uint64_t> number = NumberOf(name)) {
    DefineNumber(*number, line);
  } else {
    names_.push_back({std::string(name), line, CurrentPath()});
  }
}

// Sorts `labels`, keeping the order of definition among labels of one name, and reports
// each one defined again where an earlier definition may compile with it.
template <typename Key>
void LabelTable::FindDuplicates(std::vector<Label<Key>>& labels,
                                std::vector<Problem>& problems) const {
  auto by_key = [](const Label<Key>& a, const Label<Key>& b) { return a.key < b.key; };
  // Most often they come sorted, each defined once: one look at each pair tells.
  size_t i = 1;
  while (i < labels.size() && labels[i - 1].key < labels[i].key)
    ++i;
  if (i == labels.size()) return;
  if (!std::is_sorted(labels.begin() + static_cast<std::ptrdiff_t>(i - 1), labels.end(), by_key)) {
    std::stable_sort(labels.begin(), labels.end(), by_key);
    i = 1;
  }
  for (; i < labels.size(); ++i) {
    for (size_t k = i; k-- > 0 && labels[k].key == labels[i].key;) {
      if (!Exclusive(labels[k].path, labels[i].path)) {
        problems.push_back({labels[i].line, "Duplicate label"});
        break;
      }
    }
  }
}

// Whether a label `name` is defined; the labels must have been sorted by FindDuplicates.
bool LabelTable::Defined(std::string_view name) const {
  auto found = [](const auto& labels, const auto& key) {
    auto it = std::lower_bound(labels.begin(), labels.end(), key,
                               [](const auto& label, const auto& k) { return label.key < k; });
    return it != labels.end() && it->key == key;
  };
  std::optional<uint64_t> number = NumberOf(name);
  return number ? found(numbers_, *number) : found(names_, name);
}

std::vector<LabelTable::Problem> LabelTable::Resolve() {
  std::vector<Problem> problems;
  FindDuplicates(numbers_, problems);
  FindDuplicates(names_, problems);
  for (size_t k = 0; k < jumps_.size(); ++k) {
    size_t end = k + 1 < jumps_.size() ? jumps_[k + 1].name : jump_names_.size();
    std::string_view name =
        std::string_view(jump_names_).substr(jumps_[k].name, end - jumps_[k].name);
    if (!Defined(name)) problems.push_back({jumps_[k].line, "Label not defined"});
  }
  Clear();
  return problems;
}

void LabelTable::Clear() {
  numbers_.clear();
  names_.clear();
  jumps_.clear();
  jump_names_.clear();
}

// Labels outside every #If share path 0; those inside share one path per branch reached.
uint32_t LabelTable::CurrentPath() {
  if (open_.empty()) return 0;
  if (path_stale_) {
    paths_.push_back(open_);
    path_stale_ = false;
  }
  return static_cast<uint32_t>(paths_.size() - 1);
}

// True when no single compilation holds both places: they lie in different branches of
// one #If group.
bool LabelTable::Exclusive(uint32_t a, uint32_t b) const {
  const Path& pa = paths_[a];
  const Path& pb = paths_[b];
  for (size_t k = 0; k < pa.size() && k < pb.size(); ++k) {
    if (pa[k].first != pb[k].first) return false;
    if (pa[k].second != pb[k].second) return true;
  }
  return false;
}

}  // namespace kestrix::checker

#include "checker/vb_labels.h"

#include <algorithm>

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

void LabelTable::Define(std::string name, int32_t line) {
  labels_.push_back({std::move(name), line, CurrentPath()});
}

void LabelTable::Jump(std::string name, int32_t line) {
  jumps_.push_back({std::move(name), line});
}

std::vector<LabelTable::Problem> LabelTable::Resolve() {
  std::vector<Problem> problems;
  auto by_name = [](const Label& a, const Label& b) { return a.name < b.name; };
  // The line numbers of a numbered procedure mostly come in order already.
  if (!std::is_sorted(labels_.begin(), labels_.end(), by_name)) {
    std::stable_sort(labels_.begin(), labels_.end(), by_name);
  }
  for (size_t i = 1; i < labels_.size(); ++i) {
    for (size_t k = i; k-- > 0 && labels_[k].name == labels_[i].name;) {
      if (!Exclusive(labels_[k].path, labels_[i].path)) {
        problems.push_back({labels_[i].line, "Duplicate label"});
        break;
      }
    }
  }
  for (const Target& jump : jumps_) {
    auto it = std::lower_bound(labels_.begin(), labels_.end(), jump.name,
                               [](const Label& l, const std::string& n) { return l.name < n; });
    if (it == labels_.end() || it->name != jump.name) {
      problems.push_back({jump.line, "Label not defined"});
    }
  }
  Clear();
  return problems;
}

void LabelTable::Clear() {
  labels_.clear();
  jumps_.clear();
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

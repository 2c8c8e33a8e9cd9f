#include "platform/vbfiles/proc_index.h"

#include <algorithm>

#include "platform/vbfiles/line_scan.h"

namespace kestrix::vbfiles {

// One pass over the logical lines of a module, feeding ProcIndex.
class IndexBuilder {
 public:
  explicit IndexBuilder(ProcIndex& index) : index_(index) {}

  void Statement(int32_t first, int32_t last, StatementInfo& info) {
    uint8_t f = info.flags;
    int32_t depth = static_cast<int32_t>(if_stack_.size());
    if (open_ >= 0) {
      InProcedure(first, last, f, depth);
    } else if (f & kHeader) {
      OpenProcedure(first, last, info, depth);
    } else if (index_.procs_.empty() && (f & kStatement)) {
      int32_t group = if_stack_.empty() ? 0 : if_stack_.back();
      pre_header_.push_back({first, last, f, group});
    }
    if (f & kDirIf) if_stack_.push_back(first);
    if ((f & kDirEndIf) && !if_stack_.empty()) if_stack_.pop_back();
  }

  void Finish(int32_t line_count) {
    if (open_ >= 0) {
      index_.procs_[static_cast<size_t>(open_)].end = line_count;
      index_.open_end_ = true;
    }
    if (index_.procs_.empty() && !pre_header_.empty()) {
      index_.decl_lines_ = pre_header_.back().last;
    }
  }

 private:
  struct Record {
    int32_t first, last;
    uint8_t flags;
    int32_t group;  // line of the #If whose group holds the record, 0 for none
  };

  void InProcedure(int32_t /*first*/, int32_t last, uint8_t f, int32_t depth) {
    auto& proc = index_.procs_[static_cast<size_t>(open_)];
    if (alt_depth_ > 0) {
      if (depth == alt_depth_ && (f & (kDirElse | kHeader))) return;  // another declaration
      if (depth == alt_depth_ && (f & kDirEndIf)) {
        proc.decl_last = last;
        alt_depth_ = 0;
        return;
      }
      if (!(f & kStatement)) return;
      alt_depth_ = 0;  // the body has begun inside the group
    }
    if (f & kProcEnd) {
      proc.end = last;
      open_ = -1;
    }
  }

  void OpenProcedure(int32_t first, int32_t last, StatementInfo& info, int32_t depth) {
    if (index_.procs_.empty()) SetDeclarationLines();
    ProcIndex::Proc proc;
    proc.name = std::move(info.name);
    proc.kind = info.kind;
    proc.header = first;
    proc.decl_last = last;
    index_.procs_.push_back(std::move(proc));
    open_ = static_cast<int32_t>(index_.procs_.size()) - 1;
    alt_depth_ = depth;
    if (info.flags & kProcEnd) {
      index_.procs_.back().end = last;
      open_ = -1;
      alt_depth_ = 0;
    }
  }

  // The last statement before the first header, passing over the #If and #Else lines of the
  // groups that hold the header.
  void SetDeclarationLines() {
    auto open = [this](int32_t if_line) {
      return std::find(if_stack_.begin(), if_stack_.end(), if_line) != if_stack_.end();
    };
    for (auto it = pre_header_.rbegin(); it != pre_header_.rend(); ++it) {
      if ((it->flags & kDirIf) && open(it->first)) continue;
      if ((it->flags & kDirElse) && it->group != 0 && open(it->group)) continue;
      index_.decl_lines_ = it->last;
      return;
    }
  }

  ProcIndex& index_;
  std::vector<int32_t> if_stack_;
  std::vector<Record> pre_header_;
  int32_t open_ = -1;      // procedure whose End has not been seen
  int32_t alt_depth_ = 0;  // #If depth of a header that may be declared again in #Else
};

void ProcIndex::Rebuild(LineStore& lines) {
  procs_.clear();
  by_name_.clear();
  decl_lines_ = 0;
  open_end_ = false;
  pending_from_ = 0;
  pending_delta_ = 0;
  IndexBuilder builder(*this);
  int32_t n = lines.size();
  std::string joined;
  for (int32_t i = 0; i < n;) {
    int32_t last = i;
    while (last + 1 < n && EndsWithContinuation(lines.at(last).text))
      ++last;
    StatementInfo info;
    if (last == i) {
      info = ScanStatement(lines.at(i).text);
    } else {
      joined.clear();
      for (int32_t j = i; j <= last; ++j) {
        std::string_view text = lines.at(j).text;
        if (j < last) text = WithoutContinuation(text);
        joined += text;
      }
      info = ScanStatement(joined);
    }
    for (int32_t j = i; j <= last; ++j) {
      uint8_t own = EndsWithContinuation(lines.at(j).text) ? kContinues : 0;
      lines.at(j).flags = static_cast<uint8_t>(own | (j == i ? info.flags : 0));
    }
    builder.Statement(i + 1, last + 1, info);
    i = last + 1;
  }
  builder.Finish(n);
  for (size_t k = 0; k < procs_.size(); ++k) {
    by_name_.emplace(Key(procs_[k].name, procs_[k].kind), static_cast<int32_t>(k));
  }
}

std::string ProcIndex::Key(std::string_view name, host::ProcKind kind) {
  std::string key;
  key.reserve(name.size() + 2);
  for (char c : name)
    key += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  key += '\0';
  key += static_cast<char>('0' + static_cast<int>(kind));
  return key;
}

int32_t ProcIndex::FirstHeader() const {
  return procs_.empty() ? 0 : Eff(0, procs_[0].header);
}

int32_t ProcIndex::FirstEndingAtOrAfter(int32_t line) const {
  int32_t lo = 0, hi = Count();
  while (lo < hi) {
    int32_t mid = (lo + hi) / 2;
    if (Eff(mid, procs_[static_cast<size_t>(mid)].end) >= line) {
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  return lo;
}

int32_t ProcIndex::ProcAt(int32_t line) const {
  if (line <= decl_lines_ || procs_.empty()) return -1;
  // Lines after the last End line belong to the last procedure.
  return std::min(FirstEndingAtOrAfter(line), Count() - 1);
}

int32_t ProcIndex::Find(std::string_view name, host::ProcKind kind) const {
  auto it = by_name_.find(Key(name, kind));
  return it == by_name_.end() ? -1 : it->second;
}

ProcIndex::Proc ProcIndex::At(int32_t index) const {
  Proc p = procs_[static_cast<size_t>(index)];
  p.header = Eff(index, p.header);
  p.decl_last = Eff(index, p.decl_last);
  p.end = Eff(index, p.end);
  return p;
}

bool ProcIndex::InsideDeclaration(int32_t line) const {
  int32_t k = FirstEndingAtOrAfter(line);
  if (k == Count()) return false;
  const Proc& p = procs_[static_cast<size_t>(k)];
  return line > Eff(k, p.header) && line <= Eff(k, p.decl_last);
}

int32_t ProcIndex::StartLine(int32_t index) const {
  if (index == 0) return decl_lines_ + 1;
  return Eff(index - 1, procs_[static_cast<size_t>(index - 1)].end) + 1;
}

int32_t ProcIndex::LastLine(int32_t index, int32_t line_count) const {
  if (index == Count() - 1) return line_count;
  return Eff(index, procs_[static_cast<size_t>(index)].end);
}

// Moves every procedure from `index` on by `delta`, keeping the work proportional to how far
// the pending boundary travels.
void ProcIndex::AddPending(int32_t index, int32_t delta) {
  while (pending_from_ < index) {  // boundary moves down: settle the ones it passes
    auto& p = procs_[static_cast<size_t>(pending_from_++)];
    p.header += pending_delta_;
    p.decl_last += pending_delta_;
    p.end += pending_delta_;
  }
  while (pending_from_ > index) {  // boundary moves up: the ones it passes get unsettled
    auto& p = procs_[static_cast<size_t>(--pending_from_)];
    p.header -= pending_delta_;
    p.decl_last -= pending_delta_;
    p.end -= pending_delta_;
  }
  pending_delta_ += delta;
}

void ProcIndex::Shift(int32_t line, int32_t delta) {
  if (decl_lines_ >= line) decl_lines_ += delta;
  int32_t k = FirstEndingAtOrAfter(line);
  if (k == Count()) return;  // only trailing lines of the last procedure move
  AddPending(k + 1, 0);      // procedure k now holds its true positions
  auto& p = procs_[static_cast<size_t>(k)];
  if (p.header >= line) {
    AddPending(k, delta);
    return;
  }
  if (p.decl_last >= line) p.decl_last += delta;
  p.end += delta;
  AddPending(k + 1, delta);
}

}  // namespace kestrix::vbfiles

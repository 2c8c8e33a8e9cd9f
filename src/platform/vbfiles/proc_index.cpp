#include "platform/vbfiles/proc_index.h"

#include <algorithm>

#include "platform/vbfiles/line_scan.h"

namespace kestrix::vbfiles {

// One pass over the logical lines of a module, or of the part of it after a procedure's End
// line, collecting the procedures it meets.
class IndexBuilder {
 public:
  // Starts on the module's first line.
  IndexBuilder() = default;
  // Starts on the line after a procedure's End line, with `depth` #If groups open.
  explicit IndexBuilder(int32_t depth)
      : if_stack_(static_cast<size_t>(depth), 0), seen_header_(true) {}

  // Takes the statement on lines first..last; true when it ended a procedure.
  bool Statement(int32_t first, int32_t last, StatementInfo& info) {
    uint8_t f = info.flags;
    int32_t depth = Depth();
    bool closed = false;
    if (open_) {
      closed = InProcedure(last, f, depth);
    } else if (f & kHeader) {
      closed = OpenProcedure(first, last, info, depth);
    } else if (!seen_header_ && (f & kStatement)) {
      int32_t group = if_stack_.empty() ? 0 : if_stack_.back();
      pre_header_.push_back({first, last, f, group});
    }
    if (f & kDirIf) if_stack_.push_back(first);
    if ((f & kDirEndIf) && !if_stack_.empty()) if_stack_.pop_back();
    if (closed) procs_.back().end_depth = Depth();
    return closed;
  }

  void Finish(int32_t line_count) {
    if (open_) {
      procs_.back().end = line_count;
      procs_.back().end_depth = Depth();
      if (alt_depth_ > 0) procs_.back().decl_reach = ProcIndex::kNoReach;
      open_end_ = true;
    }
    if (!seen_header_ && !pre_header_.empty()) decl_lines_ = pre_header_.back().last;
  }

  int32_t Depth() const { return static_cast<int32_t>(if_stack_.size()); }

  // True when a statement with these flags changes nothing: a blank or comment line, or a
  // plain statement in a procedure's body or between procedures.
  bool Inert(uint8_t flags) const {
    return flags == 0 || (flags == kStatement && alt_depth_ == 0 && (open_ || seen_header_));
  }

  std::vector<ProcIndex::Proc> procs_;
  int32_t decl_lines_ = 0;  // set when the builder started on the first line
  bool open_end_ = false;

 private:
  struct Record {
    int32_t first, last;
    uint8_t flags;
    int32_t group;  // line of the #If whose group holds the record, 0 for none
  };

  bool InProcedure(int32_t last, uint8_t f, int32_t depth) {
    auto& proc = procs_.back();
    if (alt_depth_ > 0) {
      if (depth == alt_depth_ && (f & (kDirElse | kHeader))) return false;  // declared again
      if (depth == alt_depth_ && (f & kDirEndIf)) {
        proc.decl_last = last;
        proc.decl_reach = last;
        alt_depth_ = 0;
        return false;
      }
      if (!(f & kStatement)) return false;
      proc.decl_reach = last;
      alt_depth_ = 0;  // the body has begun inside the group
    }
    if (!(f & kProcEnd)) return false;
    proc.end = last;
    open_ = false;
    return true;
  }

  bool OpenProcedure(int32_t first, int32_t last, StatementInfo& info, int32_t depth) {
    if (!seen_header_) SetDeclarationLines();
    seen_header_ = true;
    ProcIndex::Proc proc;
    proc.name = std::move(info.name);
    proc.kind = info.kind;
    proc.header = first;
    proc.decl_last = last;
    proc.decl_reach = last;
    procs_.push_back(std::move(proc));
    if (info.flags & kProcEnd) {
      procs_.back().end = last;
      return true;
    }
    open_ = true;
    alt_depth_ = depth;
    return false;
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
      decl_lines_ = it->last;
      return;
    }
  }

  std::vector<int32_t> if_stack_;  // line of each open #If (0 when started mid-module)
  std::vector<Record> pre_header_;
  bool seen_header_ = false;
  bool open_ = false;      // the last procedure's End has not been seen
  int32_t alt_depth_ = 0;  // #If depth of a header that may be declared again in #Else
};

namespace {

// Classifies a logical line into info. Only a header sets info's name and kind: a builder
// reads them only with kHeader.
void Classify(std::string_view line, StatementInfo& info) {
  if (!QuickStatementFlags(line, info.flags)) info = ScanStatementFully(line);
}
// The same for a line of the store, asking `colons` whether it holds a ':'.
inline void Classify(std::string_view line, ColonFinder& colons, StatementInfo& info) {
  if (!QuickStatementFlags(line, colons.In(line), info.flags)) info = ScanStatementFully(line);
}

// How far a search for ':' looks ahead of a line: far when the whole module is read (its
// lines mostly lie in memory in their order), not far when an edit is read again around
// (where inserted lines lie apart from their neighbours): either way a line costs at most a
// search of so many bytes.
constexpr size_t kReachReadingAll = 4096;
constexpr size_t kReachAroundEdit = 256;

// Classifies the lines from 0-based line `from` on, statement by statement, setting their
// flags (a statement's own on its first line); calls on_statement(first, last, info), with
// the statement's 1-based first and last lines, for each until it returns false. A search
// for ':' looks `reach` bytes ahead.
template <typename OnStatement>
void ScanStatements(LineStore& lines, int32_t from, size_t reach, OnStatement&& on_statement) {
  const int32_t n = lines.size();
  StatementInfo info;
  std::string joined;  // the lines of a continued statement, each continuation dropped
  int32_t first = -1;  // its first line, -1 when no statement is open
  LineStore::FlagSlot first_slot;
  ColonFinder colons(lines.TextEnd(), reach);
  int32_t at = from;
  lines.Visit(from, [&](std::string_view text, LineStore::FlagSlot slot) {
    const int32_t line = at++;
    const bool continues = EndsWithContinuation(text);
    const bool goes_on = continues && line + 1 < n;  // the module's last line ends it anyway
    if (first < 0 && !goes_on) {
      Classify(text, colons, info);
      slot.Set(static_cast<uint8_t>((continues ? kContinues : 0) | info.flags));
      return on_statement(line + 1, line + 1, info);
    }
    if (first < 0) {
      first = line;
      first_slot = slot;
      joined.assign(WithoutContinuation(text));
      return true;
    }
    slot.Set(continues ? kContinues : 0);
    if (goes_on) {
      joined += WithoutContinuation(text);
      return true;
    }
    joined += text;
    Classify(joined, info);
    first_slot.Set(static_cast<uint8_t>(kContinues | info.flags));
    const int32_t statement_first = first;
    first = -1;
    return on_statement(statement_first + 1, line + 1, info);
  });
}

}  // namespace

void ProcIndex::Rebuild(LineStore& lines) {
  IndexBuilder builder;
  int32_t n = lines.size();
  auto on_statement = [&](int32_t first, int32_t last, StatementInfo& info) {
    if (!builder.Inert(info.flags)) builder.Statement(first, last, info);
    return true;
  };
  ScanStatements(lines, 0, kReachReadingAll, on_statement);
  builder.Finish(n);
  procs_ = std::move(builder.procs_);
  decl_lines_ = builder.decl_lines_;
  open_end_ = builder.open_end_;
  pending_from_ = 0;
  pending_delta_ = 0;
  IndexNames();
}

void ProcIndex::Update(LineStore& lines, int32_t line, int32_t added, int32_t removed) {
  const int32_t delta = added - removed;
  // Start after the last End line above the edit (the module's top when there is none): the
  // lines up to it are as they were, and so is the state of the pass there.
  int32_t before = FirstEndingAtOrAfter(line) - 1;
  if (open_end_ && before == Count() - 1) --before;
  while (before >= 0 &&
         (lines.Flags(Eff(before, procs_[static_cast<size_t>(before)].end) - 1) & kContinues)) {
    --before;
  }
  IndexBuilder builder =
      before >= 0 ? IndexBuilder(procs_[static_cast<size_t>(before)].end_depth) : IndexBuilder();
  int32_t start = before >= 0 ? Eff(before, procs_[static_cast<size_t>(before)].end) : 0;
  // Stop at an End line at or below the edit that the old index has too, in the same state:
  // from there on the old index holds, moved by delta.
  int32_t same = -1;
  int32_t n = lines.size();
  auto on_statement = [&](int32_t first, int32_t last, StatementInfo& info) {
    if (builder.Inert(info.flags)) return true;
    bool closed = builder.Statement(first, last, info);
    if (!closed || last < line + added - 1) return true;
    int32_t old_end = last - delta;
    int32_t k = FirstEndingAtOrAfter(old_end);
    if (k == Count() || Eff(k, procs_[static_cast<size_t>(k)].end) != old_end) return true;
    if (procs_[static_cast<size_t>(k)].end_depth != builder.Depth()) return true;
    if (open_end_ && k == Count() - 1) return true;
    same = k;
    return false;
  };
  ScanStatements(lines, start, kReachAroundEdit, on_statement);
  if (same < 0) {
    builder.Finish(n);
    open_end_ = builder.open_end_;
  }
  if (before < 0) decl_lines_ = builder.decl_lines_;
  // Procedures before+1 .. last give way to the ones just found.
  const int32_t last = same >= 0 ? same : Count() - 1;
  const auto first = static_cast<size_t>(before + 1);
  std::vector<Proc>& found = builder.procs_;
  if (static_cast<int32_t>(found.size()) == last - before) {
    AddPending(last + 1, 0);  // the ones replaced hold their true positions
    bool renamed = false;
    for (size_t t = 0; t < found.size(); ++t) {
      Proc& p = procs_[first + t];
      renamed |= p.kind != found[t].kind || !EqualsNoCase(p.name, found[t].name);
      p = std::move(found[t]);
    }
    pending_delta_ += delta;
    if (renamed) IndexNames();
    return;
  }
  AddPending(Count(), 0);  // every position true
  procs_.erase(procs_.begin() + static_cast<ptrdiff_t>(first),
               procs_.begin() + static_cast<ptrdiff_t>(last + 1));
  procs_.insert(procs_.begin() + static_cast<ptrdiff_t>(first),
                std::make_move_iterator(found.begin()), std::make_move_iterator(found.end()));
  pending_from_ = static_cast<int32_t>(first + found.size());
  pending_delta_ = delta;
  IndexNames();
}

void ProcIndex::SetOpenEnd(int32_t line_count) {
  if (!open_end_ || procs_.empty()) return;
  int32_t k = Count() - 1;
  procs_.back().end = line_count - (k >= pending_from_ ? pending_delta_ : 0);
}

// Names are told apart with their ASCII letters in any case, as VB does.
uint64_t ProcIndex::NameHash(std::string_view name, host::ProcKind kind) {
  constexpr uint64_t kPrime = 0x100000001B3ULL;
  uint64_t h = 0xCBF29CE484222325ULL ^ static_cast<uint64_t>(kind);
  for (const char c : name)
    h = (h ^ static_cast<unsigned char>(basic::Lower(c))) * kPrime;
  return h;
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
  if (last_found_ >= 0 && kind == last_kind_ && name == last_name_) return last_found_;
  auto before = [](const NameEntry& a, const NameEntry& b) {
    return a.hash != b.hash ? a.hash < b.hash : a.index < b.index;
  };
  if (names_stale_) {
    by_name_.clear();
    by_name_.reserve(procs_.size());
    for (size_t k = 0; k < procs_.size(); ++k)
      by_name_.push_back({NameHash(procs_[k].name, procs_[k].kind), static_cast<int32_t>(k)});
    std::sort(by_name_.begin(), by_name_.end(), before);
    names_stale_ = false;
  }
  // Of the procedures with this name and kind, the first in the module: the lowest index
  // among those with the same hash.
  const uint64_t hash = NameHash(name, kind);
  for (auto it = std::lower_bound(by_name_.begin(), by_name_.end(), NameEntry{hash, -1}, before);
       it != by_name_.end() && it->hash == hash; ++it) {
    const Proc& p = procs_[static_cast<size_t>(it->index)];
    if (p.kind != kind || !basic::EqualsNoCase(p.name, name)) continue;
    last_name_.assign(name);
    last_kind_ = kind;
    last_found_ = it->index;
    return it->index;
  }
  return -1;
}

bool ProcIndex::InsideDeclaration(int32_t line) const {
  int32_t k = FirstEndingAtOrAfter(line);
  if (k == Count()) {
    if (!open_end_) return false;
    --k;  // a line added below an open procedure
  }
  const Proc& p = procs_[static_cast<size_t>(k)];
  return line > Eff(k, p.header) && line <= Eff(k, p.decl_reach);
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
    p.decl_reach += pending_delta_;
    p.end += pending_delta_;
  }
  while (pending_from_ > index) {  // boundary moves up: the ones it passes get unsettled
    auto& p = procs_[static_cast<size_t>(--pending_from_)];
    p.header -= pending_delta_;
    p.decl_last -= pending_delta_;
    p.decl_reach -= pending_delta_;
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
  if (p.decl_reach >= line) p.decl_reach += delta;
  p.end += delta;
  AddPending(k + 1, delta);
}

}  // namespace kestrix::vbfiles

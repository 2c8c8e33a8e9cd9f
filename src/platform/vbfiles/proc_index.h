#pragma once

// Where the declarations section ends and where each procedure of a code module begins and
// ends. Built in one pass over the lines; an edit that changes no line's role in that shape
// only moves positions, which costs nothing for the procedures after the edit (they keep a
// shared pending offset) and is paid off as later edits move down the module. An edit that
// does change the shape is indexed again only from the procedure it lies in to the first
// later End line reached in the same state as before (no procedure open, as many #If groups
// open), so its cost follows the procedures it touches, not the module.
//
// The shape follows how the code window divides a module:
// - The declarations section is lines 1..D, D the last statement line before the first
//   procedure's header. #If/#Else lines directly above that header whose group holds it
//   belong to the procedure; a #End If closing a group of declarations does not.
// - A procedure starts on the line after the previous procedure's End line (after D for the
//   first), so comments above a header belong to it, and runs to its End line; lines after
//   the last End line belong to the last procedure.
// - A header repeated in the branches of an #If group (one body for both) ends at the
//   group's #End If.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/ide.h"
#include "platform/vbfiles/line_store.h"

namespace kestrix::vbfiles {

class ProcIndex {
 public:
  struct Proc {
    std::string name;
    host::ProcKind kind = host::ProcKind::kProc;
    int32_t header = 0;     // line of the (first) header
    int32_t decl_last = 0;  // last line of the declaration (continuations, #End If)
    int32_t end = 0;        // End line
    // Last line of the statement that ended the declaration: a header under #If may be
    // declared again until the group's #End If or the first other statement; an edit up to
    // here may change where the declaration or the procedure ends. kNoReach for an open
    // procedure still in its declaration at the module's end.
    int32_t decl_reach = 0;
    int32_t end_depth = 0;  // #If groups open after the End line
  };
  static constexpr int32_t kNoReach = 1 << 30;

  // Classifies every line (setting its flags) and rebuilds the index.
  void Rebuild(LineStore& lines);
  // Brings the index up to date after `added` lines were put at `line` in place of `removed`
  // lines, which the index still describes: classifies the lines again from the procedure
  // before the edit until the index agrees with its old self again.
  void Update(LineStore& lines, int32_t line, int32_t added, int32_t removed);

  int32_t DeclarationLines() const { return decl_lines_; }
  int32_t FirstHeader() const;  // header line of the first procedure; 0 when there is none
  int32_t Count() const { return static_cast<int32_t>(procs_.size()); }
  // True when the last procedure has no End line: it then reaches the module's last line.
  bool Open() const { return open_end_; }
  // With Open(), the module now has `line_count` lines, the last procedure's end among them.
  void SetOpenEnd(int32_t line_count);

  // Index of the procedure owning `line` (1..line_count), or -1 for a declaration line.
  int32_t ProcAt(int32_t line) const;
  // Index of the first procedure with this name (any case) and kind, or -1.
  int32_t Find(std::string_view name, host::ProcKind kind) const;
  // The procedure's name, kind and header line as they stand now.
  const std::string& NameAt(int32_t index) const { return procs_[static_cast<size_t>(index)].name; }
  host::ProcKind KindAt(int32_t index) const { return procs_[static_cast<size_t>(index)].kind; }
  int32_t HeaderAt(int32_t index) const {
    return Eff(index, procs_[static_cast<size_t>(index)].header);
  }
  int32_t StartLine(int32_t index) const;
  // True when `line` lies after a procedure's header line and within its declaration (its
  // continuation lines, the #Else branch of a header declared twice, the lines up to the
  // first statement after a header under #If), or is the line after an open procedure
  // still in its declaration.
  bool InsideDeclaration(int32_t line) const;
  int32_t LastLine(int32_t index, int32_t line_count) const;

  // Every position at or after `line` moves by `delta` (lines inserted before `line`, or,
  // with a negative delta, the -delta lines before `line` deleted).
  void Shift(int32_t line, int32_t delta);
  // A statement now stands on `line`, above the first header and at most one line below the
  // declarations: the section reaches down to it.
  void ExtendDeclarations(int32_t line) { decl_lines_ = std::max(decl_lines_, line); }

 private:
  int32_t Eff(int32_t index, int32_t value) const {
    return index >= pending_from_ ? value + pending_delta_ : value;
  }
  void AddPending(int32_t index, int32_t delta);
  int32_t FirstEndingAtOrAfter(int32_t line) const;
  // The names are looked up again only when next asked for, so that a run of edits that add
  // or rename procedures pays for one pass over them, not one per edit.
  void IndexNames() {
    names_stale_ = true;
    last_found_ = -1;
  }
  // A hash of a name (ASCII letters in any case) and kind, for the lookup by name.
  static uint64_t NameHash(std::string_view name, host::ProcKind kind);

  std::vector<Proc> procs_;
  // Every procedure's NameHash and index, in order of hash and then index: a lookup costs no
  // allocation, and building it one allocation for the module.
  struct NameEntry {
    uint64_t hash;
    int32_t index;
  };
  mutable std::vector<NameEntry> by_name_;
  mutable bool names_stale_ = false;
  // The last name looked up, as it was spelled, and what it gave: a pass asks for the start,
  // the length and the header of one procedure in a row.
  mutable std::string last_name_;
  mutable host::ProcKind last_kind_ = host::ProcKind::kProc;
  mutable int32_t last_found_ = -1;
  int32_t decl_lines_ = 0;
  bool open_end_ = false;
  // Procedures from pending_from_ on are pending_delta_ lines further down than stored.
  int32_t pending_from_ = 0;
  int32_t pending_delta_ = 0;
};

}  // namespace kestrix::vbfiles

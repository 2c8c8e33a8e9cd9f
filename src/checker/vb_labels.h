#pragma once

// The line labels of one procedure and the jumps to them. Conditional compilation may
// define one label in two branches of an #If group, which never compile together: such
// definitions do not clash, and a jump is satisfied by a label in any branch.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrix::checker {

class LabelTable {
 public:
  // Follow the #If groups: a group opens, its next branch begins, the group closes.
  void EnterGroup();
  void NextBranch();
  void LeaveGroup();

  // A label (as LexedLine::label gives it) defined at `line`.
  void Define(std::string_view name, int32_t line);
  // The same for a line number whose NumberOf is `number`.
  void DefineNumber(uint64_t number, int32_t line) {
    numbers_.push_back({number, line, open_.empty() ? 0 : CurrentPath()});
  }

  // The value of a line number as labels are kept (no leading zeros); nullopt for a name,
  // and for a number too long for 64 bits, which is kept as a name.
  static std::optional<uint64_t> NumberOf(std::string_view name);
  // A jump from `line` to the label `name` (as LabelName gives it).
  void Jump(std::string_view name, int32_t line) {
    jumps_.push_back({static_cast<uint32_t>(jump_names_.size()), line});
    jump_names_.append(name);
  }

  struct Problem {
    int32_t line;
    std::string_view message;
  };
  // The procedure's labels defined twice ("Duplicate label", at the later definition) and
  // its jumps to labels never defined ("Label not defined", at the jump); then forgets the
  // procedure's labels and jumps. The open #If groups stay.
  std::vector<Problem> Resolve();
  // Forgets the labels and jumps without looking at them.
  void Clear();

 private:
  // The branch of each open #If group, outermost first: (group id, branch index).
  using Path = std::vector<std::pair<uint32_t, uint32_t>>;
  template <typename Key>
  struct Label {
    Key key;
    int32_t line = 0;
    uint32_t path = 0;  // index into paths_; 0 lies outside every #If
  };
  struct Target {
    uint32_t name = 0;  // where its name begins in jump_names_; it ends where the next begins
    int32_t line = 0;
  };

  uint32_t CurrentPath();
  bool Exclusive(uint32_t a, uint32_t b) const;
  template <typename Key>
  void FindDuplicates(std::vector<Label<Key>>& labels, std::vector<Problem>& problems) const;
  bool Defined(std::string_view name) const;

  Path open_;  // the groups open now
  uint32_t next_group_ = 1;
  std::vector<Path> paths_{Path{}};
  bool path_stale_ = false;  // open_ changed since paths_.back() was taken from it
  // Line numbers, by their value, apart from names: a numbered procedure's come in order,
  // whatever names stand between them.
  std::vector<Label<uint64_t>> numbers_;
  std::vector<Label<std::string>> names_;
  std::vector<Target> jumps_;
  std::string jump_names_;  // the names of jumps_, one after the other
};

}  // namespace kestrix::checker

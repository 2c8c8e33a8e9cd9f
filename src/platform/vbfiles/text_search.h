#pragma once

// Finding a text within one line, as the code window's Find does: plain or with wildcards
// (* any run, ? any character, # a digit, [a-z] / [!a-z] a character class), with or
// without case, optionally as a whole word.

#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>

namespace kestrix::vbfiles {

class TextSearch {
 public:
  TextSearch(std::string_view target, bool whole_word, bool match_case, bool pattern)
      : target_(target), whole_word_(whole_word), match_case_(match_case), pattern_(pattern) {}

  // The first match (offset, length) lying within text[from, limit), or nothing.
  std::optional<std::pair<size_t, size_t>> In(std::string_view text, size_t from,
                                              size_t limit) const;

 private:
  std::optional<std::pair<size_t, size_t>> Literal(std::string_view text, size_t from,
                                                   size_t limit) const;
  bool Same(char a, char b) const;
  // End of the shortest wildcard match of target_[pi..] at text[ti..limit), or -1.
  long LikeAt(size_t pi, std::string_view text, size_t ti, size_t limit) const;
  bool ClassMatches(size_t& pi, char c) const;
  bool IsWord(std::string_view text, size_t pos, size_t len) const;

  std::string_view target_;
  bool whole_word_, match_case_, pattern_;
};

}  // namespace kestrix::vbfiles

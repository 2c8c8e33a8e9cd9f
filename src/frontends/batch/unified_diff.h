#pragma once

// A unified diff of two texts, as `diff -u` prints it, for showing what a command changed.

#include <string>
#include <string_view>

namespace kestrix::batch {

// Compares two texts line by line and returns their differences in unified format:
// "--- old_label", "+++ new_label", then "@@ -a,b +c,d @@" hunks of ' ', '-' and '+' lines
// with `context` unchanged lines around each change (hunks closer than twice that merge).
// Returns an empty string when the texts are equal.
//
// Lines end at LF. A CR before the LF belongs to the line and is printed with it, as `diff -u`
// prints the lines of CR LF files, so that `patch` and `git apply` give back the exact bytes;
// every output line ends with LF, and every byte of a line is printed (NUL bytes included). A
// last line without a line end is followed by "\ No newline at end of file".
//
// The result is a shortest edit script. Lines found in only one of the texts are set aside
// first, which keeps the common case of a module whose lines nearly all changed fast; when
// the remaining differences are still too many to search in reasonable time, the rest of a
// region is shown as its lines removed followed by its lines added (still a correct diff,
// not a shortest one).
std::string UnifiedDiff(std::string_view old_text, std::string_view new_text,
                        const std::string& old_label, const std::string& new_label,
                        int context = 3);

}  // namespace kestrix::batch

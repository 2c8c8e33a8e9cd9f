// kestrix-vbgen DIR LINES [SEED]: writes a generated VB6 project group of about LINES code
// lines under DIR and prints the group file's path, the lines and the files written.

#include <charconv>
#include <cstdint>
#include <exception>
#include <iostream>
#include <string_view>

#include "vb_generator.h"

namespace {

// True when the whole of `text` is a number that fits `value`.
template <typename Int>
bool ParseNumber(std::string_view text, Int& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

int main(int argc, char** argv) {
  int64_t lines = 0;
  uint32_t seed = 1;
  if (argc < 3 || argc > 4 || !ParseNumber(argv[2], lines) || lines < 0 ||
      (argc == 4 && !ParseNumber(argv[3], seed))) {
    std::cerr << "usage: kestrix-vbgen DIR LINES [SEED]\n"
                 "  writes a VB6 project group of about LINES code lines under DIR\n";
    return 2;
  }
  try {
    const kestrix::bench::GeneratedGroup group =
        kestrix::bench::GenerateGroup(argv[1], lines, seed);
    std::cout << group.group_file << "\n"
              << group.code_lines << " lines, " << group.files << " files\n";
  } catch (const std::exception& error) {
    std::cerr << "kestrix-vbgen: " << error.what() << "\n";
    return 1;
  }
  return 0;
}

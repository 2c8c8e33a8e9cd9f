#pragma once

// Generates realistic VB6 projects of any size, for benchmarks and tests.

#include <cstdint>
#include <string>

namespace kestrix::bench {

struct GeneratedGroup {
  std::string group_file;  // full path of the .vbg
  int64_t code_lines = 0;  // lines of code written, all components together
  int64_t files = 0;       // files written
};

// Writes a group of projects of about `total_lines` code lines under `dir` (created).
// The same seed gives the same bytes.
GeneratedGroup GenerateGroup(const std::string& dir, int64_t total_lines, uint32_t seed = 1);

// The bytes of one standard module (.bas) of exactly `lines` code lines after its
// Attribute VB_Name line.
std::string GenerateModule(const std::string& name, int64_t lines, uint32_t seed = 1);

}  // namespace kestrix::bench

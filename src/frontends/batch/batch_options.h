#pragma once

// The command line of kestrix-batch.

#include <optional>
#include <string>
#include <vector>

namespace kestrix::batch {

extern const char* const kUsage;

enum class Command { kBuild, kClean, kCheck, kConfig, kInfo, kHelp };
enum class OutputFormat { kText, kTsv, kJson };

struct BatchOptions {
  Command command = Command::kHelp;
  std::string path;                       // the .vbp or .vbg (build, clean, check, info)
  int scope = 1;                          // Option1: driver::kScopeActiveProject and its peers
  std::string project;                    // the active project; "" = the startup project
  std::string module;                     // the component whose code pane is active
  bool no_handlers = false;               // Check1 = 0
  bool no_build = false;                  // Check2 = 0
  std::optional<std::string> build_root;  // Check3 = 1, Dir1
  bool name_in_folder = false;            // Check4 = 1
  bool keep_line_numbers = false, keep_handlers = false, keep_modules = false;  // Check5
  bool yes = false;
  bool save = false;
  bool diff = false;
  bool procs = false;  // info: list every procedure
  OutputFormat format = OutputFormat::kText;
  int code_page = 0;  // the code page of names in project files; 0 = try the common ones
  unsigned jobs = 0;  // modules worked on at once; 0 = one per processor
  std::vector<std::string> config_args;  // config: KEY [VALUE]
};

// Parses argv[1..]. Returns the options, or an error message for bad usage.
struct ParseResult {
  BatchOptions options;
  std::string error;  // "" when the command line is good
};
ParseResult ParseCommandLine(const std::vector<std::string>& args);

}  // namespace kestrix::batch

// A stand-in for the VB6 compiler's command line, built as VB6(.exe) beside the test programs:
//   VB6 /make Project.vbp [/outdir Folder] [/out LogFile]
// writes the compiled file the project names (ExeName32, in Folder or beside the project) and
// the log, as the compiler does, and prints nothing. It fails (exit code 1, and a log saying
// why) when the project holds the line "KestrixStandIn=fail", names no file, or the file
// cannot be written. Two more switches serve the process runner's tests:
//   VB6 /args WORD...   prints each word in brackets: [a b][c]
//   VB6 /exit N TEXT    writes TEXT to standard error and exits with N
// Standard library only; file names are used as given.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string Value(const std::vector<std::string>& args, const std::string& option) {
  for (size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] == option) return args[i + 1];
  }
  return "";
}

bool WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out);
}

// The quoted value of `key`="..." in the project's text; "" when it has none.
std::string Quoted(const std::string& project, const std::string& key) {
  size_t at = project.find("\n" + key + "=\"");
  if (at == std::string::npos) return "";
  at += key.size() + 3;
  return project.substr(at, project.find('"', at) - at);
}

int Make(const std::vector<std::string>& args) {
  std::string project_file = Value(args, "/make");
  std::string log = Value(args, "/out");
  std::ifstream in(project_file, std::ios::binary);
  std::string project((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto fail = [&](const std::string& why) {
    if (!log.empty()) WriteText(log, "Compile error in " + project_file + ": " + why + "\r\n");
    return 1;
  };
  if (!in) return fail("cannot read the project");
  if (project.find("\nKestrixStandIn=fail") != std::string::npos) return fail("asked to fail");
  std::string name = Quoted("\n" + project, "ExeName32");
  if (name.empty()) return fail("the project names no compiled file");
  std::string folder = Value(args, "/outdir");
  if (folder.empty()) {
    size_t slash = project_file.find_last_of("/\\");
    folder = slash == std::string::npos ? "." : project_file.substr(0, slash);
  }
#ifdef _WIN32
  std::string exe = folder + "\\" + name;
#else
  std::string exe = folder + "/" + name;
#endif
  if (!WriteText(exe, "MZ stand-in for " + project_file + "\r\n"))
    return fail("cannot write " + exe);
  if (!log.empty()) WriteText(log, "Build of '" + exe + "' succeeded.\r\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && args[0] == "/args") {
    for (size_t i = 1; i < args.size(); ++i)
      std::printf("[%s]", args[i].c_str());
    return 0;
  }
  if (args.size() >= 2 && args[0] == "/exit") {
    std::fprintf(stderr, "%s", args.size() >= 3 ? args[2].c_str() : "");
    return std::atoi(args[1].c_str());
  }
  if (!Value(args, "/make").empty()) return Make(args);
  std::fprintf(stderr, "usage: VB6 /make Project.vbp [/outdir Folder] [/out LogFile]\n");
  return 2;
}

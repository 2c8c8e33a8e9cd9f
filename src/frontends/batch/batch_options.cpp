#include "frontends/batch/batch_options.h"

#include <charconv>
#include <functional>
#include <map>

#include "driver/add_in_form.h"
#include "platform/system/code_pages.h"
#include "platform/system/environment.h"

namespace kestrix::batch {

const char* const kUsage =
    "usage: kestrix-batch build|clean PATH [options]     PATH: a .vbp or a .vbg\n"
    "       kestrix-batch check PATH                     check a .vbp or .vbg for compile "
    "errors, changing nothing\n"
    "       kestrix-batch config [KEY [VALUE]]           read or set a key of section "
    "\"Settings\"\n"
    "       kestrix-batch info PATH [--procs]            list projects, components and "
    "procedures\n"
    "  --                             ends the options: what follows is a path (\"--x.vbp\")\n"
    "  --scope group|project|module   what to work on; default project\n"
    "  --project NAME                 the active project (default: the group's startup "
    "project)\n"
    "  --module NAME                  the component whose code window is active (module "
    "scope)\n"
    "  --no-handlers                  no error handlers, line numbers only\n"
    "  --no-build                     no build folder, no compile\n"
    "  --build-root DIR               build folders under DIR\n"
    "  --name-in-folder               \"App BUILD 7\" instead of \"BUILD 7\"\n"
    "  --keep-line-numbers / --keep-handlers / --keep-modules\n"
    "                                 what clean leaves in place\n"
    "  --yes                          answer Yes / OK to the questions (default: No / Cancel)\n"
    "  --save                         afterwards save every changed component and project\n"
    "                                 where the IDE now holds it\n"
    "  --diff                         print a unified diff of every changed component, its\n"
    "                                 file names relative to the current folder (for patch\n"
    "                                 -p1 or git apply run there); with --format json each\n"
    "                                 diff is a JSON line {\"type\":\"diff\",...}\n"
    "  --format text|tsv|json         how the status and info are printed (default text)\n"
    "  --codepage N                   the Windows code page the project files name files in\n"
    "                                 (1252, 1251, 932, 936, 949, 950); by default a name\n"
    "                                 that matches no file is tried in each of these\n"
    "  --jobs N                       code modules worked on at once (default: as many as\n"
    "                                 the machine has processors; 1: one after another)\n"
    "  --help                         this text\n"
    "The Compiler setting (config Compiler '...') is run without a shell. It is split into\n"
    "words at blanks; '...' keeps its text as it stands, \"...\" too except that \\\" is a quote,\n"
    "a backslash before a blank or a quote outside quotes makes it part of the word, and every\n"
    "other backslash stays (C:\\VB98\\VB6.EXE needs no doubling). {project}, {exe}, {outdir}\n"
    "and their Wine forms {project_win}, {exe_win}, {outdir_win} each fill part of one word.\n";

namespace {

std::optional<Command> CommandNamed(const std::string& word) {
  static const std::map<std::string, Command> kCommands = {
      {"build", Command::kBuild},   {"clean", Command::kClean}, {"check", Command::kCheck},
      {"config", Command::kConfig}, {"info", Command::kInfo},   {"help", Command::kHelp}};
  auto it = kCommands.find(word);
  if (it == kCommands.end()) return std::nullopt;
  return it->second;
}

// Applies one flag; returns an error message, "" when it was good.
std::string ApplyFlag(BatchOptions& o, const std::string& flag,
                      const std::function<std::optional<std::string>()>& value) {
  static const std::map<std::string, bool BatchOptions::*> kSwitches = {
      {"--no-handlers", &BatchOptions::no_handlers},
      {"--no-build", &BatchOptions::no_build},
      {"--name-in-folder", &BatchOptions::name_in_folder},
      {"--keep-line-numbers", &BatchOptions::keep_line_numbers},
      {"--keep-handlers", &BatchOptions::keep_handlers},
      {"--keep-modules", &BatchOptions::keep_modules},
      {"--yes", &BatchOptions::yes},
      {"--save", &BatchOptions::save},
      {"--diff", &BatchOptions::diff},
      {"--procs", &BatchOptions::procs}};
  if (auto it = kSwitches.find(flag); it != kSwitches.end()) {
    o.*(it->second) = true;
    return "";
  }
  if (flag != "--scope" && flag != "--project" && flag != "--module" && flag != "--build-root" &&
      flag != "--format" && flag != "--codepage" && flag != "--jobs") {
    return "unknown option " + flag;
  }
  std::optional<std::string> v = value();
  if (!v) return flag + " needs a value";
  if (flag == "--project") o.project = *v;
  if (flag == "--module") o.module = *v;
  if (flag == "--build-root") o.build_root = system::FromNativePath(*v);
  if (flag == "--scope") {
    static const std::map<std::string, int> kScopes = {{"group", driver::kScopeGroup},
                                                       {"project", driver::kScopeActiveProject},
                                                       {"module", driver::kScopeActiveModule}};
    auto it = kScopes.find(*v);
    if (it == kScopes.end()) return "--scope takes group, project or module, not " + *v;
    o.scope = it->second;
  }
  if (flag == "--codepage") {
    int page = 0;
    auto [end, ec] = std::from_chars(v->data(), v->data() + v->size(), page);
    if (ec != std::errc() || end != v->data() + v->size() || page <= 0 ||
        !system::AnsiToUtf8(page, "")) {
      return "--codepage takes a Windows code page number (1252, 1251, 932, ...), not " + *v;
    }
    o.code_page = page;
  }
  if (flag == "--jobs") {
    unsigned jobs = 0;
    auto [end, ec] = std::from_chars(v->data(), v->data() + v->size(), jobs);
    if (ec != std::errc() || end != v->data() + v->size() || jobs == 0 || jobs > 256) {
      return "--jobs takes a number of modules from 1 to 256, not " + *v;
    }
    o.jobs = jobs;
  }
  if (flag == "--format") {
    static const std::map<std::string, OutputFormat> kFormats = {
        {"text", OutputFormat::kText}, {"tsv", OutputFormat::kTsv}, {"json", OutputFormat::kJson}};
    auto it = kFormats.find(*v);
    if (it == kFormats.end()) return "--format takes text, tsv or json, not " + *v;
    o.format = it->second;
  }
  return "";
}

}  // namespace

ParseResult ParseCommandLine(const std::vector<std::string>& args) {
  ParseResult r;
  std::vector<std::string> positional;
  bool options_ended = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (options_ended) {
      positional.push_back(a);
      continue;
    }
    if (a == "--") {
      options_ended = true;
      continue;
    }
    if (a == "--help" || a == "-h") {
      r.options.command = Command::kHelp;
      return r;
    }
    if (a.size() > 1 && a[0] == '-') {
      auto value = [&]() -> std::optional<std::string> {
        if (i + 1 >= args.size()) return std::nullopt;
        return args[++i];
      };
      r.error = ApplyFlag(r.options, a, value);
      if (!r.error.empty()) return r;
      continue;
    }
    positional.push_back(a);
  }
  if (positional.empty()) {
    r.error = "no command given";
    return r;
  }
  std::optional<Command> command = CommandNamed(positional[0]);
  if (!command) {
    r.error = "unknown command " + positional[0];
    return r;
  }
  r.options.command = *command;
  positional.erase(positional.begin());
  if (*command == Command::kConfig) {
    if (positional.size() > 2) r.error = "config takes at most a key and a value";
    r.options.config_args = positional;
    return r;
  }
  if (*command == Command::kHelp) return r;
  if (positional.size() != 1) {
    r.error =
        positional.empty() ? "no project or group file given" : "one project or group file only";
    return r;
  }
  r.options.path = system::FromNativePath(positional[0]);
  return r;
}

}  // namespace kestrix::batch

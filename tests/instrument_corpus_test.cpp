// Instrumenting the modules of tests/corpus, each in a shape real VB code has: the copy must
// not hold a compile error that the original did not have, a second run must change nothing,
// and cleaning must give back the original file byte for byte.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "engine/clean_pass.h"
#include "engine/engine_state.h"
#include "engine/module_pass.h"
#include "host/ide.h"
#include "platform/vbfiles/compiler.h"
#include "platform/vbfiles/file_component.h"
#include "platform/vbfiles/file_ide.h"
#include "support/fakes.h"
#include "support/test_support.h"

namespace kestrix {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;

// The main window's state for a corpus module, with a handler template of several lines.
testing::TestState State(const std::string& module) {
  testing::TestState state;
  state.module_name = module;
  state.handler =
      "\tSelect Case MsgBox(Err.Description, vbAbortRetryIgnore, MODULENAME_ & \".\" & "
      "PROCNAME_ & \" line \" & Erl)\r\n\tCase vbRetry\r\n\t\tResume\r\n\tCase vbIgnore\r\n"
      "\t\tResume Next\r\n\tCase Else\r\n\t\tEnd\r\n\tEnd Select\r\n";
  return state;
}

// One corpus module loaded from a copy in a project of its own.
struct Loaded {
  explicit Loaded(const std::string& file) {
    name = fs::path(file).stem().string();
    original = ReadFile(file);
    path = dir.Write(name + ".bas", original);
    dir.Write("Corpus.vbp",
              "Type=Exe\r\nModule=" + name + "; " + name + ".bas\r\nName=\"Corpus\"\r\n");
    ide.Open(dir.Path("Corpus.vbp"));
    component = dynamic_cast<vbfiles::FileComponent*>(&ide.Item(1).VBComponents().Item(1));
  }
  host::CodeModule& code() { return *component->GetCodeModule(); }
  std::string Text() { return code().Lines(1, code().CountOfLines()); }
  // The messages of the compile errors the checker finds (lines move, so they are left out).
  std::multiset<std::string> Errors() {
    std::multiset<std::string> errors;
    for (const auto& problem : vbfiles::CheckComponent(*component)) {
      if (!problem.warning) errors.insert(problem.message);
    }
    return errors;
  }
  std::string SavedBytes() {
    std::string copy = dir.Path("saved/" + name + ".bas");
    fs::create_directories(dir.Path("saved"));
    component->SaveAs(copy);
    return ReadFile(copy);
  }

  TempDir dir;
  std::string name, original, path;
  vbfiles::FileIde ide;
  vbfiles::FileComponent* component = nullptr;
};

// The file as VB writes it: every line ended by CR LF (CR-only and LF-only files come back so).
std::string WithCrLf(const std::string& bytes) {
  if (bytes.find("\r\n") != std::string::npos) return bytes;
  std::string out;
  for (char c : bytes) {
    if (c == '\r' || c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::vector<std::string> CorpusFiles() {
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(testing::SourceDir() + "/tests/corpus")) {
    if (entry.path().extension() == ".bas") files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// Errors of `after` that `before` does not have.
std::vector<std::string> NewErrors(const std::multiset<std::string>& before,
                                   const std::multiset<std::string>& after) {
  std::vector<std::string> added;
  std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                      std::back_inserter(added));
  return added;
}

std::string Joined(const std::vector<std::string>& items) {
  std::string out;
  for (const auto& item : items)
    out += item + "\n";
  return out;
}

TEST(InstrumentCorpus, EveryShapeInstrumentsCleanlyAndCleansBackToTheOriginal) {
  std::vector<std::string> files = CorpusFiles();
  ASSERT_GE(files.size(), 8u);
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    Loaded module(file);
    if (module.original.find("-- Kestrix Begin") != std::string::npos) continue;
    std::multiset<std::string> before = module.Errors();
    testing::TestState build = State(module.name);
    ASSERT_TRUE(engine::InstrumentModule(build, &module.code()));
    for (const auto& row : build.status.rows())
      EXPECT_TRUE(row.notes.starts_with("Ok")) << row.notes;
    std::string instrumented = module.Text();
    EXPECT_EQ(Joined(NewErrors(before, module.Errors())), "") << instrumented;
    int32_t longest = 0;
    for (int32_t i = 1; i <= module.code().CountOfLines(); ++i)
      longest = std::max(longest, static_cast<int32_t>(module.code().Lines(i, 1).size()));
    EXPECT_LE(longest, 1023);

    testing::TestState again = State(module.name);
    ASSERT_TRUE(engine::InstrumentModule(again, &module.code()));
    EXPECT_EQ(module.Text(), instrumented) << "a second run changed the module";

    testing::TestState clean = State(module.name);
    ASSERT_TRUE(engine::CleanModule(clean, &module.code()));
    EXPECT_TRUE(module.SavedBytes() == WithCrLf(module.original)) << module.Text();
  }
}

}  // namespace
}  // namespace kestrix

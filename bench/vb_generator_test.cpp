#include "vb_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "support/test_support.h"

namespace kestrix::bench {
namespace {

namespace fs = std::filesystem;
using testing::Crlf;
using testing::ReadFile;
using testing::TempDir;

// Splits a file's bytes on CR LF; a bare CR or LF, or a last line without its break, is a
// fault.
std::vector<std::string> CrlfLines(std::string_view bytes, std::vector<std::string>& faults) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < bytes.size()) {
    const size_t end = bytes.find("\r\n", pos);
    if (end == std::string_view::npos) {
      faults.push_back("no CR LF after the last line");
      break;
    }
    lines.emplace_back(bytes.substr(pos, end - pos));
    if (lines.back().find_first_of("\r\n") != std::string::npos) {
      faults.push_back("bare CR or LF in line " + std::to_string(lines.size()));
    }
    pos = end + 2;
  }
  return lines;
}

std::string_view Trim(std::string_view text) {
  const size_t start = text.find_first_not_of(' ');
  return start == std::string_view::npos ? std::string_view() : text.substr(start);
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The kind of a procedure header ("Sub", "Property", ...), or "" for any other statement.
std::string HeaderKind(std::string_view line) {
  for (std::string_view scope : {"Public ", "Private ", "Friend "}) {
    if (StartsWith(line, scope)) line.remove_prefix(scope.size());
  }
  for (std::string_view kind : {"Sub ", "Function ", "Property "}) {
    if (StartsWith(line, kind)) return std::string(kind.substr(0, kind.size() - 1));
  }
  return "";
}

// What VB's compiler would refuse in the code of a module, and how many lines its code
// window shows. Statements continued with " _" are joined first.
struct CodeReport {
  int64_t code_lines = 0;
  std::vector<std::string> faults;
};

class CodeChecker {
 public:
  CodeReport Check(const std::vector<std::string>& lines, size_t first) {
    std::string statement;
    for (size_t i = first; i < lines.size(); ++i) {
      if (lines[i].size() > 1023) Fault("line longer than 1023 characters");
      if (StartsWith(lines[i], "Attribute ")) continue;  // member attributes are hidden
      ++report_.code_lines;
      statement += std::string(Trim(lines[i]));
      if (statement.size() >= 2 && statement.ends_with(" _")) {
        statement.resize(statement.size() - 1);
        continue;
      }
      Statement(statement);
      statement.clear();
    }
    if (!proc_.empty()) Fault(proc_ + " has no End");
    if (report_.code_lines > 65534) Fault("more than 65534 lines");
    return report_;
  }

 private:
  void Fault(const std::string& what) { report_.faults.push_back(what); }

  void Statement(std::string_view line) {
    if (after_select_ && !line.starts_with("Case ")) Fault("Select Case not followed by a Case");
    after_select_ = false;
    if (line.empty() || line.starts_with("'")) return;
    if (const std::string kind = HeaderKind(line); !kind.empty()) {
      if (!proc_.empty()) Fault(std::string(line) + " inside " + proc_);
      proc_ = kind;
      labels_.clear();
      targets_.clear();
    } else if (line == "End " + proc_) {
      if (!blocks_.empty()) Fault(blocks_.back() + " left open before End " + proc_);
      for (const std::string& target : targets_) {
        if (std::count(labels_.begin(), labels_.end(), target) == 0) Fault("no label " + target);
      }
      proc_.clear();
    } else if (line.ends_with(":") && line.find(' ') == std::string_view::npos) {
      const std::string label(line.substr(0, line.size() - 1));
      if (std::count(labels_.begin(), labels_.end(), label) != 0) Fault("label twice: " + label);
      labels_.push_back(label);
    } else {
      Block(line);
    }
  }

  void Block(std::string_view line) {
    if (const size_t go = line.find("GoTo "); go != std::string_view::npos) {
      const std::string target(line.substr(go + 5));
      if (target != "0") targets_.push_back(target);
    }
    if (line.starts_with("If ") && line.ends_with(" Then")) return Open("If");
    if (line.starts_with("For ")) return Open("For");
    if (line == "Do" || line.starts_with("Do ")) return Open("Do");
    if (line.starts_with("Select Case ")) {
      after_select_ = true;
      return Open("Select");
    }
    if (line.starts_with("ElseIf ") || line == "Else") return Expect("If", line);
    if (line == "End If") return Close("If", line);
    if (line.starts_with("Next")) return Close("For", line);
    if (line.starts_with("Loop")) return Close("Do", line);
    if (line == "End Select") return Close("Select", line);
    if (line.starts_with("Case ")) return Expect("Select", line);
    if (line.starts_with("End ") && line != "End Type" && line != "End Enum") {
      Fault("stray " + std::string(line));
    }
  }

  void Open(const std::string& block) {
    if (proc_.empty()) Fault(block + " outside a procedure");
    blocks_.push_back(block);
  }
  void Expect(const std::string& block, std::string_view line) {
    if (blocks_.empty() || blocks_.back() != block) Fault("misplaced " + std::string(line));
  }
  void Close(const std::string& block, std::string_view line) {
    Expect(block, line);
    if (!blocks_.empty()) blocks_.pop_back();
  }

  CodeReport report_;
  std::string proc_;  // kind of the open procedure, "" between procedures
  std::vector<std::string> blocks_;
  std::vector<std::string> labels_;
  std::vector<std::string> targets_;
  bool after_select_ = false;
};

// The code of a component file starts after its last module attribute.
CodeReport CheckComponent(std::string_view bytes) {
  std::vector<std::string> faults;
  const std::vector<std::string> lines = CrlfLines(bytes, faults);
  size_t first = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (StartsWith(lines[i], "Attribute VB_")) first = i + 1;
  }
  CodeReport report = CodeChecker().Check(lines, first);
  report.faults.insert(report.faults.end(), faults.begin(), faults.end());
  return report;
}

std::map<std::string, std::string> ReadTree(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    if (entry.is_regular_file()) {
      files[fs::relative(entry.path(), dir).string()] = ReadFile(entry.path().string());
    }
  }
  return files;
}

TEST(CodeCheckerTest, FindsWhatVbWouldRefuse) {
  const std::vector<std::string> broken = {
      "Sub A()|Dim n As Long|n = 1",                            // no End Sub
      "Sub A()|If n Then|End Sub",                              // If left open
      "Sub A()|Select Case n|n = 1|Case 1|End Select|End Sub",  // Select not by Case
      "Sub A()|Step1:|Step1:|End Sub",                          // label twice
      "Sub A()|If n > 1 Then GoTo Step9|End Sub",               // GoTo nowhere
      "Sub A()|Next i|End Sub",                                 // Next without For
      "Sub A()|Sub B()|End Sub|End Sub",                        // header inside
  };
  for (const std::string& code : broken) {
    EXPECT_FALSE(CheckComponent(Crlf("Attribute VB_Name = \"m\"|" + code)).faults.empty()) << code;
  }
  EXPECT_FALSE(CheckComponent("Attribute VB_Name = \"m\"\r\nx = 1\n").faults.empty());
  const CodeReport good = CheckComponent(
      Crlf("Attribute VB_Name = \"m\"|Sub A( _|x)|Step1:|Select Case n|Case 1|End Select|End Sub"));
  EXPECT_TRUE(good.faults.empty());
  EXPECT_EQ(7, good.code_lines);
}

TEST(VbGeneratorTest, ModuleHasExactlyTheLinesAsked) {
  for (const int64_t lines : {0, 1, 4, 5, 9, 37, 1000, 65534}) {
    const std::string bytes = GenerateModule("modBig", lines, 3);
    ASSERT_TRUE(bytes.starts_with("Attribute VB_Name = \"modBig\"\r\n")) << lines;
    const CodeReport report = CheckComponent(bytes);
    EXPECT_EQ(lines, report.code_lines);
    EXPECT_EQ(std::vector<std::string>(), report.faults) << lines;
    EXPECT_EQ(lines >= 5, bytes.find("\r\nPublic Sub Main()\r\n") != std::string::npos);
  }
  EXPECT_THROW(GenerateModule("m", 65535), std::invalid_argument);
  EXPECT_THROW(GenerateModule("m", -1), std::invalid_argument);
}

TEST(VbGeneratorTest, SameSeedGivesSameBytes) {
  TempDir first, again, other;
  GenerateGroup(first.path(), 20000, 7);
  GenerateGroup(again.path(), 20000, 7);
  GenerateGroup(other.path(), 20000, 8);
  EXPECT_TRUE(ReadTree(first.path()) == ReadTree(again.path()));
  EXPECT_FALSE(ReadTree(first.path()) == ReadTree(other.path()));
  EXPECT_EQ(GenerateModule("m", 5000, 7), GenerateModule("m", 5000, 7));
}

// Every component a project file names exists, and every form has its .frx.
void CheckProjectFile(const fs::path& vbp, std::vector<std::string>& faults) {
  const std::vector<std::string> lines = CrlfLines(ReadFile(vbp.string()), faults);
  for (const std::string& line : lines) {
    std::string path;
    if (line.starts_with("Form=")) path = line.substr(5);
    if (line.starts_with("Module=") || line.starts_with("Class=")) {
      path = line.substr(line.find("; ") + 2);
    }
    if (path.empty()) continue;
    std::replace(path.begin(), path.end(), '\\', '/');
    const fs::path file = vbp.parent_path() / path;
    if (!fs::exists(file)) faults.push_back("missing " + file.string());
    if (file.extension() == ".frm" && !fs::exists(fs::path(file).replace_extension(".frx"))) {
      faults.push_back("no .frx beside " + file.string());
    }
  }
}

TEST(VbGeneratorTest, GroupHitsItsSizeInValidCode) {
  for (const int64_t total : {1000, 90000}) {
    TempDir dir;
    const GeneratedGroup group = GenerateGroup(dir.path(), total);
    EXPECT_NEAR(static_cast<double>(total), static_cast<double>(group.code_lines),
                static_cast<double>(total) * 0.03);
    int64_t lines = 0, files = 0;
    std::vector<std::string> faults;
    for (const auto& [name, bytes] : ReadTree(dir.path())) {
      ++files;
      const std::string extension = fs::path(name).extension().string();
      if (extension == ".vbp") CheckProjectFile(dir.Path(name), faults);
      if (extension == ".vbg") CrlfLines(bytes, faults);
      if (extension != ".bas" && extension != ".cls" && extension != ".frm") continue;
      const CodeReport report = CheckComponent(bytes);
      lines += report.code_lines;
      for (const std::string& fault : report.faults)
        faults.push_back(name + ": " + fault);
    }
    EXPECT_EQ(std::vector<std::string>(), faults);
    EXPECT_EQ(group.code_lines, lines);
    EXPECT_EQ(group.files, files);
    EXPECT_TRUE(ReadFile(group.group_file).starts_with("VBGROUP 5.0\r\nStartupProject="));
  }
}

TEST(VbGeneratorTest, ModuleProjectStartsFromSubMain) {
  TempDir dir;
  const GeneratedGroup project = GenerateModuleProject(dir.Path("one"), 800);
  EXPECT_EQ(dir.Path("one/Bench.vbp"), project.group_file);
  EXPECT_EQ(800, CheckComponent(ReadFile(dir.Path("one/modBench.bas"))).code_lines);
  std::vector<std::string> faults;
  CheckProjectFile(project.group_file, faults);
  EXPECT_EQ(std::vector<std::string>(), faults);
  EXPECT_NE(std::string::npos, ReadFile(project.group_file).find("\r\nStartup=\"Sub Main\"\r\n"));
}

TEST(VbGeneratorTest, UniformModulesHaveTheirSizeInEveryForm) {
  struct FormCase {
    const char* name;
    int64_t proc_lines;
    int64_t headers_per_proc;  // header lines each procedure writes
    int64_t ends_missing;      // End lines left out
  };
  const FormCase cases[] = {
      {"plain", 4, 1, 0},          {"if-header", 4, 1, 0}, {"if-wrapped", 6, 1, 0},
      {"if-else-header", 7, 2, 0}, {"continued", 5, 1, 0}, {"open-end", 3, 1, 1},
      {"one-line", 1, 1, 0},       {"commented", 5, 1, 0},
  };
  for (const auto& c : cases) {
    ProcForm form = ProcForm::kPlain;
    ASSERT_TRUE(ParseProcForm(c.name, form)) << c.name;
    for (int64_t lines : {0, 1, 61, 65534}) {
      std::vector<std::string> faults;
      std::vector<std::string> code =
          CrlfLines(GenerateUniformModule("modU", lines, c.proc_lines, form), faults);
      EXPECT_TRUE(faults.empty()) << c.name;
      ASSERT_FALSE(code.empty());
      code.erase(code.begin());  // Attribute VB_Name
      EXPECT_EQ(static_cast<int64_t>(code.size()), lines) << c.name;
      if (form == ProcForm::kPlain) continue;  // its last procedure may be shorter
      int64_t headers = 0, ends = 0;
      for (const auto& line : code) {
        headers += line.starts_with("Public Sub P");
        ends += line.ends_with("End Sub");
      }
      const int64_t procs = lines / c.proc_lines;
      EXPECT_EQ(headers, procs * c.headers_per_proc) << c.name << " " << lines;
      EXPECT_EQ(ends, procs == 0 ? 0 : procs - c.ends_missing) << c.name << " " << lines;
    }
    EXPECT_THROW(GenerateUniformModule("modU", 10, MinProcLines(form) - 1, form),
                 std::invalid_argument)
        << c.name;
  }
  ProcForm form;
  EXPECT_FALSE(ParseProcForm("square", form));
}

}  // namespace
}  // namespace kestrix::bench

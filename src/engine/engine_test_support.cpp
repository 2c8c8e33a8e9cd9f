#include "engine/engine_test_support.h"

#include <sys/stat.h>

namespace kestrix::engine {

ModuleFixture::ModuleFixture(const std::string& code, bool read_only) {
  file_ = dir_.Write("Module1.bas", "Attribute VB_Name = \"Module1\"\r\n" + code);
  if (read_only) ::chmod(file_.c_str(), 0444);
  dir_.Write("Project1.vbp", "Type=Exe\r\nModule=Module1; Module1.bas\r\nName=\"Project1\"\r\n");
  ide_.Open(dir_.Path("Project1.vbp"));
  code_ = ide_.Item(1).VBComponents().Item(1).GetCodeModule();
}

std::string ModuleFixture::Text() const {
  int32_t n = code_->CountOfLines();
  return n == 0 ? "" : code_->Lines(1, n) + "\r\n";
}

std::string L(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines)
    out += line + "\r\n";
  return out;
}

}  // namespace kestrix::engine

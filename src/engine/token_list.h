#pragma once

// clsTokenList: a list of tokens kept as one text in which every token is followed by a
// separator, handed out one by one by a scan. The instrumentation cuts multi-line texts into
// lines with it (separator CR LF, trimming off).
//
// Scan order: set Value (or add tokens), InitScan, then NextToken while Done is false. The
// separator after the last token yields no empty token; a remainder of only blanks is
// dropped; empty tokens between two separators are kept. Comparisons are exact. The
// separator should not be empty; an empty one hands out the rest of the text as one token.

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace kestrix::engine {

class clsTokenList {
 public:
  // Raised by NextToken and PreviewToken outside a scan (as a signed 32-bit value).
  static constexpr int32_t kErrNoScan = static_cast<int32_t>(0x8004041A);

  const std::string& Separator() const { return separator_; }
  void SetSeparator(std::string separator) { separator_ = std::move(separator); }
  bool Trimmed() const { return trimmed_; }
  void SetTrimmed(bool trimmed) { trimmed_ = trimmed; }

  const std::string& Value() const { return value_; }
  void SetValue(std::string value) { value_ = std::move(value); }  // does not start a scan
  bool Done() const { return done_; }

  // Writes Value as one line ended by a line break.
  void ToFileLine(std::ostream& file) const;
  // Replaces Value with the next line of the file.
  void FromFileLine(std::istream& file);
  // Writes every token as a line of its own (creating or overwriting the file). Throws
  // host::IdeError when the file cannot be written.
  void ToTextFile(const std::string& file_name);
  // Clear, then one token per line of the file. Throws host::IdeError when it cannot be read.
  void FromTextFile(const std::string& file_name);

  // The number of tokens; leaves the scan at its end.
  int32_t Count();
  void Clear() { value_.clear(); }
  void AddToken(const std::string& token) { value_ += token + separator_; }
  void AddTokens(const std::string& token, const std::vector<std::string>& tokens);

  void InitScan();
  // The next token. Throws host::IdeError kErrNoScan ("Initscan non effettuata", source
  // "tkList.NextToken") outside a scan.
  std::string NextToken();
  // The token NextToken would hand out, without moving on; same error (source
  // "tkList.PreviewToken").
  std::string PreviewToken();

 private:
  std::string GetToken(std::string& text) const;
  void CheckScan(const char* source) const;

  std::string separator_ = "|";
  bool trimmed_ = true;
  std::string value_;
  std::string buffer_;
  bool scan_started_ = false;
  bool done_ = false;
};

}  // namespace kestrix::engine

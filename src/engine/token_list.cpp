#include "engine/token_list.h"

#include <fstream>

#include "host/ide_error.h"

namespace kestrix::engine {
namespace {

bool OnlyBlanks(const std::string& s) {
  return s.find_first_not_of(' ') == std::string::npos;
}

std::string TrimBlanks(const std::string& s) {
  size_t begin = s.find_first_not_of(' ');
  if (begin == std::string::npos) return "";
  size_t end = s.find_last_not_of(' ');
  return s.substr(begin, end - begin + 1);
}

}  // namespace

void clsTokenList::ToFileLine(std::ostream& file) const {
  file << value_ << "\r\n";
}

void clsTokenList::FromFileLine(std::istream& file) {
  std::string line;
  std::getline(file, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  value_ = line;
}

void clsTokenList::ToTextFile(const std::string& file_name) {
  std::ofstream out(file_name, std::ios::binary | std::ios::trunc);
  if (!out) {
    throw host::IdeError(host::kErrPathFileAccess, "Cannot write " + file_name,
                         "tkList.ToTextFile");
  }
  InitScan();
  while (!done_)
    out << NextToken() << "\r\n";
  if (!out.flush()) {
    throw host::IdeError(host::kErrPathFileAccess, "Cannot write " + file_name,
                         "tkList.ToTextFile");
  }
}

void clsTokenList::FromTextFile(const std::string& file_name) {
  std::ifstream in(file_name, std::ios::binary);
  if (!in) {
    throw host::IdeError(host::kErrFileNotFound, "Cannot read " + file_name, "tkList.FromTextFile");
  }
  Clear();
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    AddToken(line);
  }
}

int32_t clsTokenList::Count() {
  int32_t n = 0;
  InitScan();
  while (!done_) {
    NextToken();
    ++n;
  }
  return n;
}

void clsTokenList::AddTokens(const std::string& token, const std::vector<std::string>& tokens) {
  AddToken(token);
  for (const auto& t : tokens)
    AddToken(t);
}

std::string clsTokenList::GetToken(std::string& text) const {
  // An empty separator would be found at the front forever and never shorten the text: take
  // the rest as the last token instead, so that a scan always ends.
  size_t p = separator_.empty() ? std::string::npos : text.find(separator_);
  std::string token;
  if (p == std::string::npos) {
    token = std::move(text);
    text.clear();
  } else {
    token = text.substr(0, p);
    text.erase(0, p + separator_.size());
  }
  return trimmed_ ? TrimBlanks(token) : token;
}

void clsTokenList::InitScan() {
  buffer_ = value_;
  scan_started_ = true;
  done_ = OnlyBlanks(buffer_);
}

void clsTokenList::CheckScan(const char* source) const {
  if (!scan_started_) throw host::IdeError(kErrNoScan, "Initscan non effettuata", source);
}

std::string clsTokenList::NextToken() {
  CheckScan("tkList.NextToken");
  std::string token = GetToken(buffer_);
  if (OnlyBlanks(buffer_)) {
    scan_started_ = false;
    done_ = true;
  }
  return token;
}

std::string clsTokenList::PreviewToken() {
  CheckScan("tkList.PreviewToken");
  std::string copy = buffer_;
  return GetToken(copy);
}

}  // namespace kestrix::engine

#include "platform/system/process.h"

namespace kestrix::system {

bool SplitCommandLine(const std::string& line, std::vector<std::string>& words,
                      std::string& error) {
  words.clear();
  std::string word;
  bool in_word = false;  // a word has begun, even if it is still empty ("")
  char quote = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    char next = i + 1 < line.size() ? line[i + 1] : 0;
    if (quote == '\'') {
      if (c == '\'') {
        quote = 0;
      } else {
        word += c;
      }
      continue;
    }
    if (quote == '"') {
      if (c == '\\' && next == '"') {
        word += '"';
        ++i;
      } else if (c == '"') {
        quote = 0;
      } else {
        word += c;
      }
      continue;
    }
    if (c == ' ' || c == '\t') {
      if (in_word) words.push_back(word);
      word.clear();
      in_word = false;
      continue;
    }
    in_word = true;
    if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '\\' && (next == ' ' || next == '\t' || next == '"' || next == '\'')) {
      word += next;
      ++i;
    } else {
      word += c;
    }
  }
  if (quote != 0) {
    error = std::string("the command line has an unclosed ") + quote;
    words.clear();
    return false;
  }
  if (in_word) words.push_back(word);
  return true;
}

}  // namespace kestrix::system

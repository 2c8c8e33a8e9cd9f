#include "platform/system/process.h"

#include "platform/system/environment.h"

namespace kestrix::system {
namespace {

// One argument as the C runtime's command-line parser gives it back: quoted when it is empty
// or holds a blank or a quote; inside quotes a run of backslashes is doubled before a quote
// (which is escaped) and at the end, and left alone elsewhere.
void AppendQuoted(const std::string& word, std::string& line) {
  if (!word.empty() && word.find_first_of(" \t\n\v\"") == std::string::npos) {
    line += word;
    return;
  }
  line += '"';
  size_t backslashes = 0;
  for (char c : word) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    line.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    line += c;
  }
  line.append(2 * backslashes, '\\');
  line += '"';
}

}  // namespace

bool NamesAProgram(const std::vector<std::string>& words, ProcessResult& result) {
  if (!words.empty() && !words[0].empty()) return true;
  result.error = "no program named";
  return false;
}

void KeepOutput(std::string_view bytes, size_t max, ProcessResult& result) {
  size_t room = max - result.output.size();
  result.output.append(bytes.substr(0, room));
  if (bytes.size() > room) result.output_cut = true;
}

std::string CommandLineOf(const std::vector<std::string>& words) {
  // The program's name is read by the system, not by the C runtime: quotes only, no escapes.
  std::string line = "\"" + ToNativePath(words[0]) + "\"";
  for (size_t i = 1; i < words.size(); ++i) {
    line += ' ';
    AppendQuoted(words[i], line);
  }
  return line;
}

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

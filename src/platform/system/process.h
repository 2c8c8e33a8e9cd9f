#pragma once

// Running another program without a shell: the program and its arguments are given as a
// list of words, so that no character of any word (a blank, a quote, `$(…)`) has a meaning
// to anyone but the program itself. This interface is what the rest of Kestrix uses;
// process_posix.cpp implements it with posix_spawnp, process_win32.cpp with CreateProcessW and
// one command line built from the words (CommandLineOf).

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kestrix::system {

struct ProcessResult {
  bool started = false;  // false: the program could not be started (`error` says why)
  bool exited = false;   // true: it ended by itself, with `exit_code`
  int exit_code = -1;
  int signal = 0;           // the signal that stopped it, when it did not end by itself
  std::string output;       // standard output and standard error, interleaved as written
  bool output_cut = false;  // more was written than `max_output`; the rest was dropped
  std::string error;
};

// Runs `words[0]` (looked up on PATH when it holds no '/') with `words[1..]` as its
// arguments, exactly as given; standard input is empty. On Windows a batch file (.bat, .cmd)
// is refused: the command interpreter would read its arguments as commands. Waits for it to
// end. At most `max_output` bytes of its output are kept; the rest is read and dropped, so that
// a program that writes without end cannot fill the memory nor block on a full pipe.
ProcessResult RunProcess(const std::vector<std::string>& words, size_t max_output);

// What every system's RunProcess shares: whether `words` name a program at all (false, with
// the reason in result.error, when not), and keeping what still fits of a program's output
// within `max` bytes (the rest marks the output cut).
bool NamesAProgram(const std::vector<std::string>& words, ProcessResult& result);
void KeepOutput(std::string_view bytes, size_t max, ProcessResult& result);

// The one Windows command line that a program built with the C runtime splits back into
// `words` (not empty): the program's name in quotes (it may hold no quote), then each argument,
// quoted and escaped by the runtime's rules only when it needs to be.
std::string CommandLineOf(const std::vector<std::string>& words);

// Splits a command line into words, once, by these rules (a small, predictable part of the
// POSIX shell's):
//  - blanks (spaces and tabs) outside quotes separate words;
//  - '…' keeps everything up to the next ' as it stands;
//  - "…" keeps everything up to the next " as it stands, except that \" is a quote;
//  - outside quotes a backslash before a blank or a quote makes that character part of the
//    word;
//  - every other backslash stays as it is, so that Windows paths (C:\VB98\VB6.EXE,
//    \\server\share) need no doubling; a path ending in a backslash goes in '…';
//  - quotes may stand inside a word (/out:"a b" is the one word /out:a b), and "" is an
//    empty word.
// Nothing else is special: no $, `, ~, *, ;, |, > or &. False, with the reason in `error`,
// for an unclosed quote.
bool SplitCommandLine(const std::string& line, std::vector<std::string>& words, std::string& error);

}  // namespace kestrix::system

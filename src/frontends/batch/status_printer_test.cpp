#include "frontends/batch/status_printer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "frontends/batch/text_escape.h"

namespace kestrix::batch {
namespace {

using Format = StatusPrinter::Format;
using host::StatusOutput;

// Standard output and standard error of one printer, as temporary files.
class Streams {
 public:
  Streams() : out_(std::tmpfile()), err_(std::tmpfile()) {}
  ~Streams() {
    std::fclose(out_);
    std::fclose(err_);
  }
  std::FILE* out() const { return out_; }
  std::FILE* err() const { return err_; }
  std::string Out() const { return Read(out_); }
  std::string Err() const { return Read(err_); }

 private:
  static std::string Read(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::string text;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
      text.append(buffer, n);
    return text;
  }
  std::FILE* out_;
  std::FILE* err_;
};

// A short build as the commands report it: fields, bars, two rows and the caption.
void RunBuild(driver::StatusModel& model, StatusPrinter& printer) {
  model.AddListener(&printer);
  model.Show();
  model.SetText(StatusOutput::kProjectField, "Shop");
  model.SetText(StatusOutput::kModuleField, "modTill");
  model.SetProgressMax(StatusOutput::kLinesBar, 200);
  model.SetProgressValue(StatusOutput::kLinesBar, 90);
  model.AddRow({"Shop", "modTill", "Checkout", "120", "Error handler added"});
  model.AddRow({"Shop", "frmMain", "", "", ""});
  model.SetCaption("Build Complete");
  printer.Finish(model.Caption());
}

TEST(StatusPrinterTest, FormatsRowsAndCaption) {
  struct Case {
    Format format;
    std::string expected;
  };
  const Case cases[] = {
      {Format::kJson,
       R"({"type":"row","project":"Shop","module":"modTill","member":"Checkout",)"
       R"("lines":"120","notes":"Error handler added"})"
       "\n"
       R"({"type":"row","project":"Shop","module":"frmMain","member":"","lines":"","notes":""})"
       "\n"
       R"({"type":"caption","caption":"Build Complete"})"
       "\n"},
      {Format::kText,
       "Project        Module               Member                              Lines Notes\n"
       "Shop           modTill              Checkout                              120 "
       "Error handler added\n"
       "Shop           frmMain\n"
       "\n"
       "Build Complete\n"},
  };
  for (const auto& c : cases) {
    Streams streams;
    driver::StatusModel model;
    // Progress is asked for of the others, to no effect; the text format is left to decide,
    // and shows none when standard error is a file.
    auto printer =
        c.format == Format::kText
            ? std::make_unique<StatusPrinter>(c.format, streams.out(), streams.err())
            : std::make_unique<StatusPrinter>(c.format, streams.out(), streams.err(), true);
    RunBuild(model, *printer);
    EXPECT_EQ(streams.Out(), c.expected) << static_cast<int>(c.format);
    EXPECT_EQ(streams.Err(), "") << static_cast<int>(c.format);
  }
}

// A row of the text format stays on one line, wherever in a cell a break or a tab lies;
// other control characters stay, and Windows-1252 text becomes UTF-8.
TEST(StatusPrinterTest, TextRowsStayOnOneLine) {
  auto cell = [](const std::string& text, size_t width) {
    return text + std::string(width - text.size(), ' ') + ' ';
  };
  struct Case {
    std::string member, notes;  // as the row holds them
    std::string member_shown, notes_shown;
  };
  const Case cases[] = {
      {"Sub\tWith\r\nBreaks\rAnd\nMore", "Ok", "Sub With Breaks And More", "Ok"},
      {"\tLead", "01234567\n9", " Lead", "01234567 9"},
      {"Trail\r\n", "0123456789abcdef\t", "Trail", "0123456789abcdef"},
      {"NoBreak\x0E\x1F", "seventh\tand\x0B\x0C", "NoBreak\x0E\x1F", "seventh and\x0B\x0C"},
      {"Caf\xE9", "d\xE9j\xE0 vu, a long note\twith a tab", "Caf\xC3\xA9",
       "d\xC3\xA9j\xC3\xA0 vu, a long note with a tab"},
  };
  for (const Case& c : cases) {
    Streams streams;
    StatusPrinter printer(Format::kText, streams.out(), streams.err(), false);
    printer.OnRow({"P", "m", c.member, "7", c.notes});
    printer.Finish("Done");
    // The member's column is as wide as the characters shown (é is one character).
    size_t wide = c.member_shown.size() - (c.member_shown.find('\xC3') != std::string::npos);
    std::string row = cell("P", 14) + cell("m", 20) + c.member_shown + std::string(34 - wide, ' ') +
                      "      7 " + c.notes_shown;
    EXPECT_EQ(streams.Out(), cell("Project", 14) + cell("Module", 20) + cell("Member", 34) +
                                 " Lines Notes\n" + row + "\n\nDone\n")
        << c.member;
  }
}

TEST(StatusPrinterTest, Messages) {
  struct Case {
    Format format;
    std::string expected;
  };
  const Case cases[] = {
      {Format::kTsv, "message\tKestrix\tSave first?\\nThen build.\\tOK\tNo\n"},
      {Format::kJson,
       R"({"type":"message","title":"Kestrix","text":"Save first?\u000D\u000AThen build.\u0009OK",)"
       R"("answer":"No"})"
       "\n"},
      {Format::kText, "Kestrix: Save first?\n  Then build.\tOK [No]\n"},
  };
  for (const auto& c : cases) {
    Streams streams;
    StatusPrinter printer(c.format, streams.out(), streams.err());
    printer.PrintMessage("Kestrix", "Save first?\r\nThen build.\tOK", "No");
    EXPECT_EQ(streams.Err(), c.expected) << static_cast<int>(c.format);
    EXPECT_EQ(streams.Out(), "") << static_cast<int>(c.format);
  }
}

TEST(StatusPrinterTest, TsvCellEscapes) {
  const std::pair<std::string, std::string> cases[] = {
      {"plain", "plain"},
      {"a\tb", "a\\tb"},
      {"a\r\nb\nc", "a\\nb\\nc"},
      {"a\rb", "a\\rb"},
      {"C:\\Build\\", "C:\\\\Build\\\\"},
      {"caf\xE9", "caf\xE9"},
  };
  for (const auto& [in, expected] : cases)
    EXPECT_EQ(TsvCell(in), expected) << in;
}

TEST(StatusPrinterTest, JsonStringEscapesAndConvertsWindowsAnsi) {
  const std::pair<std::string, std::string> cases[] = {
      {"", R"("")"},
      {R"(say "hi" \ bye)", R"("say \"hi\" \\ bye")"},
      {std::string("\x01\x1F\x7F", 3), R"("\u0001\u001F)"
                                       "\x7F\""},
      {"caf\xE9 \xFF", "\"caf\xC3\xA9 \xC3\xBF\""},  // Latin-1 range
      {"\x80 \x93q\x94 \x9F", "\"\xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D \xC5\xB8\""},
      {"\x81\x9D\xA0", "\"\xC2\x81\xC2\x9D\xC2\xA0\""},  // unassigned bytes, no-break space
  };
  for (const auto& [in, expected] : cases)
    EXPECT_EQ(JsonString(in), expected) << in;
}

// Rows are written in batches: a long run shows them before it ends, and every row comes out
// once, in order, before the caption.
TEST(StatusPrinterTest, RowsAreWrittenInBatchesInOrder) {
  Streams streams;
  StatusPrinter printer(Format::kTsv, streams.out(), streams.err());
  std::string expected;
  for (int k = 0; k < 3000; ++k) {
    std::string member = "Member" + std::to_string(k);
    printer.OnRow({"Shop", "modTill", member, "10", "Ok"});
    expected += "row\tShop\tmodTill\t" + member + "\t10\tOk\n";
  }
  std::string early = streams.Out();
  EXPECT_FALSE(early.empty());
  EXPECT_TRUE(expected.starts_with(early));
  printer.PrintMessage("Kestrix", "Continue?", "Yes");
  printer.Finish("Done");
  EXPECT_EQ(streams.Out(), expected + "caption\tDone\n");
}

TEST(StatusPrinterTest, ProgressRedrawsAtMostTwentyTimesASecond) {
  Streams streams;
  StatusPrinter printer(Format::kText, streams.out(), streams.err(), true);
  printer.OnText(StatusOutput::kModuleField, "modTill");
  auto start = std::chrono::steady_clock::now();
  for (int value = 0; value <= 100'000; ++value) {
    printer.OnProgress(StatusOutput::kLinesBar, value, 100'000);
  }
  auto elapsed = std::chrono::steady_clock::now() - start;
  std::string err = streams.Err();
  auto draws = std::count(err.begin(), err.end(), '\r');
  EXPECT_GE(draws, 1);
  EXPECT_LE(draws, 2 + elapsed / std::chrono::milliseconds(50));
}

}  // namespace
}  // namespace kestrix::batch

#include "templates/syntax_colouring.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <unordered_map>

#include "basic/source_line.h"

namespace kestrix::templates {

const std::string_view kFunctionKeywords =
    "*Abs*Add*AddItem*AppActivate*Array*Asc*Atn*Beep*Begin*BeginProperty*ChDir*ChDrive*Choose"
    "*Chr*Clear*Collection*Command*Cos*CreateObject*CurDir*DateAdd*DateDiff*DatePart*DateSerial"
    "*DateValue*Day*DDB*DeleteSetting*Dir*DoEvents*EndProperty*Environ*EOF*Err*Exp*FileAttr"
    "*FileCopy*FileDateTime*FileLen*Fix*Format*FV*GetAllSettings*GetAttr*GetObject*GetSetting"
    "*Hex*Hide*Hour*InputBox*InStr*Int*IPmt*IRR*IsArray*IsDate*IsEmpty*IsError*IsMissing*IsNull"
    "*IsNumeric*IsObject*Item*Kill*LCase*Left*Len*Load*Loc*LOF*Log*LTrim*Me*Mid*Minute*MIRR"
    "*MkDir*Month*Now*NPer*NPV*Oct*Pmt*PPmt*PV*QBColor*Raise*Randomize*Rate*Remove*RemoveItem"
    "*Reset*RGB*Right*RmDir*Rnd*RTrim*SaveSetting*Second*SendKeys*SetAttr*Sgn*Shell*Sin*SLN"
    "*Space*Sqr*Str*StrComp*StrConv*Switch*SYD*Tan*Text*Time*Timer*TimeSerial*TimeValue*Trim"
    "*TypeName*UCase*Unload*Val*VarType*WeekDay*Width*Year*";

const std::string_view kStatementKeywords =
    "*#Const*#Else*#ElseIf*#End If*#If*Alias*And*As*Base*Binary*Boolean*Byte*ByVal*Call*Case"
    "*CBool*CByte*CCur*CDate*CDbl*CDec*CInt*CLng*Close*Compare*Const*CSng*CStr*Currency*CVar"
    "*CVErr*Decimal*Declare*DefBool*DefByte*DefCur*DefDate*DefDbl*DefDec*DefInt*DefLng*DefObj"
    "*DefSng*DefStr*DefVar*Dim*Do*Double*Each*Else*ElseIf*End*Enum*Eqv*Erase*Error*Exit"
    "*Explicit*False*For*Function*Get*Global*GoSub*GoTo*If*Imp*In*Input*Integer*Is*LBound*Let"
    "*Lib*Like*Line*Lock*Long*Loop*LSet*Name*New*Next*Not*Object*On*Open*Option*Or*Output*Print"
    "*Private*Property*Public*Put*Random*Read*ReDim*Resume*Return*RSet*Seek*Select*Set*Single"
    "*Spc*Static*String*Stop*Sub*Tab*Then*True*Type*UBound*Unlock*Variant*Wend*While*With*Xor"
    "*Nothing*To*";

namespace {

bool IsWordChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

// One keyword list as a table from the upper-case word to the list's spelling. Entries that
// no word can equal (those holding "#" or a blank) are left out.
class KeywordTable {
 public:
  explicit KeywordTable(std::string_view list) {
    size_t start = 0;
    while (start < list.size()) {
      size_t end = std::min(list.find('*', start), list.size());
      std::string_view entry = list.substr(start, end - start);
      if (!entry.empty() && std::all_of(entry.begin(), entry.end(), IsWordChar)) {
        spellings_.emplace(basic::ToUpper(entry), entry);
      }
      start = end + 1;
    }
  }

  const std::string_view* Find(std::string_view word) const {
    auto found = spellings_.find(basic::ToUpper(word));
    return found == spellings_.end() ? nullptr : &found->second;
  }

 private:
  std::unordered_map<std::string, std::string_view> spellings_;
};

const KeywordTable& FunctionTable() {
  static const KeywordTable table(kFunctionKeywords);
  return table;
}

const KeywordTable& StatementTable() {
  static const KeywordTable table(kStatementKeywords);
  return table;
}

// The pass over the text. Colours are kept per byte and turned into ranges at the end, so
// that a later colouring of the same bytes replaces an earlier one, as it does in a control.
class Colourer {
 public:
  explicit Colourer(std::string_view text) : text_(text), paint_(text.size(), kNone) {}

  Colouring Run();

 private:
  static constexpr uint8_t kNone = 0xFF;

  size_t LiteralEnd(size_t quote) const;
  size_t LineEnd(size_t from) const;
  std::optional<size_t> CompleteWord(size_t at);
  void Paint(size_t begin, size_t end, Colour colour);
  std::vector<ColourRange> Ranges() const;

  std::string text_;
  std::vector<uint8_t> paint_;
  size_t word_start_ = 0;
  size_t word_length_ = 0;  // 0: no word pending
};

// Just past the quote that closes the literal opened at `quote`; the end of the text when the
// literal is not closed within the scan limit.
size_t Colourer::LiteralEnd(size_t quote) const {
  std::string_view scanned = std::string_view(text_).substr(0, quote + 1 + kScanLimit);
  size_t end = basic::LiteralEnd(scanned, quote);
  return end == scanned.size() && scanned.back() != '"' ? text_.size() : end;
}

// Where the CR LF at or after `from` starts; the end of the text when there is none within
// the scan limit.
size_t Colourer::LineEnd(size_t from) const {
  size_t last = std::min(text_.size(), from + kScanLimit);
  for (size_t i = from; i + 1 < text_.size() && i < last; ++i) {
    if (text_[i] == '\r' && text_[i + 1] == '\n') return i;
  }
  return text_.size();
}

void Colourer::Paint(size_t begin, size_t end, Colour colour) {
  std::fill(paint_.begin() + static_cast<ptrdiff_t>(begin),
            paint_.begin() + static_cast<ptrdiff_t>(end), static_cast<uint8_t>(colour));
}

// Looks up the pending word, which ends before `at`. A keyword is coloured and respelt; REM
// starts a comment, and the pass goes on at the comment's end, which is returned.
std::optional<size_t> Colourer::CompleteWord(size_t at) {
  size_t start = word_start_;
  size_t end = start + word_length_;
  word_length_ = 0;
  std::string_view word(text_.data() + start, end - start);
  if (const std::string_view* spelling = FunctionTable().Find(word)) {
    Paint(start, end, Colour::kBlack);
    text_.replace(start, spelling->size(), *spelling);
  } else if (const std::string_view* keyword = StatementTable().Find(word)) {
    Paint(start, end, Colour::kBlue);
    text_.replace(start, keyword->size(), *keyword);
  } else if (basic::IsRemAt(word, 0)) {
    size_t comment_end = LineEnd(start);
    Paint(start, comment_end, Colour::kGreen);
    // A literal spanning lines may lie between the word and `at`: never go back over it.
    return std::max(comment_end, at);
  }
  return std::nullopt;
}

Colouring Colourer::Run() {
  size_t p = 0;
  while (p < text_.size()) {
    char c = text_[p];
    if (IsWordChar(c)) {
      // Letters right after a literal do not extend the word pending before it: a word is
      // always one run of letters, so respelling it never touches anything else.
      if (word_length_ > 0 && word_start_ + word_length_ != p) {
        if (auto resume = CompleteWord(p)) {
          p = *resume;
          continue;
        }
      }
      if (word_length_ == 0) word_start_ = p;
      ++word_length_;
      ++p;
    } else if (c == '"') {
      p = LiteralEnd(p);
    } else if (c == '\'') {
      size_t end = LineEnd(p);
      Paint(p, end, Colour::kGreen);
      p = end;
    } else if (word_length_ > 0) {
      std::optional<size_t> resume = CompleteWord(p);
      p = resume ? *resume : p + 1;
    } else {
      ++p;
    }
  }
  if (word_length_ > 0) CompleteWord(p);
  return {std::move(text_), Ranges()};
}

std::vector<ColourRange> Colourer::Ranges() const {
  std::vector<ColourRange> ranges;
  size_t i = 0;
  while (i < paint_.size()) {
    size_t run = i;
    while (run < paint_.size() && paint_[run] == paint_[i])
      ++run;
    if (paint_[i] != kNone) ranges.push_back({i, run - i, static_cast<Colour>(paint_[i])});
    i = run;
  }
  return ranges;
}

}  // namespace

Colouring HighlightSyntax(std::string_view text) {
  return Colourer(text).Run();
}

}  // namespace kestrix::templates

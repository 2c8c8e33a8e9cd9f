#include "vb_code_writer.h"

#include <algorithm>
#include <array>

#include "vb_code_plan.h"

namespace kestrix::bench {

uint64_t Prng::Next() {
  state_ += 0x9E3779B97F4A7C15ull;
  uint64_t z = state_;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

int64_t Prng::Between(int64_t lo, int64_t hi) {
  if (hi <= lo) return lo;
  const uint64_t span = static_cast<uint64_t>(hi - lo) + 1;
  return lo + static_cast<int64_t>(Next() % span);
}

void LineWriter::Code(std::string_view line) {
  Hidden(line);
  ++code_lines_;
}

void LineWriter::Hidden(std::string_view line) {
  bytes_.append(line);
  bytes_.append("\r\n");
}

namespace {

constexpr std::array<std::string_view, 16> kWords = {
    "order",  "customer", "invoice", "total", "item",   "report", "record", "status",
    "amount", "line",     "file",    "error", "result", "count",  "buffer", "table"};

constexpr int kMaxDepth = 4;       // deepest indentation a block header may have
constexpr int64_t kMaxBlock = 24;  // lines of the largest If/For/Do/Select block

// Nesting of the block being written: its indentation and how many For loops enclose it
// (each loop needs a counter of its own).
struct Nest {
  int depth = 1;
  int loops = 0;
};

std::string_view Keyword(ProcType type) {
  switch (type) {
    case ProcType::kSub:
      return "Sub";
    case ProcType::kFunction:
      return "Function";
    case ProcType::kPropertyGet:
      return "Property Get";
    case ProcType::kPropertyLet:
      return "Property Let";
  }
  return "Sub";
}

std::string_view EndKeyword(ProcType type) {
  switch (type) {
    case ProcType::kSub:
      return "Sub";
    case ProcType::kFunction:
      return "Function";
    default:
      return "Property";
  }
}

std::string Word(Prng& rng) {
  return std::string(rng.Pick(kWords));
}

std::string Num(Prng& rng) {
  return std::to_string(rng.Between(2, 500));
}

std::string Quoted(Prng& rng) {
  return "\"" + Word(rng) + "\"";
}

// Statements and conditions over the locals every procedure declares; in them "#" stands for
// a number and "@" for a quoted word.
constexpr std::array<std::string_view, 14> kStatements = {
    "n = n + 1",
    "s = s & @",
    "s = Trim$(s)",
    "s = UCase$(Left$(s, #))",
    "n = InStr(1, s, @, vbTextCompare)",
    "v = Array(#, #, @)",
    "Debug.Print @ & CStr(n)",
    "s = Format$(n, \"000000\")",
    "n = IIf(n > #, n - 1, n + 1)",
    "s = Replace$(s, @, @)",
    "n = (n * #) Mod 1000",
    "If Len(s) = 0 Then s = @",
    "s = Mid$(s, 2) & CStr(i + j + k)",
    "n = CLng(Val(s))",
};
constexpr std::array<std::string_view, 6> kConditions = {
    "n > #",          "Len(s) > #",           "i Mod 2 = 0",
    "Not IsEmpty(v)", "n = 0 And Len(s) = 0", "InStr(s, @) > 0",
};

std::string Fill(std::string_view pattern, Prng& rng) {
  std::string text;
  for (char c : pattern) {
    if (c == '#') {
      text += Num(rng);
    } else if (c == '@') {
      text += Quoted(rng);
    } else {
      text += c;
    }
  }
  return text;
}

// Writes one procedure of exactly plan.lines code lines. Every procedure declares the same
// locals (i, j, k, n, s, v), so the statements below may use them freely.
class ProcWriter {
 public:
  ProcWriter(const ProcPlan& plan, Prng& rng, LineWriter& out,
             const std::vector<std::string>& callable)
      : plan_(plan), rng_(rng), out_(out), callable_(callable) {}

  void Write(bool first_in_module);

 private:
  // How the procedure's lines are spent.
  struct Layout {
    int64_t lead = 0;          // blank and comment lines above the header
    int64_t header = 1;        // header lines, continuations included
    int64_t dims = 1;          // lines declaring the locals
    bool handler = false;      // On Error GoTo ErrHandler, with the handler at the end
    bool resume_next = false;  // On Error Resume Next ... On Error GoTo 0
    int64_t body = 0;          // lines of statements and blocks
  };

  Layout Arrange(bool first_in_module);
  void Line(int depth, std::string_view text) {
    out_.Code(std::string(static_cast<size_t>(4 * depth), ' ') + std::string(text));
  }
  void Lead(int64_t lines);
  void Header(int64_t lines);
  void Dims(int64_t lines);
  std::string Result();
  std::string Exit() const { return "Exit " + std::string(EndKeyword(plan_.type)); }

  void Blocks(int64_t budget, Nest nest);
  int64_t Block(int64_t budget, Nest nest);
  int64_t BlockSize(int64_t budget) { return rng_.Between(3, std::min(budget, kMaxBlock)); }
  int64_t IfBlock(int64_t budget, Nest nest);
  int64_t ForBlock(int64_t budget, Nest nest);
  int64_t DoBlock(int64_t budget, Nest nest);
  int64_t SelectBlock(int64_t budget, Nest nest);
  int64_t Continued(int64_t budget, Nest nest);
  int64_t ContinuedComment(Nest nest);
  void SingleLine(Nest nest);
  std::string Statement();
  std::string Condition();

  const ProcPlan& plan_;
  Prng& rng_;
  LineWriter& out_;
  const std::vector<std::string>& callable_;
  std::vector<std::string> labels_;
};

ProcWriter::Layout ProcWriter::Arrange(bool first_in_module) {
  // Header, Dim, result and End lines are always there; everything else fits around them.
  Layout layout;
  int64_t budget = plan_.lines - 4;
  const int64_t comments = rng_.Chance(25) ? rng_.Between(1, 3) : 0;
  layout.lead = std::min(budget, (first_in_module ? 0 : 1) + comments);
  budget -= layout.lead;
  if (plan_.params.size() >= 2 && rng_.Chance(30)) {
    const int64_t wanted = rng_.Between(2, static_cast<int64_t>(plan_.params.size()));
    layout.header = std::min(wanted, budget + 1);
  }
  budget -= layout.header - 1;
  if (budget >= 8 && rng_.Chance(20)) layout.dims = rng_.Between(2, 3);
  budget -= layout.dims - 1;
  layout.handler = budget >= 6 && rng_.Chance(35);
  layout.resume_next = !layout.handler && budget >= 4 && rng_.Chance(15);
  layout.body = budget - (layout.handler ? 4 : (layout.resume_next ? 2 : 0));
  return layout;
}

void ProcWriter::Write(bool first_in_module) {
  const Layout layout = Arrange(first_in_module);
  Lead(layout.lead);
  Header(layout.header);
  for (const std::string& attribute : plan_.attributes)
    out_.Hidden(attribute);
  Dims(layout.dims);
  if (layout.handler) Line(1, "On Error GoTo ErrHandler");
  if (layout.resume_next) Line(1, "On Error Resume Next");
  Blocks(layout.body, Nest{});
  if (layout.resume_next) Line(1, "On Error GoTo 0");
  Line(1, Result());
  if (layout.handler) {
    Line(1, Exit());
    Line(0, "ErrHandler:");
    Line(1, "Debug.Print Err.Number, Err.Description");
  }
  Line(0, "End " + std::string(EndKeyword(plan_.type)));
}

// Blank and comment lines above the header belong to the procedure, as in the code window.
void ProcWriter::Lead(int64_t lines) {
  if (lines <= 0) return;
  Line(0, "");
  for (int64_t i = 1; i < lines; ++i) {
    Line(0, i == 1 ? "' " + plan_.name + ": works on the " + Word(rng_) + " " + Word(rng_) + "."
                   : "' Keep the " + Word(rng_) + " and the " + Word(rng_) + " in step.");
  }
}

// A header of `lines` lines puts one parameter on each line but the last, which takes the
// rest; the lines before it end with a continuation.
void ProcWriter::Header(int64_t lines) {
  std::string text = (plan_.scope.empty() ? "" : plan_.scope + " ") +
                     std::string(Keyword(plan_.type)) + " " + plan_.name + "(";
  const auto count = static_cast<int64_t>(plan_.params.size());
  for (int64_t p = 0; p < count; ++p) {
    text += plan_.params[static_cast<size_t>(p)];
    if (p + 1 == count) break;
    if (p + 1 < lines) {
      Line(0, text + ", _");
      text = "        ";
    } else {
      text += ", ";
    }
  }
  Line(0, text + ")" + (plan_.return_type.empty() ? "" : " As " + plan_.return_type));
}

void ProcWriter::Dims(int64_t lines) {
  if (lines == 1) {
    Line(1, "Dim i As Long, j As Long, k As Long, n As Long, s As String, v As Variant");
  } else if (lines == 2) {
    Line(1, "Dim i As Long, j As Long, k As Long, _");
    Line(1, "    n As Long, s As String, v As Variant");
  } else {
    Line(1, "Dim i As Long, j As Long, k As Long");
    Line(1, "Dim n As Long, _");
    Line(1, "    s As String, v As Variant");
  }
}

std::string ProcWriter::Result() {
  switch (plan_.type) {
    case ProcType::kPropertyGet:
      return plan_.name + " = " + plan_.field;
    case ProcType::kPropertyLet:
      return plan_.field + " = NewValue";
    case ProcType::kFunction:
      break;
    case ProcType::kSub:
      return "Debug.Print \"" + plan_.name + " done: \" & s";
  }
  if (plan_.return_type == "String") return plan_.name + " = s";
  if (plan_.return_type == "Boolean") return plan_.name + " = (n > 0)";
  if (plan_.return_type == "Variant") return plan_.name + " = v";
  return plan_.name + " = n";
}

void ProcWriter::Blocks(int64_t budget, Nest nest) {
  while (budget > 0)
    budget -= Block(budget, nest);
}

// Writes one statement or block of at most `budget` lines; returns how many it wrote.
int64_t ProcWriter::Block(int64_t budget, Nest nest) {
  const int64_t roll = rng_.Between(0, 99);
  if (nest.depth < kMaxDepth && budget >= 3) {
    if (roll < 10) return IfBlock(budget, nest);
    if (roll < 15 && nest.loops < 3) return ForBlock(budget, nest);
    if (roll < 18) return DoBlock(budget, nest);
    if (roll < 22) return SelectBlock(budget, nest);
  }
  if (budget >= 2 && roll >= 22 && roll < 29) return Continued(budget, nest);
  if (budget >= 2 && roll == 29) return ContinuedComment(nest);
  SingleLine(nest);
  return 1;
}

int64_t ProcWriter::IfBlock(int64_t budget, Nest nest) {
  const int64_t size = BlockSize(budget);
  const int64_t inner = size - 2;
  const Nest in{nest.depth + 1, nest.loops};
  Line(nest.depth, "If " + Condition() + " Then");
  if (inner >= 3 && rng_.Chance(40)) {
    const int64_t first = rng_.Between(1, inner - 2);
    Blocks(first, in);
    Line(nest.depth, rng_.Chance(30) ? "ElseIf " + Condition() + " Then" : "Else");
    Blocks(inner - 1 - first, in);
  } else {
    Blocks(inner, in);
  }
  Line(nest.depth, "End If");
  return size;
}

int64_t ProcWriter::ForBlock(int64_t budget, Nest nest) {
  const int64_t size = BlockSize(budget);
  const std::string var(1, "ijk"[nest.loops]);
  const int64_t form = rng_.Between(0, 2);
  Line(nest.depth, form == 0   ? "For " + var + " = 1 To " + Num(rng_)
                   : form == 1 ? "For " + var + " = 0 To Len(s) - 1"
                               : "For " + var + " = n To 1 Step -1");
  Blocks(size - 2, Nest{nest.depth + 1, nest.loops + 1});
  Line(nest.depth, rng_.Chance(70) ? "Next " + var : "Next");
  return size;
}

int64_t ProcWriter::DoBlock(int64_t budget, Nest nest) {
  const int64_t size = BlockSize(budget);
  const bool test_first = rng_.Chance(60);
  Line(nest.depth, test_first ? "Do While n < " + Num(rng_) : "Do");
  Blocks(size - 2, Nest{nest.depth + 1, nest.loops});
  Line(nest.depth, test_first ? "Loop" : "Loop Until n > " + Num(rng_));
  return size;
}

// Case lines follow Select Case directly; a Case Else, when there is one, comes last.
int64_t ProcWriter::SelectBlock(int64_t budget, Nest nest) {
  const int64_t size = BlockSize(budget);
  Line(nest.depth, "Select Case n");
  int64_t inner = size - 2;
  int64_t value = rng_.Between(0, 9);
  while (inner > 0) {
    const int64_t body = rng_.Between(0, std::min<int64_t>(inner - 1, 6));
    const bool last = inner - 1 - body == 0;
    const int64_t form = rng_.Between(0, 3);
    const std::string v = std::to_string(value);
    std::string label = form == 0   ? v + ", " + std::to_string(value + 1)
                        : form == 1 ? v + " To " + std::to_string(value + 2)
                                    : v;
    if (last && rng_.Chance(50)) label = "Else";
    Line(nest.depth + 1, "Case " + label);
    Blocks(body, Nest{nest.depth + 2, nest.loops});
    inner -= 1 + body;
    value += 3;
  }
  Line(nest.depth, "End Select");
  return size;
}

// A statement continued over 2 to 5 lines.
int64_t ProcWriter::Continued(int64_t budget, Nest nest) {
  const int64_t size = rng_.Between(2, std::min<int64_t>(budget, 5));
  const int64_t form = rng_.Between(0, 2);
  for (int64_t i = 0; i < size; ++i) {
    const bool first = i == 0;
    const bool last = i + 1 == size;
    std::string text;
    if (form == 0) {
      text = (first ? "s = " : "") + Quoted(rng_) + (last ? "" : " & CStr(n) &");
    } else if (form == 1) {
      text = (first ? "n = n + " : "") + std::string(last ? "i" : "Len(s) * " + Num(rng_) + " +");
    } else {
      text = (first ? "Debug.Print " : "") + std::string(last ? "s" : Quoted(rng_) + ", n,");
    }
    Line(nest.depth + (first ? 0 : 1), last ? text : text + " _");
  }
  return size;
}

// A comment continued onto the next line: the next line is part of the comment.
int64_t ProcWriter::ContinuedComment(Nest nest) {
  Line(nest.depth, "' The " + Word(rng_) + " must match the " + Word(rng_) + " _");
  Line(nest.depth + 1, "before the " + Word(rng_) + " is written.");
  return 2;
}

void ProcWriter::SingleLine(Nest nest) {
  const int64_t roll = rng_.Between(0, 99);
  if (roll < 12) {
    Line(nest.depth, "' " + std::string(roll % 2 ? "Check" : "Update") + " the " + Word(rng_) +
                         " before the " + Word(rng_) + ".");
  } else if (roll < 16) {
    Line(0, "");
  } else if (roll < 18 && nest.depth == 1) {
    // Labels sit at the procedure's outer level, so a GoTo never jumps into a block.
    labels_.push_back("Step" + std::to_string(labels_.size() + 1));
    Line(0, labels_.back() + ":");
  } else if (roll == 18 && !labels_.empty()) {
    Line(nest.depth, "If n > 100000 Then GoTo " + rng_.Pick(labels_));
  } else if (roll == 19) {
    Line(nest.depth, "On Error GoTo 0");
  } else if (roll < 25) {
    Line(nest.depth, "If n < 0 Then " + Exit());
  } else if (roll < 29 && !callable_.empty()) {
    Line(nest.depth, "Call " + rng_.Pick(callable_));
  } else {
    Line(nest.depth, Statement());
  }
}

std::string ProcWriter::Statement() {
  return Fill(rng_.Pick(kStatements), rng_);
}

std::string ProcWriter::Condition() {
  return Fill(rng_.Pick(kConditions), rng_);
}

}  // namespace

void WriteModuleCode(const ModuleRequest& request, Prng& rng, NameSource& names, LineWriter& out) {
  const ModulePlan plan = PlanModule(request, rng, names);
  WriteDeclarations(plan, request.kind, rng, names, out);
  std::vector<std::string> callable;  // parameterless Subs written so far
  bool first = plan.decl_lines == 0;
  for (const ProcPlan& proc : plan.procs) {
    ProcWriter(proc, rng, out, callable).Write(first);
    first = false;
    const bool is_handler = proc.name.find('_') != std::string::npos;
    if (proc.type == ProcType::kSub && proc.params.empty() && !is_handler && proc.name != "Main") {
      callable.push_back(proc.name);
    }
  }
}

}  // namespace kestrix::bench

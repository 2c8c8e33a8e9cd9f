#include "vb_code_plan.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <string_view>

namespace kestrix::bench {

namespace {

constexpr std::array<std::string_view, 16> kVerbs = {
    "Load",  "Save",  "Compute", "Update", "Check", "Build", "Find",   "Format",
    "Parse", "Print", "Read",    "Write",  "Clear", "Add",   "Remove", "Validate"};
constexpr std::array<std::string_view, 14> kNouns = {
    "Customer", "Order",  "Invoice", "Total",    "Item",   "Report", "Record",
    "Status",   "Amount", "Line",    "Settings", "Buffer", "Table",  "Row"};
// Parameters in the order a header lists them; names clash with no local of the procedures.
constexpr std::array<std::string_view, 5> kParams = {
    "ByVal Count As Long", "ByVal Text As String", "ByRef Result As String",
    "ByVal Amount As Double", "ByVal Enabled As Boolean"};
constexpr std::array<std::string_view, 4> kReturnTypes = {"Long", "String", "Boolean", "Variant"};
constexpr std::array<std::string_view, 5> kFieldTypes = {"Long", "String", "Double", "Date",
                                                         "Variant"};

// API declarations, each at most once per module; several run over continuation lines.
const std::vector<std::vector<std::string_view>> kDeclares = {
    {"Private Declare Function GetTickCount Lib \"kernel32\" () As Long"},
    {"Private Declare Sub Sleep Lib \"kernel32\" (ByVal dwMilliseconds As Long)"},
    {"Private Declare Function SendMessage Lib \"user32\" Alias \"SendMessageA\" ( _",
     "    ByVal hWnd As Long, _", "    ByVal wMsg As Long, _", "    ByVal wParam As Long, _",
     "    lParam As Any) As Long"},
    {"Private Declare Function GetPrivateProfileString Lib \"kernel32\" _",
     "    Alias \"GetPrivateProfileStringA\" (ByVal lpApplicationName As String, _",
     "    ByVal lpKeyName As Any, ByVal lpDefault As String, _",
     "    ByVal lpReturnedString As String, ByVal nSize As Long, _",
     "    ByVal lpFileName As String) As Long"},
    {"Private Declare Function ShellExecute Lib \"shell32.dll\" Alias \"ShellExecuteA\" ( _",
     "    ByVal hwnd As Long, ByVal lpOperation As String, ByVal lpFile As String, _",
     "    ByVal lpParameters As String, ByVal lpDirectory As String, _",
     "    ByVal nShowCmd As Long) As Long"},
    {"Private Declare Function GetWindowText Lib \"user32\" Alias \"GetWindowTextA\" _",
     "    (ByVal hwnd As Long, ByVal lpString As String, ByVal cch As Long) As Long"}};

constexpr int64_t kMinProc = 5;
constexpr int64_t kMaxProc = 200;

// Most procedures are short; one in five is long.
int64_t ProcSize(Prng& rng) {
  return rng.Chance(80) ? rng.Between(kMinProc, 50) : rng.Between(51, kMaxProc);
}

// The size a procedure gets out of `rest` lines, so that what is left is either nothing or
// enough for one more procedure; 0 when `rest` holds no procedure.
int64_t Fit(int64_t rest, int64_t wanted) {
  if (rest < kMinProc) return 0;
  if (rest - wanted >= kMinProc) return wanted;
  return rest <= kMaxProc ? rest : rest - kMinProc;
}

std::string Scope(ModuleKind kind, Prng& rng) {
  const int64_t roll = rng.Between(0, 99);
  switch (kind) {
    case ModuleKind::kStandard:
      return roll < 60 ? "Public" : "Private";
    case ModuleKind::kClass:
      return roll < 50 ? "Public" : (roll < 85 ? "Private" : "Friend");
    case ModuleKind::kForm:
      return roll < 80 ? "Private" : "Public";
  }
  return "Private";
}

ProcPlan GeneralProc(ModuleKind kind, Prng& rng, NameSource& names) {
  ProcPlan proc;
  proc.type = rng.Chance(55) ? ProcType::kSub : ProcType::kFunction;
  proc.scope = Scope(kind, rng);
  proc.name = names.Next(std::string(rng.Pick(kVerbs)) + std::string(rng.Pick(kNouns)));
  const int64_t count = rng.Chance(40) ? 0 : rng.Between(1, 4);
  const int64_t start = rng.Between(0, static_cast<int64_t>(kParams.size()) - 1);
  for (int64_t p = 0; p < count; ++p) {
    proc.params.emplace_back(kParams[static_cast<size_t>((start + p) % 5)]);
  }
  if (rng.Chance(20)) proc.params.emplace_back("Optional ByVal Flags As Long = 0");
  if (proc.type == ProcType::kFunction) proc.return_type = rng.Pick(kReturnTypes);
  return proc;
}

// A Property Get / Property Let pair over a module variable m_<Name>. The class's first
// property becomes its default member.
void AddProperty(ModulePlan& plan, Prng& rng, NameSource& names, std::vector<ProcPlan>& out) {
  ProcPlan get;
  get.type = ProcType::kPropertyGet;
  get.scope = "Public";
  get.name = names.Next(rng.Pick(kNouns));
  get.return_type = rng.Chance(60) ? "Long" : "String";
  get.field = "m_" + get.name;
  if (plan.fields.empty()) {
    get.attributes.push_back("Attribute " + get.name + ".VB_UserMemId = 0");
  } else if (rng.Chance(50)) {
    get.attributes.push_back("Attribute " + get.name + ".VB_Description = \"Returns the " +
                             get.name + ".\"");
  }
  plan.fields.push_back(get.field + " As " + get.return_type);
  ProcPlan let = get;
  let.type = ProcType::kPropertyLet;
  let.params = {"ByVal NewValue As " + get.return_type};
  let.return_type.clear();
  let.attributes.clear();
  out.push_back(get);
  out.push_back(let);
}

// Procedures a module must have before its general ones: Sub Main, form event procedures
// and class properties.
std::vector<ProcPlan> FixedProcs(const ModuleRequest& request, ModulePlan& plan, Prng& rng,
                                 NameSource& names) {
  std::vector<ProcPlan> procs;
  if (request.with_main) {
    ProcPlan main;
    main.scope = "Public";
    main.name = "Main";
    procs.push_back(main);
  }
  for (const auto& [name, params] : request.event_handlers) {
    ProcPlan handler;
    handler.scope = "Private";
    handler.name = name;
    if (!params.empty()) handler.params.push_back(params);
    procs.push_back(handler);
  }
  if (request.kind == ModuleKind::kClass && request.lines >= 60) {
    const int64_t pairs = rng.Between(1, 4);
    for (int64_t p = 0; p < pairs; ++p)
      AddProperty(plan, rng, names, procs);
  }
  return procs;
}

}  // namespace

ModulePlan PlanModule(const ModuleRequest& request, Prng& rng, NameSource& names) {
  ModulePlan plan;
  std::vector<ProcPlan> fixed = FixedProcs(request, plan, rng, names);
  plan.with_event = request.kind == ModuleKind::kClass && request.lines >= 60 && rng.Chance(40);
  const auto needed = static_cast<int64_t>(1 + plan.fields.size() + (plan.with_event ? 1 : 0));
  const int64_t wanted = request.lines < 40 ? rng.Between(0, 6) : rng.Between(4, 30);
  plan.decl_lines = std::min(request.lines, std::max(needed, wanted));
  if (request.with_main && request.lines >= kMinProc) {
    plan.decl_lines = std::min(plan.decl_lines, request.lines - kMinProc);  // room for Main
  }
  int64_t rest = request.lines - plan.decl_lines;
  for (ProcPlan& proc : fixed) {
    const bool property = proc.type != ProcType::kSub;
    proc.lines = Fit(rest, property ? rng.Between(kMinProc, 12) : rng.Between(kMinProc, 40));
    if (proc.lines == 0) break;
    rest -= proc.lines;
    plan.procs.push_back(std::move(proc));
  }
  while (rest >= kMinProc) {
    ProcPlan proc = GeneralProc(request.kind, rng, names);
    proc.lines = Fit(rest, ProcSize(rng));
    rest -= proc.lines;
    plan.procs.push_back(std::move(proc));
  }
  plan.decl_lines += rest;  // fewer lines than a procedure needs: the section takes them
  return plan;
}

namespace {

// Writes the optional part of a declarations section, one declaration at a time.
class DeclarationWriter {
 public:
  DeclarationWriter(ModuleKind kind, Prng& rng, NameSource& names, LineWriter& out)
      : kind_(kind), rng_(rng), names_(names), out_(out), declared_(kDeclares.size(), false) {}

  // Writes one declaration of at most `budget` lines; returns how many it wrote.
  int64_t Item(int64_t budget) {
    const int64_t roll = rng_.Between(0, 99);
    const std::string noun(rng_.Pick(kNouns));
    if (roll < 12) {
      out_.Code("' " + noun + " state kept between calls.");
      return 1;
    }
    if (roll < 22) {
      out_.Code("");
      return 1;
    }
    if (roll < 35) {
      out_.Code("Private Const MAX_" + names_.Next(noun) +
                " As Long = " + std::to_string(rng_.Between(1, 9999)));
      return 1;
    }
    if (roll < 45) return ApiDeclaration(budget, noun);
    if (roll < 60 && budget >= 3) return TypeOrEnum(budget, roll < 52, noun);
    if (roll < 70 && budget >= 2) return ContinuedVariables(budget, noun);
    return Variable(noun);
  }

 private:
  int64_t Variable(const std::string& noun) {
    const bool global = kind_ == ModuleKind::kStandard && rng_.Chance(30);
    out_.Code((global ? "Public g" : "Private m") + names_.Next(noun) + " As " +
              std::string(rng_.Pick(kFieldTypes)));
    return 1;
  }

  // A name may be declared once per module: a declaration already written, or one too long
  // for the budget, gives way to a variable.
  int64_t ApiDeclaration(int64_t budget, const std::string& noun) {
    const auto index = static_cast<size_t>(rng_.Between(0, std::ssize(kDeclares) - 1));
    const auto& lines = kDeclares[index];
    if (declared_[index] || std::ssize(lines) > budget) return Variable(noun);
    declared_[index] = true;
    for (std::string_view line : lines)
      out_.Code(line);
    return std::ssize(lines);
  }

  int64_t TypeOrEnum(int64_t budget, bool is_type, const std::string& noun) {
    const int64_t size = rng_.Between(3, std::min<int64_t>(budget, 7));
    const std::string name = names_.Next(noun);
    out_.Code((is_type ? "Private Type T" : "Private Enum E") + name);
    for (int64_t m = 1; m + 1 < size; ++m) {
      const std::string index = std::to_string(m);
      out_.Code(is_type ? "    Field" + index + " As " + std::string(rng_.Pick(kFieldTypes))
                        : "    e" + name + "Value" + index + " = " + index);
    }
    out_.Code(is_type ? "End Type" : "End Enum");
    return size;
  }

  int64_t ContinuedVariables(int64_t budget, const std::string& noun) {
    const int64_t size = rng_.Between(2, std::min<int64_t>(budget, 4));
    for (int64_t m = 0; m < size; ++m) {
      const std::string var =
          "m" + names_.Next(noun) + " As " + std::string(rng_.Pick(kFieldTypes));
      out_.Code((m == 0 ? "Private " : "    ") + var + (m + 1 < size ? ", _" : ""));
    }
    return size;
  }

  ModuleKind kind_;
  Prng& rng_;
  NameSource& names_;
  LineWriter& out_;
  std::vector<bool> declared_;
};

}  // namespace

void WriteDeclarations(const ModulePlan& plan, ModuleKind kind, Prng& rng, NameSource& names,
                       LineWriter& out) {
  int64_t budget = plan.decl_lines;
  if (budget == 0) return;
  out.Code("Option Explicit");
  --budget;
  for (const std::string& field : plan.fields) {
    out.Code("Private " + field);
    --budget;
  }
  if (plan.with_event) {
    out.Code("Public Event Changed(ByVal NewValue As Long)");
    --budget;
  }
  DeclarationWriter writer(kind, rng, names, out);
  while (budget > 0)
    budget -= writer.Item(budget);
}

}  // namespace kestrix::bench

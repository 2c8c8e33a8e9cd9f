// What each statement does to the checker's state: blocks opened and closed, jumps recorded,
// statements reported where they may not stand.

#include <algorithm>

#include "checker/vb_module_checker.h"

namespace kestrix::checker {

// A run of statements separated by colons: a whole line, or what follows an Else.
void ModuleChecker::OnStatements(Tokens t) {
  while (!t.empty()) {
    if (t.front().kind == TokenKind::kSeparator) {
      t = t.subspan(1);
      continue;
    }
    bool in_code = state_.region == Region::kProcedure && !InMembers();
    // Declarations may stand before the first Case; they are no statements VB executes.
    bool declaration = t.front().Is("dim") || t.front().Is("static") || t.front().Is("const");
    if (in_code && SelectAwaitsCase() && !t.front().Is("case") && !declaration) {
      Report(line_, kBetweenSelectAndCase);
      state_.blocks.back().clause_seen = true;
    }
    if (in_code && t.front().Is("if")) {
      OnIf(t);  // a single-line If holds the rest of the line
      return;
    }
    if (in_code && t.front().Is("else")) {
      OnElse(false);
      t = t.subspan(1);
      continue;
    }
    size_t end = FindSeparator(t);
    OnStatement(t.first(end));
    t = t.subspan(end);
  }
}

void ModuleChecker::OnStatement(Tokens t) {
  if (InMembers()) {
    OnMemberStatement(t);
  } else if (state_.region == Region::kProcedure) {
    OnProcStatement(t);
  } else {
    OnModuleStatement(t);
  }
}

void ModuleChecker::OnModuleStatement(Tokens t) {
  if (ProcType proc = HeaderOf(t); proc != ProcType::kNone) {
    OpenProcedure(proc);
    return;
  }
  const Token& first = t.front();
  if (first.Is("attribute")) return;  // member attributes VB keeps in the file
  if (state_.region == Region::kAfterProcedure) {
    if (!gap_reported_) Report(line_, kOnlyComments);
    gap_reported_ = true;
    return;
  }
  if (first.Is("option") || first.Is("implements")) return;
  if (first.Is("end") && t.size() >= 2 && (t[1].Is("type") || t[1].Is("enum"))) {
    Close(t[1].Is("type") ? BlockKind::kType : BlockKind::kEnum);
    return;
  }
  if (IsDefWord(first)) {
    if (declared_) Report(line_, "Deftype statements must precede declarations");
    return;
  }
  Tokens d = SkipModifiers(t);
  bool modified = d.size() < t.size();
  if (d.size() >= 2 && (d[0].Is("type") || d[0].Is("enum"))) {
    declared_ = true;
    Push(d[0].Is("type") ? BlockKind::kType : BlockKind::kEnum);
    return;
  }
  if (modified || first.Is("dim") || first.Is("const") || first.Is("declare") ||
      first.Is("event")) {
    declared_ = true;
    return;
  }
  Report(line_, "Invalid outside procedure");
}

void ModuleChecker::OnMemberStatement(Tokens t) {
  bool in_type = state_.blocks.back().kind == BlockKind::kType;
  std::string_view invalid =
      in_type ? "Statement invalid inside Type block" : "Statement invalid inside Enum";
  if (t.front().Is("end") && t.size() >= 2 && (t[1].Is("type") || t[1].Is("enum"))) {
    Close(t[1].Is("type") ? BlockKind::kType : BlockKind::kEnum);
    return;
  }
  if (HeaderOf(t) != ProcType::kNone) {
    Report(line_, invalid);
    state_.blocks.pop_back();
    OnStatement(t);
    return;
  }
  // A member may bear a keyword's name when its declaration shows it is one; a keyword
  // standing alone is left alone too.
  bool statement_shape =
      t.size() >= 2 && !t[1].Is("as") && !IsSymbol(t[1], "(") && !IsSymbol(t[1], "=");
  if (IsStatementKeyword(t.front()) && statement_shape) Report(line_, invalid);
}

void ModuleChecker::OnProcStatement(Tokens t) {
  if (ProcType proc = HeaderOf(t); proc != ProcType::kNone) {
    Report(line_, "Expected End " + std::string(ProcTypeWord(state_.proc)));
    CloseProcedure(false);
    OpenProcedure(proc);
    return;
  }
  if (OnBlockStatement(t)) return;
  const Token& first = t.front();
  Tokens d = SkipModifiers(t);
  bool named = d.size() >= 2 && d[1].kind == TokenKind::kWord;
  if (named && (d[0].Is("type") || d[0].Is("enum"))) {
    Report(line_, "Invalid inside procedure");
    Push(d[0].Is("type") ? BlockKind::kType : BlockKind::kEnum);
    return;
  }
  bool module_only = first.Is("option") || IsDefWord(first) || first.Is("implements") ||
                     (!d.empty() && (d[0].Is("declare") || d[0].Is("event")));
  if (module_only && t.size() >= 2 && t[1].kind == TokenKind::kWord) {
    Report(line_, "Invalid inside procedure");
    return;
  }
  OnSimpleStatement(t);
}

// Statements that open, continue or close a block; false for any other statement.
bool ModuleChecker::OnBlockStatement(Tokens t) {
  const Token& first = t.front();
  if (first.Is("end")) {
    OnEnd(t);
  } else if (first.Is("endif")) {
    Close(BlockKind::kIf);
  } else if (first.Is("elseif")) {
    OnElse(true);
    size_t then = FindKeyword(t, "then");
    if (then < t.size()) OnInline(t.subspan(then + 1));
  } else if (first.Is("for")) {
    bool each = t.size() >= 2 && t[1].Is("each");
    size_t at = each ? 2 : 1;
    bool plain = t.size() > at + 1 && t[at].kind == TokenKind::kWord &&
                 (each ? t[at + 1].Is("in") : IsSymbol(t[at + 1], "="));
    Push(BlockKind::kFor, plain ? std::string(t[at].text) : "");
  } else if (first.Is("next")) {
    OnNext(t);
  } else if (first.Is("do")) {
    Push(BlockKind::kDo);
  } else if (first.Is("loop")) {
    Close(BlockKind::kDo);
  } else if (first.Is("while")) {
    Push(BlockKind::kWhile);
  } else if (first.Is("wend")) {
    Close(BlockKind::kWhile);
  } else if (first.Is("select") && t.size() >= 2 && t[1].Is("case")) {
    Push(BlockKind::kSelect);
  } else if (first.Is("case")) {
    if (!state_.blocks.empty() && state_.blocks.back().kind == BlockKind::kSelect) {
      state_.blocks.back().clause_seen = true;
    } else {
      Report(line_, "Case without Select Case");
    }
  } else if (first.Is("with")) {
    Push(BlockKind::kWith);
  } else {
    return false;
  }
  return true;
}

void ModuleChecker::OnEnd(Tokens t) {
  if (t.size() < 2) return;  // End: the program stops
  const Token& what = t[1];
  if (what.Is("sub") || what.Is("function") || what.Is("property")) {
    ProcType proc = what.Is("sub")        ? ProcType::kSub
                    : what.Is("function") ? ProcType::kFunction
                                          : ProcType::kProperty;
    if (proc != state_.proc) {
      std::string end = "End " + std::string(ProcTypeWord(proc));
      Report(line_,
             end + " closes a " + std::string(ProcTypeWord(state_.proc)) +
                 ": VB changes it to End " + std::string(ProcTypeWord(state_.proc)) +
                 " when it loads the file",
             Severity::kWarning);
    }
    CloseProcedure(true);
  } else if (what.Is("if")) {
    Close(BlockKind::kIf);
  } else if (what.Is("select")) {
    Close(BlockKind::kSelect);
  } else if (what.Is("with")) {
    Close(BlockKind::kWith);
  } else if (what.Is("type")) {
    Close(BlockKind::kType);
  } else if (what.Is("enum")) {
    Close(BlockKind::kEnum);
  }
}

// If … Then with nothing after Then (but a comment or colons) opens a block; a statement
// after it makes a single-line If, whose statements are checked for their jumps and exits.
void ModuleChecker::OnIf(Tokens t) {
  size_t then = FindKeyword(t, "then");
  if (then == t.size()) {
    size_t go = FindKeyword(t, "goto");  // If x GoTo 10
    if (go + 1 < t.size()) AddTarget(t[go + 1]);
    return;
  }
  Tokens rest = t.subspan(then + 1);
  bool empty = std::all_of(rest.begin(), rest.end(),
                           [](const Token& k) { return k.kind == TokenKind::kSeparator; });
  if (empty) {
    Push(BlockKind::kIf);
    return;
  }
  OnInline(rest);
}

// The statements of a single-line If, split at colons, Then and Else. A bare line number
// after Then or Else is a jump to it.
void ModuleChecker::OnInline(Tokens t) {
  size_t start = 0;
  bool after_keyword = true;
  for (size_t i = 0; i <= t.size(); ++i) {
    bool boundary =
        i == t.size() || t[i].kind == TokenKind::kSeparator || t[i].Is("then") || t[i].Is("else");
    if (!boundary) continue;
    Tokens piece = t.subspan(start, i - start);
    if (!piece.empty() && !piece.front().Is("if")) {
      if (piece.size() == 1 && piece[0].kind == TokenKind::kNumber && after_keyword) {
        AddTarget(piece[0]);
      } else {
        OnSimpleStatement(piece);
      }
    }
    after_keyword = i < t.size() && t[i].kind != TokenKind::kSeparator;
    start = i + 1;
  }
}

void ModuleChecker::OnElse(bool else_if) {
  if (state_.blocks.empty() || state_.blocks.back().kind != BlockKind::kIf ||
      state_.blocks.back().clause_seen) {
    Report(line_, "Else without If");
    return;
  }
  if (!else_if) state_.blocks.back().clause_seen = true;
}

// Next, Next i, or Next j, i closing two loops at once.
void ModuleChecker::OnNext(Tokens t) {
  if (t.size() == 1) {
    CloseFor(nullptr);
    return;
  }
  for (size_t i = 1; i < t.size(); i += 2) {
    bool named = t[i].kind == TokenKind::kWord;
    CloseFor(named ? &t[i] : nullptr);
    if (i + 1 < t.size() && !IsSymbol(t[i + 1], ",")) return;
  }
}

void ModuleChecker::OnSimpleStatement(Tokens t) {
  const Token& first = t.front();
  if (first.Is("goto") || first.Is("gosub")) {
    if (t.size() >= 2) AddTarget(t[1]);
  } else if (first.Is("resume")) {
    bool to_label = t.size() >= 2 && !t[1].Is("next") && LabelName(t[1]) != "0";
    if (to_label) AddTarget(t[1]);
  } else if (first.Is("on")) {
    OnOn(t);
  } else if (first.Is("exit")) {
    OnExit(t);
  }
}

// On Error GoTo label (0 and -1 switch handling off), On Local Error …, and
// On n GoTo|GoSub label, label, ….
void ModuleChecker::OnOn(Tokens t) {
  size_t at = 1;
  if (at < t.size() && t[at].Is("local")) ++at;
  if (at < t.size() && t[at].Is("error")) {
    if (at + 2 < t.size() && t[at + 1].Is("goto") && LabelName(t[at + 2]) != "0") {
      AddTarget(t[at + 2]);
    }
    return;
  }
  size_t go = std::min(FindKeyword(t, "goto"), FindKeyword(t, "gosub"));
  for (size_t i = go + 1; i < t.size(); i += 2) {
    AddTarget(t[i]);
    if (i + 1 < t.size() && !IsSymbol(t[i + 1], ",")) return;
  }
}

void ModuleChecker::OnExit(Tokens t) {
  if (t.size() < 2) return;
  const Token& what = t[1];
  auto within = [this](BlockKind kind) {
    return std::any_of(state_.blocks.begin(), state_.blocks.end(),
                       [kind](const Block& b) { return b.kind == kind; });
  };
  if (what.Is("for") && !within(BlockKind::kFor)) {
    Report(line_, "Exit For not within For...Next");
  } else if (what.Is("do") && !within(BlockKind::kDo)) {
    Report(line_, "Exit Do not within Do...Loop");
  } else if (what.Is("sub") && state_.proc != ProcType::kSub) {
    Report(line_, "Exit Sub not allowed in Function or Property");
  } else if (what.Is("function") && state_.proc != ProcType::kFunction) {
    Report(line_, "Exit Function not allowed in Sub or Property");
  } else if (what.Is("property") && state_.proc != ProcType::kProperty) {
    Report(line_, "Exit Property not allowed in Function or Sub");
  }
}

}  // namespace kestrix::checker

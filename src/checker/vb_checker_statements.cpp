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
    if (in_code && SelectAwaitsCase()) {
      // Declarations may stand before the first Case; they are no statements VB executes.
      bool declaration = t.front().Is(Keyword::kDim) || t.front().Is(Keyword::kStatic) ||
                         t.front().Is(Keyword::kConst);
      if (!t.front().Is(Keyword::kCase) && !declaration) {
        Report(line_, kBetweenSelectAndCase);
        state_.blocks.back().clause_seen = true;
      }
    }
    if (in_code && pass_over_plain_ && !MattersInProcedure(t.front())) {
      t = t.subspan(FindSeparator(t));
      continue;
    }
    if (in_code && t.front().Is(Keyword::kIf)) {
      OnIf(t);  // a single-line If holds the rest of the line
      return;
    }
    if (in_code && t.front().Is(Keyword::kElse)) {
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
  if (first.Is(Keyword::kAttribute)) return;  // member attributes VB keeps in the file
  if (state_.region == Region::kAfterProcedure) {
    if (!gap_reported_) Report(line_, kOnlyComments);
    gap_reported_ = true;
    return;
  }
  if (first.Is(Keyword::kOption) || first.Is(Keyword::kImplements)) return;
  if (first.Is(Keyword::kEnd) && t.size() >= 2 &&
      (t[1].Is(Keyword::kType) || t[1].Is(Keyword::kEnum))) {
    Close(t[1].Is(Keyword::kType) ? BlockKind::kType : BlockKind::kEnum);
    return;
  }
  if (IsDefWord(first)) {
    if (declared_) Report(line_, "Deftype statements must precede declarations");
    return;
  }
  Tokens d = SkipModifiers(t);
  bool modified = d.size() < t.size();
  if (d.size() >= 2 && (d[0].Is(Keyword::kType) || d[0].Is(Keyword::kEnum))) {
    declared_ = true;
    Push(d[0].Is(Keyword::kType) ? BlockKind::kType : BlockKind::kEnum);
    return;
  }
  if (modified || first.Is(Keyword::kDim) || first.Is(Keyword::kConst) ||
      first.Is(Keyword::kDeclare) || first.Is(Keyword::kEvent)) {
    declared_ = true;
    return;
  }
  Report(line_, "Invalid outside procedure");
}

void ModuleChecker::OnMemberStatement(Tokens t) {
  bool in_type = state_.blocks.back().kind == BlockKind::kType;
  std::string_view invalid =
      in_type ? "Statement invalid inside Type block" : "Statement invalid inside Enum";
  if (t.front().Is(Keyword::kEnd) && t.size() >= 2 &&
      (t[1].Is(Keyword::kType) || t[1].Is(Keyword::kEnum))) {
    Close(t[1].Is(Keyword::kType) ? BlockKind::kType : BlockKind::kEnum);
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
      t.size() >= 2 && !t[1].Is(Keyword::kAs) && !IsSymbol(t[1], "(") && !IsSymbol(t[1], "=");
  if (IsStatementKeyword(t.front()) && statement_shape) Report(line_, invalid);
}

void ModuleChecker::OnProcStatement(Tokens t) {
  // Most statements read here are known by their first word alone.
  switch (t.front().keyword) {
    case Keyword::kEnd:
    case Keyword::kEndIf:
    case Keyword::kElseIf:
    case Keyword::kFor:
    case Keyword::kNext:
    case Keyword::kDo:
    case Keyword::kLoop:
    case Keyword::kWhile:
    case Keyword::kWend:
    case Keyword::kSelect:  // opens a block with Case only, and is nothing else
    case Keyword::kCase:
    case Keyword::kWith:
      OnBlockStatement(t);
      return;
    case Keyword::kGoTo:
    case Keyword::kGoSub:
    case Keyword::kResume:
    case Keyword::kOn:
    case Keyword::kExit:
      OnSimpleStatement(t);
      return;
    default:
      break;
  }
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
  if (named && (d[0].Is(Keyword::kType) || d[0].Is(Keyword::kEnum))) {
    Report(line_, "Invalid inside procedure");
    Push(d[0].Is(Keyword::kType) ? BlockKind::kType : BlockKind::kEnum);
    return;
  }
  bool module_only = first.Is(Keyword::kOption) || IsDefWord(first) ||
                     first.Is(Keyword::kImplements) ||
                     (!d.empty() && (d[0].Is(Keyword::kDeclare) || d[0].Is(Keyword::kEvent)));
  if (module_only && t.size() >= 2 && t[1].kind == TokenKind::kWord) {
    Report(line_, "Invalid inside procedure");
    return;
  }
  OnSimpleStatement(t);
}

// Statements that open, continue or close a block; false for any other statement.
bool ModuleChecker::OnBlockStatement(Tokens t) {
  switch (t.front().keyword) {
    case Keyword::kEnd:
      OnEnd(t);
      return true;
    case Keyword::kEndIf:
      Close(BlockKind::kIf);
      return true;
    case Keyword::kElseIf: {
      OnElse(true);
      size_t then = FindKeyword(t, Keyword::kThen);
      if (then < t.size()) OnInline(t.subspan(then + 1));
      return true;
    }
    case Keyword::kFor: {
      bool each = t.size() >= 2 && t[1].Is(Keyword::kEach);
      size_t at = each ? 2 : 1;
      bool plain = t.size() > at + 1 && t[at].kind == TokenKind::kWord &&
                   (each ? t[at + 1].Is(Keyword::kIn) : IsSymbol(t[at + 1], "="));
      Push(BlockKind::kFor, plain ? std::string(t[at].text) : "");
      return true;
    }
    case Keyword::kNext:
      OnNext(t);
      return true;
    case Keyword::kDo:
      Push(BlockKind::kDo);
      return true;
    case Keyword::kLoop:
      Close(BlockKind::kDo);
      return true;
    case Keyword::kWhile:
      Push(BlockKind::kWhile);
      return true;
    case Keyword::kWend:
      Close(BlockKind::kWhile);
      return true;
    case Keyword::kSelect:
      if (t.size() < 2 || !t[1].Is(Keyword::kCase)) return false;
      Push(BlockKind::kSelect);
      return true;
    case Keyword::kCase:
      if (!state_.blocks.empty() && state_.blocks.back().kind == BlockKind::kSelect) {
        state_.blocks.back().clause_seen = true;
      } else {
        Report(line_, "Case without Select Case");
      }
      return true;
    case Keyword::kWith:
      Push(BlockKind::kWith);
      return true;
    default:
      return false;
  }
}

void ModuleChecker::OnEnd(Tokens t) {
  if (t.size() < 2) return;  // End: the program stops
  const Token& what = t[1];
  if (what.Is(Keyword::kSub) || what.Is(Keyword::kFunction) || what.Is(Keyword::kProperty)) {
    ProcType proc = what.Is(Keyword::kSub)        ? ProcType::kSub
                    : what.Is(Keyword::kFunction) ? ProcType::kFunction
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
  } else if (what.Is(Keyword::kIf)) {
    Close(BlockKind::kIf);
  } else if (what.Is(Keyword::kSelect)) {
    Close(BlockKind::kSelect);
  } else if (what.Is(Keyword::kWith)) {
    Close(BlockKind::kWith);
  } else if (what.Is(Keyword::kType)) {
    Close(BlockKind::kType);
  } else if (what.Is(Keyword::kEnum)) {
    Close(BlockKind::kEnum);
  }
}

// If … Then with nothing after Then (but a comment or colons) opens a block; a statement
// after it makes a single-line If, whose statements are checked for their jumps and exits.
void ModuleChecker::OnIf(Tokens t) {
  size_t then = FindKeyword(t, Keyword::kThen);
  if (then == t.size()) {
    size_t go = FindKeyword(t, Keyword::kGoTo);  // If x GoTo 10
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
    bool boundary = i == t.size() || t[i].kind == TokenKind::kSeparator ||
                    t[i].Is(Keyword::kThen) || t[i].Is(Keyword::kElse);
    if (!boundary) continue;
    Tokens piece = t.subspan(start, i - start);
    if (!piece.empty() && !piece.front().Is(Keyword::kIf)) {
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
  if (first.Is(Keyword::kGoTo) || first.Is(Keyword::kGoSub)) {
    if (t.size() >= 2) AddTarget(t[1]);
  } else if (first.Is(Keyword::kResume)) {
    bool to_label = t.size() >= 2 && !t[1].Is(Keyword::kNext) && !NamesLineZero(t[1]);
    if (to_label) AddTarget(t[1]);
  } else if (first.Is(Keyword::kOn)) {
    OnOn(t);
  } else if (first.Is(Keyword::kExit)) {
    OnExit(t);
  }
}

// On Error GoTo label (0 and -1 switch handling off), On Local Error …, and
// On n GoTo|GoSub label, label, ….
void ModuleChecker::OnOn(Tokens t) {
  size_t at = 1;
  if (at < t.size() && t[at].Is(Keyword::kLocal)) ++at;
  if (at < t.size() && t[at].Is(Keyword::kError)) {
    if (at + 2 < t.size() && t[at + 1].Is(Keyword::kGoTo) && !NamesLineZero(t[at + 2])) {
      AddTarget(t[at + 2]);
    }
    return;
  }
  size_t go = std::min(FindKeyword(t, Keyword::kGoTo), FindKeyword(t, Keyword::kGoSub));
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
  if (what.Is(Keyword::kFor) && !within(BlockKind::kFor)) {
    Report(line_, "Exit For not within For...Next");
  } else if (what.Is(Keyword::kDo) && !within(BlockKind::kDo)) {
    Report(line_, "Exit Do not within Do...Loop");
  } else if (what.Is(Keyword::kSub) && state_.proc != ProcType::kSub) {
    Report(line_, "Exit Sub not allowed in Function or Property");
  } else if (what.Is(Keyword::kFunction) && state_.proc != ProcType::kFunction) {
    Report(line_, "Exit Function not allowed in Sub or Property");
  } else if (what.Is(Keyword::kProperty) && state_.proc != ProcType::kProperty) {
    Report(line_, "Exit Property not allowed in Function or Sub");
  }
}

}  // namespace kestrix::checker

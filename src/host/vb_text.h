#pragma once

// The character rules of Basic source under their older name; they live in basic/.

#include "basic/characters.h"

namespace kestrix::text {

using basic::ContinuesOnNextLine;
using basic::EqualsNoCase;
using basic::FoldName;
using basic::IsBlank;
using basic::IsDigit;
using basic::IsDoubleByteLetter;
using basic::IsIdentChar;
using basic::IsStandaloneStatementWord;
using basic::Lower;
using basic::NameEnd;
using basic::TakeWord;
using basic::Upper;

}  // namespace kestrix::text

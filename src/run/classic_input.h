// The classic prover's side of the runner: what its reader can take in, and
// the text it is handed. Its reader ends names at a blank, ")", "," and
// "-", keeps 255 bytes of a line and of a name, joins lines without a
// separator, and its tables hold 1000 rules, 49 symbols a side and 100
// symbols. A system outside these bounds is refused before it starts, and
// a system inside them is written so that the reader takes it as meant.
#pragma once
#include <string>
#include <vector>

#include "input/problem.h"

constexpr size_t ClassicMaxRules = 1000;
constexpr size_t ClassicMaxSide = 49;
constexpr size_t ClassicMaxSymbols = 100;
constexpr size_t ClassicMaxNameBytes = 255;
constexpr size_t ClassicMaxLineBytes = 255;

// Throws ProblemError naming the first bound the system exceeds, or the
// first name the classic prover's reader would misread.
void CheckClassicCapacity(const std::vector<tessivar::engine::NamedRule>& rules);

// The system in the text format, laid out for the classic prover's reader:
// every line at most 255 bytes, every name with a blank (or a line that
// starts with one) on either side, the arrow "-> " on one line.
std::string ClassicText(const std::vector<tessivar::engine::NamedRule>& rules);

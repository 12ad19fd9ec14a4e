// Reversal: every side of the strict and weak rules read backwards. A
// system terminates (relatively) exactly when its reversal does, and the
// reversed system often has an interpretation of a shape the original lacks.
#pragma once

#include "engine/processors/processor.h"

namespace tessivar::engine::processors {

struct Reversal {
  ChainStep step;  // a "reverse" step
  Problem rest;    // the reversed problem
};

// Not for top-mode problems (std::logic_error).
Reversal reverse_problem(const Problem& problem);

}  // namespace tessivar::engine::processors

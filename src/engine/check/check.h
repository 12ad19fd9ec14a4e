// The independent checker of engine proofs. It shares nothing with the
// search but the problem type: it recomputes every product, comparison,
// dependency pair and rewrite itself, with overflow-checked 128-bit
// arithmetic, and an overflow fails the check.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "engine/certificate/proof.h"

namespace tessivar::engine {

// A proof that does not hold; what() says which step and why.
struct CheckFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The state while reading a proof.
struct CheckState {
  std::vector<NamedRule> strict, weak;
  bool top = false;
};

// Checks the whole certificate; throws CheckFailure.
void check_certificate(const Certificate& c);

// One matrix step on a state: throws CheckFailure, or returns the state
// with the removed rules gone. The search calls this before it trusts a
// step.
CheckState check_matrix_step(const CheckState& state, const MatrixStep& step);

// A loop on the given rules: throws CheckFailure unless replaying the steps
// from the start word gives a word that contains it.
void check_loop(const std::vector<NamedRule>& rules, const LoopStep& loop);

}  // namespace tessivar::engine

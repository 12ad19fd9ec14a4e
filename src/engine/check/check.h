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

// Checks the whole certificate; throws CheckFailure. It does not know the
// problem: the caller compares the certificate's input with the rules it
// read, by check_input_matches.
void check_certificate(const Certificate& c);

// Throws CheckFailure unless the certificate's input is exactly `rules`, in
// order.
void check_input_matches(const Certificate& c, const std::vector<NamedRule>& rules);

// One matrix step on a state: throws CheckFailure, or returns the state
// with the removed rules gone. The search calls this before it trusts a
// step.
CheckState check_matrix_step(const CheckState& state, const MatrixStep& step);

// Reversal of every side of S and W; not in top mode.
CheckState check_reverse_step(const CheckState& state);

// The dependency pairs of `rules` (all strict), in the certificate's order:
// for each rule l -> r and each position of r holding a defined symbol (the
// first symbol of some left side), the pair l[1]# l[2..] -> r[i]# r[i+1..],
// duplicates dropped. Throws CheckFailure if a left side is empty or a
// marked name is already a symbol of the rules.
std::vector<NamedRule> dependency_pairs_of(const std::vector<NamedRule>& rules);

// The dependency-pair step: W must be empty and top mode off. Returns
// S = the pairs, W = the old S, top mode on.
CheckState check_dependency_pairs_step(const CheckState& state);

// A split of the pairs of a top-mode state by the graph of head symbols
// (an edge p -> q when the right side of p and the left side of q start with
// the same symbol). The components must be disjoint sets of pairs of S, and
// every cycle of the graph must lie inside one of them. Returns the state of
// each component: S = its pairs, the same W, top mode.
std::vector<CheckState> check_graph_step(const CheckState& state,
                                         const std::vector<std::vector<NamedRule>>& components);

// A loop on the given rules: throws CheckFailure unless replaying the steps
// from the start word gives a word that contains it.
void check_loop(const std::vector<NamedRule>& rules, const LoopStep& loop);

}  // namespace tessivar::engine

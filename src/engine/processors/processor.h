// What a processor gives back: a proof step that has passed its exact check,
// and the smaller problem that is left after it.
//
// A proof found by the engine is a chain of such steps from the input
// problem down to one without strict rules; assemble_proof turns the chain
// into the certificate's step tree.
#pragma once

#include <vector>

#include "engine/certificate/proof.h"
#include "engine/problem/problem.h"

namespace tessivar::engine::processors {

// One step of a chain: a reversal or a rule removal by a matrix
// interpretation (words in the orientation of the problem it applies to).
struct ChainStep {
  Step::Kind kind = Step::Kind::Reverse;
  MatrixStep matrix;  // Step::Kind::Matrix
};

// The steps in order, ended by an "empty" step.
StepPtr assemble_proof(const std::vector<ChainStep>& chain);

// The problem of a state of the checker, over the problem's alphabet.
Problem problem_of_state(const Problem& like, const std::vector<NamedRule>& strict,
                         const std::vector<NamedRule>& weak);

}  // namespace tessivar::engine::processors

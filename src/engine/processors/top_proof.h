// Proofs along the dependency-pair path: the transformation, then the
// graph, then matrix interpretations that remove pairs from each
// component, splitting again by the graph after every removal.
//
// Every matrix step is checked by the independent checker before it is
// used; a step that fails its check is reported on stderr and counts as a
// failed attempt.
#pragma once

#include <vector>

#include "engine/certificate/proof.h"
#include "engine/encodings/matrix_encoding.h"
#include "engine/encodings/stop_condition.h"
#include "engine/problem/problem.h"

namespace tessivar::engine {

// One matrix search of the schedule, with the time it may take at most.
struct MatrixAttempt {
  encodings::MatrixSettings settings;
  double seconds = 1;
};

// The attempts the dependency-pair path tries on each component, in order.
std::vector<MatrixAttempt> default_top_attempts();

// The proof of a top-mode problem, or nullptr when some component resists
// every attempt or the stop comes first.
StepPtr prove_top(const Problem& top, const std::vector<MatrixAttempt>& attempts,
                  const encodings::StopCondition& stop);

// The proof of a problem without weak rules, starting with the
// dependency-pair step; nullptr if the transformation does not apply, its
// certificate could not be written, or prove_top fails.
StepPtr prove_by_dependency_pairs(const Problem& p, const std::vector<MatrixAttempt>& attempts,
                                  const encodings::StopCondition& stop);

}  // namespace tessivar::engine

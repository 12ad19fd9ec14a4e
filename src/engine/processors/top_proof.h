// Proofs along the dependency-pair path: the weak rules removed first (the
// transformation needs a problem without them), the transformation, then
// the graph, then matrix interpretations that remove pairs from each
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

namespace tessivar::engine::processors {

// One matrix search of the schedule, with the time it may take at most.
struct MatrixAttempt {
  encodings::MatrixSettings settings;
  double seconds = 1;
};

struct DependencyPairPlan {
  std::vector<MatrixAttempt> weak_removal;  // on the problem before the transformation
  std::vector<MatrixAttempt> pairs;         // on each component, in order
};

// The attempts for a problem; arctic caps follow the length of its sides.
DependencyPairPlan default_dependency_pair_plan(const Problem& p);
// Every attempt's time multiplied by `factor`.
DependencyPairPlan scaled(DependencyPairPlan plan, double factor);

// The proof of a top-mode problem, or nullptr when some component resists
// every attempt or the stop comes first.
StepPtr prove_top(const Problem& top, const std::vector<MatrixAttempt>& attempts,
                  const encodings::StopCondition& stop);

// The proof of a problem outside top mode: matrix steps that remove every
// weak rule, then the dependency-pair step and prove_top. nullptr if a weak
// rule stays, the transformation does not apply or could not be written in
// a certificate, or prove_top fails.
StepPtr prove_by_dependency_pairs(const Problem& p, const DependencyPairPlan& plan,
                                  const encodings::StopCondition& stop);

}  // namespace tessivar::engine::processors

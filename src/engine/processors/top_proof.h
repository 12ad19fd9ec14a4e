// Proofs along the dependency-pair path: the weak rules removed first (the
// transformation needs a problem without them), the transformation, then
// the graph, then matrix interpretations that remove pairs from each
// component, splitting again by the graph after every removal.
//
// Every matrix step is checked by the independent checker before it is
// used; a step that fails its check is noted in `faults` and counts as a
// failed attempt.
#pragma once

#include <string>
#include <vector>

#include "engine/certificate/proof.h"
#include "engine/encodings/matrix_encoding.h"
#include "engine/encodings/stop_condition.h"
#include "engine/problem/problem.h"
#include "engine/processors/processor.h"

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

using Faults = std::vector<std::string>;
// Every attempt's time multiplied by `factor`.
DependencyPairPlan scaled(DependencyPairPlan plan, double factor);
std::vector<MatrixAttempt> scaled_attempts(std::vector<MatrixAttempt> attempts, double factor);

// The proof of a top-mode problem, or nullptr when some component resists
// every attempt or the stop comes first.
StepPtr prove_top(const Problem& top, const std::vector<MatrixAttempt>& attempts,
                  const encodings::StopCondition& stop, Faults* faults = nullptr);

// The proof of a problem outside top mode: matrix steps that remove every
// weak rule, then the dependency-pair step and prove_top. nullptr if a weak
// rule stays, the transformation does not apply or could not be written in
// a certificate, or prove_top fails.
StepPtr prove_by_dependency_pairs(const Problem& p, const DependencyPairPlan& plan,
                                  const encodings::StopCondition& stop, Faults* faults = nullptr);

// The whole path as one processor: it proves the problem or fails.
class DependencyPairPath : public Processor {
 public:
  explicit DependencyPairPath(DependencyPairPlan plan) : plan_(std::move(plan)) {}
  const char* technique() const override { return "dependency-pairs"; }
  std::string describe() const override;
  Result apply(const Problem& problem, const encodings::StopCondition& stop) override;

 private:
  DependencyPairPlan plan_;
};

}  // namespace tessivar::engine::processors

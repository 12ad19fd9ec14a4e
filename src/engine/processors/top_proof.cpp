// The dependency-pair path: graph splits and checked removal of pairs.
#include "engine/processors/top_proof.h"

#include <algorithm>
#include <iostream>
#include <optional>

#include "engine/check/check.h"
#include "engine/processors/dependency_graph.h"
#include "engine/processors/dependency_pairs.h"

namespace tessivar::engine {

namespace {

using encodings::Clock;
using encodings::MatrixSettings;
using encodings::SearchOutcome;
using encodings::StopCondition;

MatrixAttempt attempt(Semiring semiring, int dimension, int bits, int cap, double seconds,
                      encodings::Shape shape = encodings::Shape::Full) {
  MatrixAttempt a;
  a.settings.semiring = semiring;
  a.settings.dimension = dimension;
  a.settings.bits = bits;
  a.settings.cap = cap;
  a.settings.shape = shape;
  a.seconds = seconds;
  return a;
}

CheckState check_state_of(const Problem& p) {
  CheckState s{{}, {}, p.top};
  for (const Rule& r : p.strict) s.strict.push_back(p.named(r));
  for (const Rule& r : p.weak) s.weak.push_back(p.named(r));
  return s;
}

StopCondition attempt_stop(const StopCondition& stop, double seconds) {
  StopCondition s = stop;
  auto slice = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  s.deadline = std::min(stop.deadline, slice);
  return s;
}

struct Removal {
  MatrixStep step;
  Problem rest;
};

// The first attempt that removes some pairs, as the checker confirms it.
std::optional<Removal> remove_pairs(const Problem& top, const std::vector<MatrixAttempt>& attempts,
                                    const StopCondition& stop) {
  for (const MatrixAttempt& a : attempts) {
    if (stop.reached()) return std::nullopt;
    auto found = encodings::search_matrix_interpretation(top, a.settings, attempt_stop(stop, a.seconds));
    if (found.outcome != SearchOutcome::Found) continue;
    try {
      CheckState rest = check_matrix_step(check_state_of(top), found.step);
      Problem p{top.alphabet, {}, top.weak, true};
      for (const NamedRule& r : rest.strict) p.strict.push_back(top.from_named(r));
      return Removal{std::move(found.step), std::move(p)};
    } catch (const CheckFailure& e) {
      std::cerr << "tessivar-prove: internal error: a matrix step failed its check: " << e.what() << "\n";
    }
  }
  return std::nullopt;
}

StepPtr prove_split(const Problem& top, const std::vector<MatrixAttempt>& attempts, const StopCondition& stop);

// A component on a cycle: remove pairs, then split what is left.
StepPtr prove_component(const Problem& component, const std::vector<MatrixAttempt>& attempts,
                        const StopCondition& stop) {
  auto removal = remove_pairs(component, attempts, stop);
  if (!removal) return nullptr;
  StepPtr next = prove_split(removal->rest, attempts, stop);
  if (!next) return nullptr;
  return Step::matrix_step(std::move(removal->step), std::move(next));
}

StepPtr prove_split(const Problem& top, const std::vector<MatrixAttempt>& attempts, const StopCondition& stop) {
  if (top.strict.empty()) return Step::empty();
  std::vector<Problem> components = graph_components(top);
  std::vector<StepPtr> proofs;
  for (const Problem& c : components) {
    proofs.push_back(prove_component(c, attempts, stop));
    if (!proofs.back()) return nullptr;
  }
  return graph_step(components, std::move(proofs));
}

}  // namespace

std::vector<MatrixAttempt> default_top_attempts() {
  return {
      attempt(Semiring::Natural, 1, 3, 6, 0.5),
      attempt(Semiring::Arctic, 2, 2, 5, 1),
      attempt(Semiring::Natural, 2, 2, 5, 1),
      attempt(Semiring::Arctic, 3, 2, 5, 2),
      attempt(Semiring::Natural, 3, 2, 5, 2),
  };
}

StepPtr prove_top(const Problem& top, const std::vector<MatrixAttempt>& attempts, const StopCondition& stop) {
  return prove_split(top, attempts, stop);
}

StepPtr prove_by_dependency_pairs(const Problem& p, const std::vector<MatrixAttempt>& attempts,
                                  const StopCondition& stop) {
  auto dp = dependency_pairs(p);
  if (!dp || !dp->certifiable) return nullptr;
  StepPtr next = prove_top(dp->problem, attempts, stop);
  if (!next) return nullptr;
  return Step::dependency_pairs(std::move(next));
}

}  // namespace tessivar::engine

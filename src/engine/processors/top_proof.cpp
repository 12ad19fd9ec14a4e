// The dependency-pair path: graph splits and checked removal of pairs.
#include "engine/processors/top_proof.h"

#include <algorithm>
#include <iostream>
#include <optional>

#include "engine/check/check.h"
#include "engine/processors/dependency_graph.h"
#include "engine/processors/dependency_pairs.h"

namespace tessivar::engine::processors {

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

size_t longest_side(const Problem& p) {
  size_t n = 1;
  for (const auto* rules : {&p.strict, &p.weak})
    for (const Rule& r : *rules) n = std::max({n, r.lhs.size(), r.rhs.size()});
  return n;
}

// Arctic values grow with the sum of the entries along a side: room for a
// side of entries of about half the largest value, one bit to spare.
int arctic_cap(int bits, size_t longest) {
  uint64_t value = ((uint64_t{1} << bits) - 1) * longest / 2 + 1;
  int needed = 0;
  while (value >> needed) ++needed;
  return std::clamp(needed + 1, bits + 1, 12);
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

struct CheckedRemoval {
  MatrixStep step;
  Problem rest;
};

// The first attempt whose interpretation of `search` (the problem, or its
// rules with S and W swapped) removes rules from `problem`, as the checker
// confirms it.
std::optional<CheckedRemoval> first_removal(const Problem& problem, const Problem& search,
                                     const std::vector<MatrixAttempt>& attempts, const StopCondition& stop) {
  for (const MatrixAttempt& a : attempts) {
    if (stop.reached()) return std::nullopt;
    auto found = encodings::search_matrix_interpretation(search, a.settings, attempt_stop(stop, a.seconds));
    if (found.outcome != SearchOutcome::Found) continue;
    try {
      CheckState rest = check_matrix_step(check_state_of(problem), found.step);
      Problem p{problem.alphabet, {}, {}, problem.top};
      for (const NamedRule& r : rest.strict) p.strict.push_back(problem.from_named(r));
      for (const NamedRule& r : rest.weak) p.weak.push_back(problem.from_named(r));
      return CheckedRemoval{std::move(found.step), std::move(p)};
    } catch (const CheckFailure& e) {
      std::cerr << "tessivar-prove: internal error: a matrix step failed its check: " << e.what() << "\n";
    }
  }
  return std::nullopt;
}

std::optional<CheckedRemoval> remove_pairs(const Problem& top, const std::vector<MatrixAttempt>& attempts,
                                    const StopCondition& stop) {
  return first_removal(top, top, attempts, stop);
}

// A step that removes weak rules: the search asks a strict decrease of some
// weak rule by swapping the two sets; the conditions on all other rules are
// the same either way.
std::optional<CheckedRemoval> remove_weak_rules(const Problem& p, const std::vector<MatrixAttempt>& attempts,
                                         const StopCondition& stop) {
  Problem swapped{p.alphabet, p.weak, p.strict, false};
  return first_removal(p, swapped, attempts, stop);
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

DependencyPairPlan default_dependency_pair_plan(const Problem& p) {
  int cap = arctic_cap(2, longest_side(p));
  DependencyPairPlan plan;
  plan.weak_removal = {
      attempt(Semiring::Natural, 1, 3, 8, 0.5),
      attempt(Semiring::Natural, 2, 2, 5, 1, encodings::Shape::Affine),
      attempt(Semiring::Arctic, 2, 2, cap, 1),
      attempt(Semiring::Natural, 3, 2, 5, 2, encodings::Shape::Affine),
  };
  plan.pairs = {
      attempt(Semiring::Natural, 1, 3, 8, 0.5),
      attempt(Semiring::Arctic, 2, 2, cap, 1),
      attempt(Semiring::Natural, 2, 2, 5, 1),
      attempt(Semiring::Arctic, 3, 2, cap, 2),
      attempt(Semiring::Natural, 3, 2, 5, 2),
  };
  return plan;
}

DependencyPairPlan scaled(DependencyPairPlan plan, double factor) {
  for (auto* list : {&plan.weak_removal, &plan.pairs})
    for (MatrixAttempt& a : *list) a.seconds *= factor;
  return plan;
}

StepPtr prove_top(const Problem& top, const std::vector<MatrixAttempt>& attempts, const StopCondition& stop) {
  return prove_split(top, attempts, stop);
}

StepPtr prove_by_dependency_pairs(const Problem& p, const DependencyPairPlan& plan, const StopCondition& stop) {
  if (p.top) return nullptr;
  if (p.strict.empty()) return Step::empty();
  if (!p.weak.empty()) {
    auto removal = remove_weak_rules(p, plan.weak_removal, stop);
    if (!removal) return nullptr;
    StepPtr next = prove_by_dependency_pairs(removal->rest, plan, stop);
    if (!next) return nullptr;
    return Step::matrix_step(std::move(removal->step), std::move(next));
  }
  auto dp = dependency_pairs(p);
  if (!dp || !dp->certifiable) return nullptr;
  StepPtr next = prove_top(dp->problem, plan.pairs, stop);
  if (!next) return nullptr;
  return Step::dependency_pairs(std::move(next));
}

}  // namespace tessivar::engine::processors

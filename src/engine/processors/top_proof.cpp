// The dependency-pair path: graph splits and checked removal of pairs.
#include "engine/processors/top_proof.h"

#include <algorithm>
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

struct CheckedRemoval {
  MatrixStep step;
  Problem rest;
};

// The first attempt whose interpretation of `search` (the problem, or its
// rules with S and W swapped) removes rules from `problem`, as the checker
// confirms it.
std::optional<CheckedRemoval> first_removal(const Problem& problem, const Problem& search,
                                            const std::vector<MatrixAttempt>& attempts, const StopCondition& stop,
                                            Faults* faults) {
  for (const MatrixAttempt& a : attempts) {
    if (stop.reached()) return std::nullopt;
    auto found = encodings::search_matrix_interpretation(search, a.settings, stop.within(a.seconds));
    if (found.outcome != SearchOutcome::Found) continue;
    try {
      CheckState rest = check_matrix_step(check_state_of(problem), found.step);
      return CheckedRemoval{std::move(found.step), problem_of_state(problem, rest.strict, rest.weak)};
    } catch (const CheckFailure& e) {
      if (faults) faults->push_back(std::string("a matrix step failed its check: ") + e.what());
    }
  }
  return std::nullopt;
}

std::optional<CheckedRemoval> remove_pairs(const Problem& top, const std::vector<MatrixAttempt>& attempts,
                                           const StopCondition& stop, Faults* faults) {
  return first_removal(top, top, attempts, stop, faults);
}

// A step that removes weak rules: the search asks a strict decrease of some
// weak rule by swapping the two sets; the conditions on all other rules are
// the same either way.
std::optional<CheckedRemoval> remove_weak_rules(const Problem& p, const std::vector<MatrixAttempt>& attempts,
                                                const StopCondition& stop, Faults* faults) {
  Problem swapped{p.alphabet, p.weak, p.strict, false};
  return first_removal(p, swapped, attempts, stop, faults);
}

StepPtr prove_split(const Problem& top, const std::vector<MatrixAttempt>& attempts, const StopCondition& stop,
                    Faults* faults);

// A component on a cycle: remove pairs, then split what is left.
StepPtr prove_component(const Problem& component, const std::vector<MatrixAttempt>& attempts,
                        const StopCondition& stop, Faults* faults) {
  auto removal = remove_pairs(component, attempts, stop, faults);
  if (!removal) return nullptr;
  StepPtr next = prove_split(removal->rest, attempts, stop, faults);
  if (!next) return nullptr;
  return Step::matrix_step(std::move(removal->step), std::move(next));
}

StepPtr prove_split(const Problem& top, const std::vector<MatrixAttempt>& attempts, const StopCondition& stop,
                    Faults* faults) {
  if (top.strict.empty()) return Step::empty();
  std::vector<Problem> components = graph_components(top);
  std::vector<StepPtr> proofs;
  for (const Problem& c : components) {
    proofs.push_back(prove_component(c, attempts, stop, faults));
    if (!proofs.back()) return nullptr;
  }
  return graph_step(components, std::move(proofs));
}

}  // namespace

std::vector<MatrixAttempt> scaled_attempts(std::vector<MatrixAttempt> attempts, double factor) {
  for (MatrixAttempt& a : attempts) a.seconds *= factor;
  return attempts;
}

DependencyPairPlan scaled(DependencyPairPlan plan, double factor) {
  for (auto* list : {&plan.weak_removal, &plan.pairs})
    for (MatrixAttempt& a : *list) a.seconds *= factor;
  return plan;
}

StepPtr prove_top(const Problem& top, const std::vector<MatrixAttempt>& attempts, const StopCondition& stop,
                  Faults* faults) {
  return prove_split(top, attempts, stop, faults);
}

StepPtr prove_by_dependency_pairs(const Problem& p, const DependencyPairPlan& plan, const StopCondition& stop,
                                  Faults* faults) {
  if (p.top) return nullptr;
  if (p.strict.empty()) return Step::empty();
  if (!p.weak.empty()) {
    auto removal = remove_weak_rules(p, plan.weak_removal, stop, faults);
    if (!removal) return nullptr;
    StepPtr next = prove_by_dependency_pairs(removal->rest, plan, stop, faults);
    if (!next) return nullptr;
    return Step::matrix_step(std::move(removal->step), std::move(next));
  }
  auto dp = dependency_pairs(p);
  if (!dp || !dp->certifiable) return nullptr;
  StepPtr next = prove_top(dp->problem, plan.pairs, stop, faults);
  if (!next) return nullptr;
  return Step::dependency_pairs(std::move(next));
}

}  // namespace tessivar::engine::processors

namespace tessivar::engine::processors {

std::string DependencyPairPath::describe() const { return "dependency pairs"; }

Result DependencyPairPath::apply(const Problem& problem, const StopCondition& stop) {
  if (problem.top) return not_applied(Verdict::NotApplicable, "the problem is in top mode already");
  Faults faults;
  StepPtr proof = prove_by_dependency_pairs(problem, plan_, stop, &faults);
  if (proof) return proved(std::move(proof));
  if (!faults.empty()) return not_applied(Verdict::CheckFailed, faults.front());
  return not_applied(stop.reached() ? Verdict::Stopped : Verdict::Exhausted);
}

}  // namespace tessivar::engine::processors

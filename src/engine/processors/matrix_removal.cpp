// The matrix rule-removal processor.
#include "engine/processors/matrix_removal.h"

#include "engine/check/check.h"

namespace tessivar::engine::processors {

namespace {

CheckState state_of(const Problem& p) {
  CheckState s;
  s.top = p.top;
  for (const Rule& r : p.strict) s.strict.push_back(p.named(r));
  for (const Rule& r : p.weak) s.weak.push_back(p.named(r));
  return s;
}

RemovalOutcome outcome_of(encodings::SearchOutcome o) {
  return o == encodings::SearchOutcome::Exhausted ? RemovalOutcome::NotFound : RemovalOutcome::Stopped;
}

}  // namespace

Removal remove_by_matrix(const Problem& problem, const encodings::MatrixSettings& settings,
                         const encodings::StopCondition& stop) {
  Removal r;
  r.search = encodings::search_matrix_interpretation(problem, settings, stop);
  if (r.search.outcome != encodings::SearchOutcome::Found) {
    r.outcome = outcome_of(r.search.outcome);
    return r;
  }
  try {
    CheckState next = check_matrix_step(state_of(problem), r.search.step);
    if (next.strict.size() + next.weak.size() == problem.strict.size() + problem.weak.size())
      throw CheckFailure("matrix step: it removes no rule");
    r.rest = problem_of_state(problem, next.strict, next.weak);
  } catch (const CheckFailure& e) {
    r.outcome = RemovalOutcome::Refused;
    r.why = e.what();
    return r;
  }
  r.outcome = RemovalOutcome::Removed;
  r.step.kind = Step::Kind::Matrix;
  r.step.matrix = r.search.step;
  return r;
}

}  // namespace tessivar::engine::processors

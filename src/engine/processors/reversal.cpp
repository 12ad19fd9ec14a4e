// The reversal processor.
#include "engine/processors/reversal.h"

namespace tessivar::engine::processors {

Result Reversal::apply(const Problem& problem, const encodings::StopCondition&) {
  if (problem.top) return not_applied(Verdict::NotApplicable, "pairs are rewritten at the top only");
  CheckState after = check_reverse_step(check_state_of(problem));
  return applied(Step::make(ReverseStep{}), problem_of_state(problem, after.strict, after.weak));
}

}  // namespace tessivar::engine::processors

// The reversal processor.
#include "engine/processors/reversal.h"

namespace tessivar::engine::processors {

Reversal reverse_problem(const Problem& problem) {
  Reversal r;
  r.step.kind = Step::Kind::Reverse;
  r.rest = reversed(problem);
  return r;
}

}  // namespace tessivar::engine::processors

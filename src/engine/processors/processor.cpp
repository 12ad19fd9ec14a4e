// Chains of checked steps as proof trees.
#include "engine/processors/processor.h"

namespace tessivar::engine::processors {

StepPtr assemble_proof(const std::vector<ChainStep>& chain) {
  StepPtr proof = Step::empty();
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (it->kind == Step::Kind::Reverse)
      proof = Step::reverse(std::move(proof));
    else
      proof = Step::matrix_step(it->matrix, std::move(proof));
  }
  return proof;
}

Problem problem_of_state(const Problem& like, const std::vector<NamedRule>& strict,
                         const std::vector<NamedRule>& weak) {
  Problem p;
  p.alphabet = like.alphabet;
  p.top = like.top;
  for (const NamedRule& r : strict) p.strict.push_back(like.from_named(r));
  for (const NamedRule& r : weak) p.weak.push_back(like.from_named(r));
  return p;
}

}  // namespace tessivar::engine::processors

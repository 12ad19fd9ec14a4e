// Results, chains of checked steps as proof trees, and the problem of a
// checker's state.
#include "engine/processors/processor.h"

namespace tessivar::engine::processors {

Result applied(StepPtr step, Problem rest, std::string figures) {
  Result r;
  r.verdict = Verdict::Applied;
  r.step = std::move(step);
  r.rest = std::move(rest);
  r.figures = std::move(figures);
  return r;
}

Result proved(StepPtr step, std::string figures) {
  Result r;
  r.verdict = Verdict::Proved;
  r.step = std::move(step);
  r.figures = std::move(figures);
  return r;
}

Result not_applied(Verdict verdict, std::string reason, std::string figures) {
  Result r;
  r.verdict = verdict;
  r.reason = std::move(reason);
  r.figures = std::move(figures);
  return r;
}

StepPtr assemble_proof(std::vector<StepNode> chain, StepPtr tail) {
  StepPtr proof = tail ? std::move(tail) : Step::empty();
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) proof = Step::make(std::move(*it), std::move(proof));
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

CheckState check_state_of(const Problem& p) {
  CheckState s{{}, {}, p.top};
  for (const Rule& r : p.strict) s.strict.push_back(p.named(r));
  for (const Rule& r : p.weak) s.weak.push_back(p.named(r));
  return s;
}

}  // namespace tessivar::engine::processors

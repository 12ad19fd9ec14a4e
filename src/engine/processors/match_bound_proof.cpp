// The match-bound processor.
#include "engine/processors/match_bound_proof.h"

#include <sstream>

namespace tessivar::engine::processors {

std::string MatchBoundProof::describe() const {
  return "match bounds up to height " + std::to_string(limits_.max_height);
}

Result MatchBoundProof::apply(const Problem& problem, const encodings::StopCondition& stop) {
  if (problem.top) return not_applied(Verdict::NotApplicable, "pairs are rewritten at the top only");
  if (!problem.weak.empty()) return not_applied(Verdict::NotApplicable, "the problem has weak rules");
  for (const Rule& r : problem.strict)
    if (r.lhs.empty()) return not_applied(Verdict::NotApplicable, "a left side is empty");
  MatchBoundResult found = find_match_bound_automaton(problem, limits_, stop);
  std::ostringstream figures;
  figures << found.states << " states, " << found.transitions << " transitions, height " << found.height << ", "
          << found.seconds << "s";
  if (found.automaton) return proved(Step::make(MatchBoundsStep{std::move(*found.automaton)}), figures.str());
  if (found.why_not.find("internal error") != std::string::npos)
    return not_applied(Verdict::CheckFailed, found.why_not, figures.str());
  if (stop.deadline_reached()) return not_applied(Verdict::Stopped, found.why_not, figures.str());
  return not_applied(Verdict::Exhausted, found.why_not, figures.str());
}

}  // namespace tessivar::engine::processors

// The match bound of an automaton and its printed form.
#include "engine/certificate/match_bounds.h"

#include <algorithm>

namespace tessivar::engine {

uint32_t match_bound_of(const MatchBoundAutomaton& a) {
  uint32_t bound = 0;
  for (const auto& t : a.transitions) bound = std::max(bound, t.height);
  return bound;
}

namespace {

void print_states(std::ostream& out, const std::vector<size_t>& states) {
  for (size_t i = 0; i < states.size(); ++i) out << (i ? ", " : "") << states[i];
}

}  // namespace

void print_match_bounds(std::ostream& out, const MatchBoundAutomaton& a, size_t max_listed) {
  out << "Match bound " << match_bound_of(a) << ": an automaton of " << a.states << " state"
      << (a.states == 1 ? "" : "s") << " and " << a.transitions.size() << " transition"
      << (a.transitions.size() == 1 ? "" : "s") << ".\n";
  out << "  Initial: ";
  print_states(out, a.initial);
  out << "; final: ";
  print_states(out, a.final);
  out << ".\n";
  if (a.transitions.size() > max_listed) return;
  for (const auto& t : a.transitions)
    out << "  " << t.from << " --" << (t.symbol ? *t.symbol : std::string("$")) << "/" << t.height << "--> " << t.to
        << "\n";
}

}  // namespace tessivar::engine

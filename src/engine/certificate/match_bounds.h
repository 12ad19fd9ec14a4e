// A match-bound automaton: the proof that a system terminates because the
// match heights of its derivations from right sides of forward closures are
// bounded.
//
// The automaton reads letters (a, h): a symbol of the rules and a height h,
// or the end marker $ (symbol nullopt), which always has height 0. It must
// accept r $ at height 0 for every rule l -> r and be compatible with the
// annotated system match(R$) (see engine/check/match_bounds.h); then no
// derivation from those words climbs above the largest height in the
// automaton, and the system terminates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tessivar::engine {

struct MatchBoundAutomaton {
  struct Transition {
    size_t from = 0;
    std::optional<std::string> symbol;  // nullopt: the end marker $
    uint32_t height = 0;
    size_t to = 0;
    bool operator==(const Transition& o) const {
      return from == o.from && symbol == o.symbol && height == o.height && to == o.to;
    }
    bool operator!=(const Transition& o) const { return !(*this == o); }
  };
  size_t states = 0;  // states are 0 .. states - 1
  std::vector<size_t> initial, final;
  std::vector<Transition> transitions;

  bool operator==(const MatchBoundAutomaton& o) const {
    return states == o.states && initial == o.initial && final == o.final && transitions == o.transitions;
  }
  bool operator!=(const MatchBoundAutomaton& o) const { return !(*this == o); }
};

// The largest height of a transition (the match bound), 0 without any.
uint32_t match_bound_of(const MatchBoundAutomaton& a);

// The bound, the numbers of states and transitions, and the transitions
// themselves when there are at most `max_listed`, one a line:
//   "  3 --a/1--> 5", with "$" for the end marker.
void print_match_bounds(std::ostream& out, const MatchBoundAutomaton& a, size_t max_listed = 50);

}  // namespace tessivar::engine

// The check of a match-bound automaton, the proof that a system of strict
// rules terminates (no weak rules, not in top mode: the caller sees to that).
#pragma once

#include <vector>

#include "engine/certificate/match_bounds.h"
#include "engine/check/check.h"

namespace tessivar::engine {

// Throws CheckFailure unless:
//  - no rule has an empty left side;
//  - every state named is below a.states, every transition's symbol is a
//    symbol of the rules, and every end-marker transition has height 0;
//  - for every rule l -> r the automaton reads r $ at height 0 (every
//    symbol of r at height 0, then ($, 0)) from an initial to a final state;
//  - the automaton is compatible with match(R$): for every state p,
//      for every rule l -> r and every path p -> q reading an annotation of
//      l whose least height is m, a path p -> q reads r at height m + 1;
//      for every extension rule u $ -> r $ (l -> r a rule, l = u z with u and
//      z not empty) and every path p -> q reading an annotation of u and
//      then ($, 0), a path p -> q reads r at height 1 and then ($, 0).
//    For a rule with an empty right side, "a path p -> q reading the empty
//    word" holds when p = q, or when q has every incoming transition that p
//    has (same source, symbol and height) and q is initial if p is: the
//    automaton then accepts x y whenever it accepts x l y along that path.
void check_match_bounds(const std::vector<NamedRule>& strict, const MatchBoundAutomaton& a);

}  // namespace tessivar::engine

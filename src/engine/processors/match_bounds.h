// The search for match-bound automata: a proof that a system terminates
// because the match heights of derivations from the right sides of forward
// closures stay bounded (see engine/check/match_bounds.h for what the
// automaton must satisfy).
//
// The automaton is built by completion: it starts with a path reading r $
// at height 0 from the initial to the final state for every rule l -> r,
// and for every path that reads a left side of match(R$) between p and q
// without a path for the right side, it adds one. A new path for a word
// a1 .. an ending in q reuses, for each suffix, the state made before for
// the same letter, height and target, so that paths with common endings
// share their states; a rule with an empty right side makes q take every
// transition into p (and initiality). The search ends when nothing is
// missing (the automaton then passes the independent check before it is
// returned), when a height above the limit is needed, when the automaton
// outgrows its limits, or at the stop condition.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/certificate/match_bounds.h"
#include "engine/encodings/stop_condition.h"
#include "engine/problem/problem.h"

namespace tessivar::engine::processors {

struct MatchBoundLimits {
  // The attempts below run first with heights up to first_height (most
  // automata found need few, and failing there is quick), and only when
  // all of them fail by the limits on height or size again up to max_height.
  uint32_t first_height = 6;
  uint32_t max_height = 12;
  size_t max_states = 40000;
  size_t max_transitions = 400000;
  // Distinct (rule, p, q, height) to meet, about 50 bytes each.
  size_t max_obligations = 4000000;
  // How a new path reuses states: Suffixes as above; Prefixes also follows
  // transitions already there from its start for a prefix of its word
  // (fewer states, but more paths in them); PrefixesThenSuffixes tries
  // Prefixes and, when that fails by the limits on height or size (not by
  // time), Suffixes. Each finds automata the other misses.
  enum class Reuse { Suffixes, Prefixes, PrefixesThenSuffixes };
  Reuse reuse = Reuse::PrefixesThenSuffixes;
};

struct MatchBoundResult {
  // A checked automaton, or nullopt with the reason in why_not.
  std::optional<MatchBoundAutomaton> automaton;
  std::string why_not;
  // Of the automaton when the search ended, found or not.
  size_t states = 0, transitions = 0;
  uint32_t height = 0;
  double seconds = 0;
  bool height_exceeded = false;  // the search needed a height above max_height
};

// For problems with no weak rules, not in top mode and without an empty
// left side (otherwise nullopt, with the reason). Symbols are named by the
// problem's alphabet.
MatchBoundResult find_match_bound_automaton(const Problem& p, const MatchBoundLimits& limits,
                                            const encodings::StopCondition& stop);

}  // namespace tessivar::engine::processors

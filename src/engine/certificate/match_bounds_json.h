// Match-bound automata as JSON:
//   {"states": N, "initial": [STATE, ...], "final": [STATE, ...],
//    "transitions": [[FROM, SYMBOL, HEIGHT, TO], ...]}
// SYMBOL is a symbol's name, or null for the end marker $.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "engine/certificate/json.h"
#include "engine/certificate/match_bounds.h"

namespace tessivar::engine {

nlohmann::ordered_json match_bounds_automaton_json(const MatchBoundAutomaton& a);

// Reads the form above strictly: unknown or missing keys, values of the
// wrong type, negative, fractional or too large numbers are refused with
// the path of the offending value (`path` names `j` itself), by
// CertificateFormatError. Duplicate keys are the parser's to refuse (the
// certificate reader does). Whether states are in range, symbols known and
// end markers at height 0 is the checker's question.
MatchBoundAutomaton read_match_bounds_automaton(const nlohmann::json& j, const std::string& path);

}  // namespace tessivar::engine

// Match-bound automata as JSON and back, read strictly with the path of
// every offending value.
#include "engine/certificate/match_bounds_json.h"

#include <limits>
#include <set>

#include "engine/certificate/json_reading.h"

namespace tessivar::engine {

namespace {

using nlohmann::json;
using nlohmann::ordered_json;

using json_reading::fail;
using json_reading::wrong_type;

// A natural number no larger than `max`.
uint64_t get_natural(const json& j, const std::string& where, uint64_t max) {
  if (j.is_number_unsigned()) {
    auto v = j.get<uint64_t>();
    if (v > max) fail(where, "the number is too large");
    return v;
  }
  if (j.is_number_integer()) fail(where, "expected a natural number, found a negative one");
  wrong_type(where, j, "a natural number");
}

constexpr uint64_t kMaxState = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());

std::vector<size_t> get_states(const json& j, const std::string& where) {
  if (!j.is_array()) wrong_type(where, j, "a list");
  std::vector<size_t> out;
  for (size_t i = 0; i < j.size(); ++i)
    out.push_back(static_cast<size_t>(get_natural(j[i], where + "[" + std::to_string(i) + "]", kMaxState)));
  return out;
}

}  // namespace

ordered_json match_bounds_automaton_json(const MatchBoundAutomaton& a) {
  ordered_json out;
  out["states"] = a.states;
  out["initial"] = a.initial;
  out["final"] = a.final;
  ordered_json transitions = ordered_json::array();
  for (const auto& t : a.transitions)
    transitions.push_back(ordered_json::array(
        {t.from, t.symbol ? ordered_json(*t.symbol) : ordered_json(nullptr), t.height, t.to}));
  out["transitions"] = std::move(transitions);
  return out;
}

MatchBoundAutomaton read_match_bounds_automaton(const json& j, const std::string& path) {
  if (!j.is_object()) wrong_type(path, j, "an object");
  static const std::set<std::string> keys = {"states", "initial", "final", "transitions"};
  for (const auto& [key, value] : j.items())
    if (!keys.count(key)) fail(path, "unknown key \"" + key + "\"");
  for (const auto& key : keys)
    if (!j.contains(key)) fail(path, "the key \"" + key + "\" is missing");

  MatchBoundAutomaton a;
  a.states = static_cast<size_t>(get_natural(j["states"], path + ".states", kMaxState));
  a.initial = get_states(j["initial"], path + ".initial");
  a.final = get_states(j["final"], path + ".final");
  const json& transitions = j["transitions"];
  std::string at = path + ".transitions";
  if (!transitions.is_array()) wrong_type(at, transitions, "a list");
  a.transitions.reserve(transitions.size());
  for (size_t i = 0; i < transitions.size(); ++i) {
    std::string where = at + "[" + std::to_string(i) + "]";
    const json& t = transitions[i];
    if (!t.is_array() || t.size() != 4) fail(where, "a transition is a list [from, symbol, height, to]");
    MatchBoundAutomaton::Transition tr;
    tr.from = static_cast<size_t>(get_natural(t[0], where + "[0]", kMaxState));
    if (t[1].is_string()) {
      tr.symbol = t[1].get<std::string>();
      if (tr.symbol->empty()) fail(where + "[1]", "a symbol name is not empty");
    } else if (!t[1].is_null()) {
      wrong_type(where + "[1]", t[1], "a symbol name or null");
    }
    tr.height = static_cast<uint32_t>(get_natural(t[2], where + "[2]", std::numeric_limits<uint32_t>::max()));
    tr.to = static_cast<size_t>(get_natural(t[3], where + "[3]", kMaxState));
    a.transitions.push_back(std::move(tr));
  }
  return a;
}

}  // namespace tessivar::engine

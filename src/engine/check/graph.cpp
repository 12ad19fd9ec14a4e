// The check of a split of the dependency pairs by the graph of head
// symbols. A pair p leads to q when the right side of p and the left side of
// q start with the same marked symbol; weak rules never touch that symbol.
// The pair graph is therefore the symbol graph with a pair as an edge from
// its left head to its right head: a pair lies on a cycle when its right
// head reaches its left head, and two such pairs share a cycle when their
// heads lie in one strongly connected part of the symbol graph.
#include <algorithm>
#include <deque>

#include "engine/check/check.h"
#include "engine/check/rules.h"

namespace tessivar::engine {

using checking::rule_text;

namespace {

[[noreturn]] void refuse(const std::string& why) { throw CheckFailure("graph: " + why); }

// reach[a] = the symbols reachable from a by zero or more pairs.
std::map<std::string, std::set<std::string>> reachability(const std::vector<NamedRule>& pairs) {
  std::map<std::string, std::vector<std::string>> edges;
  for (const NamedRule& p : pairs) {
    edges[p.lhs[0]].push_back(p.rhs[0]);
    edges[p.rhs[0]];
  }
  std::map<std::string, std::set<std::string>> reach;
  for (const auto& [from, unused] : edges) {
    std::set<std::string>& seen = reach[from];
    std::deque<std::string> todo{from};
    seen.insert(from);
    while (!todo.empty()) {
      std::string at = todo.front();
      todo.pop_front();
      for (const std::string& to : edges[at])
        if (seen.insert(to).second) todo.push_back(to);
    }
  }
  return reach;
}

}  // namespace

std::vector<CheckState> check_graph_step(const CheckState& state,
                                         const std::vector<std::vector<NamedRule>>& components) {
  if (!state.top) refuse("only in top mode");
  checking::marked_symbols(state);  // the shape of the pairs
  std::map<std::pair<NamedWord, NamedWord>, size_t> component_of;
  for (size_t c = 0; c < components.size(); ++c)
    for (const NamedRule& p : components[c]) {
      if (!checking::contains(state.strict, p)) refuse("the pair " + rule_text(p) + " is not in the problem");
      if (!component_of.emplace(std::make_pair(p.lhs, p.rhs), c).second)
        refuse("the pair " + rule_text(p) + " is listed twice");
    }
  auto reach = reachability(state.strict);
  // The component of each strongly connected part, by its least symbol.
  std::map<std::string, std::pair<size_t, NamedRule>> part_component;
  for (const NamedRule& p : state.strict) {
    const std::string& head = p.lhs[0];
    if (!reach[p.rhs[0]].count(head)) continue;  // on no cycle
    auto c = component_of.find(std::make_pair(p.lhs, p.rhs));
    if (c == component_of.end()) refuse("the pair " + rule_text(p) + " lies on a cycle but in no component");
    std::string part = head;
    for (const std::string& s : reach[head])
      if (s < part && reach[s].count(head)) part = s;
    auto [known, fresh] = part_component.emplace(part, std::make_pair(c->second, p));
    if (!fresh && known->second.first != c->second)
      refuse("the pairs " + rule_text(known->second.second) + " and " + rule_text(p) +
             " share a cycle but not a component");
  }
  std::vector<CheckState> out;
  for (const auto& pairs : components) out.push_back({pairs, state.weak, true});
  return out;
}

}  // namespace tessivar::engine

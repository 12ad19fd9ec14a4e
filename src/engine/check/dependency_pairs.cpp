// The dependency-pair transformation as the checker computes it, and the
// reversal step; both recompute the new state from the old one alone.
#include <algorithm>

#include "engine/check/check.h"
#include "engine/check/rules.h"

namespace tessivar::engine {

using checking::contains;
using checking::rule_text;

namespace {

const char* const kMark = "#";

// The defined symbols and their marked names; refuses a marked name that
// is already a symbol, which would make two symbols one.
std::map<std::string, std::string> marked_names(const std::vector<NamedRule>& rules) {
  std::set<std::string> symbols = checking::symbols_of(rules);
  std::map<std::string, std::string> marked;
  for (const NamedRule& r : rules) {
    if (r.lhs.empty()) throw CheckFailure("dependency pairs: the rule " + rule_text(r) + " has an empty left side");
    std::string name = r.lhs[0] + kMark;
    if (symbols.count(name))
      throw CheckFailure("dependency pairs: the marked name " + name + " is already a symbol of the system");
    marked.emplace(r.lhs[0], name);
  }
  return marked;
}

}  // namespace

std::vector<NamedRule> dependency_pairs_of(const std::vector<NamedRule>& rules) {
  std::map<std::string, std::string> marked = marked_names(rules);
  std::vector<NamedRule> pairs;
  for (const NamedRule& r : rules)
    for (size_t i = 0; i < r.rhs.size(); ++i) {
      auto head = marked.find(r.rhs[i]);
      if (head == marked.end()) continue;
      NamedRule pair{r.lhs, NamedWord(r.rhs.begin() + static_cast<long>(i), r.rhs.end())};
      pair.lhs[0] = marked.at(r.lhs[0]);
      pair.rhs[0] = head->second;
      if (!contains(pairs, pair)) pairs.push_back(std::move(pair));
    }
  return pairs;
}

CheckState check_dependency_pairs_step(const CheckState& state) {
  if (state.top) throw CheckFailure("dependency pairs: already in top mode");
  if (!state.weak.empty()) throw CheckFailure("dependency pairs: the weak rules must be gone first");
  CheckState next;
  next.strict = dependency_pairs_of(state.strict);
  next.weak = state.strict;
  next.top = true;
  return next;
}

CheckState check_reverse_step(const CheckState& state) {
  if (state.top) throw CheckFailure("reverse: not allowed in top mode");
  CheckState next = state;
  for (auto* rules : {&next.strict, &next.weak})
    for (NamedRule& r : *rules) {
      std::reverse(r.lhs.begin(), r.lhs.end());
      std::reverse(r.rhs.begin(), r.rhs.end());
    }
  return next;
}

}  // namespace tessivar::engine

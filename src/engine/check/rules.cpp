// Rule lists as the checker handles them, and the shape of top-mode states.
#include "engine/check/rules.h"

#include <algorithm>

namespace tessivar::engine::checking {

bool contains(const std::vector<NamedRule>& rules, const NamedRule& r) {
  return std::find(rules.begin(), rules.end(), r) != rules.end();
}

void remove_all(std::vector<NamedRule>& rules, const std::vector<NamedRule>& gone) {
  rules.erase(std::remove_if(rules.begin(), rules.end(), [&](const NamedRule& r) { return contains(gone, r); }),
              rules.end());
}

std::string rule_text(const NamedRule& r) { return "\"" + to_text(r.lhs) + " -> " + to_text(r.rhs) + "\""; }

std::set<std::string> symbols_of(const std::vector<NamedRule>& rules) {
  std::set<std::string> out;
  for (const NamedRule& r : rules) {
    out.insert(r.lhs.begin(), r.lhs.end());
    out.insert(r.rhs.begin(), r.rhs.end());
  }
  return out;
}

std::set<std::string> marked_symbols(const CheckState& state) {
  std::set<std::string> marked;
  for (const NamedRule& p : state.strict) {
    if (p.lhs.empty() || p.rhs.empty()) throw CheckFailure("the pair " + rule_text(p) + " has an empty side");
    marked.insert(p.lhs[0]);
    marked.insert(p.rhs[0]);
  }
  auto refuse_inner = [&](const NamedWord& w, size_t from, const NamedRule& r) {
    for (size_t i = from; i < w.size(); ++i)
      if (marked.count(w[i]))
        throw CheckFailure("the marked symbol " + w[i] + " occurs inside " + rule_text(r) + ", not only at the head");
  };
  for (const NamedRule& p : state.strict) {
    refuse_inner(p.lhs, 1, p);
    refuse_inner(p.rhs, 1, p);
  }
  for (const NamedRule& r : state.weak) {
    if (r.lhs.empty()) throw CheckFailure("the weak rule " + rule_text(r) + " has an empty left side in top mode");
    refuse_inner(r.lhs, 0, r);
    refuse_inner(r.rhs, 0, r);
  }
  return marked;
}

}  // namespace tessivar::engine::checking

// Alphabets, the problem type's helpers, reversal and factor search.
#include "engine/problem/problem.h"

#include <algorithm>
#include <set>
#include <stdexcept>

namespace tessivar::engine {

Symbol Alphabet::intern(const std::string& name) {
  auto it = ids_.find(name);
  if (it != ids_.end()) return it->second;
  Symbol s = static_cast<Symbol>(names_.size());
  names_.push_back(name);
  base_.push_back(s);
  ids_.emplace(name, s);
  return s;
}

Symbol Alphabet::marked(Symbol base, const std::string& mark) {
  std::string name = names_.at(static_cast<size_t>(base)) + mark;
  auto it = ids_.find(name);
  if (it != ids_.end()) {
    if (base_.at(static_cast<size_t>(it->second)) != base)
      throw std::invalid_argument("marked name \"" + name + "\" is already a symbol");
    return it->second;
  }
  Symbol s = static_cast<Symbol>(names_.size());
  names_.push_back(name);
  base_.push_back(base);
  ids_.emplace(name, s);
  return s;
}

Symbol Alphabet::id(const std::string& name) const {
  auto it = ids_.find(name);
  if (it == ids_.end()) throw std::out_of_range("unknown symbol \"" + name + "\"");
  return it->second;
}

std::vector<Symbol> Problem::symbols() const {
  std::set<Symbol> seen;
  for (const auto* rules : {&strict, &weak})
    for (const Rule& r : *rules) {
      seen.insert(r.lhs.begin(), r.lhs.end());
      seen.insert(r.rhs.begin(), r.rhs.end());
    }
  return {seen.begin(), seen.end()};
}

NamedRule Problem::named(const Rule& r) const {
  NamedRule n;
  for (Symbol s : r.lhs) n.lhs.push_back(alphabet->name(s));
  for (Symbol s : r.rhs) n.rhs.push_back(alphabet->name(s));
  return n;
}

Rule Problem::from_named(const NamedRule& r) const {
  Rule out;
  for (const auto& s : r.lhs) out.lhs.push_back(alphabet->id(s));
  for (const auto& s : r.rhs) out.rhs.push_back(alphabet->id(s));
  return out;
}

Problem problem_of(const std::vector<NamedRule>& rules) {
  auto alphabet = std::make_shared<Alphabet>();
  Problem p;
  for (const NamedRule& n : rules) {
    Rule r;
    for (const auto& s : n.lhs) r.lhs.push_back(alphabet->intern(s));
    for (const auto& s : n.rhs) r.rhs.push_back(alphabet->intern(s));
    p.strict.push_back(std::move(r));
  }
  p.alphabet = std::move(alphabet);
  return p;
}

Word reversed(const Word& w) { return Word(w.rbegin(), w.rend()); }

Rule reversed(const Rule& r) { return {reversed(r.lhs), reversed(r.rhs)}; }

Problem reversed(const Problem& p) {
  if (p.top) throw std::logic_error("a top-mode problem cannot be reversed");
  Problem q;
  q.alphabet = p.alphabet;
  for (const Rule& r : p.strict) q.strict.push_back(reversed(r));
  for (const Rule& r : p.weak) q.weak.push_back(reversed(r));
  return q;
}

bool occurs_at(const Word& w, const Word& pattern, size_t at) {
  if (at > w.size() || w.size() - at < pattern.size()) return false;
  return std::equal(pattern.begin(), pattern.end(), w.begin() + static_cast<long>(at));
}

size_t find_factor(const Word& w, const Word& pattern, size_t from) {
  if (from > w.size()) return npos;
  auto it = std::search(w.begin() + static_cast<long>(from), w.end(), pattern.begin(), pattern.end());
  if (it == w.end() && !pattern.empty()) return npos;
  return static_cast<size_t>(it - w.begin());
}

std::string to_text(const NamedWord& w) {
  std::string out;
  for (const auto& s : w) {
    if (!out.empty()) out += ' ';
    out += s;
  }
  return out;
}

std::string to_text(const Alphabet& a, const Word& w) {
  std::string out;
  for (Symbol s : w) {
    if (!out.empty()) out += ' ';
    out += a.name(s);
  }
  return out;
}

}  // namespace tessivar::engine

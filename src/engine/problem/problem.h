// The engine's problems: relative termination problems over a finite
// alphabet, with symbols as small integers and words as vectors of them.
//
// A problem has strict rules S and weak rules W; it asks whether S
// terminates relative to W (no infinite derivation with infinitely many
// S steps). In top mode (after the dependency-pair transformation) S holds
// pairs whose sides start with a marked symbol, and only S steps at the top
// of a word count. Every layer above this one speaks of these types.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace tessivar::engine {

using Symbol = int32_t;
using Word = std::vector<Symbol>;

// Symbol names in the order they were first met. A marked symbol (for
// dependency pairs) is a symbol of its own whose name is its base's name
// with a mark appended.
class Alphabet {
 public:
  Symbol intern(const std::string& name);
  Symbol marked(Symbol base, const std::string& mark);
  bool contains(const std::string& name) const { return ids_.count(name) > 0; }
  Symbol id(const std::string& name) const;  // throws std::out_of_range if unknown
  const std::string& name(Symbol s) const { return names_.at(static_cast<size_t>(s)); }
  bool is_marked(Symbol s) const { return base_.at(static_cast<size_t>(s)) != s; }
  Symbol base(Symbol s) const { return base_.at(static_cast<size_t>(s)); }
  size_t size() const { return names_.size(); }

 private:
  std::vector<std::string> names_;
  std::vector<Symbol> base_;
  std::unordered_map<std::string, Symbol> ids_;
};

struct Rule {
  Word lhs, rhs;
  bool operator==(const Rule& o) const { return lhs == o.lhs && rhs == o.rhs; }
  bool operator!=(const Rule& o) const { return !(*this == o); }
};

// A rule as the outside world writes it: symbol names.
using NamedWord = std::vector<std::string>;
struct NamedRule {
  NamedWord lhs, rhs;
  bool operator==(const NamedRule& o) const { return lhs == o.lhs && rhs == o.rhs; }
  bool operator!=(const NamedRule& o) const { return !(*this == o); }
};

struct Problem {
  std::shared_ptr<const Alphabet> alphabet;
  std::vector<Rule> strict, weak;
  bool top = false;  // strict rules are dependency pairs, rewritten at the top only

  // The symbols that occur in some rule, in increasing order.
  std::vector<Symbol> symbols() const;
  size_t rule_count() const { return strict.size() + weak.size(); }  // strict and weak
  NamedRule named(const Rule& r) const;
  Rule from_named(const NamedRule& r) const;  // every name must be in the alphabet
};

// The problem of a list of named rules, all strict, symbols numbered in the
// order they first occur.
Problem problem_of(const std::vector<NamedRule>& rules);

Word reversed(const Word& w);
Rule reversed(const Rule& r);
// Every side of S and W reversed. Not for top mode.
Problem reversed(const Problem& p);

// Whether `pattern` occurs in `w` starting at position `at`.
bool occurs_at(const Word& w, const Word& pattern, size_t at);
// The first position >= from where `pattern` occurs in `w`, or npos.
size_t find_factor(const Word& w, const Word& pattern, size_t from = 0);
constexpr size_t npos = static_cast<size_t>(-1);

// "a b c", or "" for the empty word.
std::string to_text(const NamedWord& w);
std::string to_text(const Alphabet& a, const Word& w);

}  // namespace tessivar::engine

// The dependency-pair transformation and the choice of the mark.
#include "engine/processors/dependency_pairs.h"

#include <algorithm>
#include <set>

namespace tessivar::engine::processors {

namespace {

// The first of "#", "#1", "#2", ... that marks no defined symbol with the
// name of a symbol already in the alphabet.
std::string free_mark(const Alphabet& alphabet, const std::vector<Symbol>& defined) {
  for (int attempt = 0;; ++attempt) {
    std::string mark = certificate_mark + (attempt == 0 ? "" : std::to_string(attempt));
    bool clash = std::any_of(defined.begin(), defined.end(),
                             [&](Symbol s) { return alphabet.contains(alphabet.name(s) + mark); });
    if (!clash) return mark;
  }
}

Word marked_suffix(Alphabet& alphabet, const std::string& mark, const Word& w, size_t from) {
  Word out{alphabet.marked(w[from], mark)};
  out.insert(out.end(), w.begin() + static_cast<long>(from) + 1, w.end());
  return out;
}

}  // namespace

std::vector<Symbol> defined_symbols(const std::vector<Rule>& rules) {
  std::set<Symbol> defined;
  for (const Rule& r : rules)
    if (!r.lhs.empty()) defined.insert(r.lhs.front());
  return {defined.begin(), defined.end()};
}

std::optional<DependencyPairs> dependency_pairs(const Problem& p) {
  if (p.top || !p.weak.empty()) return std::nullopt;
  for (const Rule& r : p.strict)
    if (r.lhs.empty()) return std::nullopt;

  std::vector<Symbol> defined = defined_symbols(p.strict);
  auto alphabet = std::make_shared<Alphabet>(*p.alphabet);
  std::string mark = free_mark(*alphabet, defined);
  bool certifiable = mark == certificate_mark;

  Problem out;
  out.top = true;
  out.weak = p.strict;
  std::set<std::pair<Word, Word>> seen;
  for (const Rule& r : p.strict)
    for (size_t i = 0; i < r.rhs.size(); ++i) {
      if (!std::binary_search(defined.begin(), defined.end(), r.rhs[i])) continue;
      Rule pair{marked_suffix(*alphabet, mark, r.lhs, 0), marked_suffix(*alphabet, mark, r.rhs, i)};
      if (seen.emplace(pair.lhs, pair.rhs).second) out.strict.push_back(std::move(pair));
    }
  out.alphabet = std::move(alphabet);
  return DependencyPairs{std::move(out), mark, certifiable};
}

}  // namespace tessivar::engine::processors

// Pair replacement over all rule sides at once.
#include "engine/encodings/shared_factors.h"

#include <unordered_map>

namespace tessivar::engine::encodings {

namespace {

uint64_t pair_key(int a, int b) {
  return (static_cast<uint64_t>(static_cast<uint32_t>(a)) << 32) | static_cast<uint32_t>(b);
}

// Occurrences of each adjacent pair; a run "a a a" counts (a, a) once per
// pair that a left-to-right replacement could take.
std::unordered_map<uint64_t, int> count_pairs(const std::vector<std::vector<int>>& words) {
  std::unordered_map<uint64_t, int> counts;
  for (const auto& w : words)
    for (size_t i = 0; i + 1 < w.size(); ++i) {
      ++counts[pair_key(w[i], w[i + 1])];
      if (w[i] == w[i + 1] && i + 2 < w.size() && w[i + 2] == w[i]) ++i;
    }
  return counts;
}

void replace_pair(std::vector<int>& w, int a, int b, int letter) {
  size_t out = 0;
  for (size_t i = 0; i < w.size(); ++i) {
    if (i + 1 < w.size() && w[i] == a && w[i + 1] == b) {
      w[out++] = letter;
      ++i;
    } else {
      w[out++] = w[i];
    }
  }
  w.resize(out);
}

}  // namespace

size_t FactorPlan::products() const {
  size_t n = pairs.size();
  for (const auto& w : words)
    if (w.size() > 1) n += w.size() - 1;
  return n;
}

FactorPlan plan_shared_factors(const std::vector<Word>& words, int symbols) {
  FactorPlan plan;
  plan.symbols = symbols;
  for (const Word& w : words) plan.words.emplace_back(w.begin(), w.end());
  for (;;) {
    auto counts = count_pairs(plan.words);
    uint64_t best = 0;
    int best_count = 1;
    for (const auto& [key, count] : counts)
      if (count > best_count || (count == best_count && count > 1 && key < best)) {
        best = key;
        best_count = count;
      }
    if (best_count < 2) break;
    int a = static_cast<int>(best >> 32), b = static_cast<int>(best & 0xffffffffu);
    int letter = symbols + static_cast<int>(plan.pairs.size());
    plan.pairs.emplace_back(a, b);
    for (auto& w : plan.words) replace_pair(w, a, b, letter);
  }
  return plan;
}

Word expand(const FactorPlan& plan, int letter) {
  if (letter < plan.symbols) return Word{letter};
  const auto& [a, b] = plan.pairs.at(static_cast<size_t>(letter - plan.symbols));
  Word w = expand(plan, a);
  Word tail = expand(plan, b);
  w.insert(w.end(), tail.begin(), tail.end());
  return w;
}

}  // namespace tessivar::engine::encodings

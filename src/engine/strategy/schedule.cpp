// The default schedule, chosen by runs over the problem database (see
// bench/engine/README.md).
#include "engine/strategy/schedule.h"

#include <algorithm>

namespace tessivar::engine::strategy {

namespace {

using encodings::MatrixSettings;
using encodings::Shape;

constexpr size_t kLongestForOrderEncoding = 12;
// Sides at least this long make the SAT encodings large and slow (products
// of 20 and more matrices); the local searches go first there.
constexpr size_t kShortestForLocalSearch = 16;
constexpr double kArcticLocalBudget = 10;
constexpr double kNaturalLocalBudget = 20;

size_t longest_side(const Problem& p) {
  size_t n = 1;
  for (const auto* rules : {&p.strict, &p.weak})
    for (const Rule& r : *rules) n = std::max({n, r.lhs.size(), r.rhs.size()});
  return n;
}

int bits_for(uint64_t value) {
  int b = 0;
  while (value >> b) ++b;
  return b;
}

// Arctic and tropical values grow with the sum of a side's entries: the cap
// leaves room for a side of entries of about half the largest value.
int additive_cap(int bits, size_t longest) {
  uint64_t largest = (uint64_t{1} << bits) - 1;
  return std::clamp(bits_for(largest * longest / 2 + 1) + 1, bits + 1, 12);
}

Attempt natural(int d, int bits, int cap, Shape shape, bool reversed, double budget) {
  return Attempt{MatrixSettings{Semiring::Natural, d, bits, cap, shape, false}, reversed, budget};
}

Attempt natural_first_entry(int d, int bits, int cap, double budget) {
  return Attempt{MatrixSettings{Semiring::Natural, d, bits, cap, Shape::Full, true}, false, budget};
}

// Short sides: the order encoding, with values up to what a side of
// entries of about half the largest value reaches. Long sides: binary.
Attempt additive(Semiring s, int d, int bits, size_t longest, double budget) {
  uint64_t largest = (uint64_t{1} << bits) - 1;
  if (longest <= kLongestForOrderEncoding) {
    int cap = static_cast<int>(std::max<uint64_t>(largest + 1, largest * longest / 2 + 1));
    return Attempt{MatrixSettings{s, d, bits, cap, Shape::Full, false, true}, false, budget};
  }
  return Attempt{MatrixSettings{s, d, bits, additive_cap(bits, longest), Shape::Full, false, false}, false, budget};
}

// The dependency-pair path on the current problem, as one attempt.
Attempt dependency_pairs(bool reversed, double budget) {
  Attempt a;
  a.reversed = reversed;
  a.budget = budget;
  a.dependency_pairs = true;
  return a;
}

Attempt local_search(Semiring semiring, int d, int bits, encodings::LocalScore score, uint64_t seed, double budget) {
  MatrixSettings s{semiring, d, bits, bits, Shape::Full, semiring == Semiring::Natural};
  s.local_search = true;
  s.local_score = score;
  s.local_seed = seed;
  return Attempt{s, false, budget};
}

}  // namespace

std::vector<std::vector<Attempt>> default_schedule(const Problem& problem) {
  size_t longest = longest_side(problem);
  std::vector<Attempt> naturals = {
      natural(1, 3, 8, Shape::Full, false, 0.5),
      natural(2, 2, 4, Shape::Affine, false, 0.5),
      natural(2, 2, 4, Shape::Affine, true, 0.5),
      natural(3, 2, 5, Shape::Affine, false, 1),
      natural(3, 2, 5, Shape::Affine, true, 1),
      natural_first_entry(2, 2, 5, 1),
      natural(3, 2, 6, Shape::Full, false, 1),
      natural(4, 2, 5, Shape::Affine, false, 2),
      natural(4, 2, 5, Shape::Affine, true, 2),
      natural_first_entry(3, 2, 5, 2),
      natural(5, 1, 4, Shape::Affine, false, 2),
      natural(5, 1, 4, Shape::Affine, true, 2),
  };
  std::vector<Attempt> additives = {
      dependency_pairs(false, 2),
      additive(Semiring::Arctic, 2, 2, longest, 0.5),
      additive(Semiring::Tropical, 2, 2, longest, 0.5),
      additive(Semiring::Arctic, 3, 2, longest, 1),
      additive(Semiring::Tropical, 3, 2, longest, 1),
      additive(Semiring::Arctic, 4, 2, longest, 2),
      additive(Semiring::Tropical, 4, 2, longest, 2),
      additive(Semiring::Arctic, 5, 1, longest, 2),
  };
  using encodings::LocalScore;
  // Short sides: a second of arctic local search after the smallest SAT
  // attempts; it shortens some proofs from seconds to a tenth.
  // Long sides: no SAT attempt has found an interpretation within a
  // minute. Arctic matrices often remove most rules at once; the two scores
  // of natural ones find different problems' interpretations first.
  if (longest < kShortestForLocalSearch) {
    additives.insert(additives.begin() + 3, local_search(Semiring::Arctic, 3, 2, LocalScore::Graded, 1, 1));
    naturals.insert(naturals.begin() + 3, local_search(Semiring::Arctic, 4, 2, LocalScore::Graded, 2, 1));
  } else {
    naturals.insert(naturals.begin(),
                    {local_search(Semiring::Arctic, 3, 2, LocalScore::Graded, 1, kArcticLocalBudget),
                     local_search(Semiring::Natural, 3, 1, LocalScore::FailingRules, 1, kNaturalLocalBudget)});
    additives.insert(additives.begin(),
                     {local_search(Semiring::Arctic, 2, 3, LocalScore::Graded, 2, kArcticLocalBudget),
                      local_search(Semiring::Natural, 3, 1, LocalScore::Graded, 2, kNaturalLocalBudget)});
  }
  return {naturals, additives};
}

std::string describe(const Attempt& a) {
  if (a.dependency_pairs) return a.reversed ? "dependency pairs reversed" : "dependency pairs";
  const MatrixSettings& s = a.settings;
  std::string out = std::string(to_string(s.semiring)) + " d" + std::to_string(s.dimension) + " b" +
                    std::to_string(s.bits) + " c" + std::to_string(s.cap);
  if (s.semiring == Semiring::Natural && s.dimension > 1) {
    out += s.shape == Shape::Full ? " full" : s.shape == Shape::Affine ? " affine" : " triangular";
    if (s.shape == Shape::Full && s.strict_first_entry) out += " (1,1)";
  }
  if (s.order_encoding) out += " order";
  if (s.local_search)
    out += s.local_score == encodings::LocalScore::Graded ? " local graded" : " local";
  if (a.reversed) out += " reversed";
  return out;
}

}  // namespace tessivar::engine::strategy

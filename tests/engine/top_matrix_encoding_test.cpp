// Matrix interpretations of top-mode problems: rows for marked symbols, and
// only pairs removed. The checker judges every interpretation found.
#include <gtest/gtest.h>

#include "engine/check/check.h"
#include "engine/encodings/matrix_encoding.h"
#include "engine/processors/dependency_pairs.h"
#include "engine/problem/system_text.h"

namespace tessivar::engine {
using namespace processors;
namespace {

using encodings::MatrixSettings;
using encodings::SearchOutcome;
using encodings::Shape;

Problem pairs_of(const std::string& rules) {
  auto dp = dependency_pairs(problem_of(read_system_text("(RULES " + rules + ")")));
  EXPECT_TRUE(dp);
  return dp->problem;
}

CheckState state_of(const Problem& p) {
  CheckState s{{}, {}, p.top};
  for (const Rule& r : p.strict) s.strict.push_back(p.named(r));
  for (const Rule& r : p.weak) s.weak.push_back(p.named(r));
  return s;
}

// Binary entries below 2^5, or order-encoded ones up to 5.
enum class Entries { Binary, Order };

encodings::MatrixSearchResult search(const Problem& p, Semiring semiring, int dimension,
                                     Entries entries = Entries::Binary) {
  MatrixSettings settings;
  settings.semiring = semiring;
  settings.dimension = dimension;
  settings.bits = 2;
  settings.cap = 5;
  settings.shape = Shape::Full;
  settings.order_encoding = entries == Entries::Order;
  return encodings::search_matrix_interpretation(p, settings, {});
}

struct Kind {
  Semiring semiring;
  int dimension;
  Entries entries;
};

}  // namespace

TEST(TopMatrixEncoding, FoundInterpretationsPassTheCheckAndRemovePairsOnly) {
  // a b -> b a moves a to the right: the pair a# b -> a# loses a b.
  for (const char* rules : {"a b -> b a", "a a -> a b a"}) {
    Problem top = pairs_of(rules);
    for (auto [semiring, dimension, entries] :
         {Kind{Semiring::Natural, 1, Entries::Binary}, Kind{Semiring::Natural, 2, Entries::Binary},
          Kind{Semiring::Arctic, 2, Entries::Binary}, Kind{Semiring::Arctic, 2, Entries::Order},
          Kind{Semiring::Arctic, 4, Entries::Order}}) {
      auto found = search(top, semiring, dimension, entries);
      ASSERT_EQ(found.outcome, SearchOutcome::Found)
          << rules << " " << to_string(semiring) << " " << dimension << (entries == Entries::Order ? " order" : "");
      CheckState before = state_of(top);
      CheckState after;
      ASSERT_NO_THROW(after = check_matrix_step(before, found.step)) << rules;
      EXPECT_LT(after.strict.size(), before.strict.size());
      EXPECT_EQ(after.weak, before.weak);
      for (const auto& [name, m] : found.step.interpretation)
        EXPECT_EQ(m.size(), top.alphabet->is_marked(top.alphabet->id(name)) ? 1u : static_cast<size_t>(dimension));
    }
  }
}

TEST(TopMatrixEncoding, NoInterpretationDecreasesAPairThatRepeatsItself) {
  EXPECT_EQ(search(pairs_of("a -> a"), Semiring::Natural, 2).outcome, SearchOutcome::Exhausted);
  EXPECT_EQ(search(pairs_of("a -> a"), Semiring::Arctic, 2).outcome, SearchOutcome::Exhausted);
  EXPECT_EQ(search(pairs_of("a -> a"), Semiring::Arctic, 2, Entries::Order).outcome, SearchOutcome::Exhausted);
}

TEST(TopMatrixEncoding, RefusesTropicalAndMisplacedMarks) {
  Problem top = pairs_of("a b -> b a");
  EXPECT_THROW(search(top, Semiring::Tropical, 1), std::invalid_argument);
  Problem inner = top;
  inner.weak.push_back({{top.alphabet->id("a#")}, {top.alphabet->id("a")}});
  EXPECT_THROW(search(inner, Semiring::Natural, 1), std::invalid_argument);
}

}  // namespace tessivar::engine

// The matrix encodings: the plan of shared factors multiplies out to the
// sides, and interpretations found in each semiring really remove the
// rules they claim to (checked with a small evaluation of this test's own).
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/encodings/matrix_encoding.h"
#include "engine/encodings/shared_factors.h"
#include "engine/problem/system_text.h"

namespace tessivar::engine {
namespace {

using encodings::MatrixSettings;
using encodings::SearchOutcome;
using encodings::Shape;

// ---- A small evaluation of matrices over the three semirings ----

Entry add_entries(Semiring s, const Entry& a, const Entry& b) {
  if (s == Semiring::Natural) return *a + *b;
  if (!a) return b;
  if (!b) return a;
  return s == Semiring::Arctic ? std::max(*a, *b) : std::min(*a, *b);
}

Entry mul_entries(Semiring s, const Entry& a, const Entry& b) {
  if (s == Semiring::Natural) return *a * *b;
  if (!a || !b) return std::nullopt;
  return *a + *b;
}

Matrix word_matrix(const MatrixStep& step, const NamedWord& w) {
  int d = step.dimension;
  Semiring s = step.semiring;
  Entry zero = s == Semiring::Natural ? Entry(0) : std::nullopt;
  Entry one = s == Semiring::Natural ? Entry(1) : Entry(0);
  Matrix m(d, std::vector<Entry>(d, zero));
  for (int i = 0; i < d; ++i) m[i][i] = one;
  for (const auto& name : w) {
    const Matrix& x = step.interpretation.at(name);
    Matrix p(d, std::vector<Entry>(d, zero));
    for (int i = 0; i < d; ++i)
      for (int j = 0; j < d; ++j)
        for (int k = 0; k < d; ++k) p[i][j] = add_entries(s, p[i][j], mul_entries(s, m[i][k], x[k][j]));
    m = p;
  }
  return m;
}

bool entry_ge(Semiring s, const Entry& a, const Entry& b) {
  if (s == Semiring::Arctic) return !b || (a && *a >= *b);
  if (s == Semiring::Tropical) return !a || (b && *a >= *b);
  return *a >= *b;
}

bool entry_gt(Semiring s, const Entry& a, const Entry& b) {
  if (s == Semiring::Arctic) return !b || (a && *a > *b);
  if (s == Semiring::Tropical) return !a || (b && *a > *b);
  return *a > *b;
}

bool weakly(const MatrixStep& step, const NamedRule& r) {
  Matrix l = word_matrix(step, r.lhs), q = word_matrix(step, r.rhs);
  for (int i = 0; i < step.dimension; ++i)
    for (int j = 0; j < step.dimension; ++j)
      if (!entry_ge(step.semiring, l[i][j], q[i][j])) return false;
  return true;
}

bool strictly(const MatrixStep& step, const NamedRule& r) {
  if (!weakly(step, r)) return false;
  Matrix l = word_matrix(step, r.lhs), q = word_matrix(step, r.rhs);
  int d = step.dimension;
  if (step.semiring == Semiring::Natural) return *l[0][d - 1] > *q[0][d - 1];
  for (int i = 0; i < d; ++i)
    for (int j = 0; j < d; ++j)
      if (!entry_gt(step.semiring, l[i][j], q[i][j])) return false;
  return true;
}

// The found step removes exactly the rules that decrease strictly, at least
// one of them strict, and every other rule decreases weakly.
void expect_sound_removal(const Problem& p, const MatrixStep& step) {
  bool some_strict = false;
  for (const auto* rules : {&p.strict, &p.weak})
    for (const Rule& r : *rules) {
      NamedRule n = p.named(r);
      bool listed = std::find(step.remove.begin(), step.remove.end(), n) != step.remove.end();
      EXPECT_TRUE(weakly(step, n)) << to_text(n.lhs) << " -> " << to_text(n.rhs);
      EXPECT_EQ(listed, strictly(step, n)) << to_text(n.lhs) << " -> " << to_text(n.rhs);
      if (listed && rules == &p.strict) some_strict = true;
    }
  EXPECT_TRUE(some_strict);
  for (const auto& [name, m] : step.interpretation) {
    ASSERT_EQ(m.size(), static_cast<size_t>(step.dimension));
    if (step.semiring == Semiring::Natural) {
      EXPECT_GE(*m[0][0], 1);
      EXPECT_GE(*m.back().back(), 1);
    } else {
      EXPECT_TRUE(m[0][0].has_value());
    }
  }
}

Problem parse(const std::string& text) { return problem_of(read_system_text(text)); }

encodings::MatrixSearchResult search(const Problem& p, MatrixSettings s) {
  return encodings::search_matrix_interpretation(p, s, encodings::StopCondition{});
}

TEST(SharedFactors, PlanMultipliesOutToEverySideAndSharesRepeats) {
  std::vector<Word> words = {{0, 1, 2, 0, 1, 2}, {0, 1, 2}, {}, {2, 2, 2, 2, 2}, {1}};
  auto plan = encodings::plan_shared_factors(words, 3);
  ASSERT_EQ(plan.words.size(), words.size());
  for (size_t i = 0; i < words.size(); ++i) {
    Word w;
    for (int letter : plan.words[i]) {
      Word part = encodings::expand(plan, letter);
      w.insert(w.end(), part.begin(), part.end());
    }
    EXPECT_EQ(w, words[i]);
  }
  size_t naive = 5 + 2 + 4;
  EXPECT_LT(plan.products(), naive);
}

TEST(MatrixEncoding, EachSemiringRemovesRulesOfKnownTerminatingSystems) {
  struct Case {
    const char* system;
    MatrixSettings settings;
  };
  std::vector<Case> cases = {
      {"(RULES a b -> b a)", {Semiring::Natural, 2, 2, 4, Shape::Affine}},
      {"(RULES a a -> b b b , b b b b -> a)", {Semiring::Natural, 1, 3, 8, Shape::Full}},
      {"(RULES a b -> b a , c a -> a a c)", {Semiring::Natural, 3, 2, 5, Shape::Full}},
      {"(RULES a a b -> b a a , b -> )", {Semiring::Arctic, 2, 2, 4, Shape::Full}},
      {"(RULES a b b -> a , a a -> b b b , b b a -> a b a)", {Semiring::Arctic, 2, 2, 4, Shape::Full}},
      {"(RULES a a -> a b a)", {Semiring::Tropical, 2, 2, 4, Shape::Full}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.system);
    Problem p = parse(c.system);
    auto result = search(p, c.settings);
    ASSERT_EQ(result.outcome, SearchOutcome::Found);
    EXPECT_EQ(result.step.semiring, c.settings.semiring);
    EXPECT_EQ(result.step.interpretation.size(), p.symbols().size());
    expect_sound_removal(p, result.step);
  }
}

TEST(MatrixEncoding, RelativeRemovalKeepsWeakRulesThatOnlyDecreaseWeakly) {
  Problem p = parse("(RULES a -> b , a b -> b a)");
  // b b -> b b can never decrease strictly; b -> a a is the reverse of a
  // strict rule and cannot either.
  p.weak.push_back(p.from_named({{"b", "b"}, {"b", "b"}}));
  p.weak.push_back(p.from_named({{"b"}, {"a"}}));
  for (Semiring s : {Semiring::Natural, Semiring::Arctic, Semiring::Tropical}) {
    auto result = search(p, {s, 2, 2, 5, Shape::Full});
    if (result.outcome != SearchOutcome::Found) continue;
    expect_sound_removal(p, result.step);
    for (const NamedRule& r : result.step.remove) EXPECT_NE(r.lhs, r.rhs);
  }
  // With a -> b weak, nothing strict can remove b -> a: no interpretation.
  Problem q = parse("(RULES b -> a)");
  q.weak.push_back(q.from_named({{"a"}, {"b"}}));
  EXPECT_EQ(search(q, {Semiring::Natural, 2, 2, 5, Shape::Full}).outcome, SearchOutcome::Exhausted);
}

TEST(MatrixEncoding, NonTerminatingSystemHasNoInterpretation) {
  Problem loop = parse("(RULES a b -> b a , b a -> a b)");
  for (Semiring s : {Semiring::Natural, Semiring::Arctic, Semiring::Tropical})
    EXPECT_EQ(search(loop, {s, 2, 2, 4, Shape::Full}).outcome, SearchOutcome::Exhausted);
}

TEST(MatrixEncoding, StopsAtTheDeadline) {
  Problem p = parse("(RULES a b -> b a)");
  encodings::StopCondition stop;
  stop.deadline = encodings::Clock::now();
  auto result = encodings::search_matrix_interpretation(p, {Semiring::Natural, 2, 2, 4, Shape::Affine}, stop);
  EXPECT_EQ(result.outcome, SearchOutcome::Stopped);
}

}  // namespace
}  // namespace tessivar::engine

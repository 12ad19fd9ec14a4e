// The search for natural matrices with small entries: the exact judge of a
// candidate, and the local search. Every step found must pass the independent checker and
// remove exactly the rules the checker sees decreasing strictly.
#include <gtest/gtest.h>

#include "engine/check/check.h"
#include "engine/encodings/arctic_evaluation.h"
#include "engine/encodings/matrix_encoding.h"
#include "engine/encodings/natural_evaluation.h"
#include "engine/problem/system_text.h"

namespace tessivar::engine {
namespace {

using encodings::MatrixSettings;
using encodings::SearchOutcome;
using encodings::Shape;

Problem parse(const std::string& text) { return problem_of(read_system_text(text)); }

CheckState state_of(const Problem& p) {
  CheckState s;
  for (const Rule& r : p.strict) s.strict.push_back(p.named(r));
  for (const Rule& r : p.weak) s.weak.push_back(p.named(r));
  return s;
}

// The checker accepts the step, and the rules it keeps are exactly those
// the step does not list.
void expect_checked_removal(const Problem& p, const MatrixStep& step) {
  ASSERT_FALSE(step.remove.empty());
  CheckState next;
  ASSERT_NO_THROW(next = check_matrix_step(state_of(p), step));
  EXPECT_EQ(next.strict.size() + next.weak.size() + step.remove.size(), p.strict.size() + p.weak.size());
}

MatrixSettings local(int d, int bits, bool first_entry,
                     encodings::LocalScore score = encodings::LocalScore::FailingRules) {
  MatrixSettings s{Semiring::Natural, d, bits, bits, Shape::Full, first_entry};
  s.local_search = true;
  s.local_score = score;
  return s;
}

MatrixSettings arctic_local(int d, int bits) {
  MatrixSettings s = local(d, bits, false, encodings::LocalScore::Graded);
  s.semiring = Semiring::Arctic;
  return s;
}

encodings::StopCondition within(double seconds) {
  encodings::StopCondition stop;
  stop.deadline = encodings::Clock::now() + std::chrono::milliseconds(static_cast<int>(seconds * 1000));
  return stop;
}

TEST(Evaluators, ComputeProductsExactlyAndRefuseOverflow) {
  // a = [[1,1],[0,1]], b = [[1,0],[0,2]]: a b = [[1,2],[0,2]], b a = [[1,1],[0,2]].
  encodings::NaturalEvaluator natural({{{1, 1}, {0, 1}}, {{1, 0}, {0, 2}}});
  encodings::NaturalEvaluator::WideMatrix m;
  ASSERT_TRUE(natural.product({0, 1}, &m));
  EXPECT_EQ(m, (encodings::NaturalEvaluator::WideMatrix{1, 2, 0, 2}));
  ASSERT_TRUE(natural.product({1, 0}, &m));
  EXPECT_EQ(m, (encodings::NaturalEvaluator::WideMatrix{1, 1, 0, 2}));
  ASSERT_TRUE(natural.product({}, &m));
  EXPECT_EQ(m, (encodings::NaturalEvaluator::WideMatrix{1, 0, 0, 1}));
  // b^63 fits, b^64 has 2^64 in its last entry.
  ASSERT_TRUE(natural.product(Word(63, 1), &m));
  EXPECT_EQ(m[3], uint64_t{1} << 63);
  EXPECT_FALSE(natural.product(Word(64, 1), &m));

  // Max-plus: a = [[0,-inf],[1,0]], b = [[2,0],[-inf,-inf]]:
  // a b = [[2,0],[3,1]], b a = [[2,0],[-inf,-inf]].
  constexpr int64_t none = encodings::ArcticEvaluator::kMinusInfinity;
  encodings::ArcticEvaluator arctic({{0, none, 1, 0}, {2, 0, none, none}}, 2);
  encodings::ArcticEvaluator::Values v;
  ASSERT_TRUE(arctic.product({0, 1}, &v));
  EXPECT_EQ(v, (encodings::ArcticEvaluator::Values{2, 0, 3, 1}));
  ASSERT_TRUE(arctic.product({1, 0}, &v));
  EXPECT_EQ(v, (encodings::ArcticEvaluator::Values{2, 0, none, none}));
  ASSERT_TRUE(arctic.product({}, &v));
  EXPECT_EQ(v, (encodings::ArcticEvaluator::Values{0, none, none, 0}));
  // A sum past 2^63 is refused, never wrapped around.
  encodings::ArcticEvaluator huge({{int64_t{1} << 62}}, 1);
  ASSERT_TRUE(huge.product({0}, &v));
  EXPECT_FALSE(huge.product({0, 0}, &v));
}

TEST(LocalSearch, FindsCheckedStepsAndNeverClaimsThereIsNone) {
  struct Case {
    const char* system;
    MatrixSettings settings;
    bool last_rule_weak = false;
  };
  std::vector<Case> cases = {
      {"(RULES a b -> b a)", local(2, 2, false)},
      {"(RULES a a -> b b b , b b b b -> a)", local(1, 3, false)},
      {"(RULES a a -> a b a)", local(3, 1, true)},
      {"(RULES a b -> b a)", local(2, 2, false, encodings::LocalScore::Graded)},
      {"(RULES a a -> b b b , b b b b -> a)", local(1, 3, false, encodings::LocalScore::Graded)},
      {"(RULES a a -> a b a)", local(3, 1, true, encodings::LocalScore::Graded)},
      {"(RULES a b -> b b)", arctic_local(2, 2)},
      {"(RULES a a b -> b a , b b -> a c , c -> )", arctic_local(3, 2)},
      // Relative: the weak rule must decrease weakly as well.
      {"(RULES a a -> a b a , b b -> b)", local(3, 1, true, encodings::LocalScore::Graded), true},
      {"(RULES a b -> b b , a -> a)", arctic_local(2, 2), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.system);
    Problem p = parse(c.system);
    if (c.last_rule_weak) {
      p.weak.push_back(p.strict.back());
      p.strict.pop_back();
    }
    auto result = encodings::search_matrix_interpretation(p, c.settings, within(60));
    ASSERT_EQ(result.outcome, SearchOutcome::Found);
    if (c.settings.strict_first_entry) {
      EXPECT_EQ(result.step.strict_entry, std::make_pair(1, 1));
    }
    for (const auto& [name, m] : result.step.interpretation)
      for (const auto& row : m)
        for (const Entry& e : row) {
          if (e) {
            EXPECT_LT(*e, 1 << c.settings.bits);
          }
        }
    expect_checked_removal(p, result.step);
  }
  // Nothing to find: the search runs to its budget and says Stopped.
  Problem loop = parse("(RULES a b -> b a , b a -> a b)");
  encodings::StopCondition stop = within(60);
  stop.budget_seconds = 0.2;
  encodings::MatrixSearch search(loop, local(2, 2, false));
  EXPECT_EQ(search.run(stop).outcome, SearchOutcome::Stopped);
  EXPECT_EQ(search.run(stop).outcome, SearchOutcome::Stopped);  // resumed
  // Only empty words: nothing can decrease, and the search says so at once.
  Problem empty = parse("(RULES -> )");
  EXPECT_EQ(encodings::MatrixSearch(empty, arctic_local(2, 2)).run(stop).outcome, SearchOutcome::Exhausted);
  // Tropical matrices have no local search: refused, not searched wrongly.
  MatrixSettings tropical = arctic_local(2, 2);
  tropical.semiring = Semiring::Tropical;
  EXPECT_THROW(encodings::MatrixSearch(loop, tropical), std::invalid_argument);
}

}  // namespace
}  // namespace tessivar::engine

// The loop search: every loop it gives must replay on the rules as given,
// whichever way it was found (overlaps inside or at the ends of right
// sides, on the system or its reversal); it must claim no loop where the
// start word only comes back scattered, or only by weak rules; and it must
// end when asked.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <sstream>

#include "engine/check/check.h"
#include "engine/problem/system_text.h"
#include "engine/processors/closures.h"
#include "engine/processors/loop_search.h"
#include "engine/processors/seen_table.h"

using namespace tessivar::engine;

namespace {

std::vector<NamedRule> rules_of(const std::string& text) { return read_system_text("(RULES " + text + ")"); }

NamedWord word_of(const std::string& text) {
  NamedWord w;
  std::istringstream in(text);
  for (std::string s; in >> s;) w.push_back(s);
  return w;
}

// Why `loop` is not a loop of `rules` (with a step of `strict`, if given),
// or "" if it is one.
std::string loop_fault(const std::vector<NamedRule>& rules, const LoopStep& loop,
                       const std::vector<NamedRule>& strict = {}) {
  try {
    check_loop(rules, loop);
  } catch (const CheckFailure& e) {
    return e.what();
  }
  bool strict_step = strict.empty();
  for (const LoopRewrite& s : loop.steps)
    strict_step |= std::find(strict.begin(), strict.end(), s.rule) != strict.end();
  return strict_step ? "" : "no strict step";
}

LoopSearchOptions within(double seconds) {
  LoopSearchOptions o;
  o.deadline = std::chrono::steady_clock::now() +
               std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(seconds));
  return o;
}

std::string tpdb_text(const std::string& name) {
  std::ifstream in(std::string(TESSIVAR_SAMPLE_DIR) + "/" + name);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

TEST(LoopSearch, FindsLoopsThroughRewritesInsideRightSides) {
  // a b -> b x y a, then x y -> a b inside the right side: a b comes back.
  // a -> b c d, then c -> a in the middle of it.
  // a -> b c, then c d -> a d: the start word needs the d on the right.
  for (const char* text : {"a b -> b x y a , x y -> a b", "a -> b c d , c -> a", "a -> b c , c d -> a d",
                           "b a -> a a b b , a b -> b a a"}) {
    auto rules = rules_of(text);
    auto loop = find_loop(problem_of(rules), within(10));
    ASSERT_TRUE(loop.has_value()) << text;
    EXPECT_EQ(loop_fault(rules, *loop), "") << text;
  }
}

TEST(LoopSearch, ReverseLoopMirrorsPositionsAndRules) {
  // a d -> b c d -> b a d over a -> b c, c d -> a d.
  LoopStep loop{word_of("a d"), {{0, {word_of("a"), word_of("b c")}}, {1, {word_of("c d"), word_of("a d")}}}};
  ASSERT_EQ(loop_fault(rules_of("a -> b c , c d -> a d"), loop), "");
  LoopStep mirrored = reverse_loop(loop);
  EXPECT_EQ(mirrored.start, word_of("d a"));
  ASSERT_EQ(mirrored.steps.size(), 2u);
  EXPECT_EQ(mirrored.steps[0].position, 1u);
  EXPECT_EQ(mirrored.steps[0].rule, (NamedRule{word_of("a"), word_of("c b")}));
  EXPECT_EQ(mirrored.steps[1].position, 0u);
  EXPECT_EQ(mirrored.steps[1].rule, (NamedRule{word_of("d c"), word_of("d a")}));
  EXPECT_EQ(loop_fault(rules_of("a -> c b , d c -> d a"), mirrored), "");
  LoopStep back = reverse_loop(mirrored);
  EXPECT_EQ(back.start, loop.start);
  EXPECT_EQ(back.steps[1].position, 1u);

  LoopStep outside{word_of("a"), {{1, {word_of("a"), word_of("b")}}}};
  EXPECT_THROW(reverse_loop(outside), std::invalid_argument);
}

TEST(LoopSearch, LoopsOfTheReversedSystemAreWrittenBackOverTheRulesAsGiven) {
  // The search on a reversed problem, mirrored back, replays on the original.
  auto rules = rules_of("a -> c b , d c -> d a , b e -> e a");
  auto on_reversed = find_loop(reversed(problem_of(rules)), within(10));
  ASSERT_TRUE(on_reversed.has_value());
  EXPECT_NE(loop_fault(rules, *on_reversed), "");  // it speaks of the reversed rules
  EXPECT_EQ(loop_fault(rules, reverse_loop(*on_reversed)), "");

  // A problem whose loop the search meets first on the reversed system.
  std::string text = tpdb_text("Secret_07_SRS/num-515.srs");
  if (text.empty()) GTEST_SKIP() << "no problem database";
  auto db_rules = read_system_text(text);
  LoopSearchStats stats;
  auto loop = find_loop(problem_of(db_rules), within(20), &stats);
  ASSERT_TRUE(loop.has_value());
  EXPECT_TRUE(stats.on_reversal);
  EXPECT_EQ(loop_fault(db_rules, *loop), "");
}

TEST(LoopSearch, ClaimsNoLoopWhereTheStartWordComesBackOnlyScattered) {
  // a b -> a c b: "a c b" holds a and b in order but not the factor a b; it
  // terminates, and every closure is soon built.
  LoopSearchStats stats;
  EXPECT_FALSE(find_loop(problem_of(rules_of("a b -> a c b")), within(10), &stats).has_value());
  EXPECT_TRUE(stats.exhausted);
  // a b -> b c a, c c -> c terminates (each step moves an a to the right
  // of a b), but its closures never run out.
  EXPECT_FALSE(find_loop(problem_of(rules_of("a b -> b c a , c c -> c")), within(0.3)).has_value());
}

TEST(LoopSearch, ALoopOfARelativeProblemNeedsAStrictStep) {
  // Weak a -> a a loops on its own, but that is no loop of the problem.
  Problem p = problem_of(rules_of("b -> c , a -> a a"));
  p.weak = {p.strict[1]};
  p.strict.pop_back();
  EXPECT_FALSE(find_loop(p, within(0.3)).has_value());

  // Weak b a -> c a a, strict c -> b: b a -> c a a -> b a a.
  auto rules = rules_of("c -> b , b a -> c a a");
  Problem q = problem_of(rules);
  q.weak = {q.strict[1]};
  q.strict.pop_back();
  auto loop = find_loop(q, within(10));
  ASSERT_TRUE(loop.has_value());
  EXPECT_EQ(loop_fault(rules, *loop, {rules[0]}), "");
}

TEST(LoopSearch, AnEmptyLeftSideLoopsAtOnceAndTopModeIsNotSearched) {
  auto rules = rules_of("a b -> b a , -> a");
  auto loop = find_loop(problem_of(rules), within(10));
  ASSERT_TRUE(loop.has_value());
  EXPECT_EQ(loop_fault(rules, *loop), "");
  EXPECT_TRUE(loop->start.empty());

  Problem top = problem_of(rules_of("a -> a a"));
  top.top = true;
  EXPECT_FALSE(find_loop(top, within(10)).has_value());
}

TEST(LoopSearch, EndsAtTheStopFlagAndTheDeadline) {
  // a b -> b b a terminates, but its closures never run out.
  Problem p = problem_of(rules_of("a b -> b b a , b c -> c a"));
  std::atomic<bool> stop{true};
  LoopSearchOptions options;
  options.stop = &stop;
  auto begin = std::chrono::steady_clock::now();
  EXPECT_FALSE(find_loop(p, options).has_value());
  EXPECT_FALSE(find_loop(p, within(0.2)).has_value());
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(3));
}

TEST(LoopSearch, ClosuresReplayFromTheirStartWords) {
  // Every closure, whatever overlaps built it, is a derivation from its
  // start word to its current word; left-end overlaps move earlier steps.
  std::vector<loops::LetterRule> rules{{u"cb", u"caa", true}, {u"a", u"b", true}, {u"bab", u"c", true}};
  loops::Unfolder unfolder(rules, loops::kRightEnd | loops::kLeftEnd);
  std::vector<loops::Closure> level = unfolder.seeds(), next;
  size_t checked = 0, moved = 0;
  for (int depth = 0; depth < 6; ++depth, level.swap(next), next.clear())
    for (const loops::Closure& c : level) {
      unfolder.expand(c, 12, next);
      loops::Letters w = c.start;
      for (const loops::LetterStep& s : loops::steps_of(c)) {
        const auto& r = rules[s.rule];
        ASSERT_EQ(w.compare(s.position, r.lhs.size(), r.lhs), 0) << "closure of " << c.steps << " steps";
        w.replace(s.position, r.lhs.size(), r.rhs);
      }
      EXPECT_EQ(w, c.current);
      ++checked;
      for (const loops::Trail* t = c.trail.get(); t != nullptr; t = t->before.get())
        if (t->shift > 0 && t->before != nullptr) {
          ++moved;
          break;
        }
    }
  EXPECT_GT(checked, 100u);
  EXPECT_GT(moved, 10u);  // closures whose earlier steps moved right
}

TEST(LoopSearch, SeenTableStaysWithinItsCap) {
  loops::SeenTable seen(100);
  EXPECT_TRUE(seen.insert(42));
  EXPECT_FALSE(seen.insert(42));
  for (uint64_t i = 1; i <= 100000; ++i) {
    seen.insert(i * 0x9e3779b97f4a7c15ULL);
    ASSERT_LE(seen.size(), 100u);
  }
}

TEST(LoopSearch, ProblemsOfTheDatabaseLoop) {
  for (const char* name : {"Zantema_06/loop1.srs", "Gebhardt_06/12.srs", "Waldmann_06_SRS/uni-4.srs",
                           "Secret_07_SRS/num-539.srs", "Bouchare_06/09.srs", "Trafo_06/un04.srs", "Mixed_SRS/1.srs"}) {
    std::string text = tpdb_text(name);
    if (text.empty()) GTEST_SKIP() << "no problem database";
    auto rules = read_system_text(text);
    auto loop = find_loop(problem_of(rules), within(20));
    ASSERT_TRUE(loop.has_value()) << name;
    EXPECT_EQ(loop_fault(rules, *loop), "") << name;
  }
}

// The independent checker: hand-written proofs hold, and every kind of
// tampering, unsound side condition and arithmetic overflow is refused.
#include <gtest/gtest.h>

#include <limits>

#include "engine/check/check.h"
#include "proofs.h"

using namespace tessivar::engine;
using namespace tessivar::engine::test;

namespace {

// The message of the check's failure, or "" if it holds.
template <typename F>
std::string failure_of(F&& check) {
  try {
    check();
  } catch (const CheckFailure& e) {
    return e.what();
  }
  return "";
}

std::string certificate_failure(const Certificate& c) {
  return failure_of([&] { check_certificate(c); });
}

std::string step_failure(const CheckState& s, const MatrixStep& m) {
  return failure_of([&] { check_matrix_step(s, m); });
}

constexpr int64_t two_to_62 = int64_t{1} << 62;

}  // namespace

TEST(CheckCertificate, HandWrittenProofsHold) {
  EXPECT_EQ(certificate_failure(natural_proof()), "");
  EXPECT_EQ(certificate_failure(dependency_pair_proof()), "");
  EXPECT_EQ(certificate_failure(loop_proof()), "");
  EXPECT_EQ(certificate_failure(tiling_proof()), "");
  EXPECT_EQ(certificate_failure(match_bounds_proof()), "");
}

TEST(CheckCertificate, RefusesProofsOfTheWrongShape) {
  Certificate early_end = natural_proof();
  early_end.proof->next->next = Step::empty();  // b b -> b is still there
  EXPECT_NE(certificate_failure(early_end).find("step 3: empty: 1 strict rule(s) are left"), std::string::npos);

  Certificate no_without_loop = natural_proof();
  no_without_loop.answer = Answer::No;
  EXPECT_NE(certificate_failure(no_without_loop), "");

  Certificate yes_with_loop = loop_proof();
  yes_with_loop.answer = Answer::Yes;
  EXPECT_NE(certificate_failure(yes_with_loop), "");

  Certificate foreign_rule = loop_proof();
  foreign_rule.input = {rule("a b", "b a b a")};
  EXPECT_NE(certificate_failure(foreign_rule).find("not a rule of the problem"), std::string::npos);

  Certificate unfinished = natural_proof();
  unfinished.proof->next->next->next.reset();
  EXPECT_NE(certificate_failure(unfinished).find("without an \"empty\" step"), std::string::npos);

  Certificate reversed_in_top = dependency_pair_proof();
  auto& component = reversed_in_top.proof->next->as<GraphStep>()->components[0];
  component.next = Step::reverse(std::move(component.next));
  EXPECT_NE(certificate_failure(reversed_in_top).find("step 2.1.1: reverse: not allowed in top mode"),
            std::string::npos);

  Certificate pairs_twice = dependency_pair_proof();
  pairs_twice.proof->next = Step::dependency_pairs(std::move(pairs_twice.proof->next));
  EXPECT_NE(certificate_failure(pairs_twice).find("already in top mode"), std::string::npos);

  CheckState relative{{rule("a", "b")}, {rule("b", "a")}, false};
  EXPECT_NE(failure_of([&] { check_dependency_pairs_step(relative); }).find("weak rules"), std::string::npos);

  // Tilings and automata speak of S alone: not after the pairs, not with
  // weak rules.
  for (Certificate (*proof)() : {tiling_proof, match_bounds_proof}) {
    Certificate in_top = proof();
    in_top.input = {rule("a a", "a b a")};
    in_top.proof = Step::dependency_pairs(std::move(in_top.proof));
    EXPECT_NE(certificate_failure(in_top).find("not allowed in top mode"), std::string::npos);
  }
  // A tiling of other rules does not cover these.
  Certificate labelled_left = tiling_proof();
  labelled_left.input = {rule("b a", "a b")};
  EXPECT_NE(certificate_failure(labelled_left), "");
}

TEST(CheckInput, ComparesTheRulesInOrder) {
  Certificate c = natural_proof();
  EXPECT_NO_THROW(check_input_matches(c, {rule("a a", "a b a"), rule("b b", "b")}));
  EXPECT_THROW(check_input_matches(c, {rule("b b", "b"), rule("a a", "a b a")}), CheckFailure);
  EXPECT_THROW(check_input_matches(c, {rule("a a", "a b a")}), CheckFailure);
  EXPECT_THROW(check_input_matches(c, {rule("a a", "a b a"), rule("b b", "")}), CheckFailure);
}

TEST(NaturalMatrix, RefusesTamperedInterpretations) {
  CheckState s{{rule("a a", "a b a"), rule("b b", "b")}, {}, false};
  MatrixStep good = *natural_proof().proof->as<MatrixStep>();
  EXPECT_EQ(step_failure(s, good), "");
  CheckState left = check_matrix_step(s, good);
  EXPECT_EQ(left.strict, (std::vector<NamedRule>{rule("b b", "b")}));

  MatrixStep lowered = good;
  lowered.interpretation["a"][0][1] = 0;  // a a and a b a now agree in (1,1)
  EXPECT_NE(step_failure(s, lowered).find("does not decrease strictly"), std::string::npos);

  MatrixStep default_entry = good;  // strict in (1,2) needs b(2,2) >= 1
  default_entry.strict_entry.reset();
  EXPECT_NE(step_failure(s, default_entry).find("(2,2) of b must be at least 1"), std::string::npos);

  MatrixStep outside = good;
  outside.strict_entry = std::make_pair(1, 3);
  EXPECT_NE(step_failure(s, outside), "");

  MatrixStep infinite = good;
  infinite.interpretation["b"][1][0] = inf;
  EXPECT_NE(step_failure(s, infinite).find("infinite"), std::string::npos);

  MatrixStep negative = good;
  negative.interpretation["b"][1][1] = -1;
  EXPECT_NE(step_failure(s, negative).find("negative"), std::string::npos);

  MatrixStep missing = good;
  missing.interpretation.erase("b");
  EXPECT_NE(step_failure(s, missing).find("b has no matrix"), std::string::npos);

  MatrixStep not_square = good;
  not_square.interpretation["b"][1].push_back(0);
  EXPECT_NE(step_failure(s, not_square).find("has 3 entries"), std::string::npos);

  MatrixStep foreign = good;
  foreign.remove.push_back(rule("b", "a"));
  EXPECT_NE(step_failure(s, foreign).find("not in the problem"), std::string::npos);
}

TEST(NaturalMatrix, OverflowFailsTheCheck) {
  // b = 5 against a a a = 2^186, which wraps to 0 in 128 bits.
  CheckState wraps{{rule("b", "a a a")}, {}, false};
  MatrixStep m = matrix(Semiring::Natural, 1, {{"a", {{two_to_62}}}, {"b", {{5}}}}, {rule("b", "a a a")});
  EXPECT_NE(step_failure(wraps, m).find("overflow"), std::string::npos);
  // True, but not provable within the bounds: refused as well.
  CheckState holds{{rule("a a a", "b")}, {}, false};
  m.remove = {rule("a a a", "b")};
  EXPECT_NE(step_failure(holds, m).find("overflow"), std::string::npos);
  // Sums overflow too: three products of (2^63 - 1)^2 exceed 2^127.
  const int64_t big = std::numeric_limits<int64_t>::max();
  MatrixStep sums = matrix(Semiring::Natural, 3,
                           {{"a", {{big, big, big}, {big, big, big}, {big, big, big}}},
                            {"b", {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}},
                           {rule("a", "b")});
  EXPECT_EQ(step_failure({{rule("a", "b")}, {}, false}, sums), "");
  sums.remove = {rule("a a", "b")};
  EXPECT_NE(step_failure({{rule("a a", "b")}, {}, false}, sums).find("a sum exceeds"), std::string::npos);
}

TEST(RelativeRemoval, OnlyStrictlyDecreasingWeakRulesLeave) {
  // b = [1]: b b -> b decreases only weakly, a a -> a with a = [2] strictly.
  CheckState s{{rule("a a", "a")}, {rule("b b", "b"), rule("a a a", "a")}, false};
  MatrixStep m = matrix(Semiring::Natural, 1, {{"a", {{2}}}, {"b", {{1}}}}, {rule("a a", "a"), rule("b b", "b")});
  EXPECT_NE(step_failure(s, m).find("\"b b -> b\" does not decrease strictly"), std::string::npos);
  m.remove = {rule("a a", "a"), rule("a a a", "a")};
  CheckState left = check_matrix_step(s, m);
  EXPECT_TRUE(left.strict.empty());
  EXPECT_EQ(left.weak, (std::vector<NamedRule>{rule("b b", "b")}));
  // Unlisted rules must still decrease weakly.
  CheckState growing{{rule("a a", "a")}, {rule("b", "b b")}, false};
  MatrixStep grows = matrix(Semiring::Natural, 1, {{"a", {{2}}}, {"b", {{2}}}}, {rule("a a", "a")});
  EXPECT_NE(step_failure(growing, grows).find("does not decrease weakly"), std::string::npos);
}

TEST(ArcticMatrix, ChecksEveryEntryAndTheFiniteCorner) {
  // a = [0 0; 1 1], b = [0 -; - -]: a a = [1 1; 2 2] > a b a = [0 0; 1 1].
  CheckState s{{rule("a a", "a b a")}, {}, false};
  MatrixStep m = matrix(Semiring::Arctic, 2, {{"a", {{0, 0}, {1, 1}}}, {"b", {{0, inf}, {inf, inf}}}},
                        {rule("a a", "a b a")});
  EXPECT_EQ(step_failure(s, m), "");
  MatrixStep lowered = m;
  lowered.interpretation["a"][1][0] = 0;  // a a and a b a are both 0 in (1,1)
  EXPECT_NE(step_failure(s, lowered).find("entry (1,1) is 0 on the left and 0 on the right"), std::string::npos);
  MatrixStep corner = m;
  corner.interpretation["b"][0][0] = inf;  // a b a would be all minus infinity
  EXPECT_NE(step_failure(s, corner).find("(1,1) of b must be finite"), std::string::npos);
}

TEST(TropicalMatrix, ChecksEveryEntryAndTheFiniteCorner) {
  // a = [1 +; 0 +], b = [0 0; + +]: a a = [2 +; 1 +] > a b a = [1 +; 0 +].
  CheckState s{{rule("a a", "a b a")}, {}, false};
  MatrixStep m = matrix(Semiring::Tropical, 2, {{"a", {{1, inf}, {0, inf}}}, {"b", {{0, 0}, {inf, inf}}}},
                        {rule("a a", "a b a")});
  EXPECT_EQ(step_failure(s, m), "");
  MatrixStep lowered = m;
  lowered.interpretation["a"][0][0] = 0;
  EXPECT_NE(step_failure(s, lowered).find("does not decrease strictly"), std::string::npos);
  MatrixStep corner = m;
  corner.interpretation["a"][0][0] = inf;
  EXPECT_NE(step_failure(s, corner).find("(1,1) of a must be finite"), std::string::npos);
  // Plus infinity on the right only is above everything: weakly refused.
  CheckState weak{{rule("a", "b")}, {}, false};
  MatrixStep above = matrix(Semiring::Tropical, 1, {{"a", {{3}}}, {"b", {{inf}}}}, {});
  EXPECT_NE(step_failure(weak, above), "");
}

TEST(TopMode, NaturalRowsNeedEveryUnmarkedLastDiagonalEntry) {
  CheckState top = check_dependency_pairs_step({{rule("a a", "a b a")}, {}, false});
  // b = [0] makes a# a -> a# b a decrease (1 > 0) and keeps a a >= a b a,
  // but only because b wipes out whatever follows it: refused.
  MatrixStep m = matrix(Semiring::Natural, 1, {{"a#", {{1}}}, {"a", {{1}}}, {"b", {{0}}}}, {rule("a# a", "a# b a")});
  EXPECT_NE(step_failure(top, m).find("(1,1) of b must be at least 1"), std::string::npos);
  // The hand-written rows hold, and remove only what they list.
  MatrixStep rows = *dependency_pair_proof().proof->next->as<GraphStep>()->components[0].next->next->as<MatrixStep>();
  CheckState left = check_matrix_step(top, rows);
  EXPECT_EQ(left.strict, (std::vector<NamedRule>{rule("a# a", "a#")}));
  EXPECT_EQ(left.weak, top.weak);
  // The strict entry is the last one: a row decreasing only in its first entry is not enough.
  MatrixStep first_only = matrix(Semiring::Natural, 2,
                                 {{"a#", {{1, 0}}}, {"a", {{1, 0}, {0, 1}}}, {"b", {{0, 0}, {0, 1}}}},
                                 {rule("a# a", "a# b a")});
  EXPECT_NE(step_failure(top, first_only).find("strict entry (1,2)"), std::string::npos);
  // Pairs only: a weak rule never leaves in top mode.
  MatrixStep weak_removal = rows;
  weak_removal.remove.push_back(rule("a a", "a b a"));
  EXPECT_NE(step_failure(top, weak_removal).find("only pairs are removed"), std::string::npos);
  MatrixStep tropical = rows;
  tropical.semiring = Semiring::Tropical;
  EXPECT_NE(step_failure(top, tropical).find("tropical"), std::string::npos);
  MatrixStep square_row = rows;
  square_row.interpretation["a#"] = {{1, 0}, {0, 1}};
  EXPECT_NE(step_failure(top, square_row).find("a# needs 1 row(s)"), std::string::npos);
}

TEST(TopMode, ArcticRowsNeedAFiniteFirstEntry) {
  CheckState top = check_dependency_pairs_step({{rule("a a", "a b a")}, {}, false});
  MatrixStep good = matrix(Semiring::Arctic, 2,
                           {{"a#", {{0, 0}}}, {"a", {{0, 0}, {1, 1}}}, {"b", {{0, inf}, {inf, inf}}}},
                           {rule("a# a", "a# b a")});
  EXPECT_EQ(step_failure(top, good), "");
  MatrixStep infinite_first = good;
  infinite_first.interpretation["a#"] = {{inf, 0}};
  EXPECT_NE(step_failure(top, infinite_first).find("(1,1) of a# must be finite"), std::string::npos);
}

TEST(DependencyPairs, RepeatedDefinedSymbolsAndDuplicatePairs) {
  std::vector<NamedRule> rules = {rule("a b", "b a a"), rule("a c", "b a"), rule("b", "c"), rule("a c", "a b a")};
  std::vector<NamedRule> expected = {rule("a# b", "b# a a"), rule("a# b", "a# a"), rule("a# b", "a#"),
                                     rule("a# c", "b# a"),   rule("a# c", "a#"),   rule("a# c", "a# b a")};
  EXPECT_EQ(dependency_pairs_of(rules), expected);
  CheckState after = check_dependency_pairs_step({rules, {}, false});
  EXPECT_EQ(after.strict, expected);
  EXPECT_EQ(after.weak, rules);
  EXPECT_TRUE(after.top);
}

TEST(DependencyPairs, RefusesClashingNamesAndEmptyLeftSides) {
  EXPECT_NE(failure_of([] { dependency_pairs_of({rule("a", "b a#")}); }).find("a# is already a symbol"),
            std::string::npos);
  // A symbol ending in the mark is fine as long as no marked name meets it.
  EXPECT_EQ(dependency_pairs_of({rule("# #", "#"), rule("# a", "a #")}),
            (std::vector<NamedRule>{rule("## #", "##"), rule("## a", "##")}));
  EXPECT_NE(failure_of([] { dependency_pairs_of({rule("", "a"), rule("a", "")}); }).find("empty left side"),
            std::string::npos);
}

TEST(Graph, ComponentsMustKeepEveryCycleWhole) {
  // a# -> a# x on one cycle, b# -> c# -> b# on another, a# -> b# on none.
  CheckState s{{rule("a#", "a# x"), rule("b#", "c#"), rule("c#", "b#"), rule("a#", "b#")}, {rule("x x", "x")}, true};
  auto split = [&](std::vector<std::vector<NamedRule>> parts) {
    return failure_of([&] { check_graph_step(s, parts); });
  };
  EXPECT_EQ(split({{rule("a#", "a# x")}, {rule("b#", "c#"), rule("c#", "b#")}}), "");
  EXPECT_EQ(split({{rule("c#", "b#"), rule("b#", "c#"), rule("a#", "b#")}, {rule("a#", "a# x")}}), "");
  auto parts = check_graph_step(s, {{rule("a#", "a# x")}, {rule("b#", "c#"), rule("c#", "b#")}});
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[1].strict, (std::vector<NamedRule>{rule("b#", "c#"), rule("c#", "b#")}));
  EXPECT_EQ(parts[1].weak, s.weak);
  EXPECT_TRUE(parts[1].top);

  EXPECT_NE(split({{rule("a#", "a# x")}, {rule("b#", "c#")}, {rule("c#", "b#")}}).find("share a cycle"),
            std::string::npos);
  EXPECT_NE(split({{rule("b#", "c#"), rule("c#", "b#")}}).find("lies on a cycle but in no component"),
            std::string::npos);
  EXPECT_NE(split({{rule("a#", "a# x"), rule("a#", "a# x")}, {rule("b#", "c#"), rule("c#", "b#")}}).find("twice"),
            std::string::npos);
  EXPECT_NE(split({{rule("a#", "a# x"), rule("a#", "c#")}, {rule("b#", "c#"), rule("c#", "b#")}})
                .find("not in the problem"),
            std::string::npos);
  CheckState not_top = s;
  not_top.top = false;
  EXPECT_THROW(check_graph_step(not_top, {}), CheckFailure);
}

TEST(Loop, ReplaysEveryStepExactly) {
  std::vector<NamedRule> rules = {rule("a b", "b a b"), rule("a b", "a c b")};
  LoopStep two{word("a b"), {{0, rule("a b", "a c b")}, {0, rule("a b", "a c b")}}};
  EXPECT_NE(failure_of([&] { check_loop(rules, two); }).find("step 2: the left side"), std::string::npos);
  LoopStep shifted{word("a b"), {{1, rule("a b", "b a b")}}};
  EXPECT_NE(failure_of([&] { check_loop(rules, shifted); }).find("position 1"), std::string::npos);
  // a b -> a c b keeps a ... b only as a scattered subsequence.
  LoopStep scattered{word("a b"), {{0, rule("a b", "a c b")}}};
  EXPECT_NE(failure_of([&] { check_loop(rules, scattered); }).find("does not contain"), std::string::npos);
  LoopStep nothing{word("a b"), {}};
  EXPECT_NE(failure_of([&] { check_loop(rules, nothing); }), "");
  LoopStep fine{word("a b"), {{0, rule("a b", "b a b")}, {1, rule("a b", "b a b")}}};
  EXPECT_EQ(failure_of([&] { check_loop(rules, fine); }), "");
}

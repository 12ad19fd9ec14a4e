// The dependency-pair path end to end: proofs it finds pass the checker,
// and it gives up where no proof exists or none can be written.
#include <gtest/gtest.h>

#include "engine/check/check.h"
#include "engine/processors/top_proof.h"
#include "engine/strategy/schedule.h"
#include "engine/problem/system_text.h"

namespace tessivar::engine {
using namespace processors;
namespace {

std::vector<NamedRule> rules_of(const std::string& text) { return read_system_text("(RULES " + text + ")"); }

StepPtr prove(const Problem& p, encodings::StopCondition stop = {}) {
  return prove_by_dependency_pairs(p, strategy::plan_for(p).dependency_pairs, stop);
}

StepPtr prove(const std::vector<NamedRule>& rules, encodings::StopCondition stop = {}) {
  return prove(problem_of(rules), stop);
}

// A system of the database whose pairs need seconds of search: the pairs
// of one component have arctic interpretations of dimension 4 only.
const char* kSlowPairs = "a b -> , a c -> c c b c , b c -> a b";

encodings::StopCondition for_seconds(double s) { return encodings::StopCondition{}.within(s); }

}  // namespace

TEST(TopProof, ProofsPassTheChecker) {
  for (const char* text : {"a b -> b a", "a a -> a b a", "a b -> b b a , b c -> c b", "a -> b , b b -> a c"}) {
    auto rules = rules_of(text);
    StepPtr proof = prove(rules);
    ASSERT_TRUE(proof) << text;
    EXPECT_EQ(std::string(proof->name()), "dependency-pairs");
    EXPECT_NO_THROW(check_certificate({rules, Answer::Yes, std::move(proof)})) << text;
  }
}

TEST(TopProof, EachCycleOfTheGraphGetsItsOwnProof) {
  // a and c never call each other: two components, and the pair of b
  // (called by a, calling nothing defined) lies on no cycle.
  auto rules = rules_of("a a -> a b a , b -> d , c c -> c d c");
  StepPtr proof = prove(rules);
  ASSERT_TRUE(proof);
  ASSERT_EQ(std::string(proof->next->name()), "graph");
  ASSERT_EQ(proof->next->as<GraphStep>()->components.size(), 2u);
  for (const auto& c : proof->next->as<GraphStep>()->components)
    for (const NamedRule& pair : c.pairs) EXPECT_NE(pair.lhs.front(), "b#");
  EXPECT_NO_THROW(check_certificate({rules, Answer::Yes, std::move(proof)}));
}

TEST(TopProof, WeakRulesGoFirst) {
  // c c -> c is weak: it must leave before the pairs of a b -> b a can be
  // drawn; then the strict rule alone remains.
  Problem p = problem_of(rules_of("a b -> b a , c c -> c"));
  p.weak.push_back(p.strict.back());
  p.strict.pop_back();
  StepPtr proof = prove(p);
  ASSERT_TRUE(proof);
  ASSERT_EQ(std::string(proof->name()), "matrix");
  CheckState after = check_matrix_step({{p.named(p.strict[0])}, {p.named(p.weak[0])}, false}, (*proof->as<MatrixStep>()));
  ASSERT_TRUE(after.weak.empty());
  ASSERT_EQ(after.strict.size(), 1u);
  ASSERT_EQ(std::string(proof->next->name()), "dependency-pairs");
  EXPECT_NO_THROW(check_certificate({after.strict, Answer::Yes, std::move(proof->next)}));
}

TEST(TopProof, GivesUpWithoutAProof) {
  EXPECT_FALSE(prove(rules_of("a b -> b a b")));  // a b is a factor of its own right side
  // A clash of marked names: no certificate could state the pairs.
  EXPECT_FALSE(prove(rules_of("a b -> b a , a# -> a")));
  encodings::StopCondition passed;
  passed.deadline = encodings::Clock::now();
  EXPECT_FALSE(prove(rules_of("a b -> b a"), passed));
}

TEST(TopProof, AnAttemptOutOfItsOwnTimeLeavesThePathStoppedNotExhausted) {
  // Every attempt of the plan gets no time of its own: none can find that
  // no interpretation exists, so more time might prove the problem.
  Problem slow = problem_of(rules_of(kSlowPairs));
  DependencyPairPath path(scaled(strategy::plan_for(slow).dependency_pairs, 0));
  Result r = path.apply(slow, for_seconds(0.3));
  EXPECT_EQ(r.verdict, Verdict::Stopped);
  EXPECT_TRUE(path.resumable());
  EXPECT_GT(path.kept_clauses(), 0u);

}

TEST(TopProof, APathResumedInShortSlicesEndsInAProofThatHolds) {
  auto rules = rules_of(kSlowPairs);
  Problem p = problem_of(rules);
  DependencyPairPath path(strategy::plan_for(p).dependency_pairs);
  Result r;
  int applications = 0;
  auto give_up = encodings::Clock::now() + std::chrono::seconds(120);
  do {
    r = path.apply(p, for_seconds(0.5));
    ++applications;
  } while (r.verdict == Verdict::Stopped && encodings::Clock::now() < give_up);
  ASSERT_EQ(r.verdict, Verdict::Proved) << r.reason;
  EXPECT_GT(applications, 1);
  EXPECT_NO_THROW(check_certificate({rules, Answer::Yes, std::move(r.step)}));
}

}  // namespace tessivar::engine

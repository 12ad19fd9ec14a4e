// The dependency-pair path end to end: proofs it finds pass the checker,
// and it gives up where no proof exists or none can be written.
#include <gtest/gtest.h>

#include "engine/check/check.h"
#include "engine/processors/top_proof.h"
#include "engine/problem/system_text.h"

namespace tessivar::engine {
namespace {

std::vector<NamedRule> rules_of(const std::string& text) { return read_system_text("(RULES " + text + ")"); }

StepPtr prove(const std::vector<NamedRule>& rules, encodings::StopCondition stop = {}) {
  return prove_by_dependency_pairs(problem_of(rules), default_top_attempts(), stop);
}

}  // namespace

TEST(TopProof, ProofsPassTheChecker) {
  for (const char* text : {"a b -> b a", "a a -> a b a", "a b -> b b a , b c -> c b", "a -> b , b b -> a c"}) {
    auto rules = rules_of(text);
    StepPtr proof = prove(rules);
    ASSERT_TRUE(proof) << text;
    EXPECT_EQ(proof->kind, Step::Kind::DependencyPairs);
    EXPECT_NO_THROW(check_certificate({rules, Answer::Yes, std::move(proof)})) << text;
  }
}

TEST(TopProof, EachCycleOfTheGraphGetsItsOwnProof) {
  // a and c never call each other: two components, and the pair of b
  // (called by a, calling nothing defined) lies on no cycle.
  auto rules = rules_of("a a -> a b a , b -> d , c c -> c d c");
  StepPtr proof = prove(rules);
  ASSERT_TRUE(proof);
  ASSERT_EQ(proof->next->kind, Step::Kind::Graph);
  ASSERT_EQ(proof->next->components.size(), 2u);
  for (const auto& c : proof->next->components)
    for (const NamedRule& pair : c.pairs) EXPECT_NE(pair.lhs.front(), "b#");
  EXPECT_NO_THROW(check_certificate({rules, Answer::Yes, std::move(proof)}));
}

TEST(TopProof, GivesUpWithoutAProof) {
  EXPECT_FALSE(prove(rules_of("a b -> b a b")));  // a b is a factor of its own right side
  // A clash of marked names: no certificate could state the pairs.
  EXPECT_FALSE(prove(rules_of("a b -> b a , a# -> a")));
  encodings::StopCondition passed;
  passed.deadline = encodings::Clock::now();
  EXPECT_FALSE(prove(rules_of("a b -> b a"), passed));
}

}  // namespace tessivar::engine

// The dependency-pair transformation and the split by the dependency graph,
// against pairs and components worked out by hand.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/check/check.h"
#include "engine/processors/dependency_graph.h"
#include "engine/processors/dependency_pairs.h"
#include "engine/problem/system_text.h"
#include "problem_database.h"

using namespace tessivar::engine;
using namespace tessivar::engine::processors;

namespace {

Problem srs(const std::string& rules) { return problem_of(read_system_text("(RULES " + rules + ")")); }

std::vector<std::string> texts(const Problem& p, const std::vector<Rule>& rules) {
  std::vector<std::string> out;
  for (const Rule& r : rules) {
    NamedRule n = p.named(r);
    out.push_back(to_text(n.lhs) + " -> " + to_text(n.rhs));
  }
  return out;
}

// A top-mode problem whose pairs are given; the weak rules do not matter to
// the graph.
Problem pairs(const std::string& text) {
  Problem p = srs(text);
  p.top = true;
  return p;
}

}  // namespace

TEST(DependencyPairs, EveryDefinedPositionOfEveryRightSideOnce) {
  Problem p = srs("a a b -> b a c a b , b c -> c b a , c -> , b -> a b a , b -> a a");
  auto dp = dependency_pairs(p);
  ASSERT_TRUE(dp);
  EXPECT_TRUE(dp->problem.top);
  EXPECT_TRUE(dp->certifiable);
  EXPECT_EQ(dp->mark, "#");
  EXPECT_EQ(texts(dp->problem, dp->problem.weak), texts(p, p.strict));
  EXPECT_EQ(texts(dp->problem, dp->problem.strict),
            (std::vector<std::string>{
                "a# a b -> b# a c a b", "a# a b -> a# c a b", "a# a b -> c# a b", "a# a b -> a# b",
                "a# a b -> b#",  //
                "b# c -> c# b a", "b# c -> b# a", "b# c -> a#",  //
                "b# -> a# b a", "b# -> b# a", "b# -> a#",  //
                "b# -> a# a"}));
  const Alphabet& a = *dp->problem.alphabet;
  EXPECT_TRUE(a.is_marked(a.id("c#")));
  EXPECT_EQ(a.base(a.id("c#")), a.id("c"));
  // The input's alphabet is left as it was.
  EXPECT_FALSE(p.alphabet->contains("a#"));
}

TEST(DependencyPairs, WithoutDefinedSymbolsOnTheRightNoPairsRemain) {
  auto dp = dependency_pairs(srs("a b -> c c , d a -> b"));
  ASSERT_TRUE(dp);
  EXPECT_TRUE(dp->problem.strict.empty());
  EXPECT_EQ(dp->problem.weak.size(), 2u);
}

TEST(DependencyPairs, AnotherMarkWhereTheInputTakesTheMarkedName) {
  auto dp = dependency_pairs(srs("a -> a# a , a# -> b"));
  ASSERT_TRUE(dp);
  EXPECT_FALSE(dp->certifiable);
  EXPECT_NE(dp->mark, "#");
  const Problem& top = dp->problem;
  for (const Rule& r : top.strict) {
    EXPECT_TRUE(top.alphabet->is_marked(r.lhs.front()));
    EXPECT_TRUE(top.alphabet->is_marked(r.rhs.front()));
  }
  // a# is an input symbol, defined, and gets a mark of its own.
  EXPECT_EQ(texts(top, top.strict),
            (std::vector<std::string>{"a" + dp->mark + " -> a#" + dp->mark + " a", "a" + dp->mark + " -> a" + dp->mark}));

  // An input name ending in the mark clashes with no marked name here.
  auto clean = dependency_pairs(srs("a -> x# a"));
  ASSERT_TRUE(clean);
  EXPECT_EQ(clean->mark, "#");
  EXPECT_TRUE(clean->certifiable);
}

TEST(DependencyPairs, AppliesOnlyToPlainProblemsWithoutEmptyLeftSides) {
  EXPECT_FALSE(dependency_pairs(srs(" -> a")));
  EXPECT_FALSE(dependency_pairs(srs("a -> a , -> ")));
  Problem relative = srs("a a -> a b , b -> a");
  relative.weak.push_back(relative.strict.back());
  relative.strict.pop_back();
  EXPECT_FALSE(dependency_pairs(relative));
  auto once = dependency_pairs(srs("a a -> a"));
  ASSERT_TRUE(once);
  EXPECT_FALSE(dependency_pairs(once->problem));
}

TEST(DependencyGraph, SeparateCyclesAndPairsOnNoCycle) {
  // a# and the c#/d# pair of pairs each make a cycle; the edge from a# to
  // c# runs one way only, and e# is entered by nothing.
  Problem p = pairs("a# -> a# b , a# b -> c# , c# -> d# , d# c -> c# , e# -> a#");
  EXPECT_EQ(cyclic_components(p), (std::vector<std::vector<size_t>>{{0}, {2, 3}}));

  auto components = graph_components(p);
  ASSERT_EQ(components.size(), 2u);
  EXPECT_EQ(texts(p, components[1].strict), (std::vector<std::string>{"c# -> d#", "d# c -> c#"}));
  EXPECT_TRUE(components[1].top);
  EXPECT_EQ(components[1].weak, p.weak);

  std::vector<StepPtr> proofs;
  proofs.push_back(Step::empty());
  proofs.push_back(Step::empty());
  StepPtr step = graph_step(components, std::move(proofs));
  ASSERT_EQ(std::string(step->name()), "graph");
  ASSERT_EQ(step->as<GraphStep>()->components.size(), 2u);
  EXPECT_EQ(step->as<GraphStep>()->components[0].pairs, (std::vector<NamedRule>{{{"a#"}, {"a#", "b"}}}));
  EXPECT_EQ(step->as<GraphStep>()->components[1].pairs.size(), 2u);
  ASSERT_TRUE(step->as<GraphStep>()->components[1].next);
}

TEST(DependencyGraph, OneComponentThroughSharedHeads) {
  // Every pair is reached from every other through the heads a# and b#,
  // though no two pairs share both.
  Problem p = pairs("a# -> b# , b# x -> a# , b# y -> b# , c# -> c#");
  EXPECT_EQ(cyclic_components(p), (std::vector<std::vector<size_t>>{{0, 1, 2}, {3}}));
  EXPECT_TRUE(cyclic_components(pairs("a# -> b# , b# -> c#")).empty());
}

TEST(DependencyGraph, DeepChainsDoNotExhaustTheStack) {
  std::string text;
  const int n = 100000;
  for (int i = 0; i < n; ++i) text += "s" + std::to_string(i) + "# -> s" + std::to_string(i + 1) + "# , ";
  text += "s" + std::to_string(n) + "# -> s0#";
  auto components = cyclic_components(pairs(text));
  ASSERT_EQ(components.size(), 1u);
  EXPECT_EQ(components[0].size(), static_cast<size_t>(n + 1));
}

// The checker computes pairs and judges splits on its own; on every sample
// problem it must take exactly the pairs and the components found here.
TEST(DependencyGraph, TheCheckerAcceptsPairsAndSplitsOfTheSampleProblems) {
  namespace fs = std::filesystem;
  int problems = 0;
  TESSIVAR_NEED_DATABASE(database);
  for (const auto& entry : fs::recursive_directory_iterator(database)) {
    if (entry.path().extension() != ".srs") continue;
    std::ifstream in(entry.path());
    std::stringstream text;
    text << in.rdbuf();
    std::vector<NamedRule> rules = read_system_text(text.str());
    auto dp = dependency_pairs(problem_of(rules));
    ASSERT_TRUE(dp) << entry.path();
    ASSERT_TRUE(dp->certifiable) << entry.path();
    CheckState pairs_state = check_dependency_pairs_step({rules, {}, false});
    std::vector<NamedRule> pairs;
    for (const Rule& r : dp->problem.strict) pairs.push_back(dp->problem.named(r));
    ASSERT_EQ(pairs_state.strict, pairs) << entry.path();

    std::vector<std::vector<NamedRule>> split;
    for (const Problem& c : graph_components(dp->problem)) {
      split.emplace_back();
      for (const Rule& r : c.strict) split.back().push_back(c.named(r));
    }
    EXPECT_NO_THROW(check_graph_step(pairs_state, split)) << entry.path();
    ++problems;
  }
  EXPECT_GT(problems, 100);
}

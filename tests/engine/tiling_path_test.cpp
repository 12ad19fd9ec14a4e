// The tiling path as a processor: stopped by its time, it goes on with its
// labelling on the same problem only, and a proof it assembles over several
// applications holds.
#include <gtest/gtest.h>

#include "engine/check/check.h"
#include "engine/problem/system_text.h"
#include "engine/processors/tiling_path.h"
#include "engine/strategy/schedule.h"

namespace tessivar::engine {
using namespace processors;
namespace {

std::vector<NamedRule> rules_of(const std::string& text) { return read_system_text("(RULES " + text + ")"); }

encodings::StopCondition for_seconds(double s) { return encodings::StopCondition{}.within(s); }

// The schedule's attempts on labelled problems, each with its time times `scale`.
TilingPath path_for(const Problem& p, double scale) {
  strategy::Plan plan = strategy::plan_for(p);
  return TilingPath(2, TilingLimits{}, {scaled_attempts(plan.labelled, scale), scaled(plan.dependency_pairs, scale)});
}

// Tiling proofs: b a a -> a a b b needs three labelled removals, a a b ->
// b a a one.
const char* kLabelled = "b a a -> a a b b";
const char* kOther = "a a b -> b a a";

}  // namespace

TEST(TilingPath, AStoppedPathGoesOnWithItsLabellingOfTheSameProblemOnly) {
  // No attempt gets time of its own: the labelling is made, nothing more.
  Problem p = problem_of(rules_of(kLabelled)), other = problem_of(rules_of(kOther));
  TilingPath path = path_for(p, 0);
  Result first = path.apply(p, for_seconds(0.3));
  ASSERT_EQ(first.verdict, Verdict::Stopped) << first.reason;
  EXPECT_TRUE(path.resumable());
  EXPECT_EQ(first.figures.find("kept"), std::string::npos) << first.figures;

  Result again = path.apply(p, for_seconds(0.3));
  EXPECT_EQ(again.verdict, Verdict::Stopped);
  EXPECT_NE(again.figures.find("(kept), turn 2"), std::string::npos) << again.figures;

  Result elsewhere = path.apply(other, for_seconds(0.3));
  EXPECT_EQ(elsewhere.figures.find("kept"), std::string::npos) << elsewhere.figures;
}

TEST(TilingPath, AProofFoundOverShortSlicesHolds) {
  for (const char* system : {kLabelled, kOther}) {
    SCOPED_TRACE(system);
    auto rules = rules_of(system);
    Problem p = problem_of(rules);
    TilingPath path = path_for(p, 1);
    // Slices that double, as the rounds of the prover's threads do.
    Result r;
    double slice = 0.05;
    do {
      r = path.apply(p, for_seconds(slice));
      slice *= 2;
    } while (r.verdict == Verdict::Stopped && slice < 100);
    ASSERT_EQ(r.verdict, Verdict::Proved) << r.reason << " " << r.figures;
    EXPECT_FALSE(path.resumable());
    EXPECT_NO_THROW(check_certificate({rules, Answer::Yes, std::move(r.step)}));
  }
}

}  // namespace tessivar::engine

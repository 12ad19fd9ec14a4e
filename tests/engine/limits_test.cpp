// The engine's limits: a memory ceiling ends an attempt whose formula
// passes it without ending the run, a budget in thread time counts the
// thread's work only, and the time limit holds however large the formulas
// are.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

#include "engine/problem/system_text.h"
#include "engine/processors/matrix_removal.h"
#include "engine/strategy/prover.h"
#include "program_run.h"

using namespace tessivar::engine;

namespace {

// Rules with long sides over three letters, the same every time, whose SAT
// encodings run to millions of clauses; and a b <-> b a, so that matrices
// never prove it.
std::string long_sided_system(int rules, int length) {
  std::mt19937 random(7);
  std::string text = "(RULES\na b -> b a ,\nb a -> a b ,\n";
  for (int r = 0; r < rules; ++r) {
    for (int side = 0; side < 2; ++side) {
      for (int i = 0; i < length - side; ++i) text += std::string(1, static_cast<char>('a' + random() % 3)) + " ";
      text += side == 0 ? "-> " : (r + 1 < rules ? ",\n" : "\n");
    }
  }
  return text + ")\n";
}

}  // namespace

TEST(Limits, AnAttemptPastTheMemoryCeilingIsSkippedForGood) {
  Problem p = problem_of(read_system_text(long_sided_system(20, 24)));
  encodings::MatrixSettings natural{Semiring::Natural, 5, 2, 8, encodings::Shape::Full, false};
  processors::MatrixRemoval removal(natural);
  encodings::StopCondition stop;
  stop.memory_limit = 1;  // less than any process holds
  for (int attempt = 0; attempt < 2; ++attempt) {
    processors::Result r = removal.apply(p, stop);
    EXPECT_EQ(r.verdict, processors::Verdict::NotApplicable);
    EXPECT_NE(r.reason.find("memory ceiling"), std::string::npos) << r.reason;
  }
}

TEST(Limits, ABudgetInThreadTimeIsNotSpentWhileTheThreadWaits) {
  using encodings::Clock;
  encodings::StopCondition on_clock, in_thread;
  on_clock.budget_seconds = in_thread.budget_seconds = 0.05;
  in_thread.budget_in_thread_time = true;
  encodings::StopCondition clock_budget = on_clock.budget_from_now(), thread_budget = in_thread.budget_from_now();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_TRUE(clock_budget.reached());
  EXPECT_FALSE(thread_budget.reached());
  auto give_up = Clock::now() + std::chrono::seconds(10);
  while (!thread_budget.reached() && Clock::now() < give_up) {
  }
  EXPECT_TRUE(thread_budget.reached()) << "50 ms of work not counted in 10 s";
  in_thread.deadline = Clock::now();
  EXPECT_TRUE(in_thread.budget_from_now().reached()) << "the deadline holds whatever the budget";
}

TEST(Limits, ARunUnderATinyCeilingStillAnswers) {
  strategy::ProveOptions options;
  options.timeout = 10;
  options.memory_mb = 1;
  auto proof = strategy::prove(read_system_text("(RULES a b -> b a b)"), options);
  ASSERT_TRUE(proof.has_value());
  EXPECT_EQ(proof->answer, Answer::No);
}

TEST(Limits, TheVerdictComesWithinASecondOfTheLimit) {
  std::string program = std::string(TESSIVAR_BIN_DIR) + "/tessivar-prove";
  TempDir dir;
  WriteFile(dir / "long.srs", long_sided_system(40, 30));
  for (const char* only : {"matrices", "matrices,dependency-pairs,reverse"}) {
    auto start = std::chrono::steady_clock::now();
    ProgramRun run = RunIn(dir.path, "'" + program + "' long.srs --timeout 2 --only " + only, "");
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("MAYBE\n", 0), 0u) << run.out;
    EXPECT_LT(seconds, 3.0) << only;
  }
}

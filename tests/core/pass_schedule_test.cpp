// The driver's passes, run through the program with a fake solver that logs
// the mode and dimension of every benchmark it is given and answers from a
// numbered file (or "unsat" when there is none).
#include <gtest/gtest.h>

#include <string>

#include "../program_run.h"

namespace {

const char* kFakeSolver =
    "n=$(cat calls 2>/dev/null || echo 0); n=$((n+1)); echo $n > calls\n"
    "if grep -q '^:extrapreds ((B' \"$2\"; then m=normal\n"
    "elif grep -q '^(<= (A' \"$2\"; then m=tropical; else m=arctic; fi\n"
    "if grep -q '(A 1 3 3)' \"$2\"; then d=3; elif grep -q '(A 1 2 2)' \"$2\"; then d=2; else d=1; "
    "fi\n"
    "echo \"$m $d\" >> log\n"
    "cat answer.$n 2>/dev/null || echo unsat\n";

struct ScheduleRun {
  TempDir dir;
  ProgramRun result;
  explicit ScheduleRun(const std::string& param) {
    WriteFile(dir / "fake-solver.sh", kFakeSolver);
    WriteFile(dir / "param", param);
  }
  void SetAnswer(int n, const std::string& t) {
    WriteFile(dir / ("answer." + std::to_string(n)), t);
  }
  void Run(const std::string& system) { result = ::RunIn(dir.path, Prover, system); }
  std::string Log() { return ReadFile(dir / "log"); }
};

// With no success, every attempt the settings allow is made, in this order.
TEST(PassSchedule, SettingsChooseTheAttemptsInOrder) {
  ScheduleRun p(Param("sh ./fake-solver.sh", 1, 0, 3, 3, 0, 7));
  p.Run("(RULES a a -> a )");
  EXPECT_EQ(p.result.status, 0);
  EXPECT_EQ(p.Log(), "tropical 1\ntropical 2\narctic 2\nnormal 2\ntropical 3\narctic 3\nnormal 3\n");
  EXPECT_NE(p.result.out.find("a a  -> a \nattempt failed for dimension 1\n"), std::string::npos);
  EXPECT_NE(p.result.out.find("dimension 3\nno proof found\n"), std::string::npos);

  ScheduleRun q(Param("sh ./fake-solver.sh", 0, 0, 1, 1, 0, 1));
  q.Run("(RULES a a -> a )");
  EXPECT_EQ(q.Log(), "tropical 1\n");
  ScheduleRun r(Param("sh ./fake-solver.sh", 0, 0, 0, 3, 0, 2));
  r.Run("(RULES a a -> a )");
  EXPECT_EQ(r.Log(), "tropical 1\narctic 2\nnormal 2\narctic 3\n");
}

// Later attempts of a pass are skipped once one removes a rule; the next
// pass starts again at dimension 1 on what is left.
TEST(PassSchedule, PassesStopAtTheFirstSuccess) {
  ScheduleRun p(Param("sh ./fake-solver.sh", 0, 0, 3, 3, 0, 3));
  // Call 3 is the arctic attempt of dimension 2: it removes rule 1.
  p.SetAnswer(
      3,
      "sat\n\n (= (A 1 1 1) 1)\n (= (I 1 1 2) true)\n (= (I 1 2 1) true)\n (= (I 1 2 2) true)\n"
      " (= (A 2 1 1) 0)\n (= (A 2 1 2) 0)\n (= (A 2 2 1) 0)\n (= (A 2 2 2) 0)\n"
      " (= (D 1) true)\n (= (D 2) false)\n");
  // Call 4 is the first of the second pass: it removes the rest.
  p.SetAnswer(4, "sat\n\n (= (A 1 1 1) 0)\n (= (A 2 1 1) 1)\n (= (D 1) true)\n");
  p.Run("(RULES a a -> a , b b -> b )");
  EXPECT_EQ(p.result.status, 0);
  EXPECT_EQ(p.Log(), "tropical 1\ntropical 2\narctic 2\ntropical 1\n");
  EXPECT_EQ(p.result.out,
            "Tessivar is applied to the string rewriting system\na a  -> a \nb b  -> b \n"
            "Arctic matrix interpretation\ninterpretation of a:\n/ 1 - \\\n\\ - - /\n"
            "interpretation of b:\n/ 0 0 \\\n\\ 0 0 /\nremove rule 1\n"
            "continue with:\nb b  -> b \n"
            "interpretation of a: 0\ninterpretation of b: 1\nremove rule 1\ntermination has been "
            "proved\n");
  EXPECT_EQ(ReadFile(p.dir / "srs"), "YES\n");
  EXPECT_FALSE(Exists(p.dir / "frm"));
  EXPECT_EQ(p.result.err, "");
}

}  // namespace

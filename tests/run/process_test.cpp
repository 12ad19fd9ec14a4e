// tessivar-run end to end: the time limit stops every process of a run,
// runs side by side in one folder keep apart, --keep, and an interrupt.
#include <gtest/gtest.h>

#include <chrono>

#include "runner_helpers.h"

namespace {

double SecondsSince(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// A command that ignores SIGTERM, as does its child, and never ends; only the
// group kill with SIGKILL stops it. Its path carries the folder's unique name.
const char* kStubborn =
    "trap '' TERM\n"
    "( while :; do sleep 1; done ) &\n"
    "while :; do sleep 1; done\n";

const std::string kSystem = "(RULES\na a -> a b ,\nb b -> a\n)\n";

// Whether the prover runs the solver of "param" on this system at all; only
// once matrix attempts are built into it.
bool ProverCallsSolver() {
  TempDir m;
  WriteScript(m / "marking-solver", "touch " + m / "called" + "\necho unsat\n");
  WriteFile(m / "param", FakeSolverParam(m / "marking-solver"));
  RunIn(m.path, Prover, kSystem);
  return Exists(m / "called");
}

void ExpectStoppedByTimeLimit(const std::string& dir, const std::string& command) {
  auto t0 = std::chrono::steady_clock::now();
  // A run the limit fails to stop would never end: fail it instead.
  ProgramRun l = RunIn(dir, "timeout -s KILL 60 env " + command, "");
  double s = SecondsSince(t0);
  EXPECT_EQ(l.status, 0) << l.err;
  EXPECT_EQ(l.out.substr(0, 6), "MAYBE\n");
  EXPECT_NE(l.err.find("time limit of 1.5 s reached"), std::string::npos) << l.err;
  EXPECT_GT(s, 1.4);
  EXPECT_LT(s, 30.0);
  EXPECT_EQ(ProcessesMatching(dir), 0);
  // The temporary folder is gone as well.
  EXPECT_EQ(std::system(("ls " + dir + "/tmp | grep -q tessivar-run").c_str()) == 0, false);
}

TEST(TimeLimit, StopsASolverThatHangsAndIgnoresSigterm) {
  if (!ProverCallsSolver()) GTEST_SKIP() << "this prover makes no solver call yet";
  TempDir m;
  std::system(("mkdir " + m / "tmp").c_str());
  WriteFile(m / "p.srs", kSystem);
  WriteScript(m / "slow-solver", kStubborn);
  WriteFile(m / "param", FakeSolverParam(m / "slow-solver"));
  ExpectStoppedByTimeLimit(
      m.path, "TMPDIR=" + m / "tmp" + " " + ClassicRunner + " p.srs --timeout 1.5 --param param");
}

TEST(TimeLimit, StopsAnyCommandOfTheProver) {
  // The prover's own "cp param frm" found first in PATH: this stands for the
  // solver with every prover, matrix attempts or not.
  TempDir m;
  std::system(("mkdir " + m / "tmp " + m / "bin").c_str());
  WriteFile(m / "p.srs", kSystem);
  WriteScript(m / "bin/cp", kStubborn);
  WriteFile(m / "param", FakeSolverParam("/bin/false"));
  ExpectStoppedByTimeLimit(m.path, "PATH=" + m / "bin" + ":$PATH TMPDIR=" + m / "tmp" + " " +
                                       ClassicRunner + " p.srs --timeout 1.5 --param param");
}

// tessivar-run on a system whose solver never answers, with `signal` sent
// to it after a second; the exit status, stdout and stderr.
ProgramRun SignalMidRun(const TempDir& m, const std::string& signal, const std::string& runner) {
  std::system(("mkdir -p " + m / "tmp").c_str());
  WriteFile(m / "p.srs", kSystem);
  WriteScript(m / "slow-solver", kStubborn);
  WriteFile(m / "param", FakeSolverParam(m / "slow-solver"));
  return RunIn(m.path,
               "(TMPDIR=" + m / "tmp " + runner + " p.srs --param param & p=$!; sleep 1; kill -" +
                   signal + " $p; wait $p; echo $? > status)",
               "");
}

bool TempFoldersLeft(const TempDir& m) {
  return std::system(("ls " + m / "tmp | grep -q tessivar-run").c_str()) == 0;
}

TEST(Interrupt, GivesTheVerdictAndTheProofSoFarAndStopsEverything) {
  if (!ProverCallsSolver()) GTEST_SKIP() << "this prover makes no solver call yet";
  for (const char* sig : {"TERM", "INT"}) {
    TempDir m;
    ProgramRun l = SignalMidRun(m, sig, ClassicRunner);
    EXPECT_EQ(ReadFile(m / "status"), std::string(sig) == "TERM" ? "143\n" : "130\n");
    EXPECT_EQ(l.out.substr(0, l.out.find("a a  -> a b")),
              "MAYBE\nprover: classic\nTessivar is applied to the string rewriting system\n");
    EXPECT_NE(l.err.find("interrupted by signal"), std::string::npos) << l.err;
    EXPECT_EQ(ProcessesMatching(m.path), 0);
    EXPECT_FALSE(TempFoldersLeft(m));
  }
}

TEST(Interrupt, AKilledRunnerTakesItsProversAndFolderAlong) {
  if (!ProverCallsSolver()) GTEST_SKIP() << "this prover makes no solver call yet";
  TempDir m;
  SignalMidRun(m, "KILL", ClassicRunner);
  EXPECT_EQ(ReadFile(m / "status"), "137\n");
  // The guardian needs a moment after the runner's end.
  for (int i = 0; i < 50 && (ProcessesMatching(m.path) > 0 || TempFoldersLeft(m)); i++) usleep(100000);
  EXPECT_EQ(ProcessesMatching(m.path), 0);
  EXPECT_FALSE(TempFoldersLeft(m));
}

TEST(SideBySide, TwoRunsInOneFolderKeepApart) {
  TempDir m;
  std::system(("mkdir " + m / "bin").c_str());
  // A slow copy keeps both runs in the folder at the same time.
  WriteScript(m / "bin/cp", "[ \"$1\" = param ] && sleep 1\nexec /bin/cp \"$@\"\n");
  WriteScript(m / "unsat", "echo unsat\n");
  std::string param = FakeSolverParam(m / "unsat");
  WriteFile(m / "param", param);
  const std::string one = "(RULES\na b -> b a\n)\n", two = "(RULES\nc -> d d ,\nd d d -> c\n)\n";
  WriteFile(m / "one.srs", one);
  WriteFile(m / "two.srs", two);
  std::string r = "PATH=" + m / "bin" + ":$PATH " + ClassicRunner;
  ProgramRun l = RunIn(m.path,
                       "(" + r + " one.srs --param param > one.out & " + r +
                           " two.srs --param param > two.out; wait)",
                       "");
  EXPECT_EQ(l.err, "");
  EXPECT_EQ(ReadFile(m / "one.out"), ExpectedOutput(one, param));
  EXPECT_EQ(ReadFile(m / "two.out"), ExpectedOutput(two, param));
  for (const char* f : {"frm", "srs", "r"}) EXPECT_FALSE(Exists(m / f)) << f;
}

TEST(Keep, KeepGetsTheProversFiles) {
  TempDir m;
  WriteScript(m / "unsat", "echo unsat\n");
  WriteFile(m / "param", FakeSolverParam(m / "unsat"));
  WriteFile(m / "p.srs", "(RULES a a -> a )");
  ProgramRun l = RunIn(m.path, ClassicRunner + " p.srs --param param --keep kept", "");
  EXPECT_EQ(l.status, 0);
  // "srs" holds the system as the prover left it: as read or "YES".
  std::string srs = ReadFile(m / "kept/srs");
  EXPECT_TRUE(srs == "YES\n" || RulesOf(srs) == (std::vector<Rule>{{{"a", "a"}, {"a"}}})) << srs;
  EXPECT_EQ(l.out.substr(0, 4) == "YES\n", srs == "YES\n");
  EXPECT_FALSE(Exists(m / "kept/param"));
  // The last benchmark, which the prover itself overwrites with the answer.
  EXPECT_EQ(ReadFile(m / "kept/benchmark").substr(0, 16), "(benchmark test.");
  EXPECT_EQ(ReadFile(m / "kept/r"), "unsat\n");
}

}  // namespace

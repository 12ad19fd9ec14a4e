// tessivar-run end to end: the time limit and an interrupt stop every
// process of a run, runs side by side in one folder keep apart, --keep.
#include <gtest/gtest.h>

#include <chrono>

#include "runner_helpers.h"

using tessivar::engine::NamedRule;

namespace {

// A command that ignores SIGTERM, as does its child, and never ends; only the
// group kill with SIGKILL stops it. Its path carries the folder's unique name.
const char* kStubborn =
    "trap '' TERM\n"
    "( while :; do sleep 1; done ) &\n"
    "while :; do sleep 1; done\n";

const std::string kSystem = "(RULES\na a -> a b ,\nb b -> a\n)\n";

// A folder with a system whose solver never answers, and its own TMPDIR;
// returns the start of a command line that runs tessivar-run on it.
std::string StubbornRun(const TempDir& m) {
  std::system(("mkdir " + m / "tmp").c_str());
  WriteFile(m / "p.srs", kSystem);
  WriteScript(m / "slow-solver", kStubborn);
  WriteFile(m / "param", FakeSolverParam(m / "slow-solver"));
  return "TMPDIR=" + m / "tmp " + ClassicRunner + " p.srs --param param";
}

bool TempFoldersLeft(const TempDir& m) {
  return std::system(("ls " + m / "tmp | grep -q tessivar-run").c_str()) == 0;
}

// Sends `signal` to tessivar-run a second into the run; its exit status goes to "status".
ProgramRun SignalMidRun(const TempDir& m, const std::string& signal) {
  return RunIn(m.path,
               "(" + StubbornRun(m) + " & p=$!; sleep 1; kill -" + signal +
                   " $p; wait $p; echo $? > status)",
               "");
}

TEST(TimeLimit, StopsASolverThatHangsAndIgnoresSigterm) {
  TempDir m;
  auto t0 = std::chrono::steady_clock::now();
  // A run the limit fails to stop would never end: fail it instead.
  ProgramRun l = RunIn(m.path, "timeout -s KILL 60 env " + StubbornRun(m) + " --timeout 1.5", "");
  double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_EQ(l.status, 0) << l.err;
  EXPECT_EQ(l.out.substr(0, 6), "MAYBE\n");
  EXPECT_EQ(l.out.substr(0, l.out.find("Tessivar is applied")),
            "MAYBE\nprover: classic\nreason: time limit of 1.5 s reached\n");
  EXPECT_GT(s, 1.4);
  EXPECT_LT(s, 30.0);
  EXPECT_EQ(ProcessesMatching(m.path), 0);
  EXPECT_FALSE(TempFoldersLeft(m));
}

TEST(Interrupt, GivesTheVerdictAndTheProofSoFarAndStopsEverything) {
  for (const char* sig : {"TERM", "INT"}) {
    TempDir m;
    ProgramRun l = SignalMidRun(m, sig);
    EXPECT_EQ(ReadFile(m / "status"), std::string(sig) == "TERM" ? "143\n" : "130\n");
    EXPECT_EQ(l.out.substr(0, l.out.find("a a  -> a b")),
              "MAYBE\nprover: classic\nreason: interrupted by signal " +
                  std::string(std::string(sig) == "TERM" ? "15" : "2") +
                  "\nTessivar is applied to the string rewriting system\n");
    EXPECT_NE(l.err.find("interrupted by signal"), std::string::npos) << l.err;
    EXPECT_EQ(ProcessesMatching(m.path), 0);
    EXPECT_FALSE(TempFoldersLeft(m));
  }
}

TEST(Interrupt, AKilledRunnerTakesItsProversAndFolderAlong) {
  TempDir m;
  SignalMidRun(m, "KILL");
  EXPECT_EQ(ReadFile(m / "status"), "137\n");
  // The guardian needs a moment after the runner's end.
  for (int i = 0; i < 50 && (ProcessesMatching(m.path) > 0 || TempFoldersLeft(m)); i++) usleep(100000);
  EXPECT_EQ(ProcessesMatching(m.path), 0);
  EXPECT_FALSE(TempFoldersLeft(m));
}

// Two runs side by side in one folder; the first keeps its prover's files.
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
                       "(" + r + " one.srs --param param --keep kept > one.out & " + r +
                           " two.srs --param param > two.out; wait)",
                       "");
  EXPECT_EQ(l.err, "");
  std::string out = ReadFile(m / "one.out");
  EXPECT_EQ(out, ExpectedOutput(one, param));
  EXPECT_EQ(ReadFile(m / "two.out"), ExpectedOutput(two, param));
  for (const char* f : {"frm", "srs", "r"}) EXPECT_FALSE(Exists(m / f)) << f;

  // "srs" holds the system as the prover left it: as read or "YES".
  std::string srs = ReadFile(m / "kept/srs");
  EXPECT_TRUE(srs == "YES\n" || RulesOf(srs) == (std::vector<NamedRule>{{{"a", "b"}, {"b", "a"}}})) << srs;
  EXPECT_EQ(out.substr(0, 4) == "YES\n", srs == "YES\n");
  EXPECT_FALSE(Exists(m / "kept/param"));
  // The last benchmark, which the prover itself overwrites with the answer.
  EXPECT_EQ(ReadFile(m / "kept/benchmark").substr(0, 16), "(benchmark test.");
  EXPECT_EQ(ReadFile(m / "kept/r"), "unsat\n");
}

}  // namespace

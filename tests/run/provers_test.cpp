// tessivar-run with the engine and with both provers side by side, the
// engine played by a script: the first definite answer wins and stops the
// other, what the engine is given, its certificate, and its failures.
#include <gtest/gtest.h>

#include "run/defaults.h"
#include "runner_helpers.h"

namespace {

std::string FirstLine(const std::string& s) { return s.substr(0, s.find('\n')); }

// A folder whose classic prover is held up (its "cp param frm" never ends)
// or quick (its solver answers unsat at once).
struct Folder {
  TempDir m;
  explicit Folder(bool classic_hangs) {
    std::system(("mkdir " + m / "bin " + m / "tmp").c_str());
    if (classic_hangs) WriteScript(m / "bin/cp", "trap '' TERM\nwhile :; do sleep 1; done\n");
    WriteScript(m / "unsat", "echo unsat\n");
    WriteFile(m / "param", FakeSolverParam(m / "unsat"));
    WriteFile(m / "p.srs", "(COMMENT two rules)\n(RULES\r\n a a -> a ,\r\n b -> )\n");
  }
  // The parameter file goes to the classic prover, unless the engine runs alone.
  ProgramRun Run(const std::string& engine, const std::string& options) {
    bool alone = options.find("--prover engine") != std::string::npos;
    return RunIn(m.path,
                 "PATH=" + m / "bin" + ":$PATH TMPDIR=" + m / "tmp " + Runner + " p.srs " +
                     (alone ? "" : "--param param ") + "--engine " + engine + " " + options,
                 "");
  }
  bool Clean() {
    return ProcessesMatching(m.path) == 0 &&
           std::system(("ls " + m / "tmp | grep -q tessivar-run").c_str()) != 0;
  }
};

TEST(Both, TheFirstDefiniteAnswerWinsAndStopsTheOther) {
  for (const char* verdict : {"YES", "NO"}) {
    Folder f(true);
    std::string engine = FakeEngine(f.m.path, std::string(verdict) + "\\nthe engine proof\\n");
    ProgramRun l = f.Run(engine, "--prover both --timeout 30");
    EXPECT_EQ(l.status, 0) << l.err;
    EXPECT_EQ(l.out, std::string(verdict) + "\nprover: engine\nthe engine proof\n");
    EXPECT_NE(l.err.find("the engine (tessivar-prove) answered first"), std::string::npos) << l.err;
    EXPECT_TRUE(f.Clean());
    // The engine is given the system as read, normalised, and the run's time limit.
    EXPECT_EQ(ReadFile(f.m / "engine-problem"), "(RULES\n  a a -> a ,\n  b ->\n)\n");
    EXPECT_NE(ReadFile(f.m / "engine-args").find("problem.srs --timeout 30\n"), std::string::npos);
  }
}

TEST(Both, TheClassicProverCanWinAndMaybeShowsBoth) {
  // With a solver that answers unsat, the classic prover finds nothing.
  Folder f(false);
  std::string engine = FakeEngine(f.m.path, "MAYBE\\nno luck\\n");
  ProgramRun l = f.Run(engine, "--prover both");
  EXPECT_EQ(l.status, 0) << l.err;
  EXPECT_EQ(l.out.substr(0, l.out.find("Tessivar is applied")),
            "MAYBE\nprover: classic, engine\nreason: every method exhausted\n"
            "=== the classic prover (tessivar) ===\n");
  EXPECT_NE(l.out.find("no proof found\n=== the engine (tessivar-prove) ===\nno luck\n"),
            std::string::npos)
      << l.out;
  // A classic proof while the engine is still thinking.
  WriteFile(f.m / "p.srs", "(RULES a b -> b)");
  engine = FakeEngine(f.m.path, "YES\\n", 0, "trap '' TERM\nsleep 30\n");
  l = f.Run(engine, "--prover both --certificate cert.json");
  EXPECT_EQ(FirstLine(l.out), "YES");
  EXPECT_EQ(l.out.substr(4, 16), "prover: classic\n");
  EXPECT_NE(l.err.find("no certificate: the classic prover answered"), std::string::npos) << l.err;
  EXPECT_FALSE(Exists(f.m / "cert.json"));
  EXPECT_TRUE(f.Clean());
}

TEST(Engine, CertificateTimeLimitAndFailures) {
  Folder f(true);
  ProgramRun l = f.Run(FakeEngine(f.m.path, "YES\\nproof\\n"), "--prover engine --certificate c.json");
  EXPECT_EQ(l.out, "YES\nprover: engine\nproof\n");
  EXPECT_EQ(ReadFile(f.m / "c.json"), "CERTIFICATE\n");
  f.Run(FakeEngine(f.m.path, "YES\\nproof\\n"), "--prover engine --memory=512");
  EXPECT_NE(ReadFile(f.m / "engine-args").find("--memory 512"), std::string::npos) << ReadFile(f.m / "engine-args");

  // An engine stopped at the limit has no answer, which is no error.
  l = f.Run(FakeEngine(f.m.path, "YES\\n", 0, "trap '' TERM\nwhile :; do sleep 1; done\n"),
            "--prover engine --timeout 1");
  EXPECT_EQ(l.status, 0);
  EXPECT_EQ(l.out, "MAYBE\nprover: engine\nreason: time limit of 1 s reached\n");
  EXPECT_TRUE(f.Clean());

  struct Case {
    std::string output;
    int status;
    std::string before;
    int runner_status;
    std::string first_line;
  };
  std::vector<Case> cases = {
      {"PERHAPS\\n", 0, "", 1, "tessivar-run: the engine (tessivar-prove) ended without a verdict: its first line is \"PERHAPS\""},
      {"", 2, "echo 'p.srs: line 1: bad' >&2\n", 2, "tessivar-run: the engine (tessivar-prove) refused the problem: p.srs: line 1: bad"},
      {"", 0, "kill -KILL $$\n", 1, "tessivar-run: the engine (tessivar-prove) was killed by signal 9"},
  };
  for (const Case& c : cases) {
    l = f.Run(FakeEngine(f.m.path, c.output, c.status, c.before), "--prover engine");
    EXPECT_EQ(l.status, c.runner_status) << c.first_line;
    EXPECT_EQ(l.out, "");
    EXPECT_EQ(FirstLine(l.err), c.first_line);
  }
  // A missing engine is an error of the environment, with both as well.
  for (const char* p : {"engine", "both"}) {
    l = f.Run(f.m / "no-engine", std::string("--prover ") + p);
    EXPECT_EQ(l.status, 1);
    EXPECT_EQ(FirstLine(l.err), "tessivar-run: no engine at " + f.m / "no-engine" + "; build it first (./build.sh)");
  }
  // Only the default "both" does without an engine that is not built, and says so.
  if (std::string(DEFAULT_PROVER_NAME) == "both") {
    Folder quick(false);
    l = quick.Run(quick.m / "no-engine", "");
    EXPECT_EQ(l.status, 0);
    EXPECT_EQ(l.out.substr(0, 23), "MAYBE\nprover: classic\nT");
    EXPECT_EQ(FirstLine(l.err), "tessivar-run: no engine at " + quick.m / "no-engine" +
                                    "; build it first (./build.sh); the classic prover ran alone");
  }
}

TEST(Both, ASystemBeyondTheClassicProverGoesToTheEngineAlone) {
  Folder f(false);
  std::string rules = "(RULES ";
  for (int i = 0; i < 120; i++) rules += "s" + std::to_string(i) + " -> ,";
  WriteFile(f.m / "p.srs", rules + " a -> )");
  ProgramRun l = f.Run(FakeEngine(f.m.path, "YES\\n"), "--prover both");
  EXPECT_EQ(l.out, "YES\nprover: engine\n");
  EXPECT_EQ(FirstLine(l.err),
            "tessivar-run: the classic prover was not run: the system has 121 symbols; the classic "
            "prover takes at most 100; tessivar-prove (--prover engine) has no such limit");
}

}  // namespace

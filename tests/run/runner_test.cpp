// tessivar-run as a user meets it: input it refuses and environments it
// cannot run in, each with its exit status and the first line of its
// message; the order of its output; the help of every program.
#include <gtest/gtest.h>

#include "runner_helpers.h"

namespace {

std::string FirstLine(const std::string& s) { return s.substr(0, s.find('\n')); }

// A folder with a solver that never finds an interpretation, so that only
// the reading of the system decides what the classic prover says.
struct ClassicFolder {
  TempDir m;
  ClassicFolder() {
    WriteScript(m / "unsat", "echo unsat\n");
    WriteFile(m / "param", FakeSolverParam(m / "unsat"));
  }
  ProgramRun Run(const std::string& file, const std::string& text, const std::string& options) {
    WriteFile(m / file, text);
    return RunIn(m.path, ClassicRunner + " " + file + " --param param " + options, "");
  }
};

TEST(Input, ErrorsAreErrorsNotMaybe) {
  ClassicFolder s;
  std::string wide = "(RULES ";
  for (int i = 0; i < 50; i++) wide += "a ";
  wide += "-> b)";
  struct Case {
    std::string file, text, options, first_line;
    int status = 2;
  };
  std::vector<Case> cases = {
      {"empty.srs", "", "", "tessivar-run: empty.srs is empty: a system is \"(RULES l -> r , ... )\""},
      // Two rules without a comma: once read as one rule a -> b c c -> c c.
      {"fy.srs", "(RULES\n a -> b\n c c -> c c\n)\n", "", "tessivar-run: fy.srs: line 3, column 6: a second \"->\" in the rule whose \"->\" is at line 2; is a \",\" missing between two rules?"},
      {"wide.srs", wide, "", "tessivar-run: rule 1 has 50 symbols on its left side; the classic prover takes at most 49; tessivar-prove (--prover engine) has no such limit"},
      {"o.xml", "<problem><strategy>OUTERMOST</strategy></problem>", "", "tessivar-run: strategy OUTERMOST: only FULL rewriting is supported"},
      {"p.srs", "(RULES a -> b)", "--param nothing", "tessivar-run: cannot read the parameter file nothing: No such file or directory", 1},
      {"p.srs", "(RULES a -> b)", "--timeout 0", "tessivar-run: --timeout wants a number of seconds above 0 and at most 86400, not \"0\""},
      {"p.srs", "(RULES a -> b)", "--timeout=1e20", "tessivar-run: --timeout wants a number of seconds above 0 and at most 86400, not \"1e20\""},
      {"ctl.srs", "(RULES a\x07" "b -> b)", "", "tessivar-run: ctl.srs: line 1, column 9: a control character (byte 0x07) in a name"},
      {"c.xml", "<problem type=\"complexity\"><trs><rules/></trs></problem>", "", "tessivar-run: a problem of type complexity: only termination is answered"},
      {"p.srs", "(RULES a -> b)", "--certificate c.json", "tessivar-run: --certificate needs the engine: the classic prover writes no certificate"},
      {"p.srs", "(RULES a -> b)", "--memory 100", "tessivar-run: --memory is the engine's ceiling; the classic prover has none"},
  };
  for (const Case& c : cases) {
    ProgramRun l = s.Run(c.file, c.text, c.options);
    EXPECT_EQ(l.status, c.status) << c.file << " " << c.options;
    EXPECT_EQ(l.out, "") << c.file;
    EXPECT_EQ(FirstLine(l.err), c.first_line);
  }
}

TEST(Input, ParameterFilesAndSolvers) {
  ClassicFolder s;
  WriteFile(s.m / "p.srs", "(RULES a -> b)");
  struct Case {
    std::string param;
    int status;
    std::string first_line;
  };
  std::vector<Case> cases = {
      {Param(s.m / "unsat", 0, 0, 3, 3, 1, 3).substr(0, 20), 2, "has 1 lines; it needs seven"},
      {s.m / "unsat\n0\n3\nthree\n3\n1\n3\n", 2, "line 4: \"three\" does not start with a number (the tropical dimension)"},
      {s.m / "unsat\n0\n3\n3\n3\n1\n3\nextra\n", 2, "has 8 lines; it needs seven"},
      {"no-such-solver-anywhere -t 5\n0\n3\n3\n3\n1\n3\n", 1, "tessivar-run: the solver no-such-solver-anywhere (line 1 of bad) cannot be started: not found in PATH"},
  };
  for (const Case& c : cases) {
    WriteFile(s.m / "bad", c.param);
    ProgramRun l = RunIn(s.m.path, ClassicRunner + " p.srs --param bad", "");
    EXPECT_EQ(l.status, c.status) << c.param;
    EXPECT_EQ(l.out, "");
    EXPECT_NE(FirstLine(l.err).find(c.first_line), std::string::npos) << l.err << c.first_line;
  }
  // Comments after the numbers and CRLF line ends are fine.
  WriteFile(s.m / "good", s.m / "unsat\r\n1 verbose\r\n3 Mxr\r\n1\r\n1\r\n1 match bounds\r\n1\r\n");
  ProgramRun l = RunIn(s.m.path, ClassicRunner + " p.srs --param=good", "");
  EXPECT_EQ(l.status, 0) << l.err;
  EXPECT_EQ(l.out.substr(0, 4), "YES\n");
}

TEST(Input, AnErrorOfTheProverIsAnError) {
  ClassicFolder s;
  // A "cp" that leaves no copy of the parameters: the classic prover stops
  // with its run-time error (exit status 42).
  std::system(("mkdir " + s.m / "bin").c_str());
  WriteScript(s.m / "bin/cp", "exit 1\n");
  WriteFile(s.m / "p.srs", "(RULES a -> b)");
  ProgramRun l = RunIn(s.m.path, "PATH=" + s.m / "bin" + ":$PATH " + ClassicRunner + " p.srs --param param", "");
  EXPECT_EQ(l.status, 1);
  EXPECT_EQ(l.out, "");
  EXPECT_EQ(FirstLine(l.err),
            "tessivar-run: the classic prover (tessivar) stopped with exit status 42 (a run-time error)");
}

TEST(Output, TheVerdictFirstThenTheSystemAsMeantAndStandardErrorAfterTheProof) {
  ClassicFolder s;
  WriteScript(s.m / "noisy", "echo 'solver says hello' >&2\necho unsat\n");
  WriteFile(s.m / "param", FakeSolverParam(s.m / "noisy"));
  // A comment with an "S", where the classic prover's header once ended and
  // a rule was lost, and CRLF line ends, which are line ends ("a", not "a\r").
  WriteFile(s.m / "p.srs", "(COMMENT See below)\r\n(RULES\r\n a a -> a b ,\r\n b -> b\r\n)\r\n");
  ProgramRun l = RunIn(s.m.path, "(" + ClassicRunner + " p.srs --param param 2>&1)", "");
  EXPECT_EQ(l.out.substr(0, l.out.find("Tessivar is applied")),
            "MAYBE\nprover: classic\nreason: every method exhausted\n");
  EXPECT_NE(l.out.find("\na a  -> a b \nb  -> b \n"), std::string::npos) << l.out;
  EXPECT_EQ(l.out.find('\r'), std::string::npos);
  size_t heading = l.out.find("\n--- standard error of the classic prover (tessivar) and its solver ---\n");
  ASSERT_NE(heading, std::string::npos) << l.out << l.err;
  EXPECT_GT(heading, l.out.find("no proof found"));
  EXPECT_NE(l.out.find("solver says hello", heading), std::string::npos);
}

TEST(Help, EveryProgramAnswersHelpOnStandardOutput) {
  TempDir m;
  for (const std::string program : {"tessivar", "tessivar-run", "tessivar-batch", "tessivar-smt", "tessivar-check"})
    for (const char* option : {"-h", "--help"}) {
      ProgramRun l = RunIn(m.path, std::string(TESSIVAR_BIN_DIR) + "/" + program + " " + option, "");
      EXPECT_EQ(l.status, 0) << program << option;
      EXPECT_EQ(l.out.substr(0, 7 + program.size()), "usage: " + program) << program << option;
      EXPECT_EQ(l.err, "") << program;
    }
  // The classic prover answers before it looks for "param".
  EXPECT_FALSE(Exists(m / "frm"));
}

}  // namespace

// tessivar-run as a user meets it: texts that a loose reader misreads,
// input it refuses and environments it cannot run in, each with its exit
// status and the first line of its message; the help of every program.
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

TEST(Input, TextsThatLooseReadersMisreadAreRefusedOrReadAsMeant) {
  ClassicFolder s;
  // Two rules without a comma: once read as one rule a -> b c c -> c c.
  ProgramRun l = s.Run("fy.srs", "(RULES\n a -> b\n c c -> c c\n)\n", "");
  EXPECT_EQ(l.status, 2);
  EXPECT_EQ(l.out, "");
  EXPECT_EQ(FirstLine(l.err),
            "tessivar-run: fy.srs: line 3, column 6: a second \"->\" in the rule whose \"->\" is "
            "at line 2; is a \",\" missing between two rules?");
  // A comment with an "S": the header once ended there, and "a -> a" was lost.
  l = s.Run("c.srs", "(COMMENT See below)\n(RULES\n a -> a\n)\n", "");
  EXPECT_EQ(l.status, 0);
  EXPECT_EQ(l.out.substr(0, 6), "MAYBE\n");
  EXPECT_NE(l.out.find("\na  -> a \n"), std::string::npos) << l.out;
  l = s.Run("open.srs", "(COMMENT See below\n(RULES\n a -> a\n)\n", "");
  EXPECT_EQ(l.status, 2);
  EXPECT_EQ(FirstLine(l.err),
            "tessivar-run: open.srs: line 1, column 2: the COMMENT section opened here is never closed");
  // CRLF line ends are line ends: "a", not "a\r".
  l = s.Run("crlf.srs", "(RULES\r\n a a -> b ,\r\n b b -> a\r\n)\r\n", "");
  EXPECT_EQ(l.status, 0);
  EXPECT_NE(l.out.find("\na a  -> b \nb b  -> a \n"), std::string::npos) << l.out;
  EXPECT_EQ(l.out.find('\r'), std::string::npos);
  l = s.Run("var.srs", "(VAR x)\n(RULES a -> b)\n", "");
  EXPECT_EQ(l.status, 2);
  EXPECT_EQ(FirstLine(l.err),
            "tessivar-run: var.srs: line 1, column 2: section VAR is not supported; only RULES and COMMENT are");
}

TEST(Input, ErrorsAreErrorsNotMaybe) {
  ClassicFolder s;
  std::string many = "(RULES\n";
  for (int i = 0; i < 1001; i++) many += "a -> b ,\n";
  many += "a -> b)\n";
  std::string wide = "(RULES ";
  for (int i = 0; i < 50; i++) wide += "a ";
  wide += "-> b)";
  std::string symbols = "(RULES ";
  for (int i = 0; i < 100; i++) symbols += "s" + std::to_string(i) + " -> ,";
  symbols += " a -> )";
  struct Case {
    std::string file, text, options;
    int status;
    std::string first_line;
  };
  std::vector<Case> cases = {
      {"empty.srs", "", "", 2, "tessivar-run: empty.srs is empty: a system is \"(RULES l -> r , ... )\""},
      {"many.srs", many, "", 2, "tessivar-run: the system has 1002 rules; the classic prover takes at most 1000; tessivar-prove (--prover engine) has no such limit"},
      {"wide.srs", wide, "", 2, "tessivar-run: rule 1 has 50 symbols on its left side; the classic prover takes at most 49; tessivar-prove (--prover engine) has no such limit"},
      {"symbols.srs", symbols, "", 2, "tessivar-run: the system has 101 symbols; the classic prover takes at most 100; tessivar-prove (--prover engine) has no such limit"},
      {"p.srs", "(RULES a -> b)", "--param nothing", 2, "tessivar-run: cannot read the parameter file nothing: No such file or directory"},
      {"p.srs", "(RULES a -> b)", "--timeout 0", 2, "tessivar-run: --timeout wants a positive number of seconds, not \"0\""},
      {"p.srs", "(RULES a -> b)", "--prover fast", 2, "tessivar-run: --prover wants engine, classic or both, not \"fast\""},
      {"p.srs", "(RULES a -> b)", "--certificate c.json", 2, "tessivar-run: --certificate needs the engine: the classic prover writes no certificate"},
  };
  for (const Case& c : cases) {
    ProgramRun l = s.Run(c.file, c.text, c.options);
    EXPECT_EQ(l.status, c.status) << c.file << " " << c.options;
    EXPECT_EQ(l.out, "") << c.file;
    EXPECT_EQ(FirstLine(l.err), c.first_line);
  }
  // A folder is no problem.
  std::system(("mkdir " + s.m / "dir").c_str());
  ProgramRun l = RunIn(s.m.path, ClassicRunner + " dir --param param", "");
  EXPECT_EQ(l.status, 2);
  EXPECT_EQ(FirstLine(l.err), "tessivar-run: dir is a folder, not a problem (tessivar-batch runs folders)");
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
      {s.m / "unsat\n0\n3\n\n3\n1\n3\n", 2, "line 4: \"\" does not start with a number (the tropical dimension)"},
      {s.m / "unsat\n0\n3\nthree\n3\n1\n3\n", 2, "line 4: \"three\" does not start with a number"},
      {s.m / "unsat\n0\n3\n3\n3\n1\n3\nextra\n", 2, "has 8 lines; it needs seven"},
      {s.m / "missing-solver -t 5\n0\n3\n3\n3\n1\n3\n", 1, "tessivar-run: the solver " + s.m / "missing-solver (line 1 of bad) cannot be started: no such file"},
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
  EXPECT_NE(l.err.find("--- standard error of the classic prover (tessivar) and its solver ---\n"),
            std::string::npos);
}

TEST(Output, TheVerdictComesFirstAndStandardErrorAfterTheProof) {
  ClassicFolder s;
  WriteScript(s.m / "noisy", "echo 'solver says hello' >&2\necho unsat\n");
  WriteFile(s.m / "param", FakeSolverParam(s.m / "noisy"));
  WriteFile(s.m / "p.srs", "(RULES a -> a)");
  ProgramRun l = RunIn(s.m.path, "(" + ClassicRunner + " p.srs --param param 2>&1)", "");
  EXPECT_EQ(l.out.substr(0, l.out.find("Tessivar is applied")), "MAYBE\nprover: classic\n");
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
  // The front end's error: the answer "error" for its caller, the reason for
  // a person; once where both go to one file.
  std::string smt = std::string(TESSIVAR_BIN_DIR) + "/tessivar-smt --bogus";
  ProgramRun l = RunIn(m.path, smt, "");
  EXPECT_EQ(l.status, 1);
  EXPECT_EQ(l.out.substr(0, 30), "error unknown argument '--bogu");
  EXPECT_EQ(l.err.substr(0, 43), "tessivar-smt: error unknown argument '--bog");
  l = RunIn(m.path, "(" + smt + " 2>&1)", "");
  EXPECT_EQ(l.out.substr(0, 43), "tessivar-smt: error unknown argument '--bog");
  EXPECT_EQ(l.out.find("error unknown", 20), std::string::npos) << l.out;
  EXPECT_EQ(RunIn(m.path, smt.substr(0, smt.size() - 7) + "--backend=sat -m missing.smt", "").out,
            "error cannot open missing.smt: No such file or directory\n");
}

}  // namespace

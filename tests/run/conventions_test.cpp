// What every program keeps the same: one table of exit statuses, the forms
// of its command line, a time limit read one way, messages that show input
// with its unprintable bytes escaped; and what tessivar-run does with output
// files that cannot be written, before the search and after it.
#include <gtest/gtest.h>

#include "runner_helpers.h"
#include "util/command_line.h"

namespace {

const std::string Bin = std::string(TESSIVAR_BIN_DIR) + "/";

std::string FirstLine(const std::string& s) { return s.substr(0, s.find('\n')); }

std::string LastLine(const std::string& s) {
  std::string t = s.substr(0, s.find_last_not_of('\n') + 1);
  return t.substr(t.rfind('\n') + 1);
}

// One folder with what every row of the table needs: a problem the engine
// proves at once, another with other rules, a certificate for the first, a
// broken one, a benchmark, and an engine that never answers.
struct Workbench {
  TempDir m;
  std::string slow_engine;
  Workbench() {
    WriteFile(m / "p.srs", "(RULES a a -> a b)");
    WriteFile(m / "other.srs", "(RULES b b -> a)");
    WriteFile(m / "broken.json", "{\"format\": ");
    WriteFile(m / "t.smt", "(benchmark t :formula true)");
    WriteFile(m / "file", "");
    slow_engine = FakeEngine(m.path, "YES\\n", 0, "sleep 30\n");
    ProgramRun proof = RunIn(m.path, Bin + "tessivar-run --certificate c.json p.srs", "");
    EXPECT_EQ(proof.status, 0) << proof.err;
  }
};

TEST(ExitStatus, OneTableForEveryProgram) {
  Workbench w;
  const std::string engine = " --engine " + w.slow_engine;
  // A signal: TERM a second after the start, while the engine sleeps.
  const std::string term = "timeout --preserve-status -s TERM 1 ";
  struct Row {
    std::string command;
    int status;
  };
  const std::vector<Row> table = {
      {"tessivar-run --timeout=10 -- p.srs", 0},
      {"tessivar-run missing.srs", 1},
      {"tessivar-run --timeout=1e20 p.srs", 2},
      {term + Bin + "tessivar-run" + engine + " p.srs", 128 + 15},
      {"tessivar-batch -j1 --timeout=10 --out=o -- p.srs", 0},
      {"tessivar-batch --out file/o p.srs", 1},
      {"tessivar-batch --timeout 0 p.srs", 2},
      {term + Bin + "tessivar-batch --out signalled" + engine + " p.srs", 128 + 15},
      {"tessivar-check -- c.json p.srs", 0},
      {"tessivar-check missing.json", 1},
      {"tessivar-check broken.json", 2},
      {"tessivar-check c.json other.srs", 3},
      {"tessivar-smt --timeout=5 -- t.smt", 0},
      {"tessivar-smt -m missing.smt", 1},
      {"tessivar-smt --timeout=1e20 t.smt", 2},
  };
  for (const Row& r : table) {
    std::string command = r.command.rfind("timeout ", 0) == 0 ? r.command : Bin + r.command;
    ProgramRun l = RunIn(w.m.path, command, "");
    EXPECT_EQ(l.status, r.status) << r.command << "\n" << l.out << l.err;
  }
}

TEST(CommandLine, VersionAndValuesAfterAnEqualsSign) {
  Workbench w;
  for (const std::string program : {"tessivar-run", "tessivar-batch", "tessivar-check", "tessivar-smt"}) {
    ProgramRun l = RunIn(w.m.path, Bin + program + " --version", "");
    EXPECT_EQ(l.status, 0) << program;
    EXPECT_EQ(l.out.rfind(program + " (Tessivar) ", 0), 0u) << l.out;
  }
  // --opt=value is --opt value; an option given twice takes the last value.
  ProgramRun l = RunIn(w.m.path, Bin + "tessivar-run --timeout=0 --timeout 10 p.srs", "");
  EXPECT_EQ(l.status, 0) << l.err;
  l = RunIn(w.m.path, Bin + "tessivar-run --prover=nothing p.srs", "");
  EXPECT_EQ(l.status, 2);
  EXPECT_EQ(FirstLine(l.err), "tessivar-run: --prover wants engine, classic or both, not \"nothing\"");
}

// Without the problem the checker says what it checked the proof against.
TEST(CommandLine, TheCheckerWithoutAProblem) {
  Workbench w;
  ProgramRun l = RunIn(w.m.path, Bin + "tessivar-check c.json", "");
  EXPECT_EQ(l.status, 0);
  EXPECT_EQ(l.out, "certificate holds for the 1 rule stored in it (no problem given to compare them with)\n");
  ProgramRun help = RunIn(w.m.path, Bin + "tessivar-check --help", "");
  EXPECT_NE(help.out.find("  3      the certificate does not hold\n"), std::string::npos) << help.out;
}

TEST(CommandLine, TheCompetitionsForm) {
  Workbench w;
  ProgramRun name = RunIn(w.m.path, Bin + "tessivar-run --name", "");
  EXPECT_EQ(name.status, 0);
  EXPECT_EQ(name.out, "Tessivar\n");
  ProgramRun run = RunIn(w.m.path, Bin + "tessivar-run --timeout=60 --category=SRS_Standard p.srs", "");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.substr(0, 4), "YES\n");
  for (const char* category : {"SRS_Relative", "TRS_Standard"}) {
    ProgramRun l = RunIn(w.m.path, Bin + "tessivar-run --category=" + std::string(category) + " p.srs", "");
    EXPECT_EQ(l.status, 2) << category;
    EXPECT_EQ(l.out, "");
    EXPECT_NE(FirstLine(l.err).find("the category answered is SRS_Standard"), std::string::npos) << l.err;
  }
}

TEST(CommandLine, TimeLimitsReadOneWay) {
  for (const char* text : {"5", "0.5", ".5", "86400", "007"})
    EXPECT_NO_THROW(tessivar::ParseTimeout("--timeout", text)) << text;
  EXPECT_EQ(tessivar::ParseTimeout("-t", "2.5"), 2.5);
  for (const char* text : {"0", "0.0", "86400.5", "1e20", "1e2", "-1", "5s", "", ".", "inf", "nan",
                           "1.2.3", " 5", "0x10"}) {
    try {
      tessivar::ParseTimeout("--timeout", text);
      ADD_FAILURE() << "accepted \"" << text << "\"";
    } catch (const tessivar::UsageError& e) {
      EXPECT_EQ(std::string(e.what()),
                "--timeout wants a number of seconds above 0 and at most 86400, not \"" +
                    std::string(text) + "\"");
    }
  }
}

TEST(Messages, UnprintableBytesAreEscaped) {
  struct Case {
    std::string raw, shown;
  };
  const std::vector<Case> cases = {
      {"plain text\n", "plain text\n"},
      {"a\tb", "a\\tb"},
      {"\x01\x1b[2J\x7f", "\\x01\\x1b[2J\\x7f"},
      {"\xef\xbb\xbf(RULES", "\\xef\\xbb\\xbf(RULES"},       // byte-order mark
      {"caf\xc3\xa9 \xe2\x86\x92", "caf\xc3\xa9 \xe2\x86\x92"},  // UTF-8 kept
      {"\xff\xfe", "\\xff\\xfe"},
      {"cut \xc3", "cut \\xc3"},             // a sequence cut short
      {"\xc0\xaf", "\\xc0\\xaf"},            // an overlong "/"
      {"\xed\xa0\x80", "\\xed\\xa0\\x80"},   // a surrogate
      {"\xc2\x9b", "\\xc2\\x9b"},            // a C1 control
  };
  for (const Case& c : cases) EXPECT_EQ(tessivar::Printable(c.raw), c.shown) << c.shown;

  TempDir m;
  WriteFile(m / "bom.srs", "\xef\xbb\xbf(RULES a -> b)");
  WriteFile(m / "garbage.srs", "\xfe\xff garbage");
  WriteFile(m / "bom.xml", "\xef\xbb\xbf" + ReadFile(std::string(TESSIVAR_SAMPLE_DIR) + "/Zantema_04/z009.xml"));
  ProgramRun bom = RunIn(m.path, Runner + " bom.srs", "");
  EXPECT_EQ(bom.status, 2);
  EXPECT_EQ(bom.err.rfind("tessivar-run: bom.srs begins with a byte-order mark (\\xef\\xbb\\xbf)", 0), 0u)
      << bom.err;
  ProgramRun garbage = RunIn(m.path, Runner + " garbage.srs", "");
  EXPECT_EQ(garbage.status, 2);
  EXPECT_NE(garbage.err.find("found \"\\xfe\\xff\""), std::string::npos) << garbage.err;
  // XML may begin with the mark.
  EXPECT_EQ(RunIn(m.path, Runner + " --timeout 20 bom.xml", "").out.substr(0, 4), "YES\n");
}

TEST(OutputFiles, RefusedBeforeTheSearchWhenTheyCannotBeMade) {
  TempDir m;
  WriteFile(m / "p.srs", "(RULES a a -> a b)");
  WriteFile(m / "file", "");
  std::string engine = FakeEngine(m.path, "YES\\nproof\\n");
  struct Case {
    std::string options, first_line;
  };
  const std::vector<Case> cases = {
      {"--certificate nodir/c.json",
       "tessivar-run: --certificate nodir/c.json cannot be made: there is no folder nodir"},
      {"--certificate file/c.json",
       "tessivar-run: --certificate file/c.json cannot be made: there is no folder file"},
      {"--certificate .", "tessivar-run: --certificate . is a folder"},
      {"--prover both --keep file", "tessivar-run: --keep file is not a folder"},
  };
  for (const Case& c : cases) {
    ProgramRun l = RunIn(m.path, Runner + " --engine " + engine + " " + c.options + " p.srs", "");
    EXPECT_EQ(l.status, 1) << c.options;
    EXPECT_EQ(l.out, "") << c.options;
    EXPECT_EQ(FirstLine(l.err), c.first_line);
    EXPECT_FALSE(Exists(m / "engine-args")) << "the engine ran for " << c.options;
  }
}

TEST(OutputFiles, TheAnswerIsPrintedWhenTheCertificateCannotBeWrittenAtTheEnd) {
  TempDir m;
  WriteFile(m / "p.srs", "(RULES a a -> a b)");
  std::system(("mkdir " + m / "d").c_str());
  // The folder of the certificate goes while the engine proves.
  std::string engine = FakeEngine(m.path, "YES\\nthe proof\\n", 0, "rm -rf " + m / "d" + "\n");
  ProgramRun l = RunIn(m.path, Runner + " --engine " + engine + " --certificate d/c.json p.srs", "");
  EXPECT_EQ(l.status, 1);
  EXPECT_EQ(l.out, "YES\nprover: engine\nthe proof\n");
  EXPECT_EQ(LastLine(l.err).rfind("tessivar-run: cannot write the certificate d/c.json: ", 0), 0u)
      << l.err;
}

TEST(Maybe, TheReasonOnTheLineAfterTheProver) {
  TempDir m;
  WriteFile(m / "p.srs", "(RULES a a -> a b)");
  struct Case {
    std::string output, options, reason;
  };
  const std::vector<Case> cases = {
      {"MAYBE\\n", "--timeout 30", "every method exhausted"},
      {"MAYBE\\n", "", "every method exhausted"},
      {"MAYBE\\nreason: the loop search was stopped\\n", "--timeout 30", "the loop search was stopped"},
  };
  for (const Case& c : cases) {
    ProgramRun l = RunIn(m.path, Runner + " --engine " + FakeEngine(m.path, c.output) + " " + c.options + " p.srs", "");
    EXPECT_EQ(l.status, 0);
    EXPECT_EQ(l.out, "MAYBE\nprover: engine\nreason: " + c.reason + "\n") << c.output;
  }
}

TEST(Progress, VerboseShowsTheEnginesProgressOnce) {
  TempDir m;
  WriteFile(m / "p.srs", "(RULES a a -> a b)");
  std::string engine = FakeEngine(m.path, "YES\\nproof\\n", 0,
                                  "echo '[0.5s] thread 0: natural d1: none' >&2\n"
                                  "echo 'a warning' >&2\n");
  ProgramRun l = RunIn(m.path, Runner + " --engine " + engine + " --verbose p.srs", "");
  EXPECT_EQ(l.status, 0) << l.err;
  EXPECT_NE(ReadFile(m / "engine-args").find("--verbose"), std::string::npos);
  size_t line = l.err.find("[0.5s] thread 0: natural d1: none\n");
  ASSERT_NE(line, std::string::npos) << l.err;
  EXPECT_EQ(l.err.find("[0.5s]", line + 1), std::string::npos) << l.err;
  EXPECT_NE(l.err.find("--- standard error of the engine (tessivar-prove) ---\na warning\n"),
            std::string::npos)
      << l.err;
  // Without it the engine is not asked for progress (standard error is no terminal here).
  RunIn(m.path, Runner + " --engine " + engine + " p.srs", "");
  EXPECT_EQ(ReadFile(m / "engine-args").find("--verbose"), std::string::npos);
}

// On a terminal (here the one `script` makes) a run longer than two seconds
// shows a status line of the time gone and the engine's last progress line,
// and clears it before the verdict; the progress lines themselves are not
// printed.
TEST(Progress, ATerminalShowsAStatusLine) {
  if (std::system("command -v script > /dev/null") != 0) GTEST_SKIP() << "skipped: no script(1) to make a terminal";
  TempDir m;
  WriteFile(m / "p.srs", "(RULES a a -> a b)");
  std::string engine = FakeEngine(m.path, "YES\\nproof\\n", 0,
                                  "echo '[0.1s] thread 1: arctic d2: none' >&2\nsleep 3\n");
  ProgramRun l = RunIn(m.path, "script -qec '" + Runner + " --engine " + engine + " --timeout 30 p.srs' /dev/null", "");
  EXPECT_EQ(l.status, 0) << l.out << l.err;
  EXPECT_NE(ReadFile(m / "engine-args").find("--verbose"), std::string::npos);
  size_t status = l.out.find("\r\033[Ktessivar-run: 2 s of 30 s; last tried: thread 1: arctic d2: none");
  ASSERT_NE(status, std::string::npos) << l.out;
  EXPECT_NE(l.out.find("\r\033[KYES\r\nprover: engine\r\nproof\r\n", status), std::string::npos) << l.out;
  EXPECT_EQ(l.out.find("[0.1s]"), std::string::npos) << l.out;
}

}  // namespace

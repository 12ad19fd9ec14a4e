// tessivar-batch on a small folder: the CSV, the proofs, the refused problem,
// the plot; an interrupted batch and its re-run; and the methods column read
// from proofs as the two provers print them.
#include <gtest/gtest.h>

#include <sstream>

#include "runner_helpers.h"

namespace {

// The rows of results.csv. The problem names of these tests hold no comma,
// so only the quotes around them need to go.
std::vector<std::vector<std::string>> Csv(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(text);
  for (std::string r; std::getline(in, r);) {
    std::vector<std::string> fields;
    std::istringstream line(r + ",");  // so that an empty last field counts
    for (std::string f; std::getline(line, f, ',');) fields.push_back(f);
    if (fields[0][0] == '"') fields[0] = fields[0].substr(1, fields[0].size() - 2);
    rows.push_back(fields);
  }
  return rows;
}

TEST(Batch, SmallFolder) {
  TempDir m;
  std::system(("mkdir -p " + m / "dir/sub").c_str());
  WriteScript(m / "unsat", "echo unsat\n");
  std::string param = FakeSolverParam(m / "unsat");
  WriteFile(m / "param", param);
  const std::string a = "(RULES\na a -> a b\n)\n", c = "(RULES\nc -> d d ,\nd d d -> c\n)\n";
  WriteFile(m / "dir/a.srs", a);
  WriteFile(m / "dir/sub/c.srs", c);
  WriteFile(m / "dir/sub/c.xml", "not even XML: the text beside it is run");
  const std::string funapp = "<funapp><name>f</name><arg><var>x</var></arg></funapp>";
  WriteFile(m / "dir/sub/b.xml",
            "<problem><trs><rules><rule><lhs><funapp><name>f</name><arg>" + funapp +
                "</arg></funapp></lhs><rhs>" + funapp +
                "</rhs></rule></rules></trs><strategy>FULL</strategy></problem>");
  WriteFile(m / "dir/bad.xml",
            "<problem><trs><rules><rule><lhs><funapp><name>g</name><arg><var>x</var></arg>"
            "<arg><var>x</var></arg></funapp></lhs><rhs><var>x</var></rhs></rule></rules>"
            "</trs></problem>");
  ProgramRun l = RunIn(m.path,
                       Batch + " -j 2 --timeout 20 --prover=classic --param param --out out --progress dir",
                       "");
  ASSERT_EQ(l.status, 0) << l.err;

  // Rows in the order of the names, each as the prover answers the problem
  // alone; with a solver that finds nothing, only a match-bound proof says YES.
  auto rows = Csv(ReadFile(m / "out/results.csv"));
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"problem", "verdict", "prover", "seconds",
                                               "methods", "max_dimension", "end"}));
  for (size_t i = 1; i < rows.size(); i++) {
    ASSERT_EQ(rows[i].size(), 7u) << i;
    EXPECT_GE(std::stod(rows[i][3]), 0.0);
    EXPECT_LT(std::stod(rows[i][3]), 20.0);
  }
  EXPECT_EQ(rows[2], (std::vector<std::string>{"dir/bad.xml", "ERROR", "", rows[2][3], "", "", "error"}));
  EXPECT_NE(ReadFile(m / "out/proofs/dir/bad.txt").find("applied to 2 arguments"),
            std::string::npos);
  struct Case {
    size_t row;
    std::string file, system;
  };
  for (const Case& g : {Case{1, "dir/a.srs", a}, Case{3, "dir/sub/b.xml", "(RULES\nf f -> f\n)\n"},
                        Case{4, "dir/sub/c.srs", c}}) {
    std::string expected = ExpectedOutput(g.system, param);
    bool yes = expected.compare(0, 4, "YES\n") == 0;
    std::string proof = "out/proofs/" + g.file.substr(0, g.file.size() - 4) + ".txt";
    EXPECT_EQ(ReadFile(m / proof), expected);
    EXPECT_EQ(rows[g.row], (std::vector<std::string>{g.file, yes ? "YES" : "MAYBE", "classic", rows[g.row][3],
                                                     yes ? "match-bound" : "", "", yes ? "proved" : "exhausted"}));
  }
  EXPECT_FALSE(Exists(m / "out/proofs/dir/sub/c.xml.txt"));
  EXPECT_NE(l.out.find("\nall                         4 "), std::string::npos) << l.out;
  EXPECT_EQ(ReadFile(m / "out/summary.txt"), l.out.substr(0, l.out.find("results: ")));
  // The plot, named in the summary; the progress line for the log.
  EXPECT_NE(l.out.find("plot: " + m / "out/summary.svg"), std::string::npos) << l.out;
  EXPECT_NE(ReadFile(m / "out/summary.svg").find("<svg"), std::string::npos);
  EXPECT_NE(l.err.find("done 4/4  YES "), std::string::npos) << l.err;
  EXPECT_FALSE(Exists(m / "out/.work"));
  EXPECT_FALSE(Exists(m / "out/.progress"));

  // Problems given by themselves: each proof lands where its folder put it,
  // two of one name as well.
  WriteFile(m / "c.srs", "(RULES\nc c -> c d\n)\n");
  ProgramRun again =
      RunIn(m.path, Batch + " --prover classic --param param --out out2 ./dir/sub/c.srs c.srs", "");
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(ReadFile(m / "out2/proofs/dir/sub/c.txt"), ReadFile(m / "out/proofs/dir/sub/c.txt"));
  EXPECT_NE(ReadFile(m / "out2/proofs/c.txt").find("c c  -> c d"), std::string::npos);
}

TEST(Batch, InterruptedThenRunAgainWithForce) {
  TempDir m;
  std::system(("mkdir -p " + m / "dir").c_str());
  for (const char* p : {"a", "b", "c"}) WriteFile(m / ("dir/" + std::string(p) + ".srs"), "(RULES a a -> a b)");
  WriteScript(m / "slow-solver", "trap '' TERM\nwhile :; do sleep 1; done\n");
  WriteFile(m / "param", FakeSolverParam(m / "slow-solver"));
  // A shell starts background jobs with SIGINT ignored; a terminal's ^C
  // reaches a batch with its default action.
  for (const char* sig : {"TERM", "INT"}) {
    ProgramRun l = RunIn(m.path,
                         "(env --default-signal=INT " + Batch +
                             " -j 2 --prover classic --param param --out out --force dir & p=$!; "
                             "sleep 1.5; kill -" + sig + " $p; wait $p; echo $? > status)",
                         "");
    EXPECT_EQ(ReadFile(m / "status"), std::string(sig) == "TERM" ? "143\n" : "130\n");
    EXPECT_NE(l.err.find("interrupted by signal"), std::string::npos) << l.err;
    EXPECT_EQ(ProcessesMatching(m.path), 0);
    EXPECT_FALSE(Exists(m / "out/.work"));
    EXPECT_FALSE(Exists(m / "out/.progress"));
  }

  WriteScript(m / "unsat", "echo unsat\n");
  WriteFile(m / "param", FakeSolverParam(m / "unsat"));
  ProgramRun l = RunIn(m.path, Batch + " --prover classic --param param --out out dir", "");
  EXPECT_EQ(l.status, 2);
  EXPECT_NE(l.err.find("--out out is in use"), std::string::npos) << l.err;
  l = RunIn(m.path, Batch + " --prover classic --param param --out out --force dir", "");
  ASSERT_EQ(l.status, 0) << l.err;
  EXPECT_EQ(Csv(ReadFile(m / "out/results.csv")).size(), 4u);  // the header and all three
  // --force empties only what a batch wrote.
  WriteFile(m / "out/mine.txt", "keep me");
  l = RunIn(m.path, Batch + " --prover classic --param param --out out --force dir", "");
  EXPECT_EQ(l.status, 2);
  EXPECT_EQ(ReadFile(m / "out/mine.txt"), "keep me");
}

// The methods column, from the output of two provers without an answer:
// each part read by its own prover's rules. The classic prover's passes: a
// tropical interpretation of dimension 1 (no header), an arctic one of
// dimension 2, a normal one of dimension 3 that removed nothing. The
// engine's numbered steps, after a rule line that looks like one. (The
// match-bound proof is counted in the small folder.)
TEST(Batch, MethodsThatRemovedRules) {
  TempDir m;
  WriteFile(m / "proof",
            "MAYBE\nprover: classic, engine\n=== the classic prover (tessivar) ===\n"
            "Tessivar is applied to the string rewriting system\n"
            "a a  -> a b \ninterpretation of a: 2\ninterpretation of b: 0\nremove rule 1\n"
            "continue with:\nb b  -> b a \n"
            "Arctic matrix interpretation\ninterpretation of a:\n/ 1 - \\\n\\ 0 3 /\n"
            "interpretation of b:\n/ 0 0 \\\n\\ - 1 /\nremove rule 2\n"
            "continue with:\nb  -> a \n"
            "Normal matrix interpretation\ninterpretation of a:\n/ 1 0 0 \\\n| 0 0 0 |\n"
            "\\ 0 0 1 /\nno proof found\n"
            "=== the engine (tessivar-prove) ===\n"
            "The system has 2 rules:\n  a b -> b a\n  1. Loop: -> x\n"
            "1. Reverse every rule (a system terminates if and only if its reversal does).\n"
            "   Left: 2 strict rules, 0 weak rules:\n"
            "2. Dependency pairs: 1 pair; the rules become weak and pairs are rewritten at the top only.\n"
            "3. Matrix interpretation over the natural numbers, dimension 2, strict decrease in "
            "the last entry of the row; marked symbols get rows, a pair side is its row times the rest:\n"
            "     a  [ 0 1 ]\n   Strictly decreasing, so removed (1):\n");
  ProgramRun l = RunIn(m.path, Batch + " --methods proof", "");
  EXPECT_EQ(l.out, "tropical-1d arctic-2d reverse dependency-pairs natural-2d,2\n");
}

// Names with a tab, a line end or a leading "-" are problems like any
// other; the options take "-j 1", "-j1" and "--timeout=20".
TEST(Batch, AnyFileName) {
  TempDir m;
  std::system(("mkdir " + m / "dir").c_str());
  WriteFile(m / "dir/tab\there.srs", "(RULES a a -> a b)");
  WriteFile(m / "dir/line\nend.srs", "(RULES a -> a)");
  WriteFile(m / "-dash.srs", "(RULES a a -> a b)");
  for (const char* jobs : {"-j 1", "-j1"}) {
    ProgramRun l = RunIn(m.path, Batch + " " + jobs + " --force --timeout=20 --out o -- dir -dash.srs", "");
    EXPECT_EQ(l.status, 0) << l.err;
    std::string csv = ReadFile(m / "o/results.csv");
    EXPECT_NE(csv.find("\n\"-dash.srs\",YES,engine,"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\n\"dir/tab\there.srs\",YES,engine,"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\n\"dir/line\\nend.srs\",NO,engine,"), std::string::npos) << csv;
    EXPECT_EQ(Csv(csv).size(), 4u) << csv;
    EXPECT_NE(ReadFile(m / "o/proofs/dir/tab\there.txt").find("YES\n"), std::string::npos);
    EXPECT_NE(ReadFile(m / "o/proofs/dir/line?end.txt").find("NO\n"), std::string::npos);
  }
}

TEST(Batch, ARefusedBatchLeavesNoFolder) {
  TempDir m;
  std::system(("mkdir " + m / "empty").c_str());
  WriteFile(m / "p.srs", "(RULES a a -> a b)");
  struct Case {
    std::string arguments;
    int status;
  };
  for (const Case& c : {Case{"--timeout 0 p.srs", 2}, Case{"--timeout=1e20 p.srs", 2}, Case{"-j x p.srs", 2},
                        Case{"nothing.srs", 2}, Case{"empty", 2}, Case{"--frobnicate p.srs", 2},
                        Case{"--param nothing p.srs", 1}}) {
    ProgramRun l = RunIn(m.path, Batch + " --out new/o " + c.arguments, "");
    EXPECT_EQ(l.status, c.status) << c.arguments << l.err;
    EXPECT_EQ(l.err.rfind("tessivar-batch: ", 0), 0u) << l.err;
    EXPECT_FALSE(Exists(m / "new")) << c.arguments;
  }
}

}  // namespace

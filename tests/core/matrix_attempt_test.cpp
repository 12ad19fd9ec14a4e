// Matrix attempts driven in-process against a fake solver: a shell script
// that keeps a copy of the benchmark and answers with a canned text.
#include "matrix/matrix_attempt.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "store_fixture.h"

namespace {

std::vector<std::string> LinesOf(const std::string& t) {
  std::vector<std::string> v;
  std::istringstream s(t);
  for (std::string l; std::getline(s, l);) v.push_back(l);
  return v;
}

// A "sat" answer with these model lines, each written " (= line)".
std::string Model(std::initializer_list<std::string> lines) {
  std::string t = "sat\n\n";
  for (const std::string& l : lines) t += " (= " + l + ")\n";
  return t;
}

struct AttemptResult {
  std::string out, err, bench;
};

class MatrixAttempt : public InTempDir {
 protected:
  void SetUp() override {
    InTempDir::SetUp();
    WriteFile("fake-solver.sh", "cp \"$2\" bench.txt\ncat answer\n");
  }

  // Reads the system and sets the mode: 'n' normal, 't' tropical, 'a' arctic.
  void LoadSystem(const std::string& text, char mode, int64_t mxr = 0) {
    ReadSystem(text);
    Rr.Bind("frm");
    Path = "sh ./fake-solver.sh";
    Mp = mode == 'n';
    Trop = mode == 't';
    Mxr = mxr;
  }

  AttemptResult Run(int64_t d, const std::string& answer) {
    WriteFile("answer", answer);
    std::remove("bench.txt");
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Typgr(d);
    AttemptResult u;
    u.out = testing::internal::GetCapturedStdout();
    u.err = testing::internal::GetCapturedStderr();
    u.bench = ReadFile("bench.txt");
    return u;
  }
};

const std::string kRejected = "model rejected by the interpretation check\n";
const std::string kProved = "remove rule 1\ntermination has been proved\n";

// Arctic, dimension 2: a decreases strictly in a a -> a with entry (1, 1)
// of 4 and every other entry minus infinity.
const std::string kArcticFour =
    Model({"(A 1 1 1) 4", "(I 1 1 2) true", "(I 1 2 1) true", "(I 1 2 2) true", "(D 1) true"});

// The whole benchmark for «a a -> a» in dimension 1, as the solver sees it.
TEST_F(MatrixAttempt, TropicalBenchmarkOfDimensionOne) {
  LoadSystem("(RULES a a -> a )", 't', 3);  // dimension 1 bounds by 10 whatever Mxr says
  AttemptResult u = Run(1, "unsat\n");
  EXPECT_EQ(
      u.bench,
      "(benchmark test.smt\n"
      ":logic QF_UFLIA\n"
      ":extrafuns ((A Int Int Int Int))\n"
      ":extrapreds ((D Int))\n"
      ":extrapreds ((I Int Int Int))\n"
      ":formula (and\n"
      "(or\n"
      "(D 1)\n"
      ")\n"
      "(not (I 1 1 1))\n"
      "(<= 0 (A 1 1 1))\n"
      "(>= 10 (A 1 1 1))\n"
      "(or\n"
      "(and (= (A 2 1 1) (+ (A 1 1 1) (A 1 1 1))) (not (I 2 1 1)) (not (I 1 1 1)) (not (I 1 1 "
      "1))) (and (I 2 1 1) (I 1 1 1)) (and (I 2 1 1) (I 1 1 1))\n"
      ")\n"
      "(or (and (not (I 2 1 1)) (not (I 1 1 1)) (not (I 1 1 1))\n"
      "(<= (A 2 1 1) (+ (A 1 1 1) (A 1 1 1)))) (I 1 1 1) (I 1 1 1))\n"
      "; rule 1\n"
      "(or (not (D 1)) (I 2 1 1) (and (not (I 2 1 1)) (not (I 1 1 1)) (> (A\n"
      "2 1 1)  (A 1 1 1))))\n"
      "(or (D 1) (I 2 1 1) (and (not (I 2 1 1)) (not (I 1 1 1)) (>= (A\n"
      "2 1 1)  (A 1 1 1))))\n"
      "))\n");
  EXPECT_EQ(u.out, "");  // a failure is silent unless Verbose
  EXPECT_EQ(Hib, 1);
}

// Tropical and arctic benchmarks differ only in the comparison word of the
// products and in the matrix that excuses a rule comparison; the normal one
// builds entries from bits and has no infinite element.
TEST_F(MatrixAttempt, ModesDifferOnlyWhereTheyMust) {
  LoadSystem("(RULES a b -> b )", 't');
  std::vector<std::string> t = LinesOf(Run(2, "unsat\n").bench);
  LoadSystem("(RULES a b -> b )", 'a');
  std::vector<std::string> a = LinesOf(Run(2, "unsat\n").bench);
  ASSERT_EQ(a.size(), t.size());
  int comparisons = 0, exemptions = 0;
  for (size_t q = 0; q < t.size(); q++) {
    if (t[q] == a[q]) continue;
    if (t[q].rfind("(<= (A 3 ", 0) == 0) {  // matrix 3 is the product a b
      EXPECT_EQ(a[q], "(>= (A 3 " + t[q].substr(9));
      comparisons++;
    } else {
      size_t p = t[q].find("(I 3 ");
      ASSERT_NE(p, std::string::npos) << t[q];
      EXPECT_EQ(t[q].find("(I "), p);
      std::string expected = t[q];
      expected[p + 3] = '2';  // the right-hand side's matrix
      EXPECT_EQ(a[q], expected);
      exemptions++;
    }
  }
  EXPECT_EQ(comparisons, 8);  // 4 entries, 2 values of k
  EXPECT_EQ(exemptions, 8);   // 4 entries, strict and weak

  LoadSystem("(RULES a b -> b )", 'n');
  std::string normal = Run(2, "unsat\n").bench;
  EXPECT_NE(
      normal.find(
          "(= (A 2 2 1) (+ (ite (B 2 2 1 0) 1 0 ) (ite (B 2 2 1 1) 2 0) (ite (B 2 2 1 2) 4 0)))\n"),
      std::string::npos);
  EXPECT_NE(normal.find(" (= (A 3 1 2) (+ \n(ite (B 2 1 2 0) (A 1 1 1) 0)\n"), std::string::npos);
  EXPECT_EQ(normal.find("(I "), std::string::npos);
  EXPECT_EQ(normal.find("(>= 0"), std::string::npos);  // no bound when Mxr is 0
}

// The bound on the symbols' entries, none when the bound is below 1, and the
// identity of an empty side in normal mode.
TEST_F(MatrixAttempt, BoundAndIdentityInDimensionTwo) {
  LoadSystem("(RULES a -> )", 'a', 4);
  std::string b = Run(2, "unsat\n").bench;
  EXPECT_NE(b.find("(<= 0 (A 1 2 1))\n(<= 0 (A 1 2 2))\n(>= 4 (A 1 1 1))\n(>= 4 (A 1 1 2))\n"),
            std::string::npos);
  LoadSystem("(RULES a -> )", 'n', -1);
  b = Run(2, "unsat\n").bench;
  EXPECT_EQ(b.find("(>= -1"), std::string::npos);
  EXPECT_NE(
      b.find(" (= 1 (A 2 1 1))\n (= 0 (A 2 1 2))\n (= 0 (A 2 2 1))\n (= 1 (A 2 2 2))\n; rule 1\n"
             "(iff (D 1) (> (A 1 1 1)  (A 2 1 1)))\n(>= (A 1 1 1)  (A 2 1 1))\n"),
      std::string::npos);
}

// Rules 2 and 4 of five are strict; rules the model does not mention are not.
TEST_F(MatrixAttempt, RemovesOnlyTheStrictRules) {
  LoadSystem("(RULES a -> a , a a -> a , b -> b , b b -> b , a b -> b a )", 't');
  AttemptResult u =
      Run(1, Model({"(A 1 1 1) 1", "(A 2 1 1) 1", "(D 1) false", "(D 2) true", "(D 4) true"}));
  EXPECT_EQ(u.out,
            "interpretation of a: 1\ninterpretation of b: 1\nremove rule 2\nremove rule 4\n");
  EXPECT_EQ(RuleLines(), "a  -> a \nb  -> b \na b  -> b a \n");
  EXPECT_FALSE(Exists("srs"));
}

TEST_F(MatrixAttempt, PrintsAMatrixOfDimensionThree) {
  LoadSystem("(RULES a a -> a )", 't');
  std::string answer = Model({"(A 1 1 1) 150", "(D 1) true"});
  for (std::string ij : {"1 2", "1 3", "2 1", "2 2", "2 3", "3 1", "3 2", "3 3"})
    answer += " (= (I 1 " + ij + ") true)\n";
  EXPECT_EQ(Run(3, answer).out,
            "Tropical matrix interpretation\ninterpretation of a:\n/ 150 - - \\\n| - - - |\n"
            "\\ - - - /\n" + kProved);
}

// Numbers of any length. Rule 1000 is not rule 100, four-digit
// matrix numbers are read and skipped, values of 100 and more print whole.
TEST_F(MatrixAttempt, NumbersOfAnyLength) {
  std::string s = "(RULES ";
  for (int r = 1; r < 1000; r++) s += "a -> a , ";
  s += "a a -> a )";
  LoadSystem(s, 't');
  std::string answer = Model({"(A 1 1 1) 7", "(A 1234 1 1) 5", "(I 1234 1 1) true"});
  for (int r = 1; r < 1000; r++) answer += " (= (D " + std::to_string(r) + ") false)\n";
  answer += " (= (D 1000) true)\n";
  AttemptResult u = Run(1, answer);
  EXPECT_EQ(u.out, "interpretation of a: 7\nremove rule 1000\n");
  EXPECT_EQ(Hib, 999);

  // Symbol 12 is matrix 12, not matrix 1.
  LoadSystem("(RULES a b c d e f g h i j k l -> l )", 't', 200);
  u = Run(2, Model({"(A 1 1 1) 150", "(A 1 1 2) 150", "(A 1 2 1) 150", "(A 1 2 2) 150",
                    "(A 12 1 1) 123", "(A 12 2 2) 1", "(A 12345 1 1) -9", "(D 1) true"}));
  EXPECT_NE(u.out.find("interpretation of a:\n/ 150 150 \\\n\\ 150 150 /\n"), std::string::npos);
  EXPECT_NE(u.out.find("interpretation of l:\n/ 123 0 \\\n\\ 0 1 /\nremove rule 1\n"),
            std::string::npos);
}

// Lines of another shape, lines about matrices that are not a symbol's or
// entries outside the dimension change nothing; model lines are read whole,
// however long, and blanks, tabs and a carriage return may follow the
// closing parenthesis.
TEST_F(MatrixAttempt, OddModelLinesAreIgnoredOrReadWhole) {
  LoadSystem("(RULES a a -> a )", 't');
  AttemptResult u =
      Run(1, Model({"(A 1 1 1) 2", "(A 1 1) 5", "(A x 1 1) 5", "(A 1 1 1) five", "(Q 1 1 1) 1",
                    "(A 1 9 9) 3", "(A 0 1 1) 3", "(A 2 1 1) 3", "(I 1 1 1) maybe", "(D x) true",
                    "(B 1 1 1 0) true"}) +
                 " (= (A 1 1 1) 6\n just some text\n (= (D 1) true)\n");
  EXPECT_EQ(u.out, "interpretation of a: 2\n" + kProved);
  EXPECT_EQ(u.err, "");
  // Cut at 255 bytes, the first line would give no value, and a of 0 does
  // not decrease strictly.
  LoadSystem("(RULES a a -> a )", 't');
  u = Run(1, "sat\n\n (= (A 1 1 1) " + std::string(300, '0') + "2)\n (= (D 1) true) \t\r\n");
  EXPECT_EQ(u.out, "interpretation of a: 2\n" + kProved);
}

// Short, odd or empty answers are failed attempts; a short line ends the
// model even when model lines follow.
TEST_F(MatrixAttempt, AnswersWithoutAModelFail) {
  for (std::string answer : {std::string("unknown\n"), std::string("sat\n"),
                             Model({"(A 1 1 1) 1", "(D 1) false"}),
                             std::string("sat\n\n (= (A 1 1 1) 1)\n\n (= (D 1) true)\n")}) {
    LoadSystem("(RULES a a -> a )", 't');
    Verbose = true;
    AttemptResult u = Run(1, answer);
    EXPECT_EQ(u.out, "attempt failed for dimension 1\n") << answer;
    EXPECT_EQ(u.err, "") << answer;
    EXPECT_EQ(Hib, 1);
  }
  WriteFile("answer", "");  // not even a first line
  EXPECT_EXIT(Typgr(1), testing::ExitedWithCode(42), "input/output error");
}

// The prover checks every model itself.
TEST_F(MatrixAttempt, WrongModelsAreRejected) {
  struct Case {
    const char* system;
    char mode;
    int64_t d;
    std::string answer;
    int64_t mxr = 0;
  };
  const Case cases[] = {
      // Strict rule that does not decrease, whatever the product the model claims.
      {"(RULES a -> a a )", 't', 1, Model({"(A 1 1 1) 1", "(A 2 1 1) 0", "(D 1) true"})},
      // A rule not flagged strict that increases.
      {"(RULES a a -> a , b -> b b )", 't', 1, Model({"(A 1 1 1) 1", "(A 2 1 1) 1", "(D 1) true"})},
      // Strict rule that only decreases weakly.
      {"(RULES a b -> b a )", 't', 1, Model({"(A 1 1 1) 1", "(A 2 1 1) 1", "(D 1) true"})},
      // Negative, oversized and overflowing entries, infinite top-left entry.
      {"(RULES a a -> a )", 't', 1, Model({"(A 1 1 1) -1", "(D 1) true"})},
      {"(RULES a a -> a )", 't', 1, Model({"(A 1 1 1) 11", "(D 1) true"})},
      {"(RULES a a -> a )", 't', 2, Model({"(A 1 1 1) 99999999999999999999", "(D 1) true"})},
      {"(RULES a a -> a )", 't', 1, Model({"(I 1 1 1) true", "(D 1) true"})},
      // Above the bound of the parameter file (3) in dimension 2.
      {"(RULES a a -> a )", 'a', 2, kArcticFour, 3},
      // Normal mode: positive top-left entry, entries of three bits, strict
      // exactly when the top-left entry drops, no infinite element, weak
      // comparison of an entry other than the top-left one.
      {"(RULES a a -> a )", 'n', 2, Model({"(A 1 1 1) 0", "(D 1) true"})},
      {"(RULES a a -> a )", 'n', 2, Model({"(A 1 1 1) 8", "(D 1) true"})},
      {"(RULES a a -> a , b -> b )", 'n', 2,
       Model({"(A 1 1 1) 2", "(A 2 1 1) 1", "(D 1) true", "(D 2) true"})},
      {"(RULES a a -> a , a b -> b )", 'n', 2,
       Model({"(A 1 1 1) 2", "(A 2 1 1) 1", "(D 1) true", "(D 2) false"})},
      {"(RULES a a -> a )", 'n', 2, Model({"(A 1 1 1) 2", "(I 1 2 2) true", "(D 1) true"})},
      {"(RULES a -> b )", 'n', 2,
       Model({"(A 1 1 1) 2", "(A 2 1 1) 1", "(A 2 1 2) 1", "(D 1) true"})},
  };
  for (const Case& g : cases) {
    LoadSystem(g.system, g.mode, g.mxr);
    Verbose = true;
    std::string before = RuleLines();
    AttemptResult u = Run(g.d, g.answer);
    EXPECT_EQ(u.err, kRejected) << g.system << " " << g.answer;
    EXPECT_EQ(u.out, "attempt failed for dimension " + std::to_string(g.d) + "\n") << g.answer;
    EXPECT_EQ(RuleLines(), before);
    EXPECT_FALSE(Exists("srs"));
  }
}

// The arctic model above breaks only the bound 3: under the bound 4 it holds.
TEST_F(MatrixAttempt, TheBoundIsTheParameterFiles) {
  LoadSystem("(RULES a a -> a )", 'a', 4);
  AttemptResult u = Run(2, kArcticFour);
  EXPECT_EQ(u.err, "");
  EXPECT_EQ(Hib, 0);
}

// An infinite entry excuses a comparison on the left in tropical mode and on
// the right in arctic mode: one model passes in exactly one of them.
TEST_F(MatrixAttempt, TheInfiniteElementSidesWithTheMode) {
  const std::string left = Model({"(A 1 1 1) 2", "(I 1 1 2) true", "(A 1 2 1) 1", "(A 1 2 2) 1",
                                  "(A 2 1 1) 1", "(A 2 1 2) 5", "(D 1) true"});
  const std::string right = Model({"(A 1 1 1) 2", "(A 1 1 2) 5", "(A 1 2 1) 1", "(A 1 2 2) 1",
                                   "(A 2 1 1) 1", "(I 2 1 2) true", "(D 1) true"});
  LoadSystem("(RULES a -> b )", 't');
  EXPECT_EQ(Run(2, left).err, "");
  EXPECT_EQ(Hib, 0);
  LoadSystem("(RULES a -> b )", 'a');
  EXPECT_EQ(Run(2, left).err, kRejected);
  EXPECT_EQ(Hib, 1);
  EXPECT_EQ(Run(2, right).err, "");
  EXPECT_EQ(Hib, 0);
  LoadSystem("(RULES a -> b )", 't');
  EXPECT_EQ(Run(2, right).err, kRejected);
  EXPECT_EQ(Hib, 1);
}

// Products of long sides are recomputed exactly: 7^49 does not fit 128 bits.
TEST_F(MatrixAttempt, LongProductsAreExact) {
  std::string l, r;
  for (int q = 0; q < 49; q++) l += "a ";
  for (int q = 0; q < 48; q++) r += "a ";
  LoadSystem("(RULES " + l + "-> " + r + ", " + r + "-> " + l + ")", 'n');
  std::string model = Model({"(A 1 1 1) 7", "(A 1 2 2) 7", "(A 1 1 2) 1"});
  AttemptResult u = Run(2, model + " (= (D 1) true)\n (= (D 2) false)\n");
  EXPECT_EQ(u.err, kRejected);  // rule 2 increases
  LoadSystem("(RULES " + l + "-> " + r + ")", 'n');
  u = Run(2, model + " (= (D 1) true)\n");
  EXPECT_EQ(u.err, "");
  EXPECT_EQ(u.out,
            "Normal matrix interpretation\ninterpretation of a:\n/ 7 1 \\\n\\ 0 7 /\n" + kProved);
}

}  // namespace

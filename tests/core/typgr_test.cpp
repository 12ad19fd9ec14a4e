// Matrix attempts driven in-process against a fake solver: a shell script
// that keeps a copy of the benchmark and answers with a canned text.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "matrix/typgr.h"
#include "opzet.h"

namespace {

std::vector<std::string> Regelsvan(const std::string& t) {
  std::vector<std::string> v;
  std::istringstream s(t);
  for (std::string l; std::getline(s, l);) v.push_back(l);
  return v;
}

struct Uitkomst {
  std::string uit, fout, bench;
};

class Poging : public Inmap {
 protected:
  void SetUp() override {
    Inmap::SetUp();
    Schrijfbestand("nep.sh", "cp \"$2\" bench.txt\ncat antwoord\n");
  }

  // Reads the system and sets the mode: 'n' normal, 't' tropical, 'a' arctic.
  void Systeem(const std::string& tekst, char modus, int64_t mxr = 0) {
    Lezen(tekst);
    Rr.Bind("frm");
    Path = "sh ./nep.sh";
    Mp = modus == 'n';
    Trop = modus == 't';
    Mxr = mxr;
  }

  Uitkomst Probeer(int64_t d, const std::string& antwoord) {
    Schrijfbestand("antwoord", antwoord);
    std::remove("bench.txt");
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Typgr(d);
    Uitkomst u;
    u.uit = testing::internal::GetCapturedStdout();
    u.fout = testing::internal::GetCapturedStderr();
    u.bench = Leesbestand("bench.txt");
    return u;
  }

  std::string Regels() {
    std::string t;
    for (int64_t k = 1; k <= Hib; k++) t += Schrijfregel(k) + "\n";
    return t;
  }
};

const std::string Verworpen = "model rejected by the interpretation check\n";

// The whole benchmark for «a a -> a» in dimension 1, as the solver sees it.
TEST_F(Poging, TropicalBenchmarkOfDimensionOne) {
  Systeem("(RULES a a -> a )", 't', 3);  // dimension 1 bounds by 10 whatever Mxr says
  Uitkomst u = Probeer(1, "unsat\n");
  EXPECT_EQ(u.bench,
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
  EXPECT_EQ(Regelsvan(u.bench).size(), 23u);
  EXPECT_EQ(u.uit, "");  // a failure is silent unless Verbose
  EXPECT_EQ(Hib, 1);
}

TEST_F(Poging, NormalBenchmarkOfDimensionOne) {
  Systeem("(RULES a a -> a )", 'n');
  EXPECT_EQ(Probeer(1, "unsat\n").bench,
            "(benchmark test.smt\n"
            ":logic QF_UFLIA\n"
            ":extrafuns ((A Int Int Int Int))\n"
            ":extrapreds ((D Int))\n"
            ":extrapreds ((B Int Int Int Int))\n"
            ":formula (and\n"
            "(or\n"
            "(D 1)\n"
            ")\n"
            "(< 0 (A 1 1 1))\n"
            "(= (A 1 1 1) (+ (ite (B 1 1 1 0) 1 0 ) (ite (B 1 1 1 1) 2 0) (ite (B 1 1 1 2) 4 0)))\n"
            "(<= 0 (A 1 1 1))\n"
            "(>= 10 (A 1 1 1))\n"
            " (= (A 2 1 1) (+ \n"
            "(ite (B 1 1 1 0) (A 1 1 1) 0)\n"
            "(ite (B 1 1 1 1) (* 2 (A 1 1 1)) 0)\n"
            "(ite (B 1 1 1 2) (* 4 (A 1 1 1)) 0)\n"
            "))\n"
            "; rule 1\n"
            "(iff (D 1) (> (A 2 1 1)  (A 1 1 1)))\n"
            "(>= (A 2 1 1)  (A 1 1 1))\n"
            "))\n");
}

// Tropical and arctic benchmarks differ only in the comparison word of the
// products and in the matrix that excuses a rule comparison.
TEST_F(Poging, ModesDifferOnlyWhereTheyMust) {
  Systeem("(RULES a b -> b )", 't');
  std::vector<std::string> t = Regelsvan(Probeer(2, "unsat\n").bench);
  Systeem("(RULES a b -> b )", 'a');
  std::vector<std::string> a = Regelsvan(Probeer(2, "unsat\n").bench);
  Systeem("(RULES a b -> b )", 'n');
  std::string normaal = Probeer(2, "unsat\n").bench;

  // Two symbols, one product (3 = a b), right matrix 2, no bound in dimension 2.
  ASSERT_EQ(t.size(), 5u + 1 + 3 + 2 + 8 + 32 + 17 + 1);
  ASSERT_EQ(a.size(), t.size());
  int vergelijkingen = 0, vrijstellingen = 0;
  for (size_t q = 0; q < t.size(); q++) {
    if (t[q] == a[q]) continue;
    if (t[q].rfind("(<= (A 3 ", 0) == 0) {
      EXPECT_EQ(a[q], "(>= (A 3 " + t[q].substr(9));
      vergelijkingen++;
    } else {
      size_t p = t[q].find("(I 3 ");
      ASSERT_NE(p, std::string::npos) << t[q];
      EXPECT_EQ(t[q].find("(I "), p);
      std::string verwacht = t[q];
      verwacht[p + 3] = '2';
      EXPECT_EQ(a[q], verwacht);
      vrijstellingen++;
    }
  }
  EXPECT_EQ(vergelijkingen, 8);  // 4 entries, 2 values of k
  EXPECT_EQ(vrijstellingen, 8);  // 4 entries, strict and weak

  EXPECT_EQ(Regelsvan(normaal).size(), 5u + 1 + 3 + 2 + 8 + 8 + 32 + 6 + 1);
  EXPECT_NE(normaal.find(":extrapreds ((B Int Int Int Int))\n"), std::string::npos);
  EXPECT_NE(normaal.find("(= (A 2 2 1) (+ (ite (B 2 2 1 0) 1 0 ) (ite (B 2 2 1 1) 2 0) (ite (B 2 2 1 2) 4 0)))\n"),
            std::string::npos);
  EXPECT_NE(normaal.find(" (= (A 3 1 2) (+ \n(ite (B 2 1 2 0) (A 1 1 1) 0)\n"), std::string::npos);
  EXPECT_EQ(normaal.find("(I "), std::string::npos);
  EXPECT_EQ(normaal.find("(>= 0"), std::string::npos);  // no bound when Mxr is 0
  for (const std::string& l : t) EXPECT_EQ(l.find("(B "), std::string::npos);
}

TEST_F(Poging, BoundOfTheSymbolsEntries) {
  Systeem("(RULES a -> )", 'a', 4);
  std::string b = Probeer(2, "unsat\n").bench;
  EXPECT_NE(b.find("(<= 0 (A 1 2 1))\n(<= 0 (A 1 2 2))\n(>= 4 (A 1 1 1))\n(>= 4 (A 1 1 2))\n"),
            std::string::npos);
  // Identity of the empty right side, then the comparison.
  EXPECT_NE(b.find(" (= 0 (A 2 1 1)) (not (I 2 1 1))\n (I 2 1 2)\n (I 2 2 1)\n"
                   " (= 0 (A 2 2 2)) (not (I 2 2 2))\n; rule 1\n"),
            std::string::npos);
  Systeem("(RULES a -> )", 'n', -1);
  b = Probeer(2, "unsat\n").bench;
  EXPECT_EQ(b.find("(>= -1"), std::string::npos);
  EXPECT_NE(b.find(" (= 1 (A 2 1 1))\n (= 0 (A 2 1 2))\n (= 0 (A 2 2 1))\n (= 1 (A 2 2 2))\n; rule 1\n"
                   "(iff (D 1) (> (A 1 1 1)  (A 2 1 1)))\n(>= (A 1 1 1)  (A 2 1 1))\n"),
            std::string::npos);
}

// Matrix numbers run on across rules; an empty side gets an identity matrix.
TEST_F(Poging, MatrixNumbersAcrossRules) {
  Systeem("(RULES a b a -> b , b b -> , -> a )", 't');
  std::string b = Probeer(1, "unsat\n").bench;
  std::vector<std::string> stukken = {
      "(and (= (A 3 1 1) (+ (A 1 1 1) (A 2 1 1)))",
      "(and (= (A 4 1 1) (+ (A 3 1 1) (A 1 1 1)))",
      "; rule 1\n(or (not (D 1)) (I 4 1 1) (and (not (I 4 1 1)) (not (I 2 1 1)) (> (A\n4 1 1)  (A 2 1 1))))\n",
      "(and (= (A 5 1 1) (+ (A 2 1 1) (A 2 1 1)))",
      " (= 0 (A 6 1 1)) (not (I 6 1 1))\n; rule 2\n",
      "(> (A\n5 1 1)  (A 6 1 1))))\n",
      " (= 0 (A 7 1 1)) (not (I 7 1 1))\n; rule 3\n",
      "(> (A\n7 1 1)  (A 1 1 1))))\n",
      "(>= (A\n7 1 1)  (A 1 1 1))))\n))\n"};
  size_t p = 0;
  for (const std::string& s : stukken) {
    size_t q = b.find(s, p);
    ASSERT_NE(q, std::string::npos) << "missing after position " << p << ": " << s;
    p = q + s.size();
  }
  EXPECT_EQ(p, b.size());
  EXPECT_EQ(b.find("(A 8 "), std::string::npos);
  EXPECT_NE(b.find("(or\n(D 1)\n(D 2)\n(D 3)\n)\n(not (I 1 1 1))\n(not (I 2 1 1))\n"), std::string::npos);
}

TEST_F(Poging, CompleteProofLeavesYes) {
  Systeem("(RULES a a -> a )", 't');
  Uitkomst u = Probeer(1, "sat\n\n (= (A 1 1 1) 1)\n (= (A 2 1 1) 2)\n (= (D 1) true)\n");
  EXPECT_EQ(u.uit, "interpretation of a: 1\nremove rule 1\ntermination has been proved\n");
  EXPECT_EQ(u.fout, "");
  EXPECT_EQ(Hib, 0);
  EXPECT_EQ(Leesbestand("srs"), "YES\n");
  EXPECT_FALSE(Bestaat("frm"));
}

TEST_F(Poging, RemovesRulesTwoAndFourOfFive) {
  Systeem("(RULES a -> a , a a -> a , b -> b , b b -> b , a b -> b a )", 't');
  Uitkomst u = Probeer(1, "sat\nmodel\n (= (A 1 1 1) 1)\n (= (A 2 1 1) 1)\n (= (D 1) false)\n"
                          " (= (D 2) true)\n (= (D 3) false)\n (= (D 4) true)\n (= (D 5) false)\n");
  EXPECT_EQ(u.uit, "interpretation of a: 1\ninterpretation of b: 1\nremove rule 2\nremove rule 4\n");
  EXPECT_EQ(Hib, 3);
  EXPECT_EQ(Regels(), "a  -> a \nb  -> b \na b  -> b a \n");
  EXPECT_FALSE(Bestaat("srs"));
}

TEST_F(Poging, PrintsMatricesOfDimensionTwoAndThree) {
  Systeem("(RULES a a -> a )", 't');
  Uitkomst u = Probeer(2, "sat\n\n (= (A 1 1 1) 150)\n (= (I 1 1 2) true)\n (= (A 1 1 2) 4)\n"
                          " (= (A 1 2 1) 3)\n (= (I 1 2 1) true)\n (= (I 1 2 2) true)\n (= (D 1) true)\n");
  EXPECT_EQ(u.uit, "Tropical matrix interpretation\ninterpretation of a:\n/ 150 - \\\n\\ - - /\nremove rule 1\n"
                   "termination has been proved\n");
  Systeem("(RULES a a -> a )", 'a');
  u = Probeer(3, "sat\n\n (= (A 1 1 1) 1)\n (= (I 1 1 2) true)\n (= (I 1 1 3) true)\n (= (I 1 2 1) true)\n"
                 " (= (I 1 2 2) true)\n (= (I 1 2 3) true)\n (= (I 1 3 1) true)\n (= (I 1 3 2) true)\n"
                 " (= (I 1 3 3) true)\n (= (D 1) true)\n");
  EXPECT_EQ(u.uit, "Arctic matrix interpretation\ninterpretation of a:\n/ 1 - - \\\n| - - - |\n\\ - - - /\n"
                   "remove rule 1\ntermination has been proved\n");
  EXPECT_EQ(u.fout, "");
}

// Numbers of any length. Rule 1000 is not rule 100, four-digit
// matrix numbers are read and skipped, values of 100 and more print whole.
TEST_F(Poging, NumbersOfAnyLength) {
  std::string s = "(RULES ";
  for (int r = 1; r < 1000; r++) s += "a -> a , ";
  s += "a a -> a )";
  Systeem(s, 't');
  std::string antwoord = "sat\n\n (= (A 1 1 1) 7)\n (= (A 1234 1 1) 5)\n (= (I 1234 1 1) true)\n";
  for (int r = 1; r < 1000; r++) antwoord += " (= (D " + std::to_string(r) + ") false)\n";
  antwoord += " (= (D 1000) true)\n";
  Uitkomst u = Probeer(1, antwoord);
  EXPECT_EQ(u.uit, "interpretation of a: 7\nremove rule 1000\n");
  EXPECT_EQ(Hib, 999);

  // Symbol 12 is matrix 12, not matrix 1.
  Systeem("(RULES a b c d e f g h i j k l -> l )", 't', 200);
  u = Probeer(2, "sat\n\n (= (A 1 1 1) 150)\n (= (A 1 1 2) 150)\n (= (A 1 2 1) 150)\n (= (A 1 2 2) 150)\n"
                 " (= (A 12 1 1) 123)\n (= (A 12 2 2) 1)\n (= (A 12345 1 1) -9)\n (= (D 1) true)\n");
  EXPECT_NE(u.uit.find("interpretation of a:\n/ 150 150 \\\n\\ 150 150 /\n"), std::string::npos);
  EXPECT_NE(u.uit.find("interpretation of l:\n/ 123 0 \\\n\\ 0 1 /\nremove rule 1\n"), std::string::npos);
}

// Lines of another shape, and lines about matrices that are not a
// symbol's or entries outside the dimension, change nothing.
TEST_F(Poging, MalformedModelLinesAreIgnored) {
  Systeem("(RULES a a -> a )", 't');
  Uitkomst u = Probeer(1,
                       "sat\n\n (= (A 1 1 1) 2)\n (= (A 1 1) 5)\n (= (A x 1 1) 5)\n (= (A 1 1 1) five)\n"
                       " (= (A 1 1 1) 6\n (= (Q 1 1 1) 1)\n just some text\n (= (A 1 9 9) 3)\n"
                       " (= (A 0 1 1) 3)\n (= (A 2 1 1) 3)\n (= (I 1 1 1) maybe)\n (= (D x) true)\n"
                       " (= (B 1 1 1 0) true)\n (= (D 1) true)\n");
  EXPECT_EQ(u.uit, "interpretation of a: 2\nremove rule 1\ntermination has been proved\n");
  EXPECT_EQ(u.fout, "");
}

// A rule the model does not mention is not strict.
TEST_F(Poging, UnlistedRulesAreKept) {
  Systeem("(RULES a a -> a , a -> a )", 't');
  Uitkomst u = Probeer(1, "sat\n\n (= (A 1 1 1) 1)\n (= (D 1) true)\n");
  EXPECT_EQ(u.uit, "interpretation of a: 1\nremove rule 1\n");
  EXPECT_EQ(Regels(), "a  -> a \n");
}

// Short, odd or empty answers are failed attempts.
TEST_F(Poging, AnswersWithoutAModelFail) {
  for (const char* antwoord : {"unknown\n", "sat\n", "sat\n\n", "error: no such file\n", "sat\nx\nshort\n",
                               "unsat \n", "sat\n\n (= (A 1 1 1) 1)\n (= (D 1) false)\n"}) {
    Systeem("(RULES a a -> a )", 't');
    Uitkomst u = Probeer(1, antwoord);
    EXPECT_EQ(u.uit, "") << antwoord;
    EXPECT_EQ(u.fout, "") << antwoord;
    EXPECT_EQ(Hib, 1);
    Verbose = true;
    EXPECT_EQ(Probeer(1, antwoord).uit, "attempt failed for dimension 1\n") << antwoord;
  }
  Systeem("(RULES a a -> a )", 't');
  Verbose = true;
  EXPECT_EQ(Probeer(2, "unsat\n").uit, "attempt failed for dimension 2\n");
  // A short line ends the model even when model lines follow.
  EXPECT_EQ(Probeer(1, "sat\n\n (= (A 1 1 1) 1)\n\n (= (D 1) true)\n").uit, "attempt failed for dimension 1\n");
}

TEST_F(Poging, AnAnswerWithNoLineIsAnIoError) {
  Systeem("(RULES a a -> a )", 't');
  Schrijfbestand("antwoord", "");
  EXPECT_EXIT(Typgr(1), testing::ExitedWithCode(42), "input/output error");
}

// The prover checks every model itself.
TEST_F(Poging, WrongModelsAreRejected) {
  struct Geval {
    const char* systeem;
    char modus;
    int64_t d;
    const char* antwoord;
  };
  const Geval gevallen[] = {
      // Strict rule that does not decrease, whatever the product the model claims.
      {"(RULES a -> a a )", 't', 1, "sat\n\n (= (A 1 1 1) 1)\n (= (A 2 1 1) 0)\n (= (D 1) true)\n"},
      // A rule not flagged strict that increases.
      {"(RULES a a -> a , b -> b b )", 't', 1, "sat\n\n (= (A 1 1 1) 1)\n (= (A 2 1 1) 1)\n (= (D 1) true)\n"},
      // Negative and oversized entries, infinite top-left entry.
      {"(RULES a a -> a )", 't', 1, "sat\n\n (= (A 1 1 1) -1)\n (= (D 1) true)\n"},
      {"(RULES a a -> a )", 't', 1, "sat\n\n (= (A 1 1 1) 11)\n (= (D 1) true)\n"},
      {"(RULES a a -> a )", 't', 1, "sat\n\n (= (I 1 1 1) true)\n (= (D 1) true)\n"},
      // Strict rule that only decreases weakly.
      {"(RULES a b -> b a )", 't', 1, "sat\n\n (= (A 1 1 1) 1)\n (= (A 2 1 1) 1)\n (= (D 1) true)\n"},
      {"(RULES a a -> a )", 't', 2, "sat\n\n (= (A 1 1 1) 99999999999999999999)\n (= (D 1) true)\n"},
      // Normal mode: positive top-left entry, entries of three bits, strict
      // exactly when the top-left entry drops, no infinite element.
      {"(RULES a a -> a )", 'n', 2, "sat\n\n (= (A 1 1 1) 0)\n (= (D 1) true)\n"},
      {"(RULES a a -> a )", 'n', 2, "sat\n\n (= (A 1 1 1) 8)\n (= (D 1) true)\n"},
      {"(RULES a a -> a , b -> b )", 'n', 2, "sat\n\n (= (A 1 1 1) 2)\n (= (A 2 1 1) 1)\n (= (D 1) true)\n"
                                             " (= (D 2) true)\n"},
      {"(RULES a a -> a , a b -> b )", 'n', 2, "sat\n\n (= (A 1 1 1) 2)\n (= (A 2 1 1) 1)\n (= (D 1) true)\n"
                                               " (= (D 2) false)\n"},
      {"(RULES a a -> a )", 'n', 2, "sat\n\n (= (A 1 1 1) 2)\n (= (I 1 2 2) true)\n (= (D 1) true)\n"},
      // Weak comparison of an entry other than the top-left one.
      {"(RULES a -> b )", 'n', 2, "sat\n\n (= (A 1 1 1) 2)\n (= (A 2 1 1) 1)\n (= (A 2 1 2) 1)\n (= (D 1) true)\n"},
  };
  for (const Geval& g : gevallen) {
    Systeem(g.systeem, g.modus, 0);
    Verbose = true;
    std::string voor = Regels();
    Uitkomst u = Probeer(g.d, g.antwoord);
    EXPECT_EQ(u.fout, Verworpen) << g.systeem << " " << g.antwoord;
    EXPECT_EQ(u.uit, "attempt failed for dimension " + std::to_string(g.d) + "\n") << g.antwoord;
    EXPECT_EQ(Regels(), voor);
    EXPECT_FALSE(Bestaat("srs"));
  }
}

// An infinite entry excuses a comparison on the left in tropical mode and on
// the right in arctic mode: one model passes in exactly one of them.
TEST_F(Poging, TheInfiniteElementSidesWithTheMode) {
  const std::string links = "sat\n\n (= (A 1 1 1) 2)\n (= (I 1 1 2) true)\n (= (A 1 2 1) 1)\n (= (A 1 2 2) 1)\n"
                            " (= (A 2 1 1) 1)\n (= (A 2 1 2) 5)\n (= (D 1) true)\n";
  const std::string rechts = "sat\n\n (= (A 1 1 1) 2)\n (= (A 1 1 2) 5)\n (= (A 1 2 1) 1)\n (= (A 1 2 2) 1)\n"
                             " (= (A 2 1 1) 1)\n (= (I 2 1 2) true)\n (= (D 1) true)\n";
  Systeem("(RULES a -> b )", 't');
  EXPECT_EQ(Probeer(2, links).fout, "");
  EXPECT_EQ(Hib, 0);
  Systeem("(RULES a -> b )", 'a');
  EXPECT_EQ(Probeer(2, links).fout, Verworpen);
  EXPECT_EQ(Hib, 1);
  EXPECT_EQ(Probeer(2, rechts).fout, "");
  EXPECT_EQ(Hib, 0);
  Systeem("(RULES a -> b )", 't');
  EXPECT_EQ(Probeer(2, rechts).fout, Verworpen);
  EXPECT_EQ(Hib, 1);
}

// Products of long sides are recomputed exactly: 7^49 does not fit 128 bits.
TEST_F(Poging, LongProductsAreExact) {
  std::string l, r;
  for (int q = 0; q < 49; q++) l += "a ";
  for (int q = 0; q < 48; q++) r += "a ";
  Systeem("(RULES " + l + "-> " + r + ", " + r + "-> " + l + ")", 'n');
  std::string model = "sat\n\n (= (A 1 1 1) 7)\n (= (A 1 2 2) 7)\n (= (A 1 1 2) 1)\n";
  Uitkomst u = Probeer(2, model + " (= (D 1) true)\n (= (D 2) false)\n");
  EXPECT_EQ(u.fout, Verworpen);  // rule 2 increases
  Systeem("(RULES " + l + "-> " + r + ")", 'n');
  u = Probeer(2, model + " (= (D 1) true)\n");
  EXPECT_EQ(u.fout, "");
  EXPECT_EQ(u.uit, "Normal matrix interpretation\ninterpretation of a:\n/ 7 1 \\\n\\ 0 7 /\nremove rule 1\n"
                   "termination has been proved\n");
}

}  // namespace

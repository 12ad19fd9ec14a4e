// The program as a whole: parameter file, result file "srs", passes, errors.
#include <gtest/gtest.h>

#include <regex>

#include "program_run.h"

namespace {

const std::string Banner = "Tessivar is applied to the string rewriting system\n";

// A solver that must never be called: it leaves a mark and answers nothing.
const std::string kNoSolver = "touch solver-was-called; true";

ProgramRun RunWithParam(TempDir& m, const std::string& param, const std::string& input) {
  WriteFile(m / "param", param);
  return RunIn(m.path, Prover, input);
}

TEST(Driver, ReadsPrintsAndWritesSrs) {
  TempDir m;
  ProgramRun l = RunWithParam(m, Param("sh -c 'echo unsat'", 0, 0, 1, 1, 0, 1),
                              "(RULES\na b -> b a ,\nb c -> c\n)\n");
  EXPECT_EQ(l.status, 0);
  EXPECT_EQ(l.out.substr(0, Banner.size() + 24), Banner + "a b  -> b a \nb c  -> c \n");
  EXPECT_EQ(ReadFile(m / "srs"), "(RULES\na b  -> b a  ,\nb c  -> c  )\n");
}

TEST(Driver, EmptySystemMakesNoPass) {
  TempDir m;
  ProgramRun l = RunWithParam(m, Param(kNoSolver, 1, 0, 3, 3, 1, 3), "(RULES )");
  EXPECT_EQ(l.status, 0);
  EXPECT_EQ(l.out, Banner);
  EXPECT_EQ(ReadFile(m / "srs"), "(RULES\n");
  EXPECT_FALSE(Exists(m / "solver-was-called"));
}

TEST(Driver, SrsReadsBackAsTheSameSystem) {
  // Empty sides and a rule far longer than 255 bytes survive the round trip.
  std::string long_rule;
  for (int i = 0; i < 49; i++) long_rule += "symbol" + std::to_string(i % 7) + " ";
  std::string input = "(RULES a -> , -> b , -> , " + long_rule + "-> " + long_rule + ", b a -> a )";
  TempDir m;
  ProgramRun first = RunWithParam(m, Param("sh -c 'echo unsat'", 0, 0, 1, 1, 0, 1), input);
  std::string srs = ReadFile(m / "srs");
  TempDir m2;
  ProgramRun second = RunWithParam(m2, Param("sh -c 'echo unsat'", 0, 0, 1, 1, 0, 1), srs);
  EXPECT_EQ(second.status, 0);
  std::string header = first.out.substr(0, first.out.find("no proof found"));
  EXPECT_EQ(second.out.substr(0, header.size()), header);
  EXPECT_EQ(ReadFile(m2 / "srs"), srs);
  EXPECT_NE(srs.find(long_rule + " -> " + long_rule + " ,\n"), std::string::npos);
}

TEST(Driver, ParameterFile) {
  // A comment after a number, an empty line passed over, signed numbers;
  // dimensions of 7 act like 3: every attempt of the pass is made and fails.
  TempDir m;
  const std::string Unsat = "sh -c 'echo unsat'";
  ProgramRun l =
      RunWithParam(m, Unsat + "\n1 verbose\n\n-3 bound\n7\n+7\n0\n7\n", "(RULES a -> b )");
  EXPECT_EQ(l.status, 0) << l.err;
  size_t failed = 0;
  for (size_t p = 0; (p = l.out.find("attempt failed", p)) != std::string::npos; p++) failed++;
  EXPECT_EQ(failed, 7u) << l.out;
  // Any value but 1 leaves Verbose off.
  TempDir m3;
  ProgramRun quiet = RunWithParam(m3, Unsat + "\n2\n0\n3\n3\n0\n3\n", "(RULES a -> b )");
  EXPECT_EQ(quiet.out.find("attempt"), std::string::npos);
  // A line that does not begin with an integer, or a file that ends early.
  for (std::string p : {"x\n1\nzero\n1\n1\n0\n1\n", "x\n1\n0\n1\n1\n0\n", ""}) {
    TempDir m2;
    ProgramRun f = RunWithParam(m2, p, "(RULES a -> b )");
    EXPECT_EQ(f.status, 42) << p;
    EXPECT_EQ(f.out, "") << p;
    EXPECT_NE(f.err.find("input/output error"), std::string::npos) << f.err;
  }
}

// Both ends of the 64-bit range are read; one beyond either end stops the
// run. The bound shows in the dimension-2 benchmark: none for a value below 1.
TEST(Driver, ParameterIntegersSpanSixtyFourBits) {
  const std::string keep = "sh -c 'cp frm bench.txt; echo unsat'";
  const std::string kBoundLine = "(>= 9223372036854775807 (A 1 1 1))\n";
  TempDir top;
  ProgramRun l = RunWithParam(top, keep + "\n0\n9223372036854775807\n2\n1\n0\n1\n", "(RULES a -> b )");
  EXPECT_EQ(l.status, 0) << l.err;
  EXPECT_NE(ReadFile(top / "bench.txt").find(kBoundLine), std::string::npos);
  TempDir bottom;
  l = RunWithParam(bottom, keep + "\n0\n-9223372036854775808\n2\n1\n0\n1\n", "(RULES a -> b )");
  EXPECT_EQ(l.status, 0) << l.err;
  std::string bench = ReadFile(bottom / "bench.txt");
  EXPECT_NE(bench.find("(I 1 2 2)"), std::string::npos);  // the tropical attempt of dimension 2
  EXPECT_FALSE(std::regex_search(bench, std::regex("\\(>= -?[0-9]+ \\(A ")));
  for (std::string value : {"9223372036854775808", "-9223372036854775809"}) {
    TempDir m;
    l = RunWithParam(m, keep + "\n0\n" + value + "\n2\n1\n0\n1\n", "(RULES a -> b )");
    EXPECT_EQ(l.status, 42) << value;
    EXPECT_EQ(l.out, "") << value;
    EXPECT_NE(l.err.find("integer too large"), std::string::npos) << l.err;
  }
}

// A carriage return is a byte like any other: a line holding one does not
// begin with an integer, and is not passed over like an empty line. After
// the number it is part of the ignored rest of the line.
TEST(Driver, CarriageReturnIsNoLineEnd) {
  const std::string unsat = "sh -c 'echo unsat'";
  for (std::string p : {unsat + "\n\r\n1\n0\n1\n1\n0\n1\n", unsat + "\n1\n \r 0\n1\n1\n0\n1\n"}) {
    TempDir m;
    ProgramRun l = RunWithParam(m, p, "(RULES a -> b )");
    EXPECT_EQ(l.status, 42);
    EXPECT_EQ(l.out, "");
    EXPECT_NE(l.err.find("has no integer where one was expected"), std::string::npos) << l.err;
  }
  TempDir m;
  ProgramRun l = RunWithParam(m, unsat + "\n1\r\n0\r\n1\r\n1\r\n0\r\n1\r\n", "(RULES a -> b )");
  EXPECT_EQ(l.status, 0) << l.err;
  EXPECT_NE(l.out.find("attempt failed for dimension 1\nno proof found\n"), std::string::npos) << l.out;
}

// Errors stop the run with exit status 42 before anything is printed: no
// parameter file, input that ends inside the system.
TEST(Driver, ErrorsExit42WithNothingPrinted) {
  TempDir none;
  ProgramRun l = RunIn(none.path, Prover, "(RULES a -> b )");
  EXPECT_EQ(l.status, 42);
  EXPECT_EQ(l.out, "");
  EXPECT_NE(l.err.find("\"frm\""), std::string::npos) << l.err;
  TempDir m;
  l = RunWithParam(m, Param("sh -c 'echo unsat'", 0, 0, 1, 1, 0, 1), "(RULES a -> b ,");
  EXPECT_EQ(l.status, 42);
  EXPECT_EQ(l.out, "");
  EXPECT_NE(l.err.find("past the end"), std::string::npos) << l.err;
}

}  // namespace

// tessivar-smt as the prover calls it: answers, checked models, errors and
// the time limit.
#include <gtest/gtest.h>
#include <z3++.h>

#include <chrono>
#include <sstream>

#include "program_run.h"
#include "smt/ast.h"

using namespace tessivar::smt;

namespace {

const std::string Front = std::string(TESSIVAR_BIN_DIR) + "/tessivar-smt";
const std::string Data = std::string(TESSIVAR_SOURCE_DIR) + "/tests/smt/data/";

std::vector<std::string> Lines(const std::string& s) {
  std::vector<std::string> r;
  std::istringstream in(s);
  for (std::string l; std::getline(in, l);) r.push_back(l);
  return r;
}

ProgramRun RunOn(const std::string& text, const std::string& options = "") {
  TempDir m;
  WriteFile(m / "b.smt", text);
  return RunIn(m.path, Front + " " + options + " -m b.smt", "");
}

std::string Wrap(const std::string& decls, const std::string& formula) {
  return "(benchmark t :logic QF_UFLIA " + decls + "\n:formula " + formula + ")\n";
}

// Reads the model lines of a "sat" answer back into a model of the
// benchmark, independently of the front end's printer.
Model ReadModel(const Benchmark& b, const std::vector<std::string>& lines) {
  Model m;
  for (size_t i = 2; i < lines.size(); ++i) {
    const std::string& l = lines[i];
    EXPECT_EQ(l.substr(0, 4), " (= ") << l;
    EXPECT_EQ(l.back(), ')') << l;
    std::string inner = l.substr(4, l.size() - 5);
    std::string app, value;
    if (inner[0] == '(') {
      size_t close = inner.find(')');
      app = inner.substr(1, close - 1);
      value = inner.substr(close + 2);
    } else {
      size_t blank = inner.find(' ');
      app = inner.substr(0, blank);
      value = inner.substr(blank + 1);
    }
    std::istringstream in(app);
    std::string name;
    in >> name;
    std::vector<Int> args;
    for (long long a; in >> a;) args.push_back(a);
    SymbolId sym = 0;
    while (sym < b.symbols.size() && b.symbols[sym].name != name) ++sym;
    EXPECT_LT(sym, b.symbols.size()) << "unknown symbol in " << l;
    if (sym >= b.symbols.size()) continue;
    Value v = value == "true"    ? Value::of_bool(true)
              : value == "false" ? Value::of_bool(false)
                                 : Value::of_int(std::stoll(value));
    EXPECT_TRUE(m.set(sym, args, v)) << "two values in " << l;
  }
  return m;
}

// Runs the front end and checks its answer; a model must satisfy the
// benchmark when read back from the printed lines.
void ExpectAnswer(const std::string& text, const std::string& expected, const std::string& options = "") {
  ProgramRun l = RunOn(text, options);
  std::vector<std::string> lines = Lines(l.out);
  ASSERT_FALSE(lines.empty()) << text << l.err;
  EXPECT_EQ(lines[0], expected) << text << l.err;
  EXPECT_EQ(l.status, 0);
  if (expected != "sat") {
    EXPECT_EQ(lines.size(), 1u) << l.out;
    return;
  }
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[1].find("(="), std::string::npos) << "second line holds a value: " << lines[1];
  Benchmark b = parse_benchmark(text);
  std::string why;
  EXPECT_TRUE(check_model(b, ReadModel(b, lines), &why)) << text << "\n" << l.out << why;
}

struct Case {
  const char* construct;
  std::string decls, sat, unsat;
};

const std::string Ints = ":extrafuns ((x Int) (y Int) (z Int)) :extrapreds ((p) (q))";

const Case Cases[] = {
    {"not and or", Ints, "(and (not p) (or p q))", "(and (not p) (or p (and q (not q))))"},
    {"implies", Ints, "(and (implies p q) p)", "(and (implies p q) p (not q))"},
    {"xor", Ints, "(and (xor p q) p)", "(and (xor p q true) (not p) q)"},
    {"iff", Ints, "(and (iff p q) (not q))", "(and (iff p q (not p)))"},
    {"if_then_else", Ints, "(if_then_else p q (not q))", "(and (if_then_else p q (not q)) (not q) p)"},
    {"let flet", Ints, "(let (?s (+ x y)) (flet ($b (< ?s 3)) (and $b (> ?s 1) (< 0 x) (< 0 y))))",
     "(let (?s (+ x y)) (flet ($b (< ?s 3)) (and $b (> ?s 2))))"},
    {"ite", Ints, "(and (= z (ite p x y)) (= x 3) (= y 4) (= z 4))",
     "(and (= z (ite p x y)) (= x 3) (= y 4) (= z 5))"},
    {"distinct", Ints, "(and (distinct x y z) (<= 0 x 2) (<= 0 y 2) (<= 0 z 2))",
     "(and (distinct x y z) (<= 0 x 1) (<= 0 y 1) (<= 0 z 1))"},
    {"= < <= > >=", Ints, "(and (< x y) (<= y z) (> z 5) (>= 6 z) (= x 1))",
     "(and (< x y z) (> z x) (>= x z))"},
    {"+ - * ~", Ints, "(and (= (+ x y z) 10) (= (- x y) (~ 4)) (= (* 3 z) 12) (= (- x) (~ 1)))",
     "(and (= (+ x x) 7))"},
    {"true false numerals", Ints, "(and true (not false) (= x 12345678901))", "(and true false)"},
    {"functions on numerals", ":extrafuns ((A Int Int Int Int)) :extrapreds ((D Int))",
     "(and (D 1) (= (A 1 1 1) (+ (A 2 1 1) 3)) (< (A 2 1 1) 0) (iff (D 2) (> (A 1 1 1) 2)))",
     "(and (D 1) (not (D 1)) (= (A 1 1 1) 0))"},
    {"functions on terms", ":extrafuns ((f Int Int) (x Int))",
     "(and (= (f x) 5) (= x 3) (= (f 3) (f x)) (= (f (+ x 1)) (~ 2)))",
     "(and (= x 3) (= (f x) 5) (= (f 3) 6))"},
};

TEST(Front, EveryBackEndAndZ3ConfigurationGivesCheckedAnswers) {
  for (const char* options : {"", "--backend z3 --z3-config default", "--backend z3 --z3-config lia",
                              "--backend z3 --z3-config tactic", "--backend z3 --z3-config pb"}) {
    for (const Case& c : Cases) {
      SCOPED_TRACE(std::string(options) + ": " + c.construct);
      ExpectAnswer(Wrap(c.decls, c.sat), "sat", options);
      ExpectAnswer(Wrap(c.decls, c.unsat), "unsat", options);
    }
  }
}

TEST(Front, EmitsAnEquivalentSmt2Script) {
  for (const Case& c : Cases) {
    for (bool sat : {true, false}) {
      SCOPED_TRACE(std::string(c.construct) + (sat ? " sat" : " unsat"));
      ProgramRun l = RunOn(Wrap(c.decls, sat ? c.sat : c.unsat), "--emit-smt2");
      ASSERT_EQ(l.status, 0) << l.out;
      z3::context ctx;
      z3::solver s(ctx);
      s.from_string(l.out.c_str());
      EXPECT_EQ(s.check(), sat ? z3::sat : z3::unsat) << l.out;
    }
  }
}

// Two benchmarks the prover wrote: a a -> a has a tropical interpretation
// of dimension 1, a -> a a has none. (The prover reads the model where it
// proves with this front end, end to end.)
TEST(Front, AnswersTheProversBenchmarks) {
  ExpectAnswer(ReadFile(Data + "tropical_aa_a_d1.smt"), "sat");
  ExpectAnswer(ReadFile(Data + "tropical_a_aa_d1.smt"), "unsat");
}

void ExpectError(const ProgramRun& l, const std::string& reason, int status = 2) {
  std::vector<std::string> lines = Lines(l.out);
  ASSERT_EQ(lines.size(), 1u) << l.out;
  EXPECT_EQ(lines[0].substr(0, 6), "error ");
  EXPECT_NE(lines[0].find(reason), std::string::npos) << lines[0];
  EXPECT_NE(l.err.find(lines[0]), std::string::npos) << l.err;
  EXPECT_EQ(l.status, status) << reason;
}

// Status 1 for a benchmark that cannot be read, 2 for one or a command line refused.
TEST(Front, AnswersErrorsWithReasonAndStatus) {
  TempDir m;
  ExpectError(RunIn(m.path, Front + " -m missing.smt", ""), "cannot open missing.smt", 1);
  ExpectError(RunOn("(benchmark t :formula (and true"), "line 1: expected");
  ExpectError(RunOn(Wrap("", "true"), "--backend foo"), "unknown back end 'foo'");
  ExpectError(RunOn(Wrap("", "true"), "-t x"), "bad time limit: -t wants a number of seconds above 0");
  ExpectError(RunOn(Wrap("", "true"), "--timeout=1e20"), "not \"1e20\"");
  ExpectError(RunOn(Wrap("", "true"), "--memory -5"), "bad memory limit '-5'");
  ExpectError(RunOn(Wrap("", "true"), "--memory 1G"), "bad memory limit '1G'");
  ExpectError(RunOn(Wrap("", "true"), "--z3-config fast"), "unknown z3 configuration 'fast'");
  ExpectError(RunIn(m.path, Front, ""), "no benchmark file given");
  // Where both go to one file, the reason is there once.
  ProgramRun l = RunIn(m.path, "(" + Front + " --bogus 2>&1)", "");
  EXPECT_EQ(l.out.rfind("error the following argument was not expected: --bogus"), 14u) << l.out;
}

// Twenty-four pigeons in twenty-three holes: far beyond a second for either
// back end (twelve are sometimes refuted within the second by bit-blasting).
std::string Pigeons(int n) {
  std::string decls = ":extrafuns (", f = "(and (distinct";
  for (int i = 0; i < n; ++i) {
    decls += "(x" + std::to_string(i) + " Int)";
    f += " x" + std::to_string(i);
  }
  f += ")";
  for (int i = 0; i < n; ++i)
    f += " (<= 1 x" + std::to_string(i) + ") (<= x" + std::to_string(i) + " " + std::to_string(n - 1) + ")";
  return Wrap(decls + ")", f + ")");
}

// The z3 back end is a module beside the program. A copy of the program
// without it still answers what the SAT back end can, and says why z3 is
// missing instead of failing.
TEST(Front, WithoutTheZ3ModuleAnswersWhatTheSatBackEndCan) {
  TempDir m;
  ASSERT_EQ(std::system(("cp " + Front + " " + m.path + "/").c_str()), 0);
  WriteFile(m / "bounded.smt",
            Wrap(":extrafuns ((x Int) (y Int))", "(and (<= 0 x 3) (<= 0 y 3) (= (+ x y) 7))"));
  WriteFile(m / "open.smt",
            Wrap(":extrafuns ((x Int) (y Int))", "(and (<= 0 x) (= (* 3 x) (+ (* 3 y) 1)))"));
  ProgramRun l = RunIn(m.path, m / "tessivar-smt -m bounded.smt", "");
  EXPECT_EQ(l.out, "unsat\n") << l.err;
  for (const char* backend : {"auto", "z3"}) {
    l = RunIn(m.path, m / "tessivar-smt" + " --backend " + backend + " -m open.smt", "");
    EXPECT_EQ(l.out, "unknown\n") << backend;
    EXPECT_NE(l.err.find("z3 back end not available"), std::string::npos) << l.err;
    EXPECT_EQ(l.status, 0);
  }
}

TEST(Front, TimeLimitAnswersUnknown) {
  auto start = std::chrono::steady_clock::now();
  ProgramRun l = RunOn(Pigeons(24), "-t 1");
  double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(l.out, "unknown\n");
  EXPECT_NE(l.err.find("time limit"), std::string::npos) << l.err;
  EXPECT_EQ(l.status, 0);
  EXPECT_LT(secs, 5.0);  // the limit is kept, with room for a loaded machine
  // The same limit leaves a small problem alone.
  ExpectAnswer(Pigeons(4), "unsat");
}

// The parser looks at the deadline itself: the answer does not wait for the
// hard stop a second after it, which says only "time limit reached".
TEST(Front, ParsingKeepsTheTimeLimit) {
  std::string decls = ":extrafuns (", f = "(and";
  for (int i = 0; i < 100000; ++i) {
    decls += "(x" + std::to_string(i) + " Int)";
    f += " (<= 0 x" + std::to_string(i) + " 7)";
  }
  ProgramRun l = RunOn(Wrap(decls + ")", f + ")"), "-t 0.001");
  EXPECT_EQ(l.out, "unknown\n");
  EXPECT_NE(l.err.find("time limit reached while parsing"), std::string::npos) << l.err;
  EXPECT_EQ(l.status, 0);
}

// Past the memory limit the answer is unknown with the reason, never a
// crash; any process needs more than a megabyte.
TEST(Front, MemoryLimitAnswersUnknown) {
  ProgramRun l = RunOn(Pigeons(24), "-t 30 --memory 1");
  EXPECT_EQ(l.out, "unknown\n");
  EXPECT_NE(l.err.find("memory limit of 1 MB reached"), std::string::npos) << l.err;
  EXPECT_EQ(l.status, 0);
  ExpectAnswer(Pigeons(4), "unsat");  // the default limit leaves room
}

}  // namespace

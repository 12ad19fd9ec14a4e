// Tests of the SAT back end: word arithmetic against exact integers, the
// bounds, exact and bounded answers against z3, and models of the prover's
// benchmarks checked as matrix interpretations.
#include <gtest/gtest.h>

#include <cadical.hpp>

#include <chrono>
#include <functional>
#include <optional>
#include <sstream>
#include <thread>

#include "smt/backend.h"
#include "smt/bitblast.h"
#include "smt/bounds.h"
#include "smt/sat_backend.h"

using namespace tessivar::smt;

namespace {

// ---------------------------------------------------------------------------
// Words: every operation on every pair of 4-bit inputs, both that the value
// is right and that no other value is possible.

using WordOp = std::function<Word(Circuit&, const Word&, const Word&)>;

void pin(Circuit& c, const Word& w, Int v) {
  for (size_t i = 0; i < w.size(); ++i) c.assert_lit(((v >> i) & 1) ? w[i] : -w[i]);
}

// The value the circuit gives for inputs x, y; nullopt if it admits a
// second value as well.
std::optional<Int> run_op(const WordOp& op, Int x, Int y, int in_width) {
  CaDiCaL::Solver s;
  s.set("quiet", 1);
  Circuit c(&s);
  Word a = c.fresh_word(in_width), b = c.fresh_word(in_width);
  pin(c, a, x);
  pin(c, b, y);
  Word r = op(c, a, b);
  if (s.solve() != 10) return std::nullopt;
  Int got = c.value(r);
  // The same circuit, asked again for any other value: there must be none.
  c.assert_lit(-c.eq(r, c.word_const(got, static_cast<int>(r.size()))));
  if (s.solve() != 20) return std::nullopt;
  return got;
}

TEST(SatWords, ArithmeticAndComparisonsAreExactOnAllSmallInputs) {
  struct Case {
    const char* name;
    WordOp op;
    std::function<Int(Int, Int)> want;
  };
  auto bit = [](Circuit& c, Lit l) { return Word{l, c.lit_false()}; };  // 0 or 1
  std::vector<Case> cases = {
      {"add", [](Circuit& c, const Word& a, const Word& b) { return c.add(a, b, 5); },
       [](Int x, Int y) { return x + y; }},
      {"sub", [](Circuit& c, const Word& a, const Word& b) { return c.sub(a, b, 5); },
       [](Int x, Int y) { return x - y; }},
      {"neg", [](Circuit& c, const Word& a, const Word&) { return c.neg(a, 5); },
       [](Int x, Int) { return -x; }},
      {"mul 5", [](Circuit& c, const Word& a, const Word&) { return c.mul_const(a, 5, 7); },
       [](Int x, Int) { return 5 * x; }},
      {"mul -6", [](Circuit& c, const Word& a, const Word&) { return c.mul_const(a, -6, 7); },
       [](Int x, Int) { return -6 * x; }},
      {"lt", [&](Circuit& c, const Word& a, const Word& b) { return bit(c, c.lt(a, b)); },
       [](Int x, Int y) { return Int(x < y); }},
      {"le", [&](Circuit& c, const Word& a, const Word& b) { return bit(c, c.le(a, b)); },
       [](Int x, Int y) { return Int(x <= y); }},
      {"eq", [&](Circuit& c, const Word& a, const Word& b) { return bit(c, c.eq(a, b)); },
       [](Int x, Int y) { return Int(x == y); }},
      {"mux", [](Circuit& c, const Word& a, const Word& b) { return c.mux(a[0], a, b, 4); },
       [](Int x, Int y) { return (x & 1) ? x : y; }},
  };
  for (const Case& k : cases)
    for (Int x = -8; x < 8; ++x)
      for (Int y = -8; y < 8; ++y) {
        std::optional<Int> got = run_op(k.op, x, y, 4);
        ASSERT_TRUE(got.has_value()) << k.name << " " << int(x) << " " << int(y);
        EXPECT_EQ(*got, k.want(x, y)) << k.name << " " << int(x) << " " << int(y);
      }
}

TEST(SatWords, WidthCoversTheInterval) {
  EXPECT_EQ(width_for(0, 0), 1);
  EXPECT_EQ(width_for(0, 7), 4);
  EXPECT_EQ(width_for(-8, 7), 4);
  EXPECT_EQ(width_for(-9, 0), 5);
  EXPECT_EQ(width_for(0, 8), 5);
}

// ---------------------------------------------------------------------------
// Benchmarks.

Benchmark parse(const std::string& formula, const std::string& decls =
                    ":extrafuns ((x Int) (y Int) (z Int)) :extrapreds ((g) (h))") {
  return parse_benchmark("(benchmark t :logic QF_UFLIA " + decls + " :formula " + formula + ")");
}

Interval box_of(const Benchmark& b, const Bounds& bo, const std::string& name) {
  for (TermId t = 0; t < b.terms.size(); ++t)
    if (b.terms.kind(t) == Kind::App && b.symbols[b.terms.node(t).symbol].name == name &&
        b.terms.node(t).num_args == 0)
      return bo.box[t];
  ADD_FAILURE() << "no term " << name;
  return {};
}

TEST(SatBounds, FactsSumsAndDisjunctionsNarrowToAFixpoint) {
  Benchmark b = parse("(and (<= 0 x) (>= 7 x) (= y (+ x x 1)) (or (= z 1) (and (<= 4 z) (< z 6))))");
  Bounds bo = infer_bounds(b);
  EXPECT_FALSE(bo.infeasible);
  EXPECT_EQ(box_of(b, bo, "x"), (Interval{0, 7}));
  EXPECT_EQ(box_of(b, bo, "y"), (Interval{1, 15}));
  EXPECT_EQ(box_of(b, bo, "z"), (Interval{1, 5}));

  // Backwards through a sum and a constant factor: 3 * x <= 10 - y, y >= 1.
  b = parse("(and (<= 0 x) (<= 1 y) (<= (* 3 x) (- 10 y)))");
  bo = infer_bounds(b);
  EXPECT_EQ(box_of(b, bo, "x"), (Interval{0, 3}));
  EXPECT_EQ(box_of(b, bo, "y"), (Interval{1, 10}));

  b = parse("(and (< x 0) (or (> x 3) (= x y)) (> y 2))");
  EXPECT_TRUE(infer_bounds(b).infeasible);
}

TEST(SatBounds, ValueUnderAGuardIsFreeOnlyWhereEveryUseIsGuarded) {
  // x matters only when g is false, and then x = y + 1.
  Benchmark b = parse("(and (<= 0 y) (<= y 3) (or (and (not g) (= x (+ y 1))) g) (or h (and (not g) (> x 2))))");
  Bounds bo = infer_bounds(b);
  EXPECT_EQ(box_of(b, bo, "x"), (Interval{1, 4}));
  // The same, with one use of x outside the guard: x = -5 with g true is a
  // model, so the interval must not exclude it.
  b = parse("(and (<= 0 y) (<= y 3) (or (and (not g) (= x (+ y 1))) g) (or h (< x 0)))");
  bo = infer_bounds(b);
  EXPECT_FALSE(box_of(b, bo, "x").finite());
  SatOptions o;
  o.width = 4;
  Model m;
  EXPECT_EQ(solve_with_sat(b, o, &m, nullptr), SatOutcome::Sat);
}

SatOutcome sat(const Benchmark& b, int width, SatStats* st = nullptr, Model* m = nullptr, bool widen = false) {
  SatOptions o;
  o.width = width;
  o.widen = widen;
  o.deadline = Clock::now() + std::chrono::seconds(30);
  Model local;
  return solve_with_sat(b, o, m ? m : &local, st);
}

TEST(SatBackend, WrapAroundNeverMakesAModel) {
  // Both have solutions modulo every power of two, none in the integers.
  Benchmark b = parse("(and (<= 0 x) (>= 15 x) (<= 0 y) (>= 15 y) (= (* 3 x) (+ (* 3 y) 1)))");
  SatStats st;
  EXPECT_EQ(sat(b, 8, &st), SatOutcome::Unsat);
  EXPECT_TRUE(st.exact);
  b = parse("(and (<= 0 x) (>= 255 x) (= (+ x 200) (+ (* 0 y) 100 y)) (= y 0))");
  EXPECT_EQ(sat(b, 8), SatOutcome::Unsat);
  b = parse("(and (<= 0 x) (<= 0 y) (= (* 3 x) (+ (* 3 y) 1)))");
  for (int w : {2, 4, 8, 16}) {
    EXPECT_EQ(sat(b, w, &st), SatOutcome::Unknown) << w;
    EXPECT_FALSE(st.exact);
  }
}

TEST(SatBackend, BoundedSearchNeverAnswersUnsat) {
  for (const char* f : {"(and (= (+ x x) 7))", "(and (< x y z) (> z x) (>= x z))",
                        "(and (> x 5) (< (* 2 x) (+ y 3)) (< y (- x 4)))",
                        "(or (= (* 2 z) (+ (* 2 x) 1)) (and (> x y) (> y z) (> z x)))"}) {
    Benchmark b = parse(f);
    for (int w : {1, 3, 8}) {
      EXPECT_NE(sat(b, w), SatOutcome::Unsat) << f << " at width " << w;
      EXPECT_NE(sat(b, w, nullptr, nullptr, true), SatOutcome::Unsat) << f << " widening from " << w;
    }
  }
}

TEST(SatBackend, ModelBeyondTheWidthIsUnknownThereAndFoundWiderUp) {
  // Every model has x = 5y/3 with y > 1300, so x > 2^11.
  Benchmark b = parse("(and (= (* 3 x) (* 5 y)) (> y 1300))");
  SatStats st;
  EXPECT_EQ(sat(b, 11, &st), SatOutcome::Unknown);
  EXPECT_FALSE(st.exact);
  Model m;
  ASSERT_EQ(sat(b, 12, &st, &m), SatOutcome::Sat);
  std::string why;
  EXPECT_TRUE(check_model(b, m, &why)) << why;
  // Widening from 6 bits reaches 12 and finds it; from 2 bits (2, 4, 8) it
  // stops at 8 without a model and without an unsat.
  SatOptions o;
  o.widen = true;
  o.width = 6;
  ASSERT_EQ(solve_with_sat(b, o, &m, &st), SatOutcome::Sat);
  EXPECT_TRUE(check_model(b, m, &why)) << why;
  o.width = 2;
  EXPECT_EQ(solve_with_sat(b, o, &m, &st), SatOutcome::Unknown);
  EXPECT_TRUE(st.exhausted);
  EXPECT_NE(st.reason.find("2^8"), std::string::npos) << st.reason;
  // From 6 bits the widths 2, 6, 12 and 24 are searched two at a time; a
  // model needing 26 bits is beyond all of them.
  b = parse("(and (= (* 3 x) (* 5 y)) (> y 40000000))");
  o.width = 6;
  EXPECT_EQ(solve_with_sat(b, o, &m, &st), SatOutcome::Unknown);
  EXPECT_TRUE(st.exhausted);
  EXPECT_NE(st.reason.find("2^24"), std::string::npos) << st.reason;
}

TEST(SatBackend, UnsupportedShapesAreReported) {
  SatStats st;
  Benchmark b = parse("(and (= (f x) 3) (<= 0 x) (<= x 2))",
                      ":extrafuns ((x Int) (f Int Int))");
  EXPECT_EQ(sat(b, 8, &st), SatOutcome::Unsupported);
  EXPECT_NE(st.reason.find("f"), std::string::npos);
  b = parse("(and (= (* x y) 6) (<= 0 x 9) (<= 0 y 9))");
  EXPECT_EQ(sat(b, 8, &st), SatOutcome::Unsupported);
}

// Every connective, exact answers and checked models against z3.
TEST(SatBackend, AgreesWithZ3OnEveryConnective) {
  const char* fs[] = {
      "(and (<= (~ 5) x 5) (<= (~ 5) y 5) (xor g h (> x y)) (iff g (< (- x y) (~ 3))) (not h))",
      "(and (<= (~ 5) x 5) (<= (~ 5) y 5) (implies g (= x (~ y))) g (distinct x y 0))",
      "(and (<= 0 x 3) (<= 0 y 3) (= z (ite (> x y) (- x y) (- y x))) (>= z 3) (if_then_else g h (not h)))",
      "(and (<= 0 x 3) (<= 0 y 3) (= (+ x y) 7))",
      "(and (<= 0 x 7) (= g (>= x 4)) (= h g) (not h) (>= (* (~ 2) x) (~ 8)) (> x 3))",
      "(let (?s (+ x y)) (and (<= 0 x 3) (<= 0 y 3) (flet ($b (< ?s 3)) (and $b (> ?s 1) (distinct x y)))))",
      // Definitions that refer to each other: one of them keeps a word of its own.
      "(and (<= (~ 100) x 100) (<= (~ 100) y 100) (= x (+ y y)) (= y (+ x 1)))",
      "(and (<= (~ 100) x 100) (<= (~ 100) y 100) (= x (+ y y)) (= (+ x x 1) y))",
  };
  for (const char* f : fs) {
    Benchmark b = parse(f);
    SatStats st;
    Model m;
    SatOutcome r = sat(b, 8, &st, &m);
    EXPECT_TRUE(st.exact) << f;
    SolveOptions zo;
    zo.deadline = Clock::now() + std::chrono::seconds(20);
    Outcome z = solve_z3(b, zo);
    ASSERT_NE(z.answer, Answer::Unknown) << f;
    EXPECT_EQ(r, z.answer == Answer::Sat ? SatOutcome::Sat : SatOutcome::Unsat) << f;
    std::string why;
    if (r == SatOutcome::Sat) {
      EXPECT_TRUE(check_model(b, m, &why)) << f << ": " << why;
    }
  }
}

// ---------------------------------------------------------------------------
// The race of both back ends ("auto").

Outcome race(const Benchmark& b, int* calls, Answer* seen) {
  SolveOptions o;
  o.deadline = Clock::now() + std::chrono::seconds(30);
  o.on_answer = [=](const Outcome& out) {
    ++*calls;
    *seen = out.answer;
  };
  return solve_sat_backend(b, o, 6, true);
}

TEST(SatRace, AnswersWhatEitherBackEndCanOnce) {
  // Unbounded and unsat: the bounded search has no answer, z3 has.
  int calls = 0;
  Answer seen = Answer::Unknown;
  Benchmark b = parse("(and (<= 0 x) (<= 0 y) (= (* 3 x) (+ (* 3 y) 1)))");
  EXPECT_EQ(race(b, &calls, &seen).answer, Answer::Unsat);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(seen, Answer::Unsat);
  // A model from whichever back end is first passes the check.
  calls = 0;
  b = parse("(and (<= 0 x) (<= x 9) (<= 0 y) (= (+ (* 3 x) y) 20) (> y x))");
  Outcome r = race(b, &calls, &seen);
  ASSERT_EQ(r.answer, Answer::Sat);
  EXPECT_EQ(calls, 1);
  std::string why;
  EXPECT_TRUE(check_model(b, r.model, &why)) << why;
  // Something neither back end supports: Unknown with both reasons, given
  // once both have given up.
  calls = 0;
  b = parse("(and (= (* x y) 7) (> x 1) (> y 1) (< x y) (> (* x x) (* 2 y)))");
  r = race(b, &calls, &seen);
  EXPECT_EQ(calls, 1);
  if (r.answer == Answer::Unknown) {
    EXPECT_EQ(seen, Answer::Unknown);
    EXPECT_NE(r.reason.find("SAT"), std::string::npos) << r.reason;
    EXPECT_NE(r.reason.find("z3"), std::string::npos) << r.reason;
  } else {
    EXPECT_EQ(r.answer, Answer::Unsat);  // 7 is prime
  }
}

// Twenty-four pigeons in twenty-three holes: no back end gets near an answer.
Benchmark pigeons() {
  std::string decls = ":extrafuns (", f = "(and (distinct";
  for (int i = 0; i < 24; ++i) {
    std::string x = "p" + std::to_string(i);
    decls += "(" + x + " Int)";
    f += " " + x;
  }
  f += ")";
  for (int i = 0; i < 24; ++i) f += " (<= 1 p" + std::to_string(i) + " 23)";
  return parse(f + ")", decls + ")");
}

TEST(SatRace, AStopRequestEndsEitherBackEnd) {
  Benchmark b = pigeons();
  std::atomic<bool> stop{false};
  SatOptions so;
  so.deadline = Clock::now() + std::chrono::seconds(600);
  so.stop = &stop;
  SolveOptions zo;
  zo.deadline = so.deadline;
  zo.stop = &stop;
  for (int which = 0; which < 2; ++which) {
    stop = false;
    std::thread later([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      stop = true;
    });
    std::string reason;
    if (which == 0) {
      SatStats st;
      Model m;
      EXPECT_EQ(solve_with_sat(b, so, &m, &st), SatOutcome::Unknown);
      reason = st.reason;
    } else {
      Outcome z = solve_z3(b, zo);
      EXPECT_EQ(z.answer, Answer::Unknown);
      reason = z.reason;
    }
    later.join();
    EXPECT_EQ(reason, "stopped") << (which == 0 ? "SAT" : "z3");
  }
}

}  // namespace

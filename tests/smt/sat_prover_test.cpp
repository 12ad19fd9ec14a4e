// The SAT back end on benchmarks shaped like the prover's matrix attempts:
// exact answers against z3, bounded searches that never claim unsat, and
// every model checked against its benchmark. (That a model is an
// interpretation that orients the rules is checked where the prover reads
// it, end to end.)
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "smt/backend.h"
#include "smt/sat_backend.h"

using namespace tessivar::smt;

namespace {

enum class Mode { Normal, Tropical, Arctic };
const char* name(Mode m) { return m == Mode::Normal ? "normal" : m == Mode::Tropical ? "tropical" : "arctic"; }

using Side = std::vector<int>;  // symbol numbers 1..n
struct Rule {
  Side l, r;
};
struct System {
  int symbols;
  std::vector<Rule> rules;
};

// The prover's benchmark for one attempt: symbols' matrices (3-bit entries
// in normal mode, infinity flags otherwise), products built left to right,
// identity matrices for empty sides, one comparison block per rule.
std::string write_benchmark(const System& s, Mode mode, int d, int mxr) {
  std::ostringstream o;
  bool normal = mode == Mode::Normal;
  int bound = d == 1 ? 10 : mxr;
  o << "(benchmark test.smt\n:logic QF_UFLIA\n:extrafuns ((A Int Int Int Int))\n:extrapreds ((D Int))\n"
    << (normal ? ":extrapreds ((B Int Int Int Int))\n" : ":extrapreds ((I Int Int Int))\n")
    << ":formula (and\n(or\n";
  for (size_t r = 1; r <= s.rules.size(); ++r) o << "(D " << r << ")\n";
  o << ")\n";
  for (int a = 1; a <= s.symbols; ++a)
    o << (normal ? "(< 0 (A " : "(not (I ") << a << " 1 1))\n";
  auto each = [&](auto f) {
    for (int a = 1; a <= s.symbols; ++a)
      for (int j = 1; j <= d; ++j)
        for (int k = 1; k <= d; ++k) f(a, j, k);
  };
  if (normal)
    each([&](int a, int j, int k) {
      o << "(= (A " << a << ' ' << j << ' ' << k << ") (+ (ite (B " << a << ' ' << j << ' ' << k
        << " 0) 1 0 ) (ite (B " << a << ' ' << j << ' ' << k << " 1) 2 0) (ite (B " << a << ' ' << j
        << ' ' << k << " 2) 4 0)))\n";
    });
  each([&](int a, int j, int k) { o << "(<= 0 (A " << a << ' ' << j << ' ' << k << "))\n"; });
  if (bound >= 1)
    each([&](int a, int j, int k) { o << "(>= " << bound << " (A " << a << ' ' << j << ' ' << k << "))\n"; });

  auto e = [](int m, int i, int j) {
    return std::to_string(m) + " " + std::to_string(i) + " " + std::to_string(j);
  };
  auto mul = [&](int x, int y, int z) {
    for (int i = 1; i <= d; ++i)
      for (int j = 1; j <= d; ++j) {
        if (normal) {
          o << " (= (A " << e(z, i, j) << ") (+ \n";
          for (int k = 1; k <= d; ++k)
            o << "(ite (B " << e(y, k, j) << " 0) (A " << e(x, i, k) << ") 0)\n"
              << "(ite (B " << e(y, k, j) << " 1) (* 2 (A " << e(x, i, k) << ")) 0)\n"
              << "(ite (B " << e(y, k, j) << " 2) (* 4 (A " << e(x, i, k) << ")) 0)\n";
          o << "))\n";
          continue;
        }
        o << "(or\n";
        for (int k = 1; k <= d; ++k)
          o << "(and (= (A " << e(z, i, j) << ") (+ (A " << e(x, i, k) << ") (A " << e(y, k, j) << ")))"
            << " (not (I " << e(z, i, j) << ")) (not (I " << e(x, i, k) << ")) (not (I " << e(y, k, j) << ")))"
            << " (and (I " << e(z, i, j) << ") (I " << e(x, i, k) << "))"
            << " (and (I " << e(z, i, j) << ") (I " << e(y, k, j) << "))\n";
        o << ")\n";
        for (int k = 1; k <= d; ++k)
          o << "(or (and (not (I " << e(z, i, j) << ")) (not (I " << e(x, i, k) << ")) (not (I "
            << e(y, k, j) << "))\n(" << (mode == Mode::Tropical ? "<=" : ">=") << " (A " << e(z, i, j)
            << ") (+ (A " << e(x, i, k) << ") (A " << e(y, k, j) << ")))) (I " << e(x, i, k) << ") (I "
            << e(y, k, j) << "))\n";
      }
  };
  int counter = s.symbols;
  auto side = [&](const Side& w) {
    if (w.empty()) {
      int m = ++counter;
      for (int a = 1; a <= d; ++a)
        for (int b = 1; b <= d; ++b) {
          if (normal) o << " (= " << (a == b ? 1 : 0) << " (A " << e(m, a, b) << "))\n";
          else if (a == b) o << " (= 0 (A " << e(m, a, b) << ")) (not (I " << e(m, a, b) << "))\n";
          else o << " (I " << e(m, a, b) << ")\n";
        }
      return m;
    }
    int m = w[0];
    for (size_t p = 1; p < w.size(); ++p) {
      mul(m, w[p], counter + 1);
      m = ++counter;
    }
    return m;
  };
  for (size_t r = 1; r <= s.rules.size(); ++r) {
    int L = side(s.rules[r - 1].l), R = side(s.rules[r - 1].r);
    o << "; rule " << r << "\n";
    if (normal) {
      o << "(iff (D " << r << ") (> (A " << e(L, 1, 1) << ")  (A " << e(R, 1, 1) << ")))\n";
      for (int i = 1; i <= d; ++i)
        for (int j = 1; j <= d; ++j) o << "(>= (A " << e(L, i, j) << ")  (A " << e(R, i, j) << "))\n";
      continue;
    }
    int X = mode == Mode::Tropical ? L : R;
    for (int i = 1; i <= d; ++i)
      for (int j = 1; j <= d; ++j) {
        o << "(or (not (D " << r << ")) (I " << e(X, i, j) << ") (and (not (I " << e(L, i, j)
          << ")) (not (I " << e(R, i, j) << ")) (> (A\n" << e(L, i, j) << ")  (A " << e(R, i, j) << "))))\n";
        o << "(or (D " << r << ") (I " << e(X, i, j) << ") (and (not (I " << e(L, i, j)
          << ")) (not (I " << e(R, i, j) << ")) (>= (A\n" << e(L, i, j) << ")  (A " << e(R, i, j) << "))))\n";
      }
  }
  o << "))\n";
  return o.str();
}

// Whether the model satisfies the benchmark, by the exact evaluator.
std::string model_fault(const Benchmark& b, const Model& m) {
  std::string why;
  return check_model(b, m, &why) ? "" : why;
}

std::vector<System> small_systems() {
  return {
      {1, {{{1, 1}, {1}}}},                           // a a -> a
      {1, {{{1}, {1, 1}}}},                           // a -> a a
      {2, {{{1, 2}, {2, 1}}}},                        // a b -> b a
      {2, {{{1, 2, 1}, {2}}, {{2, 2}, {}}}},          // a b a -> b, b b ->
      {2, {{{1, 1}, {1, 2, 1}}, {{2}, {}}}},          // a a -> a b a, b ->
      {2, {{{}, {2}}, {{2, 1}, {1, 2, 2}}}},          //   -> b, b a -> a b b
      {2, {{{1, 2}, {2, 2, 1}}}},                     // a b -> b b a
  };
}

TEST(SatProverBenchmarks, ExactAnswersAgreeWithZ3AndModelsHold) {
  int sats = 0, unsats = 0;
  std::vector<System> systems = small_systems();
  for (size_t n = 0; n < systems.size(); ++n)
    for (Mode mode : {Mode::Normal, Mode::Tropical, Mode::Arctic})
      for (int d : {1, 2}) {
        const System& s = systems[n];
        std::string what = std::string(name(mode)) + " d=" + std::to_string(d) + " system " + std::to_string(n);
        Benchmark b = parse_benchmark(write_benchmark(s, mode, d, 3));
        SatOptions o;
        o.deadline = Clock::now() + std::chrono::seconds(30);
        SatStats st;
        Model m;
        SatOutcome r = solve_with_sat(b, o, &m, &st);
        ASSERT_TRUE(r == SatOutcome::Sat || r == SatOutcome::Unsat) << what << ": " << st.reason;
        EXPECT_TRUE(st.exact) << what;
        if (r == SatOutcome::Sat) {
          ++sats;
          EXPECT_EQ(model_fault(b, m), "") << what;
        } else {
          ++unsats;
        }
        SolveOptions zo;
        zo.deadline = Clock::now() + std::chrono::seconds(10);
        Outcome z = solve_z3(b, zo);
        if (z.answer != Answer::Unknown) {
          EXPECT_EQ(r == SatOutcome::Sat, z.answer == Answer::Sat) << what;
        }
      }
  // Both answers occur, so the agreement means something.
  EXPECT_GT(sats, 5);
  EXPECT_GT(unsats, 5);
}

TEST(SatProverBenchmarks, UnboundedEntriesSearchWithinTheWidthAndNeverAnswerUnsat) {
  int sats = 0;
  for (const System& s : small_systems())
    for (Mode mode : {Mode::Tropical, Mode::Arctic}) {
      Benchmark b = parse_benchmark(write_benchmark(s, mode, 2, 0));
      for (int w : {2, 5}) {
        SatOptions o;
        o.width = w;
        o.deadline = Clock::now() + std::chrono::seconds(30);
        SatStats st;
        Model m;
        SatOutcome r = solve_with_sat(b, o, &m, &st);
        EXPECT_FALSE(st.exact);
        EXPECT_NE(r, SatOutcome::Unsat);
        if (r == SatOutcome::Sat) {
          ++sats;
          EXPECT_EQ(model_fault(b, m), "") << name(mode);
        }
      }
    }
  EXPECT_GT(sats, 0);
}

}  // namespace

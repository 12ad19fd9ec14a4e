// The formula DAG, the parser and the exact evaluator, used as a library.
#include <gtest/gtest.h>

#include "smt/ast.h"
#include "smt/backend.h"

using namespace tessivar::smt;

namespace {

Benchmark Parse(const std::string& decls, const std::string& formula) {
  return parse_benchmark("(benchmark t :logic QF_UFLIA " + decls + " :formula " + formula + ")");
}

std::string ErrorOf(const std::string& text) {
  try {
    parse_benchmark(text);
  } catch (const ParseError& e) {
    return e.what();
  }
  return "";
}

bool Eval(const Benchmark& b, const Model& m) {
  EvalResult r = evaluate(b, b.problem, m);
  EXPECT_TRUE(r.ok) << r.error;
  return r.value.as_bool();
}

TEST(Parser, SharesEqualSubtermsAndResolvesLet) {
  Benchmark b = Parse(":extrafuns ((A Int Int) (x Int))",
                      "(let (?t (+ (A 1) x)) (and (= ?t (+ (A 1) x)) (< (A 1) (A 2))))");
  const TermTable& t = b.terms;
  TermId root = b.formula;
  ASSERT_EQ(t.kind(root), Kind::And);
  TermId eq = t.arg(root, 0);
  ASSERT_EQ(t.kind(eq), Kind::Eq);
  // The bound variable and the repeated text are one node.
  EXPECT_EQ(t.arg(eq, 0), t.arg(eq, 1));
  // (A 1) occurs three times in the text and once in the table.
  int apps = 0;
  for (TermId id = 0; id < t.size(); ++id) apps += t.kind(id) == Kind::App;
  EXPECT_EQ(apps, 3);  // (A 1), x, (A 2)
  EXPECT_TRUE(t.is_ground_app(t.arg(t.arg(root, 1), 0)));
  // Children always come before their parents.
  for (TermId id = 0; id < t.size(); ++id)
    for (uint32_t i = 0; i < t.node(id).num_args; ++i) EXPECT_LT(t.arg(id, i), id);
}

TEST(Parser, ReadsEveryAttributeAndCommentForm) {
  Benchmark b = parse_benchmark(
      "; a comment (with a paren\n"
      "(benchmark full.smt\n"
      " :source { free text with \\} and ( parens }\n"
      " :status sat\n"
      " :notes \"a \\\" quoted ) note\"\n"
      " :logic QF_UFLIA\n"
      " :extrasorts ()\n"
      " :extrafuns ((f Int Int) (c Int))\n"
      " :extrapreds ((p Int) (q))\n"
      " :assumption (p c) ; trailing comment\n"
      " :my_attribute { 1 2 3 }\n"
      " :formula (flet ($g (p (f 3))) (and $g q (p (f c)) :named { x }))\n"
      " :category { industrial }\n"
      ")\n");
  EXPECT_EQ(b.name, "full.smt");
  EXPECT_EQ(b.logic, "QF_UFLIA");
  EXPECT_EQ(b.status, "sat");
  ASSERT_EQ(b.symbols.size(), 4u);
  EXPECT_EQ(b.symbols[0].name, "f");
  EXPECT_EQ(b.symbols[0].arg_sorts.size(), 1u);
  EXPECT_EQ(b.symbols[0].result, Sort::Int);
  EXPECT_TRUE(b.symbols[3].is_predicate());
  EXPECT_TRUE(b.symbols[3].arg_sorts.empty());
  EXPECT_EQ(b.assumptions.size(), 1u);
  EXPECT_EQ(b.terms.kind(b.problem), Kind::And);
}

TEST(Parser, ShadowedLetIsRestoredAfterItsBody) {
  Benchmark b = Parse(":extrafuns ((x Int))",
                      "(let (?v 1) (and (let (?v 2) (= ?v 2)) (= ?v 1) (= x ?v)))");
  Model m;
  ASSERT_TRUE(m.set(0, {}, Value::of_int(1)));
  EXPECT_TRUE(Eval(b, m));
  Model m2;
  m2.set(0, {}, Value::of_int(2));
  EXPECT_FALSE(Eval(b, m2));
}

TEST(Parser, DeepNestingNeedsNoRecursion) {
  const int depth = 200000;
  std::string f;
  for (int i = 0; i < depth; ++i) f += "(not ";
  f += "p";
  f += std::string(depth, ')');
  Benchmark b = Parse(":extrapreds ((p))", f);
  Model m;
  m.set(0, {}, Value::of_bool(true));
  EXPECT_TRUE(Eval(b, m));  // an even number of negations
  try {
    parse_benchmark("(benchmark t :extrapreds ((p)) :formula " + f + ")", 1000);
    FAIL() << "depth limit not enforced";
  } catch (const ParseError& e) {
    EXPECT_NE(std::string(e.what()).find("nesting deeper than 1000"), std::string::npos);
  }
}

TEST(Parser, RejectsBadInputWithLineNumbers) {
  struct Case { std::string text, message; };
  const Case cases[] = {
      {"(benchmark t :formula (and true", "line 1: expected"},
      {"(benchmark t\n:formula\n(foo 1))", "line 3: unknown symbol 'foo'"},
      {"(benchmark t :extrafuns ((x Real)) :formula true)", "unsupported sort 'Real'"},
      {"(benchmark t :extrafuns ((f Int Int)) :formula (= (f 1 2) 0))", "f needs 1 arguments, not 2"},
      {"(benchmark t :extrafuns ((x Int)) :formula (and x true))", "and needs formulas"},
      {"(benchmark t :extrafuns ((x Int)) :formula (+ x 1))", ":formula needs a formula"},
      {"(benchmark t :formula (= 99999999999999999999 0))", "does not fit in 64 bits"},
      {"(benchmark t :formula (= 1.5 0))", "only integers"},
      {"(benchmark t :extrafuns ((x Int) (x Int)) :formula true)", "declared twice"},
      {"(benchmark t :formula (let (?x true) ?x))", "let binds a formula"},
      {"(benchmark t :formula (= ?y 1))", "unbound variable '?y'"},
      {"(benchmark t :formula true) extra", "text after the end"},
      {"(benchmark t :notes \"open", "unterminated string"},
      {"", "expected '(benchmark'"},
  };
  for (const Case& c : cases) {
    std::string e = ErrorOf(c.text);
    EXPECT_NE(e.find(c.message), std::string::npos) << c.text << " gave: " << e;
  }
}

// Every construct in one formula; `difference` is the value it demands of x - y.
Benchmark EveryConstruct(const std::string& difference) {
  return Parse(":extrafuns ((x Int) (y Int) (f Int Int)) :extrapreds ((p Int) (q))",
               "(and (= (+ x y 1) 10) (= (- x y) " + difference + ") (= (- x) (- 0 x)) (= (* 2 x 3) 24)"
               " (< 0 x y 10) (<= x x) (> y x) (>= y y) (distinct x y 7)"
               " (xor q (p 1) true) (iff q (p 1)) (implies q (p 2)) (not (p 2))"
               " (= (ite q x y) 5) (if_then_else (p 1) q (not q))"
               " (= (f x) (f 4)) (= (f (+ x 1)) (f 5)) (= (f 5) 7) (or false (= (f 4) (~ 3))))");
}

TEST(Evaluator, ComputesEveryConstructExactly) {
  // x = 4, y = 5, q and p false, f(4) = -3, f(5) = 7.
  Model m;
  m.set(0, {}, Value::of_int(4));
  m.set(1, {}, Value::of_int(5));
  m.set(3, {1}, Value::of_bool(false));
  m.set(3, {2}, Value::of_bool(false));
  m.set(4, {}, Value::of_bool(false));
  m.set(2, {4}, Value::of_int(-3));
  m.set(2, {5}, Value::of_int(7));
  std::string why;
  Benchmark b = EveryConstruct("(~ 1)");
  EXPECT_TRUE(Eval(b, m));
  EXPECT_TRUE(check_model(b, m, &why));
  // x - y = -1 is not -2.
  Benchmark wrong = EveryConstruct("(~ 2)");
  EXPECT_FALSE(Eval(wrong, m));
  EXPECT_FALSE(check_model(wrong, m, &why));
  EXPECT_EQ(why, "the model makes the formula false");
  // Model lines: first occurrence order, applications to terms listed once
  // with their evaluated arguments.
  EXPECT_EQ(format_model(b, m),
            " (= x 4)\n (= y 5)\n (= q false)\n (= (p 1) false)\n (= (p 2) false)\n"
            " (= (f 4) -3)\n (= (f 5) 7)\n");
}

TEST(Evaluator, ReportsMissingValuesAndOverflow) {
  Benchmark b = Parse(":extrafuns ((x Int) (y Int))", "(> (* x x x) y)");
  Model m;
  m.set(0, {}, Value::of_int(static_cast<Int>(1) << 50));
  std::string why;
  EXPECT_FALSE(check_model(b, m, &why));
  EXPECT_NE(why.find("overflow"), std::string::npos) << why;
  Model m2;
  m2.set(0, {}, Value::of_int(3));
  EXPECT_FALSE(check_model(b, m2, &why));
  EXPECT_EQ(why, "the model gives no value for y");
  // The branch that ite does not take may fail.
  Benchmark c = Parse(":extrafuns ((x Int) (y Int))", "(= 3 (ite (< x 5) x (* x x x)))");
  Model m3;
  m3.set(0, {}, Value::of_int(3));
  EXPECT_TRUE(check_model(c, m3, &why)) << why;
  EXPECT_EQ(to_string(-(static_cast<Int>(1) << 100)), "-1267650600228229401496703205376");
}

TEST(Model, KeepsTheFirstValueOfAKey) {
  Model m;
  EXPECT_TRUE(m.set(2, {1, 2}, Value::of_int(5)));
  EXPECT_TRUE(m.set(2, {1, 2}, Value::of_int(5)));
  EXPECT_FALSE(m.set(2, {1, 2}, Value::of_int(6)));
  ASSERT_NE(m.get(2, {1, 2}), nullptr);
  EXPECT_EQ(m.get(2, {1, 2})->v, 5);
  EXPECT_EQ(m.get(2, {2, 1}), nullptr);
}

}  // namespace

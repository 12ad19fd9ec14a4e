// Interval bounds of the integer unknowns of a benchmark, inferred from its
// top-level facts by propagation to a fixpoint.
//
// The result is a box such that whenever the benchmark has a model, it has
// one inside the box. Two kinds of reasoning give it:
// - Facts: conjuncts of the problem (comparisons, equations, fixed Boolean
//   unknowns) narrow intervals forwards and backwards through +, -, * by a
//   constant; a top-level disjunction narrows a variable to the hull of
//   what each of its still possible disjuncts allows.
// - Don't-care values: an integer unknown v is "free when g" (g a Boolean
//   unknown) if every path from v up to the root of the problem passes
//   through an (and ... (not g) ...) or an (or ... g ...). When g is true
//   those nodes are constant, so v can be given any value without changing
//   the truth of the problem. Its interval then only has to hold in the
//   models where g is false; in the others v is moved into it. This is what
//   bounds an entry whose "infinite" flag leaves its value unconstrained.
#pragma once

#include <chrono>
#include <vector>

#include "smt/ast.h"

namespace tessivar::smt {

// Magnitudes at or beyond kInf stand for infinity.
constexpr Int kInf = static_cast<Int>(1) << 120;

// A closed interval; -kInf / kInf are unbounded ends; lo > hi is empty.
struct Interval {
  Int lo = -kInf, hi = kInf;
  bool empty() const { return lo > hi; }
  bool finite() const { return lo > -kInf && hi < kInf; }
  bool operator==(const Interval& o) const { return lo == o.lo && hi == o.hi; }
  bool operator!=(const Interval& o) const { return !(*this == o); }
};

constexpr TermId kNoGuard = static_cast<TermId>(-1);

struct Bounds {
  // Indexed by TermId; set for the integer unknowns (ground applications of
  // integer sort) below the problem. An empty interval of a free variable
  // means its guard is true in every model (any value will do).
  std::vector<Interval> box;
  // Indexed by TermId: g for a variable that is free when g, else kNoGuard.
  std::vector<TermId> guard;
  // Nodes below the problem (the others are never looked at).
  std::vector<char> reachable;
  // True if the facts admit no model at all.
  bool infeasible = false;
  int rounds = 0;  // propagation rounds made
};

// Runs the propagation; stops early (with weaker but still valid bounds)
// when the deadline passes.
Bounds infer_bounds(const Benchmark& b,
                    std::chrono::steady_clock::time_point deadline =
                        std::chrono::steady_clock::time_point::max());

// Interval arithmetic with saturation at +-kInf.
Interval iv_add(Interval a, Interval b);
Interval iv_neg(Interval a);
Interval iv_mul(Interval a, Int c);
Interval iv_meet(Interval a, Interval b);
Interval iv_hull(Interval a, Interval b);

}  // namespace tessivar::smt

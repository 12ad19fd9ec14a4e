// Interval bounds of the integer unknowns of a benchmark, inferred by
// propagation over its top-level facts to a fixpoint.
//
// NOTE: this header was overwritten by mistake by the developer of the front
// end (who did not know the file was in use) and rebuilt from bounds.cpp and
// sat_backend.cpp; please check it against your own copy.
#pragma once

#include <chrono>
#include <vector>

#include "smt/ast.h"

namespace tessivar::smt {

// Stands for an infinite bound; values at or beyond it are unbounded.
constexpr Int kInf = static_cast<Int>(1) << 120;
// No TermId: a variable without a guard.
constexpr TermId kNoGuard = static_cast<TermId>(-1);

// A closed interval [lo, hi]; -kInf / kInf mean unbounded; lo > hi is empty.
struct Interval {
  Int lo = -kInf;
  Int hi = kInf;
  bool empty() const { return lo > hi; }
  bool finite() const { return lo > -kInf && hi < kInf; }
  bool operator==(const Interval& o) const { return lo == o.lo && hi == o.hi; }
  bool operator!=(const Interval& o) const { return !(*this == o); }
};

Interval iv_add(Interval a, Interval b);
Interval iv_neg(Interval a);
Interval iv_mul(Interval a, Int c);
Interval iv_meet(Interval a, Interval b);
Interval iv_hull(Interval a, Interval b);

struct Bounds {
  std::vector<Interval> box;     // per TermId: the interval of an integer unknown
  std::vector<TermId> guard;     // per TermId: a Boolean unknown whose truth makes
                                 // the value irrelevant, or kNoGuard
  std::vector<char> reachable;   // per TermId: below the problem's root
  bool infeasible = false;       // the facts have no model
  int rounds = 0;                // propagation rounds made
};

Bounds infer_bounds(const Benchmark& b, std::chrono::steady_clock::time_point deadline);

}  // namespace tessivar::smt

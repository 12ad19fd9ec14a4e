// Arctic and tropical matrix entries in the order encoding: a number x is
// the literals [x >= 0], [x >= 1], ..., [x >= n], each implying the one
// before. Maximum and minimum are then an OR and an AND per level, a sum is
// an OR of ANDs per level, and comparisons are plain implications between
// levels, which unit propagation handles well; binary words with adders do
// far worse on these max-plus constraints.
//
// Arctic: minus infinity has every level false (so [x >= 0] says finite).
// Tropical: the last level is [x = plus infinity]; plus infinity has every
// level true. A finite value above the cap is forbidden.
#pragma once

#include <vector>

#include "engine/certificate/proof.h"
#include "smt/bitblast.h"

namespace tessivar::engine::encodings {

using smt::Circuit;
using smt::Lit;

struct OrderCell {
  // at_least[k] = [x >= k]; levels beyond the vector are false (arctic) or,
  // in the tropical semiring, the vector always ends with the infinity level.
  std::vector<Lit> at_least;
};

class OrderAlgebra {
 public:
  using Cell = OrderCell;

  // Finite values are at most `cap`.
  OrderAlgebra(Semiring semiring, Circuit& circuit, int cap);

  Cell zero() const;
  Cell one() const;
  Cell unknown(int bits);  // finite values 0 .. 2^bits - 1, or the infinity

  Cell plus(const Cell& a, const Cell& b);
  Cell times(const Cell& a, const Cell& b);
  Lit ge(const Cell& a, const Cell& b);
  Lit gt(const Cell& a, const Cell& b);
  Lit finite(const Cell& a) const;
  Lit positive(const Cell& a) const { return level(a, 1); }

  Entry value(const Cell& c) const;

 private:
  bool tropical() const { return semiring_ == Semiring::Tropical; }
  // Level k of a, with the levels the vector leaves out.
  Lit level(const Cell& a, size_t k) const;
  // Tropical: the finite levels (without the infinity level).
  size_t finite_levels(const Cell& a) const { return tropical() ? a.at_least.size() - 1 : a.at_least.size(); }
  Lit infinite(const Cell& a) const { return tropical() ? a.at_least.back() : c_.lit_false(); }

  Semiring semiring_;
  Circuit& c_;
  size_t cap_;
};

}  // namespace tessivar::engine::encodings

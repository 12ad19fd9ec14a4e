// Gate-level circuit builder that writes Tseitin clauses straight into
// CaDiCaL, with two's complement words on top.
//
// Literals are CaDiCaL literals (+v / -v). One variable is fixed to true,
// so constants are ordinary literals; every gate folds constants, so words
// with known bits (small constants, sign-extended non-negative values) cost
// nothing. AND and XOR gates are hashed so equal gates are made once.
//
// Words are little-endian vectors of literals holding two's complement
// integers. Every operation takes the width of its result from the caller,
// who chooses it from the interval of the exact result: the result is then
// exact, nothing can wrap around.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "smt/ast.h"

namespace CaDiCaL {
class Solver;
}

namespace tessivar::smt {

using Lit = int;
using Word = std::vector<Lit>;

class Circuit {
 public:
  explicit Circuit(CaDiCaL::Solver* solver);

  Lit lit_true() const { return true_; }
  Lit lit_false() const { return -true_; }
  Lit constant(bool b) const { return b ? true_ : -true_; }
  bool is_true(Lit a) const { return a == true_; }
  bool is_false(Lit a) const { return a == -true_; }
  bool is_const(Lit a) const { return a == true_ || a == -true_; }

  Lit fresh();
  void clause(const std::vector<Lit>& lits);
  void assert_lit(Lit a) { clause({a}); }

  Lit and2(Lit a, Lit b);
  Lit or2(Lit a, Lit b) { return -and2(-a, -b); }
  Lit xor2(Lit a, Lit b);
  Lit iff2(Lit a, Lit b) { return -xor2(a, b); }
  Lit ite(Lit c, Lit t, Lit e);
  Lit and_n(std::vector<Lit> lits);
  Lit or_n(std::vector<Lit> lits);

  // Words. width >= 1 everywhere; inputs are sign-extended or cut to it.
  Word word_const(Int value, int width) const;
  Word fresh_word(int width);
  Word resize(const Word& a, int width) const;
  Word add(const Word& a, const Word& b, int width, Lit carry_in = 0);
  Word sub(const Word& a, const Word& b, int width);
  Word neg(const Word& a, int width);
  Word mul_const(const Word& a, Int c, int width);
  Word mux(Lit c, const Word& t, const Word& e, int width);
  Lit eq(const Word& a, const Word& b);
  Lit lt(const Word& a, const Word& b);  // signed
  Lit le(const Word& a, const Word& b) { return -lt(b, a); }

  // Value of a literal / word in the solver's current model.
  bool value(Lit a) const;
  Int value(const Word& w) const;

  uint64_t variables() const { return next_var_ - 1; }
  uint64_t clauses() const { return clauses_; }

 private:
  void full_adder(Lit a, Lit b, Lit c, Lit* sum, Lit* carry);

  CaDiCaL::Solver* s_;
  int next_var_ = 1;
  uint64_t clauses_ = 0;
  Lit true_;
  std::unordered_map<uint64_t, Lit> and_cache_, xor_cache_;
};

// Bits of two's complement needed for every value of [lo, hi].
int width_for(Int lo, Int hi);

}  // namespace tessivar::smt

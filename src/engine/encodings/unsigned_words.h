// Unsigned numbers of bounded width on top of the circuit builder.
//
// The matrix encodings search for small natural numbers and compute with
// them in a fixed number of bits: every sum and product is asserted to fit
// into the cap, so a model never relies on a value that wrapped around and
// the values read back are the exact ones. A number is a little-endian
// vector of literals without a sign bit; bits above the vector are zero, so
// a short vector is a number known to be small, and constants cost nothing.
#pragma once

#include <cstdint>
#include <vector>

#include "smt/bitblast.h"

namespace tessivar::engine::encodings {

using smt::Circuit;
using smt::Lit;

struct Unsigned {
  std::vector<Lit> bits;  // little-endian; missing high bits are zero
};

class UnsignedArithmetic {
 public:
  // Every result of add and mul must be below 2^cap; the circuit asserts it.
  UnsignedArithmetic(Circuit& circuit, int cap) : c_(circuit), cap_(cap) {}

  Circuit& circuit() { return c_; }
  int cap() const { return cap_; }

  Unsigned constant(uint64_t value) const;
  Unsigned fresh(int width);

  Unsigned add(const Unsigned& a, const Unsigned& b);
  Unsigned mul(const Unsigned& a, const Unsigned& b);
  Unsigned max(const Unsigned& a, const Unsigned& b);
  Unsigned min(const Unsigned& a, const Unsigned& b);
  // Each bit ANDed with `keep`: the number, or zero where keep is false.
  Unsigned masked(Lit keep, const Unsigned& a);
  Unsigned select(Lit condition, const Unsigned& then_value, const Unsigned& else_value);

  Lit ge(const Unsigned& a, const Unsigned& b);
  Lit gt(const Unsigned& a, const Unsigned& b) { return -ge(b, a); }
  Lit nonzero(const Unsigned& a);

  // The number's value in the solver's model.
  uint64_t value(const Unsigned& a) const;

 private:
  // Asserts every bit from the cap up to be zero and drops the known-zero
  // high bits.
  Unsigned capped(std::vector<Lit> bits);
  smt::Word signed_word(const Unsigned& a, size_t width) const;

  Circuit& c_;
  int cap_;
};

}  // namespace tessivar::engine::encodings

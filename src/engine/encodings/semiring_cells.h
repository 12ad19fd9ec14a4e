// Matrix entries of the three semirings as binary numbers in the circuit.
//
// An entry is a flag "finite" and an unsigned number. In the natural
// semiring the flag is always true. In the arctic (max-plus) and tropical
// (min-plus) semirings a false flag is the semiring's infinity (minus
// infinity, plus infinity); its number is then zero, which keeps max and
// sums of numbers correct without looking at the flags.
#pragma once

#include <vector>

#include "engine/certificate/proof.h"
#include "engine/encodings/unsigned_words.h"

namespace tessivar::engine::encodings {

struct BinaryCell {
  Lit finite;
  Unsigned value;
};

class CellAlgebra {
 public:
  using Cell = BinaryCell;

  CellAlgebra(Semiring semiring, UnsignedArithmetic& arithmetic)
      : semiring_(semiring), u_(arithmetic) {}

  Semiring semiring() const { return semiring_; }
  UnsignedArithmetic& arithmetic() { return u_; }

  BinaryCell zero() const;
  BinaryCell one() const;
  BinaryCell number(uint64_t value) const;
  // An unknown entry: `bits` bits, and in arctic and tropical a flag.
  BinaryCell unknown(int bits);

  BinaryCell plus(const BinaryCell& a, const BinaryCell& b);
  BinaryCell times(const BinaryCell& a, const BinaryCell& b);
  Lit ge(const BinaryCell& a, const BinaryCell& b);
  Lit gt(const BinaryCell& a, const BinaryCell& b);

  Lit finite(const BinaryCell& a) const { return a.finite; }
  Lit positive(const BinaryCell& a) { return u_.nonzero(a.value); }

  // The entry's value in the solver's model.
  Entry value(const BinaryCell& c) const;

 private:
  Semiring semiring_;
  UnsignedArithmetic& u_;
};

}  // namespace tessivar::engine::encodings

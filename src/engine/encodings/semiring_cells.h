// Matrix entries of the three semirings as circuit values, and products of
// matrices of them.
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

struct Cell {
  Lit finite;
  Unsigned value;
};

using CellMatrix = std::vector<std::vector<Cell>>;

class CellAlgebra {
 public:
  CellAlgebra(Semiring semiring, UnsignedArithmetic& arithmetic)
      : semiring_(semiring), u_(arithmetic) {}

  Semiring semiring() const { return semiring_; }
  UnsignedArithmetic& arithmetic() { return u_; }

  Cell zero() const;
  Cell one() const;
  Cell number(uint64_t value) const;
  // An unknown entry: `bits` bits, and in arctic and tropical a flag.
  Cell unknown(int bits);

  Cell plus(const Cell& a, const Cell& b);
  Cell times(const Cell& a, const Cell& b);
  Lit ge(const Cell& a, const Cell& b);
  Lit gt(const Cell& a, const Cell& b);

  CellMatrix identity(int dimension) const;
  CellMatrix product(const CellMatrix& a, const CellMatrix& b);

  // The entry's value in the solver's model.
  Entry value(const Cell& c) const;

 private:
  Semiring semiring_;
  UnsignedArithmetic& u_;
};

}  // namespace tessivar::engine::encodings

// Sums, products and comparisons of entries in the natural, arctic and
// tropical semirings, and the matrix product over them.
#include "engine/encodings/semiring_cells.h"

namespace tessivar::engine::encodings {

Cell CellAlgebra::zero() const {
  if (semiring_ == Semiring::Natural) return number(0);
  return Cell{u_.circuit().lit_false(), Unsigned{}};
}

Cell CellAlgebra::one() const { return number(semiring_ == Semiring::Natural ? 1 : 0); }

Cell CellAlgebra::number(uint64_t value) const {
  return Cell{u_.circuit().lit_true(), u_.constant(value)};
}

Cell CellAlgebra::unknown(int bits) {
  Circuit& c = u_.circuit();
  Cell cell{c.lit_true(), u_.fresh(bits)};
  if (semiring_ != Semiring::Natural) {
    cell.finite = c.fresh();
    for (Lit b : cell.value.bits) c.clause({cell.finite, -b});  // infinity has number 0
  }
  return cell;
}

Cell CellAlgebra::plus(const Cell& a, const Cell& b) {
  Circuit& c = u_.circuit();
  switch (semiring_) {
    case Semiring::Natural:
      return Cell{c.lit_true(), u_.add(a.value, b.value)};
    case Semiring::Arctic:
      if (c.is_false(a.finite)) return b;
      if (c.is_false(b.finite)) return a;
      return Cell{c.or2(a.finite, b.finite), u_.max(a.value, b.value)};
    case Semiring::Tropical: {
      if (c.is_false(a.finite)) return b;
      if (c.is_false(b.finite)) return a;
      Lit take_a = c.and2(a.finite, c.or2(-b.finite, u_.ge(b.value, a.value)));
      return Cell{c.or2(a.finite, b.finite), u_.select(take_a, a.value, b.value)};
    }
  }
  return a;
}

Cell CellAlgebra::times(const Cell& a, const Cell& b) {
  Circuit& c = u_.circuit();
  if (semiring_ == Semiring::Natural) return Cell{c.lit_true(), u_.mul(a.value, b.value)};
  Lit finite = c.and2(a.finite, b.finite);
  if (c.is_false(finite)) return zero();
  // An infinite factor has number 0, so the sum is the other number and
  // within the cap; the mask makes it 0 again.
  return Cell{finite, u_.masked(finite, u_.add(a.value, b.value))};
}

Lit CellAlgebra::ge(const Cell& a, const Cell& b) {
  Circuit& c = u_.circuit();
  switch (semiring_) {
    case Semiring::Natural:
      return u_.ge(a.value, b.value);
    case Semiring::Arctic:
      return c.and2(c.or2(a.finite, -b.finite), u_.ge(a.value, b.value));
    case Semiring::Tropical:
      return c.or2(-a.finite, c.and2(b.finite, u_.ge(a.value, b.value)));
  }
  return c.lit_false();
}

Lit CellAlgebra::gt(const Cell& a, const Cell& b) {
  Circuit& c = u_.circuit();
  switch (semiring_) {
    case Semiring::Natural:
      return u_.gt(a.value, b.value);
    case Semiring::Arctic:
      return c.and2(c.or2(a.finite, -b.finite), c.or2(-b.finite, u_.gt(a.value, b.value)));
    case Semiring::Tropical:
      return c.or2(-a.finite, c.and2(b.finite, u_.gt(a.value, b.value)));
  }
  return c.lit_false();
}

CellMatrix CellAlgebra::identity(int dimension) const {
  CellMatrix m(static_cast<size_t>(dimension), std::vector<Cell>(static_cast<size_t>(dimension), zero()));
  for (int i = 0; i < dimension; ++i) m[i][i] = one();
  return m;
}

CellMatrix CellAlgebra::product(const CellMatrix& a, const CellMatrix& b) {
  size_t rows = a.size(), inner = b.size(), cols = b.empty() ? 0 : b[0].size();
  CellMatrix m(rows, std::vector<Cell>(cols, zero()));
  for (size_t i = 0; i < rows; ++i)
    for (size_t j = 0; j < cols; ++j) {
      Cell sum = zero();
      for (size_t k = 0; k < inner; ++k) sum = plus(sum, times(a[i][k], b[k][j]));
      m[i][j] = sum;
    }
  return m;
}

Entry CellAlgebra::value(const Cell& c) const {
  if (!u_.circuit().value(c.finite)) return std::nullopt;
  return static_cast<int64_t>(u_.value(c.value));
}

}  // namespace tessivar::engine::encodings

// Sums, products and comparisons of binary entries in the natural, arctic
// and tropical semirings.
#include "engine/encodings/semiring_cells.h"

namespace tessivar::engine::encodings {

BinaryCell CellAlgebra::zero() const {
  if (semiring_ == Semiring::Natural) return number(0);
  return BinaryCell{u_.circuit().lit_false(), Unsigned{}};
}

BinaryCell CellAlgebra::one() const { return number(semiring_ == Semiring::Natural ? 1 : 0); }

BinaryCell CellAlgebra::number(uint64_t value) const {
  return BinaryCell{u_.circuit().lit_true(), u_.constant(value)};
}

BinaryCell CellAlgebra::unknown(int bits) {
  Circuit& c = u_.circuit();
  BinaryCell cell{c.lit_true(), u_.fresh(bits)};
  if (semiring_ != Semiring::Natural) {
    cell.finite = c.fresh();
    for (Lit b : cell.value.bits) c.clause({cell.finite, -b});  // infinity has number 0
  }
  return cell;
}

BinaryCell CellAlgebra::plus(const BinaryCell& a, const BinaryCell& b) {
  Circuit& c = u_.circuit();
  switch (semiring_) {
    case Semiring::Natural:
      return BinaryCell{c.lit_true(), u_.add(a.value, b.value)};
    case Semiring::Arctic:
      if (c.is_false(a.finite)) return b;
      if (c.is_false(b.finite)) return a;
      return BinaryCell{c.or2(a.finite, b.finite), u_.max(a.value, b.value)};
    case Semiring::Tropical: {
      if (c.is_false(a.finite)) return b;
      if (c.is_false(b.finite)) return a;
      Lit take_a = c.and2(a.finite, c.or2(-b.finite, u_.ge(b.value, a.value)));
      return BinaryCell{c.or2(a.finite, b.finite), u_.select(take_a, a.value, b.value)};
    }
  }
  return a;
}

BinaryCell CellAlgebra::times(const BinaryCell& a, const BinaryCell& b) {
  Circuit& c = u_.circuit();
  if (semiring_ == Semiring::Natural) return BinaryCell{c.lit_true(), u_.mul(a.value, b.value)};
  Lit finite = c.and2(a.finite, b.finite);
  if (c.is_false(finite)) return zero();
  // An infinite factor has number 0, so the sum is the other number and
  // within the cap; the mask makes it 0 again.
  return BinaryCell{finite, u_.masked(finite, u_.add(a.value, b.value))};
}

Lit CellAlgebra::ge(const BinaryCell& a, const BinaryCell& b) {
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

Lit CellAlgebra::gt(const BinaryCell& a, const BinaryCell& b) {
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

Entry CellAlgebra::value(const BinaryCell& c) const {
  if (!u_.circuit().value(c.finite)) return std::nullopt;
  return static_cast<int64_t>(u_.value(c.value));
}

}  // namespace tessivar::engine::encodings

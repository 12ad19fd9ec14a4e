// Maximum, minimum, sums and comparisons of order-encoded entries.
#include "engine/encodings/order_cells.h"

#include <algorithm>

namespace tessivar::engine::encodings {

OrderAlgebra::OrderAlgebra(Semiring semiring, Circuit& circuit, int cap)
    : semiring_(semiring), c_(circuit), cap_(static_cast<size_t>(cap)) {}

Lit OrderAlgebra::level(const Cell& a, size_t k) const {
  if (tropical()) return k < finite_levels(a) ? a.at_least[k] : infinite(a);
  return k < a.at_least.size() ? a.at_least[k] : c_.lit_false();
}

OrderCell OrderAlgebra::zero() const {
  if (tropical()) return Cell{{c_.lit_true(), c_.lit_true()}};
  return Cell{};
}

OrderCell OrderAlgebra::one() const {
  if (tropical()) return Cell{{c_.lit_true(), c_.lit_false()}};
  return Cell{{c_.lit_true()}};
}

OrderCell OrderAlgebra::unknown(int bits) {
  size_t largest = std::min(cap_, (size_t{1} << bits) - 1);
  Cell cell;
  cell.at_least.push_back(tropical() ? c_.lit_true() : c_.fresh());
  for (size_t k = 1; k <= largest; ++k) {
    cell.at_least.push_back(c_.fresh());
    c_.clause({-cell.at_least[k], cell.at_least[k - 1]});
  }
  if (tropical()) {
    Lit inf = c_.fresh();
    c_.clause({-inf, cell.at_least.back()});
    cell.at_least.push_back(inf);
  }
  return cell;
}

OrderCell OrderAlgebra::plus(const Cell& a, const Cell& b) {
  size_t n = std::max(finite_levels(a), finite_levels(b));
  Cell out;
  for (size_t k = 0; k < n; ++k)
    out.at_least.push_back(tropical() ? c_.and2(level(a, k), level(b, k)) : c_.or2(level(a, k), level(b, k)));
  if (tropical()) out.at_least.push_back(c_.and2(infinite(a), infinite(b)));
  return out;
}

OrderCell OrderAlgebra::times(const Cell& a, const Cell& b) {
  size_t na = finite_levels(a), nb = finite_levels(b);
  if (na == 0 || nb == 0) return zero();  // arctic minus infinity
  size_t top = na + nb - 2;  // largest finite sum
  size_t n = std::min(top, cap_) + 1;
  Cell out;
  for (size_t k = 0; k < n; ++k) {
    std::vector<Lit> terms;
    for (size_t i = (k + 1 > nb ? k + 1 - nb : 0); i < na && i <= k; ++i)
      terms.push_back(c_.and2(a.at_least[i], b.at_least[k - i]));
    if (tropical()) {
      terms.push_back(infinite(a));
      terms.push_back(infinite(b));
    }
    out.at_least.push_back(c_.or_n(terms));
  }
  // A finite sum above the cap is forbidden.
  size_t over = cap_ + 1;
  if (top >= over)
    for (size_t i = (over + 1 > nb ? over + 1 - nb : 0); i < na && i <= over; ++i) {
      std::vector<Lit> clause = {-a.at_least[i], -b.at_least[over - i]};
      if (tropical()) {
        clause.push_back(infinite(a));
        clause.push_back(infinite(b));
      }
      c_.clause(clause);
    }
  if (tropical()) out.at_least.push_back(c_.or2(infinite(a), infinite(b)));
  return out;
}

Lit OrderAlgebra::ge(const Cell& a, const Cell& b) {
  std::vector<Lit> all;
  size_t n = std::max(finite_levels(a), finite_levels(b));
  for (size_t k = 0; k < n; ++k) all.push_back(c_.or2(-level(b, k), level(a, k)));
  if (tropical()) all.push_back(c_.or2(-infinite(b), infinite(a)));
  return c_.and_n(all);
}

// Arctic: a > b or b is minus infinity. Tropical: a > b or a is plus
// infinity.
Lit OrderAlgebra::gt(const Cell& a, const Cell& b) {
  std::vector<Lit> all;
  size_t n = std::max(finite_levels(a), finite_levels(b));
  for (size_t k = 0; k < n; ++k) all.push_back(c_.or2(-level(b, k), level(a, k + 1)));
  if (tropical()) all.push_back(c_.or2(-infinite(b), infinite(a)));
  return c_.and_n(all);
}

Lit OrderAlgebra::finite(const Cell& a) const { return tropical() ? -infinite(a) : level(a, 0); }

Entry OrderAlgebra::value(const Cell& cell) const {
  if (!c_.value(finite(cell))) return std::nullopt;
  int64_t v = 0;
  while (static_cast<size_t>(v + 1) < finite_levels(cell) && c_.value(cell.at_least[static_cast<size_t>(v + 1)])) ++v;
  return v;
}

}  // namespace tessivar::engine::encodings

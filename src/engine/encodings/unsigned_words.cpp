// Bounded unsigned sums, products, comparisons and selections as gates.
#include "engine/encodings/unsigned_words.h"

#include <algorithm>

namespace tessivar::engine::encodings {

Unsigned UnsignedArithmetic::constant(uint64_t value) const {
  Unsigned n;
  for (; value != 0; value >>= 1) n.bits.push_back(c_.constant(value & 1));
  return n;
}

Unsigned UnsignedArithmetic::fresh(int width) {
  Unsigned n;
  for (int i = 0; i < width; ++i) n.bits.push_back(c_.fresh());
  return n;
}

Unsigned UnsignedArithmetic::capped(std::vector<Lit> bits) {
  for (size_t i = static_cast<size_t>(cap_); i < bits.size(); ++i) c_.assert_lit(-bits[i]);
  if (bits.size() > static_cast<size_t>(cap_)) bits.resize(static_cast<size_t>(cap_));
  while (!bits.empty() && c_.is_false(bits.back())) bits.pop_back();
  return Unsigned{std::move(bits)};
}

smt::Word UnsignedArithmetic::signed_word(const Unsigned& a, size_t width) const {
  smt::Word w(width, c_.lit_false());
  std::copy(a.bits.begin(), a.bits.begin() + static_cast<long>(std::min(width, a.bits.size())),
            w.begin());
  return w;
}

Unsigned UnsignedArithmetic::add(const Unsigned& a, const Unsigned& b) {
  if (a.bits.empty()) return b;
  if (b.bits.empty()) return a;
  // One more bit for the carry and one for the (zero) sign of the circuit's
  // two's complement words.
  size_t width = std::max(a.bits.size(), b.bits.size()) + 2;
  smt::Word sum = c_.add(signed_word(a, width), signed_word(b, width), static_cast<int>(width));
  sum.pop_back();
  return capped(std::move(sum));
}

Unsigned UnsignedArithmetic::mul(const Unsigned& a, const Unsigned& b) {
  const Unsigned& x = a.bits.size() <= b.bits.size() ? a : b;
  const Unsigned& y = a.bits.size() <= b.bits.size() ? b : a;
  Unsigned total;
  for (size_t i = 0; i < x.bits.size(); ++i) {
    Lit xi = x.bits[i];
    if (c_.is_false(xi)) continue;
    std::vector<Lit> row(i, c_.lit_false());
    for (size_t j = 0; j < y.bits.size(); ++j) {
      if (i + j >= static_cast<size_t>(cap_)) {
        // This bit of the product would lie above the cap: forbid it
        // without a gate.
        if (!c_.is_false(y.bits[j])) c_.clause({-xi, -y.bits[j]});
        continue;
      }
      row.push_back(c_.and2(xi, y.bits[j]));
    }
    total = add(total, capped(std::move(row)));
  }
  return total;
}

Unsigned UnsignedArithmetic::select(Lit condition, const Unsigned& then_value,
                                    const Unsigned& else_value) {
  size_t width = std::max(then_value.bits.size(), else_value.bits.size());
  std::vector<Lit> bits(width);
  for (size_t i = 0; i < width; ++i) {
    Lit t = i < then_value.bits.size() ? then_value.bits[i] : c_.lit_false();
    Lit e = i < else_value.bits.size() ? else_value.bits[i] : c_.lit_false();
    bits[i] = c_.ite(condition, t, e);
  }
  return capped(std::move(bits));
}

Unsigned UnsignedArithmetic::max(const Unsigned& a, const Unsigned& b) {
  if (a.bits.empty()) return b;
  if (b.bits.empty()) return a;
  return select(ge(a, b), a, b);
}

Unsigned UnsignedArithmetic::min(const Unsigned& a, const Unsigned& b) {
  if (a.bits.empty() || b.bits.empty()) return Unsigned{};
  return select(ge(a, b), b, a);
}

Unsigned UnsignedArithmetic::masked(Lit keep, const Unsigned& a) {
  std::vector<Lit> bits(a.bits.size());
  for (size_t i = 0; i < bits.size(); ++i) bits[i] = c_.and2(keep, a.bits[i]);
  return capped(std::move(bits));
}

Lit UnsignedArithmetic::ge(const Unsigned& a, const Unsigned& b) {
  if (b.bits.empty()) return c_.lit_true();
  size_t width = std::max(a.bits.size(), b.bits.size()) + 1;
  return c_.le(signed_word(b, width), signed_word(a, width));
}

Lit UnsignedArithmetic::nonzero(const Unsigned& a) { return c_.or_n(a.bits); }

uint64_t UnsignedArithmetic::value(const Unsigned& a) const {
  uint64_t v = 0;
  for (size_t i = 0; i < a.bits.size() && i < 64; ++i)
    if (c_.value(a.bits[i])) v |= uint64_t{1} << i;
  return v;
}

}  // namespace tessivar::engine::encodings

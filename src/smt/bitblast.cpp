#include "smt/bitblast.h"

#include <cadical.hpp>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace tessivar::smt {

namespace {

uint64_t pair_key(Lit a, Lit b) {
  return (static_cast<uint64_t>(static_cast<uint32_t>(a)) << 32) | static_cast<uint32_t>(b);
}

}  // namespace

int width_for(Int lo, Int hi) {
  int w = 1;
  while (w < 127) {
    Int top = (static_cast<Int>(1) << (w - 1));
    if (lo >= -top && hi <= top - 1) return w;
    ++w;
  }
  return 127;
}

Circuit::Circuit(CaDiCaL::Solver* solver) : s_(solver) {
  true_ = fresh();
  assert_lit(true_);
}

Lit Circuit::fresh() {
  if (next_var_ == INT32_MAX) throw std::runtime_error("too many SAT variables");
  return next_var_++;
}

void Circuit::clause(const std::vector<Lit>& lits) {
  for (Lit l : lits) s_->add(l);
  s_->add(0);
  ++clauses_;
}

Lit Circuit::and2(Lit a, Lit b) {
  if (is_false(a) || is_false(b) || a == -b) return lit_false();
  if (is_true(a)) return b;
  if (is_true(b) || a == b) return a;
  if (a > b) std::swap(a, b);
  auto [it, fresh_gate] = and_cache_.try_emplace(pair_key(a, b), 0);
  if (!fresh_gate) return it->second;
  Lit x = fresh();
  it->second = x;
  clause({-x, a});
  clause({-x, b});
  clause({x, -a, -b});
  return x;
}

Lit Circuit::xor2(Lit a, Lit b) {
  if (is_false(a)) return b;
  if (is_false(b)) return a;
  if (is_true(a)) return -b;
  if (is_true(b)) return -a;
  bool flip = (a < 0) != (b < 0);
  a = std::abs(a);
  b = std::abs(b);
  if (a == b) return constant(flip);
  if (a > b) std::swap(a, b);
  auto [it, fresh_gate] = xor_cache_.try_emplace(pair_key(a, b), 0);
  if (fresh_gate) {
    Lit x = fresh();
    it->second = x;
    clause({-x, a, b});
    clause({-x, -a, -b});
    clause({x, -a, b});
    clause({x, a, -b});
  }
  return flip ? -it->second : it->second;
}

Lit Circuit::ite(Lit c, Lit t, Lit e) {
  if (is_true(c)) return t;
  if (is_false(c)) return e;
  if (t == e) return t;
  if (t == -e) return -xor2(c, t);
  if (is_true(t) || t == c) return or2(c, e);
  if (is_false(t) || t == -c) return and2(-c, e);
  if (is_true(e) || e == -c) return or2(-c, t);
  if (is_false(e) || e == c) return and2(c, t);
  Lit x = fresh();
  clause({-c, -t, x});
  clause({-c, t, -x});
  clause({c, -e, x});
  clause({c, e, -x});
  clause({-t, -e, x});  // redundant, helps propagation
  clause({t, e, -x});
  return x;
}

Lit Circuit::and_n(std::vector<Lit> lits) {
  std::vector<Lit> keep;
  for (Lit l : lits) {
    if (is_false(l)) return lit_false();
    if (!is_true(l)) keep.push_back(l);
  }
  std::sort(keep.begin(), keep.end());
  keep.erase(std::unique(keep.begin(), keep.end()), keep.end());
  for (Lit l : keep)
    if (l > 0 && std::binary_search(keep.begin(), keep.end(), -l)) return lit_false();
  if (keep.empty()) return lit_true();
  if (keep.size() == 1) return keep[0];
  if (keep.size() == 2) return and2(keep[0], keep[1]);
  Lit x = fresh();
  std::vector<Lit> big{x};
  for (Lit l : keep) {
    clause({-x, l});
    big.push_back(-l);
  }
  clause(big);
  return x;
}

Lit Circuit::or_n(std::vector<Lit> lits) {
  for (Lit& l : lits) l = -l;
  return -and_n(std::move(lits));
}

void Circuit::full_adder(Lit a, Lit b, Lit c, Lit* sum, Lit* carry) {
  // Move a constant (if any) into c, then fold.
  if (is_const(a)) std::swap(a, c);
  else if (is_const(b)) std::swap(b, c);
  if (is_const(c) || a == b || a == -b) {
    if (is_false(c)) {
      *sum = xor2(a, b);
      *carry = and2(a, b);
    } else if (is_true(c)) {
      *sum = -xor2(a, b);
      *carry = or2(a, b);
    } else if (a == b) {
      *sum = c;
      *carry = a;
    } else {  // a == -b: exactly one of them is set
      *sum = -c;
      *carry = c;
    }
    return;
  }
  Lit s = fresh(), k = fresh();
  clause({-a, -b, -c, s});
  clause({-a, -b, c, -s});
  clause({-a, b, -c, -s});
  clause({-a, b, c, s});
  clause({a, -b, -c, -s});
  clause({a, -b, c, s});
  clause({a, b, -c, s});
  clause({a, b, c, -s});
  clause({-a, -b, k});
  clause({-a, -c, k});
  clause({-b, -c, k});
  clause({a, b, -k});
  clause({a, c, -k});
  clause({b, c, -k});
  *sum = s;
  *carry = k;
}

Word Circuit::word_const(Int value, int width) const {
  Word w(width);
  for (int i = 0; i < width; ++i) {
    w[i] = constant(value & 1);
    value >>= 1;  // arithmetic shift keeps the sign
  }
  return w;
}

Word Circuit::fresh_word(int width) {
  Word w(width);
  for (Lit& l : w) l = fresh();
  return w;
}

Word Circuit::resize(const Word& a, int width) const {
  if (a.empty()) return word_const(0, width);
  Word w(a.begin(), a.begin() + std::min<size_t>(a.size(), width));
  while (static_cast<int>(w.size()) < width) w.push_back(a.back());
  return w;
}

Word Circuit::add(const Word& a, const Word& b, int width, Lit carry_in) {
  Word x = resize(a, width), y = resize(b, width), r(width);
  Lit carry = carry_in == 0 ? lit_false() : carry_in;
  for (int i = 0; i < width; ++i) {
    Lit k;
    full_adder(x[i], y[i], carry, &r[i], &k);
    carry = k;
  }
  return r;
}

Word Circuit::sub(const Word& a, const Word& b, int width) {
  Word nb = resize(b, width);
  for (Lit& l : nb) l = -l;
  return add(a, nb, width, lit_true());
}

Word Circuit::neg(const Word& a, int width) { return sub(word_const(0, width), a, width); }

Word Circuit::mul_const(const Word& a, Int c, int width) {
  if (c == 0) return word_const(0, width);
  if (c < 0) return neg(mul_const(a, -c, width + 1), width);
  Word x = resize(a, width), acc;
  for (int i = 0; i < width && (c >> i) != 0; ++i) {
    if (!((c >> i) & 1)) continue;
    Word term(width, lit_false());
    for (int j = i; j < width; ++j) term[j] = x[j - i];
    acc = acc.empty() ? term : add(acc, term, width);
  }
  return acc.empty() ? word_const(0, width) : acc;
}

Word Circuit::mux(Lit c, const Word& t, const Word& e, int width) {
  Word x = resize(t, width), y = resize(e, width), r(width);
  for (int i = 0; i < width; ++i) r[i] = ite(c, x[i], y[i]);
  return r;
}

Lit Circuit::eq(const Word& a, const Word& b) {
  int w = static_cast<int>(std::max(a.size(), b.size()));
  Word x = resize(a, w), y = resize(b, w);
  std::vector<Lit> bits(w);
  for (int i = 0; i < w; ++i) bits[i] = iff2(x[i], y[i]);
  return and_n(std::move(bits));
}

Lit Circuit::lt(const Word& a, const Word& b) {
  int w = static_cast<int>(std::max(a.size(), b.size()));
  Word x = resize(a, w), y = resize(b, w);
  // Signed order is unsigned order with the sign bits flipped. From the
  // lowest bit up: where the bits differ, b's bit decides.
  x[w - 1] = -x[w - 1];
  y[w - 1] = -y[w - 1];
  Lit less = lit_false();
  for (int i = 0; i < w; ++i) less = ite(iff2(x[i], y[i]), less, y[i]);
  return less;
}

bool Circuit::value(Lit a) const {
  if (is_true(a)) return true;
  if (is_false(a)) return false;
  return s_->val(a) > 0;
}

Int Circuit::value(const Word& w) const {
  Int v = 0;
  for (size_t i = 0; i < w.size(); ++i)
    if (value(w[i])) v |= static_cast<Int>(1) << i;
  if (!w.empty() && w.size() < 128 && value(w.back())) v -= static_cast<Int>(1) << w.size();
  return v;
}

}  // namespace tessivar::smt

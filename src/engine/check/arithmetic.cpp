// Overflow-checked 128-bit arithmetic and the semirings of the checker.
#include "engine/check/arithmetic.h"

#include <optional>

#include "engine/check/check.h"

namespace tessivar::engine::checking {

Int checked_add(Int a, Int b) {
  Int r;
  if (__builtin_add_overflow(a, b, &r)) throw CheckFailure("arithmetic overflow (a sum exceeds 127 bits)");
  return r;
}

Int checked_multiply(Int a, Int b) {
  Int r;
  if (__builtin_mul_overflow(a, b, &r)) throw CheckFailure("arithmetic overflow (a product exceeds 127 bits)");
  return r;
}

std::string to_string(Int v) {
  if (v == 0) return "0";
  bool negative = v < 0;
  std::string digits;
  while (v != 0) {
    int d = static_cast<int>(v % 10);
    digits.insert(digits.begin(), static_cast<char>('0' + (negative ? -d : d)));
    v /= 10;
  }
  return negative ? "-" + digits : digits;
}

std::string to_string(Value v, Semiring s) {
  if (!v.infinite) return to_string(v.number);
  return s == Semiring::Arctic ? "-inf" : "+inf";
}

Value semiring_zero(Semiring s) { return s == Semiring::Natural ? Value{false, 0} : Value{true, 0}; }

Value semiring_one(Semiring s) { return s == Semiring::Natural ? Value{false, 1} : Value{false, 0}; }

Value semiring_plus(Semiring s, Value a, Value b) {
  switch (s) {
    case Semiring::Natural:
      return {false, checked_add(a.number, b.number)};
    case Semiring::Arctic:
      if (a.infinite) return b;
      if (b.infinite) return a;
      return {false, std::max(a.number, b.number)};
    case Semiring::Tropical:
      if (a.infinite) return b;
      if (b.infinite) return a;
      return {false, std::min(a.number, b.number)};
  }
  throw CheckFailure("unknown semiring");
}

Value semiring_times(Semiring s, Value a, Value b) {
  if (s == Semiring::Natural) return {false, checked_multiply(a.number, b.number)};
  if (a.infinite || b.infinite) return {true, 0};
  return {false, checked_add(a.number, b.number)};
}

namespace {

// An infinite value on either side decides a comparison by itself: the
// arctic one is below everything, the tropical one above everything (and
// above itself, which excuses the comparison). Nothing when both are finite.
std::optional<bool> decided_by_infinity(Semiring s, Value a, Value b) {
  if (s == Semiring::Arctic) {
    if (b.infinite) return true;
    if (a.infinite) return false;
  } else if (s == Semiring::Tropical) {
    if (a.infinite) return true;
    if (b.infinite) return false;
  }
  return std::nullopt;
}

}  // namespace

bool weakly_greater(Semiring s, Value a, Value b) {
  return decided_by_infinity(s, a, b).value_or(a.number >= b.number);
}

bool strictly_greater(Semiring s, Value a, Value b) {
  return decided_by_infinity(s, a, b).value_or(a.number > b.number);
}

ValueMatrix identity(Semiring s, size_t d) {
  ValueMatrix m(d, std::vector<Value>(d, semiring_zero(s)));
  for (size_t i = 0; i < d; ++i) m[i][i] = semiring_one(s);
  return m;
}

ValueMatrix multiply(Semiring s, const ValueMatrix& a, const ValueMatrix& b) {
  size_t n = a.size(), m = b.size(), k = m == 0 ? 0 : b[0].size();
  ValueMatrix c(n, std::vector<Value>(k, semiring_zero(s)));
  for (size_t i = 0; i < n; ++i)
    for (size_t j = 0; j < k; ++j) {
      Value sum = semiring_zero(s);
      for (size_t l = 0; l < m; ++l) sum = semiring_plus(s, sum, semiring_times(s, a[i][l], b[l][j]));
      c[i][j] = sum;
    }
  return c;
}

}  // namespace tessivar::engine::checking

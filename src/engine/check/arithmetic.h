// Exact arithmetic of the checker: 128-bit integers whose every sum and
// product is checked for overflow (an overflow fails the check), and the
// three semirings of matrix interpretations over them.
#pragma once

#include <string>
#include <vector>

#include "engine/certificate/proof.h"

namespace tessivar::engine::checking {

using Int = __int128;

// A semiring element: a number, or the semiring's infinity (minus infinity
// in the arctic semiring, plus infinity in the tropical one).
struct Value {
  bool infinite = false;
  Int number = 0;
};
using ValueMatrix = std::vector<std::vector<Value>>;

Int checked_add(Int a, Int b);
Int checked_multiply(Int a, Int b);
std::string to_string(Int v);
std::string to_string(Value v, Semiring s);

Value semiring_zero(Semiring s);
Value semiring_one(Semiring s);
Value semiring_plus(Semiring s, Value a, Value b);
Value semiring_times(Semiring s, Value a, Value b);

// a >= b in the semiring's order (minus infinity lowest, plus infinity highest).
bool weakly_greater(Semiring s, Value a, Value b);
// The entrywise strict decrease: a > b, or for arctic b is minus infinity,
// for tropical a is plus infinity.
bool strictly_greater(Semiring s, Value a, Value b);

ValueMatrix identity(Semiring s, size_t d);
// a (n x m) times b (m x k); the caller guarantees the shapes.
ValueMatrix multiply(Semiring s, const ValueMatrix& a, const ValueMatrix& b);

}  // namespace tessivar::engine::checking

// Exact values of words under small arctic (max-plus) matrices, for the
// local search to judge a candidate interpretation quickly.
//
// This is the search's own arithmetic (the checker confirms every step
// independently). Minus infinity is a reserved value; a sum that does not
// fit in 64 bits makes the product fail, never pass.
#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "engine/problem/problem.h"

namespace tessivar::engine::encodings {

class ArcticEvaluator {
 public:
  static constexpr int64_t kMinusInfinity = std::numeric_limits<int64_t>::min();
  using Values = std::vector<int64_t>;  // a d x d matrix, row-major

  // symbol_matrices[s] is the matrix of symbol s (dense numbering).
  ArcticEvaluator(std::vector<Values> symbol_matrices, size_t dimension);

  // The matrix of a word of dense symbols; false when some value does not fit.
  bool product(const Word& w, Values* out) const;

 private:
  std::vector<Values> symbols_;
  size_t d_;
};

}  // namespace tessivar::engine::encodings

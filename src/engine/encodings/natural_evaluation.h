// Exact values of words under natural matrices, for the local search to
// judge a candidate interpretation quickly.
//
// This is the search's own arithmetic (the checker confirms every step
// independently). Values are unsigned 64-bit; a value that does not fit
// makes the product fail, never pass.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/problem/problem.h"

namespace tessivar::engine::encodings {

using NaturalMatrix = std::vector<std::vector<uint64_t>>;

class NaturalEvaluator {
 public:
  // symbol_matrices[s] is the matrix of symbol s (dense numbering).
  explicit NaturalEvaluator(std::vector<NaturalMatrix> symbol_matrices);

  using WideMatrix = std::vector<uint64_t>;  // row-major
  // The matrix of a word of dense symbols; false when some value does not fit.
  bool product(const Word& w, WideMatrix* out) const;

 private:
  using Wide = uint64_t;

  std::vector<NaturalMatrix> symbols_;
  size_t d_;
};

}  // namespace tessivar::engine::encodings

// Exact values of words under natural matrices, for the search to judge a
// candidate interpretation quickly: which rules it fails to decrease, and
// which it decreases strictly.
//
// This is the search's own arithmetic (the checker confirms every step
// independently). Values are unsigned 64-bit; a value that does not fit
// makes the comparison fail, never pass.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/problem/problem.h"

namespace tessivar::engine::encodings {

using NaturalMatrix = std::vector<std::vector<uint64_t>>;

struct RuleJudgement {
  bool weak = false;    // every entry of the left side at least the right side's
  bool strict = false;  // weak, and the strict entry larger
};

class NaturalEvaluator {
 public:
  // symbol_matrices[s] is the matrix of symbol s (dense numbering); the
  // strict decrease is asked of entry (0, strict_column).
  NaturalEvaluator(std::vector<NaturalMatrix> symbol_matrices, size_t strict_column);

  // Word of dense symbols.
  RuleJudgement judge(const Word& lhs, const Word& rhs) const;

  using WideMatrix = std::vector<uint64_t>;  // row-major
  // The matrix of a word of dense symbols; false when some value does not fit.
  bool product(const Word& w, WideMatrix* out) const;
  size_t dimension() const { return d_; }
  size_t strict_column() const { return strict_column_; }

 private:
  using Wide = uint64_t;

  std::vector<NaturalMatrix> symbols_;
  size_t d_, strict_column_;
};

}  // namespace tessivar::engine::encodings

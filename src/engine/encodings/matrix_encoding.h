// The search for a matrix interpretation that removes rules of a relative
// problem, or pairs of a top-mode one, as one SAT problem solved by
// CaDiCaL in-process.
//
// Every symbol gets a matrix of unknown entries of a few bits; every rule
// side's matrix is the product of its symbols' matrices, computed along a
// plan that builds each shared factor once. Every rule, strict or weak,
// must decrease weakly and at least one strict rule strictly. Sums and
// products are cut at a cap (the circuit forbids larger values), which
// bounds the search but keeps every value read back exact.
#pragma once

#include <cstdint>

#include "engine/certificate/proof.h"
#include "engine/encodings/stop_condition.h"
#include "engine/problem/problem.h"

namespace tessivar::engine::encodings {

// Natural matrices only: which entries are unknown.
//   Full        every entry; (1,1) and (d,d) at least 1.
//   Affine      the last row is (0 .. 0 1): a linear map plus a constant.
//   Triangular  affine, and zero below the diagonal.
enum class Shape { Full, Affine, Triangular };

struct MatrixSettings {
  Semiring semiring = Semiring::Natural;
  int dimension = 1;
  int bits = 2;   // of every unknown entry
  int cap = 4;    // every value computed is below 2^cap
  Shape shape = Shape::Affine;
  // Natural, full shape, not top mode: the strict decrease is asked of entry (1,1)
  // (and only that entry must be at least 1) instead of (1,d).
  bool strict_first_entry = false;
};

enum class SearchOutcome { Found, Exhausted, Stopped };

struct MatrixSearchResult {
  SearchOutcome outcome = SearchOutcome::Stopped;
  // When found: the interpretation of every symbol of the problem, and in
  // `remove` every rule (strict ones first, then weak ones, each in the
  // problem's order) the model makes strictly decreasing.
  MatrixStep step;
  uint64_t variables = 0, clauses = 0;
  size_t products = 0;  // matrix products the encoding built
  double encode_seconds = 0, solve_seconds = 0;
};

// In top mode marked symbols get rows and only pairs are removed; the
// semiring is natural or arctic.
MatrixSearchResult search_matrix_interpretation(const Problem& problem, const MatrixSettings& settings,
                                                const StopCondition& stop);

}  // namespace tessivar::engine::encodings

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
#include <memory>

#include "engine/certificate/proof.h"
#include "engine/encodings/stop_condition.h"
#include "engine/problem/problem.h"

namespace tessivar::engine::encodings {

// Natural matrices only: which entries are unknown.
//   Full        every entry; (1,1) and (d,d) at least 1.
//   Affine      the last row is (0 .. 0 1): a linear map plus a constant.
//   Triangular  affine, and zero below the diagonal.
enum class Shape { Full, Affine, Triangular };

// Local search only. FailingRules counts the rules that fail to decrease
// weakly; Graded sums by how much each entry fails (in bits for naturals),
// and how far each strict rule is from a strict decrease.
enum class LocalScore { FailingRules, Graded };

struct MatrixSettings {
  Semiring semiring = Semiring::Natural;
  int dimension = 1;
  int bits = 2;   // of every unknown entry
  // Binary entries: every value computed is below 2^cap. Order-encoded
  // entries: every finite value is at most cap.
  int cap = 4;
  Shape shape = Shape::Affine;
  // Natural, full shape, not top mode: the strict decrease is asked of entry (1,1)
  // (and only that entry must be at least 1) instead of (1,d).
  bool strict_first_entry = false;
  // Arctic and tropical only: entries in the order encoding (one literal per
  // value) instead of binary numbers.
  bool order_encoding = false;
  // Natural and arctic, not in top mode: no SAT solver; a local search over
  // entries of `bits` bits, full shape (see local_search.h). The cap is not
  // used.
  bool local_search = false;
  // Local search only: how a candidate is scored (see local_search.h), and
  // the seed of its random source, so that two searches differ.
  LocalScore local_score = LocalScore::FailingRules;
  uint64_t local_seed = 1;
};

// OverMemory: the process passed the stop condition's memory ceiling while
// this search encoded or solved; its formula is let go and it is not
// resumed.
enum class SearchOutcome { Found, Exhausted, Stopped, OverMemory };

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

// One search that can be resumed: run() encodes the problem (the first
// time) and solves until `stop`; after Stopped, the next run() goes on with
// everything the solver has learnt. In top mode marked symbols get rows and
// only pairs are removed; the semiring is natural or arctic. Bad settings
// or problems throw std::invalid_argument.
class MatrixSearch {
 public:
  MatrixSearch(Problem problem, const MatrixSettings& settings);
  ~MatrixSearch();
  MatrixSearch(const MatrixSearch&) = delete;
  MatrixSearch& operator=(const MatrixSearch&) = delete;

  MatrixSearchResult run(const StopCondition& stop);
  const Problem& problem() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// A search run once.
MatrixSearchResult search_matrix_interpretation(const Problem& problem, const MatrixSettings& settings,
                                                const StopCondition& stop);

}  // namespace tessivar::engine::encodings

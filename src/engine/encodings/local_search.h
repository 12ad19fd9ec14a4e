// A stochastic local search for natural matrix interpretations with small
// entries, for systems whose long rule sides make the SAT encodings large
// and slow.
//
// The state is one matrix per symbol with entries 0..2^bits-1 (entry (1,1),
// and unless the strict entry is (1,1) also (d,d), at least 1). A step
// changes one random entry and keeps the change unless it makes more rules
// fail to decrease weakly (with a small chance of keeping it anyway); a
// state where every rule decreases weakly and some strict rule strictly is
// a find. Restarts from a random state after a fixed number of steps. The
// random source is seeded, so a run is repeatable; a resumed search goes on
// with its state.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "engine/encodings/matrix_encoding.h"
#include "engine/encodings/natural_evaluation.h"

namespace tessivar::engine::encodings {

class LocalMatrixSearch {
 public:
  // Natural semiring only; the shape is always full.
  LocalMatrixSearch(const Problem& problem, const MatrixSettings& settings);

  // Searches until a find or the stop condition (never Exhausted).
  MatrixSearchResult run(const StopCondition& stop);

 private:
  struct Score {
    size_t failing = 0;  // rules not weakly decreasing
    size_t strict = 0;   // strict rules strictly decreasing
    double value() const { return static_cast<double>(failing) + (strict == 0 ? 0.5 : 0.0); }
  };

  bool allowed(size_t cell, uint64_t value) const;
  void restart();
  // Stops counting once more than `failing_limit` rules fail; the rules
  // that failed most recently are judged first.
  Score score(size_t failing_limit);
  NaturalEvaluator evaluator() const;
  MatrixStep step_of_state() const;

  const Problem& problem_;
  MatrixSettings settings_;
  size_t d_;
  std::vector<Symbol> symbols_;
  std::vector<const Rule*> rules_;  // strict ones first
  std::vector<Word> sides_;         // lhs, rhs per rule, dense symbols
  std::vector<size_t> order_;       // rules in the order score() judges them
  std::vector<uint64_t> cells_;     // symbol-major, row-major
  std::mt19937_64 random_;
  Score current_;
  size_t steps_left_ = 0;
};

}  // namespace tessivar::engine::encodings

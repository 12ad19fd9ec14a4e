// A stochastic local search for natural and arctic matrix interpretations
// with small entries, for systems whose long rule sides make the SAT
// encodings large and slow.
//
// The state is one matrix per symbol with entries 0..2^bits-1, and in the
// arctic semiring also minus infinity. Natural: entry (1,1), and unless the
// strict entry is (1,1) also (d,d), is at least 1; arctic: entry (1,1) is
// finite. A step changes one random entry and keeps the change unless it
// makes the score worse, with a small chance of keeping it anyway; a state
// where every rule decreases weakly and some strict rule strictly is a
// find. Restarts from a random state after a fixed number of steps. The
// random source is seeded, so a run is repeatable; a resumed search goes on
// with its state.
//
// Two scores, which find different problems' interpretations first:
// - failing rules: the number of rules that do not decrease weakly, and
//   half a point while no strict rule decreases strictly; a worse state is
//   kept with a fixed small chance;
// - graded: by how much each entry of a right side exceeds its left side
//   (in bits for naturals, in units for arctic values), plus a small part
//   of how far each strict rule is from a strict decrease; a worse state is
//   kept with a chance that falls exponentially with how much worse it is.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "engine/encodings/arctic_evaluation.h"
#include "engine/encodings/matrix_encoding.h"
#include "engine/encodings/natural_evaluation.h"

namespace tessivar::engine::encodings {

class LocalMatrixSearch {
 public:
  // Natural or arctic semiring; the shape is always full; no top mode.
  LocalMatrixSearch(const Problem& problem, const MatrixSettings& settings);

  // Searches until a find or the stop condition; Exhausted only when the
  // problem has no symbols, so that every side is the empty word.
  MatrixSearchResult run(const StopCondition& stop);

 private:
  struct Score {
    size_t failing = 0;  // rules not weakly decreasing
    size_t strict = 0;   // strict rules strictly decreasing
    double excess = 0;   // graded only: the sum described above
  };
  // How far one rule is from decreasing: zero excess is a weak decrease,
  // and zero shortfall as well a strict one.
  struct RuleFit {
    double weak_excess = 0;
    double strict_shortfall = 0;
  };
  // Evaluates every rule under the current state.
  class Judge;

  bool arctic() const { return settings_.semiring == Semiring::Arctic; }
  size_t strict_column() const;
  uint64_t random_entry();
  bool allowed(size_t cell, uint64_t value) const;
  void restart();
  double value(const Score& s) const;
  double lower_bound(const Score& s) const;
  // The worst value the next step may have and still be kept.
  double acceptance_threshold();
  // Stops judging once the value is sure to exceed `limit`; the rules that
  // failed most recently are judged first.
  Score score(double limit);
  void add_rule(const RuleFit& fit, size_t rule, Score* s) const;
  MatrixStep step_of_state() const;

  const Problem& problem_;
  MatrixSettings settings_;
  size_t d_;
  std::vector<Symbol> symbols_;
  std::vector<const Rule*> rules_;  // strict ones first
  std::vector<Word> sides_;         // lhs, rhs per rule, dense symbols
  std::vector<size_t> order_;       // rules in the order score() judges them
  std::vector<uint64_t> cells_;     // symbol-major, row-major; kNull is minus infinity
  std::mt19937_64 random_;
  std::uniform_real_distribution<double> unit_{0.0, 1.0};
  Score current_;
  size_t steps_left_ = 0;
};

}  // namespace tessivar::engine::encodings

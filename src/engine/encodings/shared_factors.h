// A plan for multiplying the matrices of many words with each shared factor
// computed once.
//
// Rule sides of large systems repeat the same factors many times. The plan
// is a straight-line grammar found by repeatedly naming the most frequent
// pair of adjacent letters (pair replacement): letters 0..symbols-1 are the
// symbols, every later letter is the product of a pair of earlier ones, and
// each word becomes a short sequence of letters. The encodings then build a
// matrix per letter and multiply along each sequence.
#pragma once

#include <utility>
#include <vector>

#include "engine/problem/problem.h"

namespace tessivar::engine::encodings {

struct FactorPlan {
  int symbols = 0;
  // Letter symbols + k is pairs[k].first followed by pairs[k].second.
  std::vector<std::pair<int, int>> pairs;
  std::vector<std::vector<int>> words;  // each input word as letters

  // Matrix products the plan costs: one per pair, and one per letter after
  // the first of every word.
  size_t products() const;
};

// Symbols of the words are 0..symbols-1.
FactorPlan plan_shared_factors(const std::vector<Word>& words, int symbols);

// The symbols a letter stands for (to check a plan).
Word expand(const FactorPlan& plan, int letter);

}  // namespace tessivar::engine::encodings

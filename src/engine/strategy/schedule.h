// The schedule: which matrix interpretations each of the two search threads
// tries, in which order, and for how long.
//
// Each thread works through its list on the current problem; an attempt
// gets its budget times 2^round, where the round counts the passes over the
// list since the problem last changed. An attempt that proved there is no
// interpretation within its bounds is not tried again on the same problem.
// When one thread removes rules, both start over on the smaller problem.
#pragma once

#include <string>
#include <vector>

#include "engine/encodings/matrix_encoding.h"
#include "engine/problem/problem.h"

namespace tessivar::engine::strategy {

struct Attempt {
  encodings::MatrixSettings settings;
  bool reversed = false;  // search on the reversed problem
  double budget = 1.0;    // seconds in round 0
  // Instead of one removal: the whole dependency-pair path
  // (processors/top_proof.h) with its own attempts; settings unused.
  bool dependency_pairs = false;
};

// The lists of the threads, in thread order, for the given problem (the
// caps follow the length of its sides).
std::vector<std::vector<Attempt>> default_schedule(const Problem& problem);

// "natural d3 b2 c5 affine reversed", for progress messages.
std::string describe(const Attempt& a);

}  // namespace tessivar::engine::strategy

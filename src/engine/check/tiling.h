// The check of a tiling step, independent of the search that found it.
#pragma once

#include <vector>

#include "engine/certificate/tiling.h"
#include "engine/check/check.h"
#include "engine/problem/problem.h"

namespace tessivar::engine {

// Throws CheckFailure unless `t` is a well-formed set of width-k tiles over
// the symbols of `strict` (k >= 2; left borders only at the start, right
// borders only at the end, at most k-1 of each; no tile twice; a name, all
// distinct and without white space, exactly for the tiles that end in a
// symbol), no left side of `strict` is empty, and T covers the closure:
//   (a) every tile of every padded right side is in T;
//   (b) for every rule l -> r, left context c (k-1 letters, left borders
//       then symbols) and right context e (k-1 symbols, or fewer followed
//       by the end of the word): if every tile of c l e is in T, so is
//       every tile of c r e (both followed by >^(k-1) when e ends the word);
//   (c) for every rule l -> r, split l = u z with u and z not empty, and
//       left context c: if every tile of c u >^(k-1) is in T, so is every
//       tile of c r >^(k-1).
// Returns the labelled rules lab_c(l e) -> lab_c(r e) for every (l -> r,
// c, e) of (b) whose premise holds, each once, in a fixed order.
std::vector<NamedRule> check_tiling(const std::vector<NamedRule>& strict, const Tiling& t);

}  // namespace tessivar::engine

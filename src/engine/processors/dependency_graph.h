// The dependency graph of a top-mode problem, and its split into parts
// that can be proved one by one.
//
// An edge leads from pair p to pair q when the right side of p and the left
// side of q start with the same marked symbol: only then can q follow p in
// a chain, since rules never touch the marked head. An infinite chain stays,
// from some point on, inside one strongly connected component of this
// graph, so each component with a cycle is proved on its own and pairs on
// no cycle are dropped. This is the graph a certificate's checker draws.
#pragma once

#include <vector>

#include "engine/certificate/proof.h"
#include "engine/problem/problem.h"

namespace tessivar::engine::processors {

// The strongly connected components of the graph of p's strict pairs that
// contain a cycle, as indices into p.strict, each in increasing order, the
// components ordered by their first pair.
std::vector<std::vector<size_t>> cyclic_components(const Problem& p);

// The components as top-mode problems with p's weak rules.
std::vector<Problem> graph_components(const Problem& p);

// The certificate's graph step: each component with the proof of its pairs.
StepPtr graph_step(const std::vector<Problem>& components, std::vector<StepPtr> proofs);

}  // namespace tessivar::engine::processors

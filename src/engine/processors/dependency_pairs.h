// The dependency-pair transformation of a string rewriting system.
//
// A rule l -> r whose right side holds a defined symbol (a first symbol of
// some left side) at position i gives the pair l[1]# l[2..] -> r[i]# r[i+1..].
// The system terminates if there is no infinite chain of pairs, each applied
// at the top of a word, with any number of rule steps anywhere in between:
// the result is a top-mode problem with the pairs strict and the rules weak.
// Marked symbols get a name of their own, the base name with "#" appended;
// when that name is already taken by an input symbol, another mark is used,
// and such a proof cannot be written as a certificate.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/problem/problem.h"

namespace tessivar::engine::processors {

// The mark of certificates.
inline const std::string certificate_mark = "#";

struct DependencyPairs {
  Problem problem;      // top mode: S = the pairs, W = the rules
  std::string mark;     // what follows a defined symbol's name in its marked name
  bool certifiable;     // whether a certificate can state this step
};

// The first symbols of left sides, in increasing order.
std::vector<Symbol> defined_symbols(const std::vector<Rule>& rules);

// The pairs of a problem without weak rules, outside top mode, with no
// empty left side; nullopt for any other problem. Duplicate pairs are
// dropped, the first kept, so the pairs come in the certificate's order.
std::optional<DependencyPairs> dependency_pairs(const Problem& p);

}  // namespace tessivar::engine::processors

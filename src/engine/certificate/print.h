// The proof as a person reads it: each step with the rules it removes, its
// interpretation and what is left.
#pragma once

#include <functional>
#include <ostream>
#include <vector>

#include "engine/certificate/proof.h"

namespace tessivar::engine {

// What the printer leaves to others: the labelled rules of a tiling step
// are the checker's to compute. Without them the printer says how the
// proof goes on but not which rules are left.
struct PrintContext {
  std::function<std::vector<NamedRule>(const std::vector<NamedRule>& strict, const Tiling& tiling)> labelled_rules;
};

void print_proof(std::ostream& out, const Certificate& c, const PrintContext& context = {});

}  // namespace tessivar::engine

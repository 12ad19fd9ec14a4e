// The proof as a person reads it: each step with the rules it removes, its
// interpretation and what is left.
#pragma once

#include <ostream>

#include "engine/certificate/proof.h"

namespace tessivar::engine {

void print_proof(std::ostream& out, const Certificate& c);

}  // namespace tessivar::engine

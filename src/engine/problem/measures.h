// Measures of a problem that choose how it is searched: the length of its
// longest side, and the cap on arctic and tropical values that leaves room
// for the products along such a side.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/problem/problem.h"

namespace tessivar::engine {

// The longest left or right side of the rules (at least 1).
size_t longest_side(const std::vector<Rule>& rules);
// The same over S and W.
size_t longest_side(const Problem& p);

// The bits a value needs (0 for 0).
int bits_for(uint64_t value);

// The bits of arctic and tropical values for entries of `bits` bits along
// sides of `longest` symbols: room for a side of entries of about half the
// largest value, one bit to spare, from bits + 1 to 12.
int additive_cap(int bits, size_t longest);

}  // namespace tessivar::engine

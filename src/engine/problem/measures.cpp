// Measures of a problem.
#include "engine/problem/measures.h"

#include <algorithm>

namespace tessivar::engine {

size_t longest_side(const std::vector<Rule>& rules) {
  size_t n = 1;
  for (const Rule& r : rules) n = std::max({n, r.lhs.size(), r.rhs.size()});
  return n;
}

size_t longest_side(const Problem& p) { return std::max(longest_side(p.strict), longest_side(p.weak)); }

int bits_for(uint64_t value) {
  int b = 0;
  while (b < 64 && (value >> b)) ++b;
  return b;
}

int additive_cap(int bits, size_t longest) {
  uint64_t largest = (uint64_t{1} << bits) - 1;
  return std::clamp(bits_for(largest * longest / 2 + 1) + 1, bits + 1, 12);
}

}  // namespace tessivar::engine

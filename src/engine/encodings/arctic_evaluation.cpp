// Max-plus products with minus infinity and overflow detection.
#include "engine/encodings/arctic_evaluation.h"

#include <algorithm>

namespace tessivar::engine::encodings {

ArcticEvaluator::ArcticEvaluator(std::vector<Values> symbol_matrices, size_t dimension)
    : symbols_(std::move(symbol_matrices)), d_(dimension) {}

bool ArcticEvaluator::product(const Word& w, Values* out) const {
  Values m(d_ * d_, kMinusInfinity), next(d_ * d_);
  for (size_t i = 0; i < d_; ++i) m[i * d_ + i] = 0;
  for (Symbol s : w) {
    const Values& a = symbols_[static_cast<size_t>(s)];
    for (size_t i = 0; i < d_; ++i)
      for (size_t j = 0; j < d_; ++j) {
        int64_t best = kMinusInfinity;
        for (size_t k = 0; k < d_; ++k) {
          int64_t x = m[i * d_ + k], y = a[k * d_ + j], sum;
          if (x == kMinusInfinity || y == kMinusInfinity) continue;
          if (__builtin_add_overflow(x, y, &sum)) return false;
          best = std::max(best, sum);
        }
        next[i * d_ + j] = best;
      }
    m.swap(next);
  }
  *out = std::move(m);
  return true;
}

}  // namespace tessivar::engine::encodings

// Products of natural matrices in 64 bits with overflow detection.
#include "engine/encodings/natural_evaluation.h"

namespace tessivar::engine::encodings {

NaturalEvaluator::NaturalEvaluator(std::vector<NaturalMatrix> symbol_matrices)
    : symbols_(std::move(symbol_matrices)), d_(symbols_.empty() ? 0 : symbols_[0].size()) {}

bool NaturalEvaluator::product(const Word& w, WideMatrix* out) const {
  WideMatrix m(d_ * d_, 0), next = m;
  for (size_t i = 0; i < d_; ++i) m[i * d_ + i] = 1;
  for (Symbol s : w) {
    const NaturalMatrix& a = symbols_[static_cast<size_t>(s)];
    for (size_t i = 0; i < d_; ++i)
      for (size_t j = 0; j < d_; ++j) {
        Wide sum = 0;
        for (size_t k = 0; k < d_; ++k) {
          Wide term;
          if (__builtin_mul_overflow(m[i * d_ + k], a[k][j], &term) || __builtin_add_overflow(sum, term, &sum))
            return false;
        }
        next[i * d_ + j] = sum;
      }
    m.swap(next);
  }
  *out = std::move(m);
  return true;
}

}  // namespace tessivar::engine::encodings

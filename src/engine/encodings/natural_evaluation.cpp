// Products of natural matrices in 64 bits with overflow detection.
#include "engine/encodings/natural_evaluation.h"

namespace tessivar::engine::encodings {

NaturalEvaluator::NaturalEvaluator(std::vector<NaturalMatrix> symbol_matrices, size_t strict_column)
    : symbols_(std::move(symbol_matrices)),
      d_(symbols_.empty() ? 0 : symbols_[0].size()),
      strict_column_(strict_column) {}

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

RuleJudgement NaturalEvaluator::judge(const Word& lhs, const Word& rhs) const {
  WideMatrix l, r;
  RuleJudgement j;
  if (!product(lhs, &l) || !product(rhs, &r)) return j;
  for (size_t a = 0; a < d_; ++a)
    for (size_t b = 0; b < d_; ++b)
      if (l[a * d_ + b] < r[a * d_ + b]) return j;
  j.weak = true;
  j.strict = l[strict_column_] > r[strict_column_];
  return j;
}

}  // namespace tessivar::engine::encodings

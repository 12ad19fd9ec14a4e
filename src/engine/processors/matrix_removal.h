// Rule removal by a matrix interpretation: the encoding searches, the
// checker confirms the step exactly, and only then are rules removed.
//
// The processor keeps its search between calls on the same rules, so a
// search stopped by its budget goes on where it was, with what the solver
// has learnt.
#pragma once

#include <memory>
#include <string>

#include "engine/encodings/matrix_encoding.h"
#include "engine/processors/processor.h"

namespace tessivar::engine::processors {

class MatrixRemoval : public Processor {
 public:
  explicit MatrixRemoval(encodings::MatrixSettings settings) : settings_(settings) {}

  const char* technique() const override { return "matrices"; }
  std::string describe() const override;
  Result apply(const Problem& problem, const encodings::StopCondition& stop) override;

  bool resumable() const override { return search_ != nullptr; }
  uint64_t kept_clauses() const override { return search_ ? clauses_ : 0; }

 private:
  encodings::MatrixSettings settings_;
  std::unique_ptr<encodings::MatrixSearch> search_;
  uint64_t clauses_ = 0;
};

// "natural d3 b2 c5 affine", for progress reports.
std::string describe(const encodings::MatrixSettings& s);

}  // namespace tessivar::engine::processors

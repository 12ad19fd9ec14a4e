// Semantic labelling by tiles as a processor: the problem is labelled by
// the least set of tiles of a given width that covers the closure of its
// rules (processors/tiling.h), and the labelled problem is then proved on
// the spot, by matrix interpretations that remove its rules one step after
// another (back to the first attempt after every removal) and, for what
// they leave, the dependency-pair path. Labelled systems have many more
// symbols and rules than the system, but each rule says more: they often
// have interpretations that the system lacks.
//
// The processor proves the problem or fails: a labelling alone is never
// handed back, so the other attempts go on with the problem as it was.
#pragma once

#include <string>
#include <vector>

#include "engine/processors/processor.h"
#include "engine/processors/tiling.h"
#include "engine/processors/top_proof.h"

namespace tessivar::engine::processors {

struct LabelledPlan {
  std::vector<MatrixAttempt> removals;   // on the labelled problem, in order
  DependencyPairPlan dependency_pairs;   // on what they leave
};

class TilingPath : public Processor {
 public:
  TilingPath(int width, TilingLimits limits, LabelledPlan plan)
      : width_(width), limits_(limits), plan_(std::move(plan)) {}
  const char* technique() const override { return "tiling"; }
  std::string describe() const override { return "tiling width " + std::to_string(width_); }
  Result apply(const Problem& problem, const encodings::StopCondition& stop) override;

 private:
  int width_;
  TilingLimits limits_;
  LabelledPlan plan_;
};

}  // namespace tessivar::engine::processors

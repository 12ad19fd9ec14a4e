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
// Stopped by its time, it keeps the labelled problem, the removals found
// and the dependency-pair path's memory, and its next application to the
// same problem goes on from there.
#pragma once

#include <optional>
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
  bool resumable() const override { return progress_.has_value(); }
  uint64_t kept_clauses() const override { return state_.memory.kept_clauses(); }

 private:
  // The labelling of the problem keyed by problem_key_ and the removals
  // found on it so far (chain: the tiling step, then theirs), whether every
  // removal attempt has found that none of its kind exists on what they
  // leave, and the applications so far.
  struct Progress {
    std::vector<StepNode> chain;
    Problem rest;
    std::string figures;  // the labelling's sizes
    bool removals_exhausted = false;
    int turns = 0;
  };
  void remove_rules(Progress& p, const encodings::StopCondition& stop);
  Result finish(Progress& p, const std::string& figures, const encodings::StopCondition& stop);

  int width_;
  TilingLimits limits_;
  LabelledPlan plan_;
  std::string problem_key_;
  std::optional<Progress> progress_;
  PathState state_;
};

}  // namespace tessivar::engine::processors

// Match bounds as a processor: a problem without weak rules, outside top
// mode, is proved by a compatible automaton that bounds the match heights
// of every derivation from the right sides of its forward closures (the
// search is processors/match_bounds.h). The proof ends its branch.
#pragma once

#include "engine/processors/match_bounds.h"
#include "engine/processors/processor.h"

namespace tessivar::engine::processors {

class MatchBoundProof : public Processor {
 public:
  explicit MatchBoundProof(MatchBoundLimits limits = {}) : limits_(limits) {}
  const char* technique() const override { return "match-bounds"; }
  std::string describe() const override;
  Result apply(const Problem& problem, const encodings::StopCondition& stop) override;

 private:
  MatchBoundLimits limits_;
};

}  // namespace tessivar::engine::processors

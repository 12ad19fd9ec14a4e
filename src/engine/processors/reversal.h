// Reversal: every side of the strict and weak rules read backwards. A
// system terminates (relatively) exactly when its reversal does, and the
// reversed system often has an interpretation of a shape the original lacks.
#pragma once

#include "engine/processors/processor.h"

namespace tessivar::engine::processors {

class Reversal : public Processor {
 public:
  const char* technique() const override { return "reverse"; }
  std::string describe() const override { return "reverse"; }
  // Not applicable in top mode.
  Result apply(const Problem& problem, const encodings::StopCondition& stop) override;
};

}  // namespace tessivar::engine::processors

// Rule removal by a matrix interpretation: the encoding searches, the
// checker confirms the step exactly, and only then are rules removed.
#pragma once

#include <string>

#include "engine/encodings/matrix_encoding.h"
#include "engine/processors/processor.h"

namespace tessivar::engine::processors {

enum class RemovalOutcome {
  Removed,    // step checked, rules removed
  NotFound,   // no interpretation within the settings' bounds
  Stopped,    // deadline or cancelled
  Refused,    // the search's step failed its check (a fault of the search)
};

struct Removal {
  RemovalOutcome outcome = RemovalOutcome::Stopped;
  ChainStep step;   // Removed: the checked matrix step
  Problem rest;     // Removed: the problem without the removed rules
  std::string why;  // Refused: the checker's message
  encodings::MatrixSearchResult search;  // sizes and times of the search
};

Removal remove_by_matrix(const Problem& problem, const encodings::MatrixSettings& settings,
                         const encodings::StopCondition& stop);

}  // namespace tessivar::engine::processors

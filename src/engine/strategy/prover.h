// The proof search over time and two threads: rule removal by matrix
// interpretations, in both orientations, and the dependency-pair path,
// until no strict rule is left or the time is up; beside them a third
// thread looks for a loop a fifth of the time. The first answer wins. The
// certificate it returns has passed the whole check.
#pragma once

#include <optional>
#include <ostream>
#include <vector>

#include "engine/certificate/proof.h"
#include "engine/strategy/schedule.h"

namespace tessivar::engine::strategy {

struct ProveOptions {
  double timeout = 60;            // seconds for the whole search
  // The process's resident memory in MB past which an attempt is given up
  // (and its formula let go); 0: no ceiling.
  size_t memory_mb = 0;
  std::ostream* progress = nullptr;  // progress messages, or none
  // The techniques the search may use.
  Selection selection;
  // The threads' lists of attempts for every problem; empty: the plan of
  // the schedule table for each problem on the way.
  std::vector<std::vector<Attempt>> schedule;
  // False for a program that exits after the search: the searches' memory
  // is then left to the system instead of freed one solver at a time.
  bool free_searches = true;
  // Where to say why the answer is MAYBE, if anywhere: the time limit was
  // reached (and what was being tried), or every attempt was made.
  std::string* maybe_reason = nullptr;
  std::string timeout_text;  // the time limit as the user wrote it, for that reason; empty: from `timeout`
};

// A YES or NO certificate of the input rules (in their order), or nothing
// (the answer is MAYBE). A step that fails its check is reported on std::cerr
// and never used.
std::optional<Certificate> prove(const std::vector<NamedRule>& input, const ProveOptions& options);

}  // namespace tessivar::engine::strategy

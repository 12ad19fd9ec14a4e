// When a search must give up: a deadline, the search's own time budget,
// and a flag another thread sets when the search's result is no longer
// wanted. The budget counts the solver's time only: an encoding cut short
// would be thrown away, so it runs on until the deadline.
#pragma once

#include <atomic>
#include <algorithm>
#include <chrono>

namespace tessivar::engine::encodings {

using Clock = std::chrono::steady_clock;

struct StopCondition {
  Clock::time_point deadline = Clock::time_point::max();
  Clock::time_point budget_end = Clock::time_point::max();  // set by the solver from the budget
  double budget_seconds = 1e9;
  const std::atomic<bool>* cancel = nullptr;

  // The same condition with the budget starting now.
  StopCondition budget_from_now() const {
    StopCondition s = *this;
    auto budget = std::chrono::duration<double>(std::min(budget_seconds, 1e7));
    s.budget_end = Clock::now() + std::chrono::duration_cast<Clock::duration>(budget);
    return s;
  }

  bool cancelled() const { return cancel != nullptr && cancel->load(std::memory_order_relaxed); }
  // For the solver.
  bool reached() const { return cancelled() || Clock::now() >= std::min(deadline, budget_end); }
  // For the encoding.
  bool deadline_reached() const { return cancelled() || Clock::now() >= deadline; }
};

}  // namespace tessivar::engine::encodings

// When a search must give up: a deadline, the search's own time budget,
// a flag another thread sets when the search's result is no longer
// wanted, and a ceiling on the process's memory. The budget counts the
// solver's time only: an encoding cut short would be thrown away, so it
// runs on until the deadline. It is time on the clock, or the processor
// time of the thread that solves, which is the same work in a slice
// however busy the machine is. A search that passes the memory ceiling
// gives up for good (see SearchOutcome::OverMemory).
#pragma once

#include <atomic>
#include <algorithm>
#include <chrono>
#include <cstddef>

namespace tessivar::engine::encodings {

using Clock = std::chrono::steady_clock;

struct StopCondition {
  Clock::time_point deadline = Clock::time_point::max();
  Clock::time_point budget_end = Clock::time_point::max();  // set by the solver from the budget
  double budget_seconds = 1e9;
  bool budget_in_thread_time = false;
  double thread_budget_end = 0;  // thread processor seconds; set with budget_end
  const std::atomic<bool>* cancel = nullptr;
  size_t memory_limit = 0;  // bytes the whole process may hold resident; 0: no ceiling

  // The same condition with the budget starting now (in the calling
  // thread, which must be the one that asks reached()).
  StopCondition budget_from_now() const {
    StopCondition s = *this;
    double seconds = std::min(budget_seconds, 1e7);
    if (budget_in_thread_time) {
      s.thread_budget_end = thread_seconds() + seconds;
      return s;
    }
    s.budget_end = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    return s;
  }

  // The same condition ending `seconds` from now at the latest.
  StopCondition within(double seconds) const {
    StopCondition s = *this;
    auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                  std::chrono::duration<double>(std::min(seconds, 1e7)));
    s.deadline = std::min(deadline, end);
    return s;
  }

  bool cancelled() const { return cancel != nullptr && cancel->load(std::memory_order_relaxed); }
  // For the solver.
  bool reached() const {
    if (cancelled() || Clock::now() >= std::min(deadline, budget_end)) return true;
    return budget_in_thread_time && thread_budget_end > 0 && thread_seconds() >= thread_budget_end;
  }
  // For the encoding.
  bool deadline_reached() const { return cancelled() || Clock::now() >= deadline; }
  // Whether the process holds more than the ceiling (reads the kernel's
  // count: call it every so often, not in an inner loop).
  bool memory_reached() const;
  // The processor time of the calling thread.
  static double thread_seconds();
};

}  // namespace tessivar::engine::encodings

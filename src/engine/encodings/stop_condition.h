// When a search must give up: a deadline, and a flag another thread sets
// when the search's result is no longer wanted.
#pragma once

#include <atomic>
#include <chrono>

namespace tessivar::engine::encodings {

using Clock = std::chrono::steady_clock;

struct StopCondition {
  Clock::time_point deadline = Clock::time_point::max();
  const std::atomic<bool>* cancel = nullptr;

  bool reached() const {
    return (cancel != nullptr && cancel->load(std::memory_order_relaxed)) || Clock::now() >= deadline;
  }
};

}  // namespace tessivar::engine::encodings

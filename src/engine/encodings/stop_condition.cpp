// The memory ceiling of a stop condition, as the kernel counts the process.
#include "engine/encodings/stop_condition.h"

#include <ctime>

#include "smt/memory.h"

namespace tessivar::engine::encodings {

bool StopCondition::memory_reached() const {
  return memory_limit != 0 && smt::resident_bytes() > memory_limit;
}

double StopCondition::thread_seconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

}  // namespace tessivar::engine::encodings

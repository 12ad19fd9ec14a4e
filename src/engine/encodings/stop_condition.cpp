// The memory ceiling of a stop condition, as the kernel counts the process.
#include "engine/encodings/stop_condition.h"

#include "smt/memory.h"

namespace tessivar::engine::encodings {

bool StopCondition::memory_reached() const {
  return memory_limit != 0 && smt::resident_bytes() > memory_limit;
}

}  // namespace tessivar::engine::encodings

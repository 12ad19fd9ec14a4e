// The process's own memory use, as the kernel counts it: what the memory
// limit of tessivar-smt watches and --stats reports.
#pragma once

#include <cstddef>

namespace tessivar::smt {

// Bytes of the process now resident in memory; 0 if the kernel does not say.
size_t resident_bytes();

// The most bytes the process has had resident at once so far; 0 if the
// kernel does not say.
size_t peak_resident_bytes();

}  // namespace tessivar::smt

#include "smt/memory.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace tessivar::smt {

size_t resident_bytes() {
  // /proc/self/statm: total program size, then resident pages.
  std::FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return 0;
  unsigned long size = 0, resident = 0;
  int got = std::fscanf(f, "%lu %lu", &size, &resident);
  std::fclose(f);
  if (got != 2) return 0;
  return static_cast<size_t>(resident) * static_cast<size_t>(::sysconf(_SC_PAGESIZE));
}

size_t peak_resident_bytes() {
  std::FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return 0;
  char line[256];
  unsigned long kb = 0;
  while (std::fgets(line, sizeof line, f))
    if (std::strncmp(line, "VmHWM:", 6) == 0) {
      std::sscanf(line + 6, "%lu", &kb);
      break;
    }
  std::fclose(f);
  return static_cast<size_t>(kb) * 1024;
}

}  // namespace tessivar::smt

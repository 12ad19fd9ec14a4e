#include "common/fout.h"

#include <cstdio>
#include <cstdlib>

void Fout(const std::string& kind, const std::string& what) {
  std::fflush(stdout);
  std::fprintf(stderr, "tessivar: %s: %s\n", kind.c_str(), what.c_str());
  std::fflush(stderr);
  std::_Exit(42);
}

void Bereikfout(const std::string& what) {
  Fout("run-time error", "value out of range (" + what + ")");
}

void Iofout(const std::string& what) { Fout("input/output error", what); }

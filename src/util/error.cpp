#include "util/error.h"

#include <cstdio>
#include <cstdlib>

void FatalError(const std::string& kind, const std::string& what) {
#ifdef TESSIVAR_FATAL_ERRORS_THROW
  throw StoppedRun("tessivar: " + kind + ": " + what);
#else
  std::fflush(stdout);
  std::fprintf(stderr, "tessivar: %s: %s\n", kind.c_str(), what.c_str());
  std::fflush(stderr);
  std::_Exit(42);
#endif
}

void RangeError(const std::string& what) {
  FatalError("run-time error", "value out of range (" + what + ")");
}

void InputError(const std::string& what) { FatalError("input error", what); }

void IoError(const std::string& what) { FatalError("input/output error", what); }

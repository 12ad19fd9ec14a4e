// The two provers as tessivar-run starts them and reads their ends: the
// classic prover (tessivar, in a folder of its own with "param" and the
// system on standard input) and the engine (tessivar-prove PROBLEM
// --timeout S [--certificate F], verdict on its first line).
#pragma once
#include <string>

#include "run/process.h"

enum class ProverKind { Classic, Engine };

struct Prover {
  ProverKind kind;
  Job job;
};

// How a prover's run ended, as the user is told.
struct ProverEnd {
  std::string verdict;     // YES, NO or MAYBE; "" when it failed
  std::string failure;     // what went wrong, when it failed
  int failure_status = 0;  // 2 when it refused the input, 1 otherwise
  std::string proof;       // its output after the verdict (the classic prover's whole output)
  std::string reason;      // why the engine answered MAYBE, if its line after MAYBE says
};

const char* ProverName(ProverKind k);   // "classic", "engine"
const char* ProverTitle(ProverKind k);  // "the classic prover (tessivar)", ...

// The verdict, or the failure, of a prover's run. `errors` is what it wrote
// on standard error, for the engine's reason of a refusal.
ProverEnd JudgeEnd(ProverKind k, const JobOutcome& o, const std::string& errors);

bool IsDefinite(const std::string& verdict);  // YES or NO

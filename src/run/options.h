// The command line of tessivar-run: its option table, read by the shared
// conventions of util/command_line.h.
#pragma once
#include <string>

#include "util/command_line.h"

using tessivar::UsageError;

enum class ProverChoice { Classic, Engine, Both };

struct Options {
  std::string problem, param, keep_dir, certificate, engine;
  std::string category;  // as a competition names it; "" when not given
  double limit = 0;      // seconds; 0: none
  std::string memory;    // the engine's memory ceiling in MB, as given; "": its default
  ProverChoice prover;
  bool prover_given = false;  // --prover was on the command line
  bool follow = false;
  bool verbose = false;
};

// The name tessivar-run --name prints, as a competition lists the tool.
extern const char* const kToolName;

// The one category of the termination competition whose problems are read.
extern const char* const kSrsCategory;

// "classic", "engine" or "both".
ProverChoice ParseProverChoice(const std::string& name);
const char* ProverChoiceName(ProverChoice p);

// Reads the command line into *in. Returns -1 when the run goes on;
// otherwise the exit status, once the help, the version or the tool's name
// has been printed (0) or a wrong command line reported (2).
int ParseArguments(int argc, char** argv, Options* in);

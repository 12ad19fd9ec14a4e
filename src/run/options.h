// The command line of tessivar-run: its options, as "--opt value" or
// "--opt=value", and the usage text.
#pragma once
#include <stdexcept>
#include <string>

// Wrong use of the command: reported with the usage, exit status 2.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

enum class ProverChoice { Classic, Engine, Both };

struct Options {
  std::string problem, param, keep_dir, certificate, engine;
  double limit = 0;  // seconds; 0: none
  ProverChoice prover;
  bool prover_given = false;  // --prover was on the command line
  bool follow = false;
  bool help = false;
};

extern const char* const kRunUsage;

// "classic", "engine" or "both".
ProverChoice ParseProverChoice(const std::string& name);
const char* ProverChoiceName(ProverChoice p);

// Throws UsageError for a command line that is not of the usage.
Options ParseArguments(int argc, char** argv);

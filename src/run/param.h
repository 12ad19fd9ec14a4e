// The classic prover's parameter file as the runner hands it over: the
// built-in settings, or the user's file read strictly and written again in
// the seven plain lines that the prover reads as meant. The solver named on
// its first line must be a program that can be started.
#pragma once
#include <stdexcept>
#include <string>

// The environment does not allow the run: a missing program, a folder that
// cannot be made. The programs report it and exit with status 1.
struct EnvironmentError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Bytes the prover keeps of the solver's command line.
constexpr size_t MaxSolverCommandBytes = 255;

// The built-in settings (run/defaults.h) with the solver front end found
// in `bin_dir`. Throws EnvironmentError when it is not there.
std::string DefaultParam(const std::string& bin_dir);

// The parameter file at `path`, checked and normalised: seven lines, the
// solver's command line, then six integers, each alone on its line (a
// comment may follow it after a blank). Throws ProblemError for a file
// that is not of this form, EnvironmentError when its solver cannot be
// started.
std::string ReadParam(const std::string& path);

// The command line's first word as the shell sees it, or "" when that
// depends on the shell's expansions (a variable, an assignment).
std::string CommandProgram(const std::string& command_line);

// Throws EnvironmentError unless the first word of the command line is a
// program the shell can start: a path to an executable file, or a name
// found in PATH.
void CheckSolverStarts(const std::string& command_line, const std::string& where);

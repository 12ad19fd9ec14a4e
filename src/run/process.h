// Runs the prover as a process group that can be stopped as a whole: the
// prover starts the solver through the shell, and a time limit must reach
// both, leaving nothing behind.
#pragma once
#include <cstddef>
#include <functional>
#include <string>

struct RunOutcome {
  int status = -1;         // exit status, -1 when the prover did not exit normally
  int signal_number = 0;   // the signal that ended it, if one did
  bool timed_out = false;  // stopped at the time limit
  int interrupted_by = 0;  // the signal that interrupted tessivar-run itself, if any
};

// Seconds of a clock that does not jump.
double MonotonicSeconds();

// From now on SIGINT, SIGTERM and SIGHUP make a running RunInProcessGroup stop
// its group and return (with `interrupted_by` set) instead of ending this
// process and leaving the group running; SIGPIPE is ignored.
void CatchStopSignals();

// Runs the program `program` without arguments in folder `dir`, in a new process
// group, standard input from the file `input`, standard error shared with
// this process; hands every piece of its standard output to `out`. With
// `limit` > 0 seconds the group gets SIGTERM when the time is up and
// SIGKILL one second later. Returns after every process of the group has
// ended. Throws std::runtime_error when the program cannot be started.
RunOutcome RunInProcessGroup(const std::string& program, const std::string& dir,
                             const std::string& input, double limit,
                             const std::function<void(const char*, size_t)>& out);

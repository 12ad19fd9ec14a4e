// Runs the prover as a process group that can be stopped as a whole: the
// prover starts the solver through the shell, and a time limit must reach
// both, leaving nothing behind.
#pragma once
#include <cstddef>
#include <functional>
#include <string>

struct Afloop {
  int status = -1;      // exit status, -1 when the prover did not exit normally
  int signaal = 0;      // the signal that ended it, if one did
  bool tijdop = false;  // stopped at the time limit
  int onderbroken = 0;  // the signal that interrupted tessivar-run itself, if any
};

// Seconds of a clock that does not jump.
double Nu();

// From now on SIGINT, SIGTERM and SIGHUP make a running Draaiingroep stop
// its group and return (with `onderbroken` set) instead of ending this
// process and leaving the group running; SIGPIPE is ignored.
void Vangsignalen();

// Runs the program `prog` without arguments in folder `map`, in a new process
// group, standard input from the file `invoer`, standard error shared with
// this process; hands every piece of its standard output to `uit`. With
// `limiet` > 0 seconds the group gets SIGTERM when the time is up and
// SIGKILL one second later. Returns after every process of the group has
// ended. Throws std::runtime_error when the program cannot be started.
Afloop Draaiingroep(const std::string& prog, const std::string& map, const std::string& invoer,
                    double limiet, const std::function<void(const char*, size_t)>& uit);

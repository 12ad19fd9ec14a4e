// Runs provers as process groups that can be stopped as a whole: the
// classic prover starts its solver through the shell, and a time limit, an
// interrupt or the answer of another prover must reach all of them and
// leave nothing behind. A guardian process does the same if the runner
// itself is killed without a chance to clean up.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// One program to run, in a new process group of its own.
struct Job {
  std::string program;
  std::vector<std::string> arguments;
  std::string dir;         // its current folder
  std::string input;       // the file on its standard input
  std::string error_file;  // the file that receives its standard error
};

struct JobOutcome {
  std::string out;         // its standard output
  int status = -1;         // exit status, -1 when it did not exit normally
  int signal_number = 0;   // the signal that ended it, if one did
  bool stopped = false;    // stopped by the runner (time limit, interrupt, another's answer)
};

struct RunOutcome {
  std::vector<JobOutcome> jobs;
  int first_decisive = -1;  // the job whose end settled the run, if one did
  bool timed_out = false;   // the time limit stopped what was still running
  int interrupted_by = 0;   // the signal that interrupted the runner, if any
};

// Seconds of a clock that does not jump.
double MonotonicSeconds();

// From now on SIGINT, SIGTERM and SIGHUP make a running RunJobs stop its
// groups and return (with `interrupted_by` set) instead of ending this
// process and leaving the groups running; SIGPIPE is ignored.
void CatchStopSignals();

// Runs the jobs side by side. When a job ends, `decisive(i, outcome)` says
// whether its answer settles the run; the other jobs are then stopped. With
// `limit` > 0 seconds every job still running is stopped when the time is
// up. Stopping a job sends SIGTERM to its group and SIGKILL one second
// later. Returns after every process of every group has ended; `follow`
// sees each piece of output as it comes. If this process dies first, a
// guardian kills the groups and removes `cleanup_dir`. `tick`, when given,
// is called at least every tenth of a second while jobs run. Throws
// std::runtime_error when a job cannot be started.
RunOutcome RunJobs(const std::vector<Job>& jobs, double limit, const std::string& cleanup_dir,
                   const std::function<bool(size_t, const JobOutcome&)>& decisive,
                   const std::function<void(size_t, const char*, size_t)>& follow,
                   const std::function<void()>& tick = nullptr);

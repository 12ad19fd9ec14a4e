#include "run/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <stdexcept>

namespace {

volatile sig_atomic_t caught_signal = 0;

void OnStopSignal(int sig) { caught_signal = sig; }

void SleepSeconds(double s) {
  timespec t{static_cast<time_t>(s), static_cast<long>((s - static_cast<time_t>(s)) * 1e9)};
  nanosleep(&t, nullptr);
}

// Whether the leader has ended; it stays a zombie, so its number, which is
// also the group's, cannot be reused while the group is being stopped.
bool HasEnded(pid_t pid) {
  siginfo_t si;
  std::memset(&si, 0, sizeof si);
  return waitid(P_PID, pid, &si, WEXITED | WNOHANG | WNOWAIT) == 0 && si.si_pid == pid;
}

[[noreturn]] void ThrowSystemError(const std::string& what) {
  throw std::runtime_error(what + ": " + std::strerror(errno));
}

}  // namespace

double MonotonicSeconds() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

void CatchStopSignals() {
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = OnStopSignal;
  sigemptyset(&sa.sa_mask);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &sa, nullptr);
  // A reader that goes away early (| head) must not end us before the
  // temporary folder is removed.
  signal(SIGPIPE, SIG_IGN);
}

RunOutcome RunInProcessGroup(const std::string& program, const std::string& dir,
                             const std::string& input, double limit,
                             const std::function<void(const char*, size_t)>& out) {
  // Processes the prover leaves orphaned come to us, so we can wait for them.
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  int in = open(input.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) ThrowSystemError("cannot open " + input);
  int fd[2];
  if (pipe2(fd, O_CLOEXEC) != 0) ThrowSystemError("cannot make a pipe");
  pid_t pid = fork();
  if (pid < 0) ThrowSystemError("cannot start the prover");
  if (pid == 0) {
    setpgid(0, 0);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) signal(s, SIG_DFL);
    dup2(in, 0);
    dup2(fd[1], 1);
    if (chdir(dir.c_str()) == 0)
      execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    std::string m = "tessivar-run: cannot run " + program + ": " + std::strerror(errno) + "\n";
    ssize_t w = write(2, m.data(), m.size());
    (void)w;
    _exit(127);
  }
  setpgid(pid, pid);  // also here, so the group exists before any kill below
  close(fd[1]);
  close(in);

  RunOutcome outcome;
  const double deadline = limit > 0 ? MonotonicSeconds() + limit : 0;
  bool pipe_open = true;
  char buf[1 << 16];
  while (true) {
    if (caught_signal) {
      outcome.interrupted_by = caught_signal;
      break;
    }
    double wait_seconds = 0.2;
    if (deadline > 0) {
      double remaining = deadline - MonotonicSeconds();
      if (remaining <= 0) {
        outcome.timed_out = true;
        break;
      }
      if (remaining < wait_seconds) wait_seconds = remaining;
    }
    if (pipe_open) {
      pollfd p{fd[0], POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(wait_seconds * 1000) + 1) > 0) {
        ssize_t n = read(fd[0], buf, sizeof buf);
        if (n > 0) {
          out(buf, static_cast<size_t>(n));
          continue;
        }
        if (n == 0 || (errno != EINTR && errno != EAGAIN)) pipe_open = false;
      }
    } else {
      SleepSeconds(wait_seconds < 0.01 ? wait_seconds : 0.01);
    }
    if (HasEnded(pid)) break;
  }

  if (outcome.timed_out || outcome.interrupted_by) {
    kill(-pid, SIGTERM);
    for (double until = MonotonicSeconds() + 1; MonotonicSeconds() < until && !HasEnded(pid);)
      SleepSeconds(0.01);
  }
  // What the leader has written before it ended; something it left running
  // may still hold the pipe, so do not wait for the end of it.
  fcntl(fd[0], F_SETFL, fcntl(fd[0], F_GETFL) | O_NONBLOCK);
  for (ssize_t n; pipe_open && (n = read(fd[0], buf, sizeof buf)) > 0;)
    out(buf, static_cast<size_t>(n));
  close(fd[0]);
  // Nothing of the group may outlive the run, whichever way it ended.
  kill(-pid, SIGKILL);
  int st = 0;
  while (waitpid(pid, &st, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(st)) outcome.status = WEXITSTATUS(st);
  if (WIFSIGNALED(st)) outcome.signal_number = WTERMSIG(st);
  for (int other; waitpid(-pid, &other, 0) > 0 || errno == EINTR;) {
  }
  return outcome;
}

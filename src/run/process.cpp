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
#include <filesystem>
#include <stdexcept>

namespace {

volatile sig_atomic_t caught_signal = 0;

void OnStopSignal(int sig) { caught_signal = sig; }

void SleepSeconds(double s) {
  timespec t{static_cast<time_t>(s), static_cast<long>((s - static_cast<time_t>(s)) * 1e9)};
  nanosleep(&t, nullptr);
}

[[noreturn]] void ThrowSystemError(const std::string& what) {
  throw std::runtime_error(what + ": " + std::strerror(errno));
}

// Whether the leader has ended; it stays a zombie, so its number, which is
// also the group's, cannot be reused while the group is being stopped.
bool HasEnded(pid_t pid) {
  siginfo_t si;
  std::memset(&si, 0, sizeof si);
  return waitid(P_PID, pid, &si, WEXITED | WNOHANG | WNOWAIT) == 0 && si.si_pid == pid;
}

// A started job: its group (the leader's number) and the read end of its output.
struct Running {
  pid_t pid = -1;
  int out = -1;
  bool running = false;
};

[[noreturn]] void ExecJob(const Job& job, pid_t parent, int in, int out, int err) {
  setpgid(0, 0);
  // Dies with the runner, even by SIGKILL; the guardian takes the rest of the group.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(127);
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) signal(s, SIG_DFL);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  dup2(in, 0);
  dup2(out, 1);
  dup2(err, 2);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(job.program.c_str()));
  for (const std::string& a : job.arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  if (chdir(job.dir.c_str()) == 0) execv(job.program.c_str(), argv.data());
  std::string m = "cannot run " + job.program + ": " + std::strerror(errno) + "\n";
  ssize_t w = write(2, m.data(), m.size());
  (void)w;
  _exit(127);
}

Running Start(const Job& job) {
  int in = open(job.input.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) ThrowSystemError("cannot open " + job.input);
  int err = open(job.error_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (err < 0) ThrowSystemError("cannot make " + job.error_file);
  int fd[2];
  if (pipe2(fd, O_CLOEXEC) != 0) ThrowSystemError("cannot make a pipe");
  pid_t parent = getpid();
  pid_t pid = fork();
  if (pid < 0) ThrowSystemError("cannot start " + job.program);
  if (pid == 0) ExecJob(job, parent, in, fd[1], err);
  setpgid(pid, pid);  // also here, so the group exists before any kill
  close(fd[1]);
  close(in);
  close(err);
  return Running{pid, fd[0], true};
}

// A child of the runner that waits for the runner's end. A byte on the pipe
// means the runner cleans up itself; the end of the pipe without one means
// it was killed: then the guardian kills the groups and removes the folder.
class Guardian {
 public:
  Guardian(const std::vector<Running>& groups, const std::string& cleanup_dir) {
    int fd[2];
    if (pipe2(fd, O_CLOEXEC) != 0) ThrowSystemError("cannot make a pipe");
    pid_ = fork();
    if (pid_ < 0) ThrowSystemError("cannot start the guardian process");
    if (pid_ == 0) Watch(fd[0], groups, cleanup_dir);
    close(fd[0]);
    pipe_ = fd[1];
  }
  ~Guardian() {
    char done = 'x';
    ssize_t w = write(pipe_, &done, 1);
    (void)w;
    close(pipe_);
    while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
  }

 private:
  [[noreturn]] static void Watch(int pipe, const std::vector<Running>& groups,
                                 const std::string& cleanup_dir) {
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) signal(s, SIG_IGN);
    for (int fd = 0; fd < 1024; fd++)
      if (fd != pipe) close(fd);
    char c;
    ssize_t n;
    while ((n = read(pipe, &c, 1)) < 0 && errno == EINTR) {
    }
    if (n == 1) _exit(0);
    for (const Running& g : groups) kill(-g.pid, SIGKILL);
    // The groups are gone once no process of theirs is left.
    for (double until = MonotonicSeconds() + 5; MonotonicSeconds() < until;) {
      bool left = false;
      for (const Running& g : groups) left = left || kill(-g.pid, 0) == 0;
      if (!left) break;
      SleepSeconds(0.01);
    }
    std::error_code err;
    if (!cleanup_dir.empty()) std::filesystem::remove_all(cleanup_dir, err);
    _exit(0);
  }

  pid_t pid_ = -1;
  int pipe_ = -1;
};

void Drain(Running& r, JobOutcome& o, size_t i,
           const std::function<void(size_t, const char*, size_t)>& follow) {
  if (r.out < 0) return;
  // Something the leader left running may still hold the pipe: take what
  // is there, without waiting for the end of it.
  fcntl(r.out, F_SETFL, fcntl(r.out, F_GETFL) | O_NONBLOCK);
  char buf[1 << 16];
  for (ssize_t n; (n = read(r.out, buf, sizeof buf)) > 0;) {
    o.out.append(buf, static_cast<size_t>(n));
    follow(i, buf, static_cast<size_t>(n));
  }
  close(r.out);
  r.out = -1;
}

// Nothing of the group may outlive the job, whichever way it ended.
void Reap(Running& r, JobOutcome& o) {
  kill(-r.pid, SIGKILL);
  int st = 0;
  while (waitpid(r.pid, &st, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(st)) o.status = WEXITSTATUS(st);
  if (WIFSIGNALED(st)) o.signal_number = WTERMSIG(st);
  for (int other; waitpid(-r.pid, &other, 0) > 0 || errno == EINTR;) {
  }
  r.running = false;
}

void StopAll(std::vector<Running>& runs, RunOutcome& outcome,
             const std::function<void(size_t, const char*, size_t)>& follow) {
  for (Running& r : runs)
    if (r.running) kill(-r.pid, SIGTERM);
  for (double until = MonotonicSeconds() + 1; MonotonicSeconds() < until;) {
    bool all = true;
    for (Running& r : runs) all = all && (!r.running || HasEnded(r.pid));
    if (all) break;
    SleepSeconds(0.01);
  }
  for (size_t i = 0; i < runs.size(); i++) {
    if (!runs[i].running) continue;
    outcome.jobs[i].stopped = true;
    Drain(runs[i], outcome.jobs[i], i, follow);
    Reap(runs[i], outcome.jobs[i]);
  }
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

RunOutcome RunJobs(const std::vector<Job>& jobs, double limit, const std::string& cleanup_dir,
                   const std::function<bool(size_t, const JobOutcome&)>& decisive,
                   const std::function<void(size_t, const char*, size_t)>& follow,
                   const std::function<void()>& tick) {
  // Processes the provers leave orphaned come to us, so we can wait for them.
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  RunOutcome outcome;
  outcome.jobs.resize(jobs.size());
  std::vector<Running> runs;
  try {
    for (const Job& j : jobs) runs.push_back(Start(j));
  } catch (...) {
    StopAll(runs, outcome, follow);
    throw;
  }
  Guardian guardian(runs, cleanup_dir);
  const double deadline = limit > 0 ? MonotonicSeconds() + limit : 0;
  char buf[1 << 16];
  while (true) {
    bool any = false;
    for (const Running& r : runs) any = any || r.running;
    if (!any) break;
    if (tick) tick();
    if (caught_signal) {
      outcome.interrupted_by = caught_signal;
      StopAll(runs, outcome, follow);
      break;
    }
    double wait_seconds = 0.1;
    if (deadline > 0) {
      double remaining = deadline - MonotonicSeconds();
      if (remaining <= 0) {
        outcome.timed_out = true;
        StopAll(runs, outcome, follow);
        break;
      }
      if (remaining < wait_seconds) wait_seconds = remaining;
    }
    std::vector<pollfd> polled;
    std::vector<size_t> which;
    for (size_t i = 0; i < runs.size(); i++)
      if (runs[i].running && runs[i].out >= 0) {
        polled.push_back(pollfd{runs[i].out, POLLIN, 0});
        which.push_back(i);
      }
    if (polled.empty()) {
      SleepSeconds(wait_seconds < 0.01 ? wait_seconds : 0.01);
    } else if (poll(polled.data(), polled.size(), static_cast<int>(wait_seconds * 1000) + 1) > 0) {
      for (size_t k = 0; k < polled.size(); k++) {
        if (!polled[k].revents) continue;
        Running& r = runs[which[k]];
        ssize_t n = read(r.out, buf, sizeof buf);
        if (n > 0) {
          outcome.jobs[which[k]].out.append(buf, static_cast<size_t>(n));
          follow(which[k], buf, static_cast<size_t>(n));
        } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
          close(r.out);
          r.out = -1;
        }
      }
    }
    for (size_t i = 0; i < runs.size(); i++) {
      if (!runs[i].running || !HasEnded(runs[i].pid)) continue;
      Drain(runs[i], outcome.jobs[i], i, follow);
      Reap(runs[i], outcome.jobs[i]);
      if (outcome.first_decisive < 0 && decisive(i, outcome.jobs[i])) {
        outcome.first_decisive = static_cast<int>(i);
        StopAll(runs, outcome, follow);
      }
    }
  }
  return outcome;
}

#include "run/draai.h"

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

volatile sig_atomic_t Gevangen = 0;

void Vanger(int sig) { Gevangen = sig; }

void Slaap(double s) {
  timespec t{static_cast<time_t>(s), static_cast<long>((s - static_cast<time_t>(s)) * 1e9)};
  nanosleep(&t, nullptr);
}

// Whether the leader has ended; it stays a zombie, so its number, which is
// also the group's, cannot be reused while the group is being stopped.
bool Geeindigd(pid_t pid) {
  siginfo_t si;
  std::memset(&si, 0, sizeof si);
  return waitid(P_PID, pid, &si, WEXITED | WNOHANG | WNOWAIT) == 0 && si.si_pid == pid;
}

[[noreturn]] void Fout(const std::string& wat) {
  throw std::runtime_error(wat + ": " + std::strerror(errno));
}

}  // namespace

double Nu() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

void Vangsignalen() {
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = Vanger;
  sigemptyset(&sa.sa_mask);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &sa, nullptr);
  // A reader that goes away early (| head) must not end us before the
  // temporary folder is removed.
  signal(SIGPIPE, SIG_IGN);
}

Afloop Draaiingroep(const std::string& prog, const std::string& map, const std::string& invoer,
                    double limiet, const std::function<void(const char*, size_t)>& uit) {
  // Processes the prover leaves orphaned come to us, so we can wait for them.
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  int in = open(invoer.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) Fout("cannot open " + invoer);
  int fd[2];
  if (pipe2(fd, O_CLOEXEC) != 0) Fout("cannot make a pipe");
  pid_t pid = fork();
  if (pid < 0) Fout("cannot start the prover");
  if (pid == 0) {
    setpgid(0, 0);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) signal(s, SIG_DFL);
    dup2(in, 0);
    dup2(fd[1], 1);
    if (chdir(map.c_str()) == 0) execl(prog.c_str(), prog.c_str(), static_cast<char*>(nullptr));
    std::string m = "tessivar-run: cannot run " + prog + ": " + std::strerror(errno) + "\n";
    ssize_t w = write(2, m.data(), m.size());
    (void)w;
    _exit(127);
  }
  setpgid(pid, pid);  // also here, so the group exists before any kill below
  close(fd[1]);
  close(in);

  Afloop a;
  const double eind = limiet > 0 ? Nu() + limiet : 0;
  bool open = true;
  char buf[1 << 16];
  while (true) {
    if (Gevangen) {
      a.onderbroken = Gevangen;
      break;
    }
    double wacht = 0.2;
    if (eind > 0) {
      double rest = eind - Nu();
      if (rest <= 0) {
        a.tijdop = true;
        break;
      }
      if (rest < wacht) wacht = rest;
    }
    if (open) {
      pollfd p{fd[0], POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(wacht * 1000) + 1) > 0) {
        ssize_t n = read(fd[0], buf, sizeof buf);
        if (n > 0) {
          uit(buf, static_cast<size_t>(n));
          continue;
        }
        if (n == 0 || (errno != EINTR && errno != EAGAIN)) open = false;
      }
    } else {
      Slaap(wacht < 0.01 ? wacht : 0.01);
    }
    if (Geeindigd(pid)) break;
  }

  if (a.tijdop || a.onderbroken) {
    kill(-pid, SIGTERM);
    for (double tot = Nu() + 1; Nu() < tot && !Geeindigd(pid);) Slaap(0.01);
  }
  // What the leader has written before it ended; something it left running
  // may still hold the pipe, so do not wait for the end of it.
  fcntl(fd[0], F_SETFL, fcntl(fd[0], F_GETFL) | O_NONBLOCK);
  for (ssize_t n; open && (n = read(fd[0], buf, sizeof buf)) > 0;) uit(buf, static_cast<size_t>(n));
  close(fd[0]);
  // Nothing of the group may outlive the run, whichever way it ended.
  kill(-pid, SIGKILL);
  int st = 0;
  while (waitpid(pid, &st, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(st)) a.status = WEXITSTATUS(st);
  if (WIFSIGNALED(st)) a.signaal = WTERMSIG(st);
  for (int rest; waitpid(-pid, &rest, 0) > 0 || errno == EINTR;) {
  }
  return a;
}

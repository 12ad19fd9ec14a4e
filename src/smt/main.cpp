// tessivar-smt [-t SECONDS] [--memory MB] [--backend sat|z3|auto] [-w WIDTH] [--emit-smt2] -m FILE
//
// Decides an SMT-LIB 1.2 benchmark and prints the answer in the form the
// prover reads: "sat", a line without a value, then the model; "unsat";
// "unknown" (the reason on standard error: the time or memory limit, the
// solver gave up); or "error <reason>", with exit status 1 when the
// benchmark cannot be read and 2 when it or the command line is refused.
// The classic prover reads only the answer, never the status.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "smt/ast.h"
#include "smt/backend.h"
#include "smt/memory.h"
#include "smt/sat_backend.h"
#include "util/command_line.h"

using namespace tessivar::smt;

namespace {

// Exactly one answer is printed: either by the main thread or, if the time
// limit has long passed and the solver still does not return, by the guard.
std::atomic<int> g_answer_taken{0};

// Phase times for --stats, also printed when the hard stop ends the run.
std::mutex g_stats_mu;
std::string g_stats;
bool g_want_stats = false;

void add_stat(const std::string& name, double secs) {
  char buf[80];
  std::snprintf(buf, sizeof buf, " %s %.6g", name.c_str(), secs);
  std::lock_guard<std::mutex> lock(g_stats_mu);
  g_stats += buf;
}

void write_all(int fd, const std::string& s) {
  size_t done = 0;
  while (done < s.size()) {
    ssize_t w = ::write(fd, s.data() + done, s.size() - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return;
    done += static_cast<size_t>(w);
  }
}

bool take_answer() {
  int expected = 0;
  return g_answer_taken.compare_exchange_strong(expected, 1);
}

// Whether standard output and standard error are one file (a terminal).
bool same_output_and_error() {
  struct stat out, err;
  return fstat(1, &out) == 0 && fstat(2, &err) == 0 && out.st_dev == err.st_dev && out.st_ino == err.st_ino;
}

// The answer "error" for the caller that reads standard output, and the
// reason on standard error; once where both are one file.
[[noreturn]] void answer_error(const std::string& reason, int status = tessivar::kExitRefused) {
  if (!take_answer()) std::_Exit(0);
  if (!same_output_and_error()) write_all(1, "error " + reason + "\n");
  write_all(2, "tessivar-smt: error " + reason + "\n");
  std::exit(status);
}

void answer(const std::string& text) {
  if (!take_answer()) return;
  write_all(1, text);
}

// Ends the process with "unknown" and the reason when the answer has not
// been given a grace period after the deadline (the solver's own
// interruption should come first; this covers phases that do not look at
// it), or as soon as the process's resident memory passes the limit.
class Watchdog {
 public:
  Watchdog(Clock::time_point deadline, size_t memory_limit) {
    if (deadline == Clock::time_point::max() && memory_limit == 0) return;
    Clock::time_point hard_stop = deadline == Clock::time_point::max()
                                      ? deadline
                                      : deadline + std::chrono::seconds(1);
    thread_ = std::thread([this, hard_stop, memory_limit] {
      std::unique_lock<std::mutex> lock(mu_);
      while (!done_) {
        if (Clock::now() >= hard_stop) return give_up("time limit reached");
        if (memory_limit != 0 && resident_bytes() > memory_limit)
          return give_up("memory limit of " + std::to_string(memory_limit >> 20) + " MB reached");
        // Memory is looked at every 10 ms: a solver adds well under a
        // hundred megabytes in that time.
        Clock::time_point wake = std::min(hard_stop, Clock::now() + std::chrono::milliseconds(10));
        cv_.wait_until(lock, wake, [this] { return done_; });
      }
    });
  }
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(mu_);
      done_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();
  }

 private:
  static void give_up(const std::string& reason) {
    if (!take_answer()) return;
    write_all(1, "unknown\n");
    write_all(2, "tessivar-smt: " + reason + "\n");
    if (g_want_stats) {
      std::lock_guard<std::mutex> lock(g_stats_mu);
      write_all(2, "stats:" + g_stats + " stopped\n");
    }
    std::_Exit(0);
  }

  std::mutex mu_;
  std::condition_variable cv_;
  bool done_ = false;
  std::thread thread_;
};

// Two runs at once fit a machine of 24 GB with room to spare.
constexpr size_t kDefaultMemoryMb = 8192;

struct Args {
  std::string file;
  double seconds = 0;  // 0: no limit
  size_t memory_mb = kDefaultMemoryMb;  // 0: no limit
  std::string backend = "auto";
  int width = kDefaultSatWidth;  // bounded search of the SAT back end
  std::string z3_config = "pb";  // chosen by bench/ measurements
  std::string sat_config = "default";
  bool emit_smt2 = false;
  bool stats = false;
};

// A whole decimal number from `low` to `high`, or the answer "error".
long long whole_number(const std::string& v, long long low, long long high, const std::string& what) {
  char* end = nullptr;
  errno = 0;
  long long n = std::strtoll(v.c_str(), &end, 10);
  if (v.empty() || *end != '\0' || errno != 0 || n < low || n > high) answer_error(what);
  return n;
}

bool one_of(const std::string& v, const std::string& words) {
  return (" " + words + " ").find(" " + v + " ") != std::string::npos && !v.empty();
}

Args parse_args(int argc, char** argv) {
  Args a;
  CLI::App app;
  tessivar::SetUpCommandLine(
      app, "tessivar-smt",
      "Decides an SMT-LIB 1.2 benchmark and prints sat with a checked model, unsat, or\n"
      "unknown (the reason on standard error: the time or memory limit, the solver gave up).",
      "The answer \"error REASON\" stands for a benchmark or command line refused.\n" +
          tessivar::ExitStatusHelp("an answer: sat, unsat or unknown"));
  std::string file, positional, seconds, memory, width;
  app.add_option("-m", file, "the benchmark")->type_name("FILE");
  app.add_option("FILE", positional, "the benchmark, instead of -m (after \"--\" if it begins with \"-\")")
      ->type_name("");
  app.add_option("-t,--timeout", seconds, "seconds for the whole run")->type_name("SECONDS");
  app.add_option("--memory", memory, "megabytes of resident memory, default 8192, 0 for none")
      ->type_name("MB");
  app.add_option("--backend", a.backend, "sat, z3 or auto (default: auto, both in a race)")
      ->type_name("B");
  app.add_option("-w", width, "bits of the SAT back end's bounded search")->type_name("WIDTH");
  app.add_option("--z3-config", a.z3_config, std::string("z3's settings: ") + z3_configs())
      ->type_name("NAME");
  app.add_option("--sat-config", a.sat_config, "the SAT back end's settings: default plain sat unsat")
      ->type_name("NAME");
  app.add_flag("--emit-smt2", a.emit_smt2, "print the benchmark in SMT-LIB 2 instead of solving it");
  app.add_flag("--stats", a.stats, "the times of the phases on standard error");
  std::string error;
  int status = tessivar::ParseCommandLine(app, argc, argv, &error);
  if (status >= 0) {
    if (status == 0) std::exit(0);
    answer_error(error + " (tessivar-smt --help lists the options)");
  }
  if (app.count("-m") && app.count("FILE")) answer_error("two benchmarks given, with -m and without");
  if (!app.count("-m") && !app.count("FILE")) answer_error("no benchmark file given (-m FILE)");
  a.file = app.count("-m") ? file : positional;
  if (app.count("--timeout")) {
    try {
      a.seconds = tessivar::ParseTimeout("-t", seconds);
    } catch (const tessivar::UsageError& e) {
      answer_error(std::string("bad time limit: ") + e.what());
    }
  }
  if (app.count("--memory"))
    a.memory_mb = static_cast<size_t>(
        whole_number(memory, 0, 1ll << 30, "bad memory limit '" + memory + "' (megabytes, 0 for none)"));
  if (!one_of(a.backend, "sat z3 auto"))
    answer_error("unknown back end '" + a.backend + "' (available: sat z3 auto)");
  if (app.count("-w"))
    a.width = static_cast<int>(whole_number(width, 1, 60, "bad width '" + width + "' (bits, 1 to 60)"));
  if (!one_of(a.z3_config, z3_configs()))
    answer_error("unknown z3 configuration '" + a.z3_config + "' (available: " + z3_configs() + ")");
  if (!one_of(a.sat_config, "default plain sat unsat"))
    answer_error("unknown SAT configuration '" + a.sat_config + "' (available: default plain sat unsat)");
  return a;
}

}  // namespace

int main(int argc, char** argv) {
  Clock::time_point start = Clock::now();
  Args args = parse_args(argc, argv);
  SolveOptions opts;
  opts.z3_config = args.z3_config;
  opts.sat_config = args.sat_config;
  if (args.seconds > 0)
    opts.deadline = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(args.seconds));
  g_want_stats = args.stats;
  Watchdog watchdog(opts.deadline, args.memory_mb << 20);

  opts.on_phase = add_stat;
  Clock::time_point phase = Clock::now();
  auto lap = [&](const std::string& name) {
    Clock::time_point now = Clock::now();
    add_stat(name, std::chrono::duration<double>(now - phase).count());
    phase = now;
  };
  if (std::FILE* f = std::fopen(args.file.c_str(), "rb")) {
    std::fclose(f);
  } else {
    answer_error("cannot open " + args.file + ": " + std::strerror(errno), tessivar::kExitEnvironment);
  }
  Benchmark b;
  try {
    b = parse_file(args.file, 1000000, opts.deadline);
  } catch (const DeadlinePassed& e) {
    answer("unknown\n");
    write_all(2, std::string("tessivar-smt: ") + e.what() + "\n");
    return 0;
  } catch (const ParseError& e) {
    answer_error(e.what());
  } catch (const std::exception& e) {
    answer_error(std::string("cannot read the benchmark: ") + e.what(), tessivar::kExitEnvironment);
  }
  lap("parse");
  add_stat("terms", static_cast<double>(b.terms.size()));
  if (args.emit_smt2) {
    answer(to_smt2(b));
    return 0;
  }

  // Prints the answer; a model only after it passed the check.
  auto report = [&](const Outcome& out) {
    phase = Clock::now();
    switch (out.answer) {
      case Answer::Unsat:
        answer("unsat\n");
        break;
      case Answer::Unknown:
        answer("unknown\n");
        write_all(2, "tessivar-smt: " + out.reason + "\n");
        break;
      case Answer::Sat: {
        std::string why;
        if (!check_model(b, out.model, &why)) {
          answer("unknown\n");
          write_all(2, "tessivar-smt: the solver's model fails the check: " + why + "\n");
          break;
        }
        lap("check");
        answer("sat\n; model\n" + format_model(b, out.model));
        lap("print");
        break;
      }
    }
    if (args.stats) {
      add_stat("total", std::chrono::duration<double>(Clock::now() - start).count());
      add_stat("peak-mb", static_cast<double>(peak_resident_bytes() >> 20));
      std::lock_guard<std::mutex> lock(g_stats_mu);
      write_all(2, "stats:" + g_stats + "\n");
    }
  };
  // In a race the answer is given as soon as it is known; the other back
  // end need not be waited for.
  opts.on_answer = [&](const Outcome& out) {
    report(out);
    std::_Exit(0);
  };

  Outcome out;
  try {
    out = args.backend == "z3" ? solve_z3(b, opts)
                               : solve_sat_backend(b, opts, args.width, args.backend == "auto");
  } catch (const std::exception& e) {
    out.answer = Answer::Unknown;
    out.reason = std::string("solver failed: ") + e.what();
  }
  report(out);
  return 0;
}

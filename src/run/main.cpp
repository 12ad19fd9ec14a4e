// tessivar-run: one problem, one verdict. Reads the problem strictly (the
// text format or the database's XML), refuses what a prover would misread,
// runs the classic prover, the engine or both side by side in a temporary
// folder of its own, with an optional time limit, and prints the verdict
// first, then the prover, the reason of a MAYBE, the proof, and then
// anything the provers wrote on standard error.
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/problem/system_text.h"
#include "run/classic_input.h"
#include "run/defaults.h"
#include "run/options.h"
#include "run/param.h"
#include "input/problem.h"
#include "run/process.h"
#include "run/provers.h"
#include "util/command_line.h"

using tessivar::engine::NamedRule;

namespace fs = std::filesystem;

namespace {

// The folder of this executable, where the provers and the solver front end lie.
std::string OwnFolder() {
  std::error_code err;
  fs::path p = fs::read_symlink("/proc/self/exe", err);
  if (err) throw EnvironmentError("cannot find the folder of tessivar-run: " + err.message());
  return p.parent_path().string();
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

void WriteWholeFile(const std::string& path, const std::string& content) {
  std::ofstream f(path, std::ios::binary);
  f << content;
  f.close();
  if (!f) throw EnvironmentError("cannot write " + path);
}

void RequireProgram(const std::string& path, const std::string& what) {
  if (access(path.c_str(), X_OK) != 0 || fs::is_directory(path))
    throw EnvironmentError("no " + what + " at " + path + "; build it first (./build.sh)");
}

// The temporary folder of one run, removed with everything in it at the end.
struct TempFolder {
  std::string path;
  TempFolder() {
    const char* t = std::getenv("TMPDIR");
    std::string pattern = std::string(t && *t ? t : "/tmp") + "/tessivar-run-XXXXXX";
    if (!mkdtemp(pattern.data()))
      throw EnvironmentError("cannot make a temporary folder " + pattern + ": " +
                             std::strerror(errno));
    path = pattern;
  }
  ~TempFolder() {
    std::error_code err;
    fs::remove_all(path, err);
  }
  std::string operator/(const std::string& name) const { return path + "/" + name; }
};

// The prover overwrites its benchmark "frm" with the solver's answer; for
// --keep the solver's command line first copies it to "benchmark".
std::string KeepingBenchmarks(const std::string& param) {
  const std::string copy = "cp frm benchmark; ";
  if (param.find('\n') + copy.size() > MaxSolverCommandBytes)
    throw ProblemError("with --keep the solver's command line can have at most " +
                       std::to_string(MaxSolverCommandBytes - copy.size()) +
                       " bytes, since \"" + copy + "\" goes in front of it");
  return copy + param;
}

// Throws EnvironmentError when the folder or a file cannot be written.
void KeepFiles(const std::string& work, const std::string& target) {
  std::error_code err;
  fs::create_directory(target, err);
  if (err || !fs::is_directory(target))
    throw EnvironmentError("cannot make the folder " + target + " for --keep");
  for (const char* name : {"srs", "frm", "r", "benchmark"}) {
    fs::path from = fs::path(work) / name;
    if (!fs::exists(from)) continue;
    fs::copy_file(from, fs::path(target) / name, fs::copy_options::overwrite_existing, err);
    if (err) throw EnvironmentError("cannot copy " + std::string(name) + " to " + target);
  }
}

std::string SecondsText(double s) {
  char t[32];
  std::snprintf(t, sizeof t, "%g", s);
  return t;
}

// Everything a run needs: the provers to start, and what they were given.
struct Plan {
  std::vector<Prover> provers;
  std::string notes;  // said on standard error after the proof
};

Prover ClassicProver(const Options& in, const std::string& bin, const TempFolder& work,
                     const std::vector<NamedRule>& rules) {
  std::string prover = bin + "/tessivar";
  RequireProgram(prover, "classic prover");
  std::string param = in.param.empty() ? DefaultParam(bin) : ReadParam(in.param);
  if (!in.keep_dir.empty()) param = KeepingBenchmarks(param);
  WriteWholeFile(work / "param", param);
  WriteWholeFile(work / "input", ClassicText(rules));
  return Prover{ProverKind::Classic, Job{prover, {}, work.path, work / "input", work / "classic.err"}};
}

Prover EngineProver(const Options& in, const std::string& bin, const TempFolder& work,
                    const std::vector<NamedRule>& rules, bool progress) {
  std::string engine = in.engine.empty() ? bin + "/tessivar-prove" : in.engine;
  RequireProgram(engine, "engine");
  fs::create_directory(work / "engine");
  WriteWholeFile(work / "problem.srs", tessivar::engine::write_system_text(rules));
  Job job{fs::absolute(engine).string(), {work / "problem.srs"}, work / "engine", "/dev/null",
          work / "engine.err"};
  if (in.limit > 0) job.arguments.insert(job.arguments.end(), {"--timeout", SecondsText(in.limit)});
  if (!in.certificate.empty())
    job.arguments.insert(job.arguments.end(), {"--certificate", work / "certificate.json"});
  if (progress) job.arguments.push_back("--verbose");
  if (!in.memory.empty()) job.arguments.insert(job.arguments.end(), {"--memory", in.memory});
  return Prover{ProverKind::Engine, job};
}

Plan MakePlan(const Options& in, const std::vector<NamedRule>& rules, const TempFolder& work,
              bool progress) {
  std::string bin = OwnFolder();
  Plan plan;
  bool classic = in.prover != ProverChoice::Engine;
  bool engine = in.prover != ProverChoice::Classic;
  if (classic) {
    try {
      CheckClassicCapacity(rules);
    } catch (const ProblemError& e) {
      if (!engine) throw;
      plan.notes += std::string("tessivar-run: the classic prover was not run: ") + e.what() + "\n";
      classic = false;
    }
  }
  if (classic) plan.provers.push_back(ClassicProver(in, bin, work, rules));
  if (engine) {
    try {
      plan.provers.push_back(EngineProver(in, bin, work, rules, progress));
    } catch (const EnvironmentError& e) {
      // Only the default may do without the engine, while it is not built.
      if (in.prover_given || !classic || !in.certificate.empty()) throw;
      plan.notes += std::string("tessivar-run: ") + e.what() + "; the classic prover ran alone\n";
    }
  }
  return plan;
}

void PrintError(const std::string& message) {
  std::cerr << "tessivar-run: " << tessivar::Printable(message) << "\n";
}

// The run as it ended: each prover's end, the one that answered, and what
// the user is told besides the proof.
struct Ending {
  RunOutcome outcome;
  std::vector<ProverEnd> ends;
  int winner = -1;           // the prover whose definite answer is the verdict
  std::string failure;       // no verdict: why
  int failure_status = 0;
  std::string notes;
  std::string reason;        // why the verdict is MAYBE
  std::string write_error;   // a file of the user's that could not be written at the end
  double seconds = 0;        // how long the provers ran
};

// The engine's progress lines ("[1.5s] thread 0: ..."), asked for with
// --verbose, come on its standard error beside its messages.
bool IsProgressLine(const std::string& line) {
  if (line.size() < 4 || line[0] != '[') return false;
  size_t close = line.find("s] ");
  return close != std::string::npos && close > 1 &&
         line.find_first_not_of("0123456789.e-", 1) == close;
}

// Follows the engine's standard error while it runs: with --verbose every
// progress line goes to our standard error as it comes; on a terminal a
// status line says every two seconds how long the run has gone on and what
// was tried last.
class ProgressView {
 public:
  ProgressView(const std::string& file, bool show_lines, bool status_line, double limit)
      : file_(file), show_lines_(show_lines), status_line_(status_line), limit_(limit),
        begin_(MonotonicSeconds()), next_status_(begin_ + 2) {}

  void Tick() {
    ReadNew();
    if (!status_line_) return;
    double now = MonotonicSeconds();
    if (now < next_status_) return;
    next_status_ = now + 2;
    char head[64];
    if (limit_ > 0)
      std::snprintf(head, sizeof head, "tessivar-run: %.0f s of %g s", now - begin_, limit_);
    else
      std::snprintf(head, sizeof head, "tessivar-run: %.0f s", now - begin_);
    std::string status = std::string(head) + (last_.empty() ? "" : "; last tried: " + last_);
    if (status.size() > 150) status = status.substr(0, 147) + "...";
    std::cerr << "\r\033[K" << status << std::flush;
    shown_ = true;
  }

  // Clears the status line before the verdict is printed.
  void Finish() {
    ReadNew();
    if (shown_) std::cerr << "\r\033[K" << std::flush;
  }

 private:
  void ReadNew() {
    std::ifstream f(file_, std::ios::binary);
    if (!f) return;
    f.seekg(static_cast<std::streamoff>(offset_));
    std::string chunk((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    offset_ += chunk.size();
    partial_ += chunk;
    for (size_t end; (end = partial_.find('\n')) != std::string::npos;) {
      std::string line = partial_.substr(0, end);
      partial_.erase(0, end + 1);
      if (!IsProgressLine(line)) continue;
      if (show_lines_) std::cerr << line << "\n" << std::flush;
      last_ = line.substr(line.find("] ") + 2);
    }
  }

  std::string file_;
  bool show_lines_, status_line_;
  double limit_, begin_;
  double next_status_;  // a run that ends within two seconds shows none
  size_t offset_ = 0;
  std::string partial_, last_;
  bool shown_ = false;
};

Ending RunProvers(const Options& in, const Plan& plan, const TempFolder& work,
                  ProgressView* progress) {
  std::vector<Job> jobs;
  for (const Prover& p : plan.provers) jobs.push_back(p.job);
  Ending e;
  e.ends.resize(jobs.size());
  auto judge = [&](size_t i, const JobOutcome& o) {
    e.ends[i] = JudgeEnd(plan.provers[i].kind, o, ReadWholeFile(jobs[i].error_file));
  };
  e.outcome = RunJobs(
      jobs, in.limit, work.path,
      [&](size_t i, const JobOutcome& o) {
        judge(i, o);
        return IsDefinite(e.ends[i].verdict);
      },
      [&](size_t, const char* p, size_t n) {
        if (in.follow) std::cerr.write(p, static_cast<std::streamsize>(n)).flush();
      },
      [&] {
        if (progress) progress->Tick();
      });
  if (progress) progress->Finish();
  // Those stopped by the runner were not judged when they ended.
  for (size_t i = 0; i < jobs.size(); i++)
    if (e.outcome.jobs[i].stopped) judge(i, e.outcome.jobs[i]);
  e.winner = e.outcome.first_decisive;
  return e;
}

// Failures are the verdict only when no prover answered and the run was
// not interrupted; otherwise they are notes beside it.
void SettleFailures(Ending& e) {
  for (const ProverEnd& end : e.ends) {
    if (end.failure.empty()) continue;
    if (e.winner >= 0 || e.outcome.interrupted_by) {
      e.notes += "tessivar-run: " + end.failure + "\n";
    } else if (e.failure.empty() || end.failure_status > e.failure_status) {
      e.failure = end.failure;
      e.failure_status = end.failure_status;
    }
  }
}

// The engine's certificate goes to the user's file only when its answer is the verdict.
void HandOverCertificate(const Options& in, const Plan& plan, const TempFolder& work, Ending& e) {
  if (in.certificate.empty() || e.winner < 0) return;
  bool engine_won = plan.provers[e.winner].kind == ProverKind::Engine;
  if (!engine_won || !fs::exists(work / "certificate.json")) {
    e.notes += std::string("tessivar-run: no certificate: ") +
               (engine_won ? "the engine wrote none" : "the classic prover answered") + "\n";
    return;
  }
  std::error_code err;
  fs::copy_file(work / "certificate.json", in.certificate, fs::copy_options::overwrite_existing, err);
  if (err)
    e.write_error += "tessivar-run: cannot write the certificate " + in.certificate + ": " +
                     err.message() + "\n";
}

// Why no prover answered: the time limit stopped them (the runner's, or
// the engine's own, which it keeps to the second), or each ended on its
// own with every method it has tried.
void SettleReason(const Options& in, const Plan& plan, Ending& e) {
  if (e.winner >= 0 || !e.failure.empty()) return;
  if (e.outcome.interrupted_by) {
    e.reason = "interrupted by signal " + std::to_string(e.outcome.interrupted_by);
    return;
  }
  bool limit_reached = e.outcome.timed_out;
  double engine_limit = in.limit > 0 ? in.limit : kEngineDefaultSeconds;
  for (size_t i = 0; i < plan.provers.size(); i++) {
    if (plan.provers[i].kind != ProverKind::Engine) continue;
    const std::string& said = e.ends[i].reason;
    if (!said.empty()) {
      e.reason = said;
      return;
    }
    if (e.seconds >= engine_limit * kEngineLimitShare) limit_reached = true;
  }
  if (limit_reached) {
    e.reason = "time limit of " + SecondsText(e.outcome.timed_out ? in.limit : engine_limit) +
               " s reached";
  } else {
    e.reason = "every method exhausted";
  }
}

void AddEndingNotes(const Plan& plan, Ending& e) {
  if (e.winner >= 0 && plan.provers.size() > 1)
    e.notes += std::string("tessivar-run: ") + ProverTitle(plan.provers[e.winner].kind) +
               " answered first; the other prover was stopped\n";
  if (e.outcome.interrupted_by)
    e.notes += "tessivar-run: interrupted by signal " + std::to_string(e.outcome.interrupted_by) +
               "; the provers were stopped\n";
}

// The verdict line, the line naming the prover, then its proof; with no
// answer from two provers, the output of each under a heading.
void PrintVerdict(const Plan& plan, const Ending& e) {
  std::vector<size_t> shown;
  for (size_t i = 0; i < e.ends.size(); i++)
    if (e.winner < 0 || static_cast<int>(i) == e.winner) shown.push_back(i);
  std::ostringstream out;
  out << (e.winner >= 0 ? e.ends[e.winner].verdict : "MAYBE") << "\nprover:";
  for (size_t k = 0; k < shown.size(); k++)
    out << (k ? ", " : " ") << ProverName(plan.provers[shown[k]].kind);
  out << "\n";
  if (!e.reason.empty()) out << "reason: " << e.reason << "\n";
  for (size_t i : shown) {
    if (shown.size() > 1) out << "=== " << ProverTitle(plan.provers[i].kind) << " ===\n";
    out << e.ends[i].proof;
  }
  std::cout << out.str() << std::flush;
}

// No verdict: the reason on the first line of standard error, then what
// the provers printed.
void PrintFailure(const Plan& plan, const Ending& e) {
  PrintError(e.failure);
  for (size_t i = 0; i < e.ends.size(); i++)
    if (!e.ends[i].proof.empty())
      std::cerr << "--- output of " << ProverTitle(plan.provers[i].kind) << " ---\n"
                << e.ends[i].proof;
}

std::string WithoutProgressLines(const std::string& text) {
  std::istringstream in(text);
  std::string kept;
  for (std::string line; std::getline(in, line);)
    if (!IsProgressLine(line)) kept += line + "\n";
  return kept;
}

void PrintProverErrors(const Plan& plan, bool progress) {
  for (const Prover& p : plan.provers) {
    std::string errors = ReadWholeFile(p.job.error_file);
    if (progress && p.kind == ProverKind::Engine) errors = WithoutProgressLines(errors);
    if (errors.empty()) continue;
    std::cerr << "--- standard error of " << ProverTitle(p.kind)
              << (p.kind == ProverKind::Classic ? " and its solver" : "") << " ---\n"
              << errors << (errors.back() == '\n' ? "" : "\n");
  }
}

// An output path of the user's must be writable before the search starts,
// so that no answer is lost for a file that cannot be made at the end.
void CheckWritable(const std::string& option, const std::string& path, bool folder) {
  std::string why = tessivar::WhyNotWritable(option, path, folder);
  if (!why.empty()) throw EnvironmentError(why);
}

int Run(const Options& in) {
  // From here a stop signal is noted, not fatal, so the folder is always removed.
  CatchStopSignals();
  std::vector<NamedRule> rules = ReadProblem(in.problem);
  if (!in.certificate.empty()) CheckWritable("--certificate", in.certificate, false);
  if (!in.keep_dir.empty()) CheckWritable("--keep", in.keep_dir, true);
  TempFolder work;
  // Progress for a person watching: the lines with --verbose, else a status
  // line on a terminal (not beside --follow, whose copies it would cut).
  bool status_line = !in.verbose && !in.follow && isatty(2);
  bool progress = in.verbose || status_line;
  Plan plan = MakePlan(in, rules, work, progress);
  bool has_engine = false, has_classic = false;
  for (const Prover& p : plan.provers) {
    has_engine = has_engine || p.kind == ProverKind::Engine;
    has_classic = has_classic || p.kind == ProverKind::Classic;
  }
  ProgressView view(has_engine ? work / "engine.err" : "", in.verbose, status_line, in.limit);
  double begin = MonotonicSeconds();
  Ending e = RunProvers(in, plan, work, progress ? &view : nullptr);
  e.seconds = MonotonicSeconds() - begin;
  e.notes = plan.notes;
  if (!in.keep_dir.empty() && has_classic) {
    try {
      KeepFiles(work.path, in.keep_dir);
    } catch (const EnvironmentError& err) {
      e.write_error += std::string("tessivar-run: ") + err.what() + "\n";
    }
  }
  SettleFailures(e);
  HandOverCertificate(in, plan, work, e);
  SettleReason(in, plan, e);
  AddEndingNotes(plan, e);
  if (e.failure.empty())
    PrintVerdict(plan, e);
  else
    PrintFailure(plan, e);
  std::cerr << e.notes;
  PrintProverErrors(plan, progress);
  // The answer is out; what could not be kept of it is said last.
  std::cerr << e.write_error << std::flush;
  if (e.outcome.interrupted_by) return 128 + e.outcome.interrupted_by;
  if (!e.failure.empty()) return e.failure_status;
  return e.write_error.empty() ? tessivar::kExitAnswer : tessivar::kExitEnvironment;
}

}  // namespace

int main(int argc, char** argv) {
  Options in;
  int status = ParseArguments(argc, argv, &in);
  if (status >= 0) return status;
  try {
    return Run(in);
  } catch (const UnreadableProblem& e) {
    PrintError(e.what());
    return tessivar::kExitEnvironment;
  } catch (const ProblemError& e) {
    PrintError(e.what());
    return tessivar::kExitRefused;
  } catch (const std::exception& e) {
    PrintError(e.what());
    return tessivar::kExitEnvironment;
  }
}

// tessivar-run: one problem, one verdict. Runs the prover on a problem in
// its text format or the database's XML, in a temporary folder of its own
// (so that runs side by side do not share "param", "frm", "srs" and "r"),
// with an optional time limit, and prints "YES" or "MAYBE" followed by the
// prover's output.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "run/defaults.h"
#include "run/problem.h"
#include "run/process.h"
#include "run/verdict.h"

namespace fs = std::filesystem;

namespace {

const char* kUsage =
    "usage: tessivar-run PROBLEM [--timeout SECONDS] [--param FILE] [--keep DIR] [--follow]\n"
    "  PROBLEM      a system in the prover's text format, or a database problem in XML\n"
    "  --timeout S  stop the prover and its solver after S seconds (verdict MAYBE)\n"
    "  --param F    the prover's parameter file instead of the built-in settings\n"
    "  --keep D     leave the prover's files \"srs\", \"frm\" and \"r\" in folder D\n"
    "  --follow     also copy the prover's output to standard error as it comes\n";

// Wrong use of the command: reported with the usage, exit status 2 like a bad problem.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Options {
  std::string problem, param, keep_dir;
  double limit = 0;
  bool follow = false;
};

Options ParseArguments(int argc, char** argv) {
  Options in;
  for (int i = 1; i < argc; i++) {
    std::string a = argv[i];
    auto Value = [&]() -> std::string {
      if (i + 1 >= argc) throw UsageError(a + " needs a value");
      return argv[++i];
    };
    if (a == "--timeout") {
      std::string w = Value();
      char* end = nullptr;
      in.limit = std::strtod(w.c_str(), &end);
      if (w.empty() || *end != '\0' || !(in.limit > 0) || !std::isfinite(in.limit))
        throw UsageError("--timeout wants a positive number of seconds, not \"" + w + "\"");
    } else if (a == "--param") {
      in.param = Value();
    } else if (a == "--keep") {
      in.keep_dir = Value();
    } else if (a == "--follow") {
      in.follow = true;
    } else if (a == "-h" || a == "--help") {
      std::cout << kUsage;
      std::exit(0);
    } else if (a.size() > 1 && a[0] == '-') {
      throw UsageError("unknown option " + a);
    } else if (in.problem.empty()) {
      in.problem = a;
    } else {
      throw UsageError("one problem at a time (tessivar-batch runs many)");
    }
  }
  if (in.problem.empty()) throw UsageError("no problem given");
  return in;
}

// The folder of this executable, where the prover and the solver front end lie.
std::string OwnFolder() {
  std::error_code err;
  fs::path p = fs::read_symlink("/proc/self/exe", err);
  if (err) throw std::runtime_error("cannot find the folder of tessivar-run: " + err.message());
  return p.parent_path().string();
}

// The path as one word for the shell, quoted only when it needs it.
std::string ShellWord(const std::string& s) {
  if (s.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789/._+-") ==
      std::string::npos)
    return s;
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string DefaultParam(const std::string& dir) {
  std::string smt = dir + "/tessivar-smt";
  if (access(smt.c_str(), X_OK) != 0)
    std::cerr << "tessivar-run: warning: no solver front end at " << smt
              << "; matrix attempts will fail\n";
  std::string path = ShellWord(smt) + " -t " + std::to_string(DefaultSolverSeconds);
  // The prover keeps 255 bytes of this line and appends " -m frm > r".
  if (path.size() > 255)
    throw std::runtime_error("the solver command line " + path + " is longer than " +
                             "255 bytes; move the build folder");
  std::ostringstream s;
  s << path << "\n0\n"
    << DefaultMxr << "\n"
    << DefaultDimension << "\n"
    << DefaultDimension << "\n"
    << (DefaultMatchBound ? 1 : 0) << "\n"
    << DefaultDimension << "\n";
  return s.str();
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) throw UsageError("cannot read " + path + ": " + std::strerror(errno));
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

void WriteWholeFile(const std::string& path, const std::string& content) {
  std::ofstream f(path, std::ios::binary);
  f << content;
  f.close();
  if (!f) throw std::runtime_error("cannot write " + path);
}

// The temporary folder of one run, removed with everything in it at the end.
struct TempFolder {
  std::string path;
  TempFolder() {
    const char* t = std::getenv("TMPDIR");
    std::string pattern = std::string(t && *t ? t : "/tmp") + "/tessivar-run-XXXXXX";
    if (!mkdtemp(pattern.data()))
      throw std::runtime_error("cannot make a temporary folder " + pattern + ": " +
                               std::strerror(errno));
    path = pattern;
  }
  ~TempFolder() {
    std::error_code err;
    fs::remove_all(path, err);
  }
};

void KeepFiles(const std::string& work, const std::string& target) {
  std::error_code err;
  fs::create_directory(target, err);
  if (err || !fs::is_directory(target))
    throw std::runtime_error("cannot make the folder " + target + " for --keep");
  for (const char* name : {"srs", "frm", "r"}) {
    fs::path from = fs::path(work) / name;
    if (!fs::exists(from)) continue;
    fs::copy_file(from, fs::path(target) / name, fs::copy_options::overwrite_existing, err);
    if (err) throw std::runtime_error("cannot copy " + std::string(name) + " to " + target);
  }
}

int Run(const Options& in) {
  std::string text = ReadProblem(in.problem);
  std::string dir = OwnFolder();
  std::string param = in.param.empty() ? DefaultParam(dir) : ReadWholeFile(in.param);
  std::string prover = dir + "/tessivar";
  if (access(prover.c_str(), X_OK) != 0)
    throw std::runtime_error("no prover at " + prover + "; build it first");

  TempFolder work;
  WriteWholeFile(work.path + "/param", param);
  WriteWholeFile(work.path + "/input", text);
  CatchStopSignals();
  std::string out;
  RunOutcome outcome = RunInProcessGroup(
      prover, work.path, work.path + "/input", in.limit, [&](const char* p, size_t n) {
        out.append(p, n);
        if (in.follow) std::cerr.write(p, static_cast<std::streamsize>(n)).flush();
      });
  if (outcome.interrupted_by) {
    std::cerr << "tessivar-run: interrupted by signal " << outcome.interrupted_by
              << "; the prover was stopped\n";
    return 128 + outcome.interrupted_by;
  }
  if (!in.keep_dir.empty()) KeepFiles(work.path, in.keep_dir);
  if (outcome.timed_out) {
    char s[32];
    std::snprintf(s, sizeof s, "%g", in.limit);
    std::cerr << "tessivar-run: time limit of " << s << " s reached; the prover was stopped\n";
  } else if (outcome.status != 0) {
    std::cerr << "tessivar-run: the prover stopped "
              << (outcome.status > 0 ? "with exit status " + std::to_string(outcome.status)
                                     : "by signal " + std::to_string(outcome.signal_number))
              << "\n";
  }
  std::cout << (outcome.timed_out ? "MAYBE" : Verdict(out)) << "\n" << out << std::flush;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(ParseArguments(argc, argv));
  } catch (const UsageError& e) {
    std::cerr << "tessivar-run: " << e.what() << "\n" << kUsage;
    return 2;
  } catch (const ProblemError& e) {
    std::cerr << "tessivar-run: " << e.what() << "\n";
    return 2;
  } catch (const std::exception& e) {
    std::cerr << "tessivar-run: " << e.what() << "\n";
    return 1;
  }
}

// Helpers of the runner's tests: problems in the prover's text format read
// back as rule lists, scripts that stand in for the solver, and a look at
// the processes that are still running.
#pragma once
#include <dirent.h>
#include <sys/stat.h>

#include <sstream>
#include <string>
#include <vector>

#include "program_run.h"
#include "input/problem.h"

// The rules of the classic prover's result file "srs": "(RULES", then
// names, "->" between the sides, "," between rules and ")" at the end,
// all separated by blanks or line ends.
inline std::vector<tessivar::engine::NamedRule> RulesOf(const std::string& text) {
  std::istringstream in(text);
  std::string token;
  in >> token;  // "(RULES"
  std::vector<tessivar::engine::NamedRule> rules(1);
  bool right = false;
  while (in >> token && token != ")") {
    if (token == ",") {
      rules.emplace_back();
      right = false;
    } else if (token == "->") {
      right = true;
    } else {
      (right ? rules.back().rhs : rules.back().lhs).push_back(token);
    }
  }
  return rules;
}

inline void WriteScript(const std::string& path, const std::string& text) {
  WriteFile(path, "#!/bin/sh\n" + text);
  chmod(path.c_str(), 0755);
}

// Processes, zombies aside, whose command line contains `mark`.
inline int ProcessesMatching(const std::string& mark) {
  int n = 0;
  DIR* d = opendir("/proc");
  while (dirent* e = readdir(d)) {
    std::string pid = e->d_name;
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    std::string stat = ReadFile("/proc/" + pid + "/stat");
    size_t h = stat.rfind(')');
    if (h == std::string::npos || h + 2 >= stat.size() || stat[h + 2] == 'Z') continue;
    std::string cmd = ReadFile("/proc/" + pid + "/cmdline");
    for (char& c : cmd)
      if (c == '\0') c = ' ';
    if (cmd.find(mark) != std::string::npos) n++;
  }
  closedir(d);
  return n;
}

inline const std::string Runner = std::string(TESSIVAR_BIN_DIR) + "/tessivar-run";
// tessivar-run with the classic prover alone.
inline const std::string ClassicRunner = Runner + " --prover classic";
inline const std::string Batch = std::string(TESSIVAR_BIN_DIR) + "/tessivar-batch";

// A parameter file for a fake solver: dimensions 3, match bounds on.
inline std::string FakeSolverParam(const std::string& solver) {
  return Param(solver, 0, 0, 3, 3, 1, 3);
}

// What tessivar-run --prover classic must print for a system: the prover's
// own output from a run in a folder of its own, behind its verdict, the
// line that names it and, for a MAYBE, the reason.
inline std::string ExpectedOutput(const std::string& system, const std::string& param) {
  TempDir m;
  WriteFile(m / "param", param);
  ProgramRun l = RunIn(m.path, Prover, system);
  bool yes = false;
  for (const char* r : {"\ntermination has been proved\n", "\nTerminating due to match bound "})
    yes = yes || l.out.find(r) != std::string::npos;
  return (yes ? "YES\n" : "MAYBE\n") + std::string("prover: classic\n") +
         (yes ? "" : "reason: every method exhausted\n") + l.out;
}

// A stand-in for the engine: notes its arguments in ARGS (a file beside
// it), writes "CERTIFICATE" to the file after --certificate, sleeps, then
// prints `output` and exits with `status`.
inline std::string FakeEngine(const std::string& dir, const std::string& output, int status = 0,
                              const std::string& before = "") {
  std::string path = dir + "/fake-engine";
  WriteScript(path, "echo \"$@\" > " + dir + "/engine-args\n/bin/cp \"$1\" " + dir +
                        "/engine-problem\n"
                        "while [ $# -gt 0 ]; do [ \"$1\" = --certificate ] && echo CERTIFICATE > \"$2\"; "
                        "shift; done\n" +
                        before + "printf '" + output + "'\nexit " + std::to_string(status) + "\n");
  return path;
}

// Runs a program of the build in a fresh temporary folder and collects what
// it leaves: standard output, standard error, exit status and files.
#pragma once
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

struct ProgramRun {
  std::string out, err;
  int status = -1;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

inline void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream f(path, std::ios::binary);
  f << content;
}

inline bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// A fresh temporary folder, removed when the object goes.
struct TempDir {
  std::string path;
  TempDir() {
    char pattern[] = "/tmp/tessivar-test-XXXXXX";
    path = mkdtemp(pattern);
  }
  ~TempDir() { std::system(("rm -rf '" + path + "'").c_str()); }
  std::string operator/(const std::string& name) const { return path + "/" + name; }
};

// Runs the command line in folder `dir` with `input` on standard input.
inline ProgramRun RunIn(const std::string& dir, const std::string& command,
                        const std::string& input) {
  WriteFile(dir + "/.input", input);
  std::string cmd = "cd '" + dir + "' && " + command + " < .input > .out 2> .err";
  int st = std::system(cmd.c_str());
  ProgramRun l;
  l.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  l.out = ReadFile(dir + "/.out");
  l.err = ReadFile(dir + "/.err");
  return l;
}

// A parameter file: solver command line, then Verbose, Mxr, Trdim, Ardim, Mb, Mpdim.
inline std::string Param(const std::string& path, int verbose, int mxr, int trdim, int ardim,
                         int mb, int mpdim) {
  std::ostringstream s;
  s << path << "\n"
    << verbose << "\n"
    << mxr << "\n"
    << trdim << "\n"
    << ardim << "\n"
    << mb << "\n"
    << mpdim << "\n";
  return s.str();
}

inline const std::string Prover = std::string(TESSIVAR_BIN_DIR) + "/tessivar";

// Helpers of the runner's tests: problems in the prover's text format read
// back as rule lists, scripts that stand in for the solver, and a look at
// the processes that are still running.
#pragma once
#include <dirent.h>
#include <sys/stat.h>

#include <string>
#include <utility>
#include <vector>

#include "lauf.h"

using Regel = std::pair<std::vector<std::string>, std::vector<std::string>>;

// The rules of a system text as the prover's reader takes them: lines joined
// without a separator (an empty line counts as a blank), the header up to the
// first "S" skipped, rules separated by ",", ended by ")", names ended by
// blanks, the arrow "->" between the sides.
inline std::vector<Regel> Regelsvan(const std::string& tekst) {
  std::string t;
  size_t b = 0;
  while (b <= tekst.size()) {
    size_t e = tekst.find('\n', b);
    if (e == std::string::npos) e = tekst.size();
    t += e == b ? std::string(" ") : tekst.substr(b, e - b);
    b = e + 1;
  }
  t = t.substr(t.find('S') + 1);
  t = t.substr(0, t.find(')'));
  std::vector<Regel> regels;
  size_t p = 0;
  while (p < t.size()) {
    size_t k = t.find(',', p);
    if (k == std::string::npos) k = t.size();
    std::string r = t.substr(p, k - p);
    p = k + 1;
    size_t pijl = r.find("->");
    if (pijl == std::string::npos) continue;  // an empty place between ","
    Regel regel;
    auto Namen = [](const std::string& s, std::vector<std::string>& uit) {
      size_t i = 0;
      while (i < s.size()) {
        size_t j = s.find(' ', i);
        if (j == std::string::npos) j = s.size();
        if (j > i) uit.push_back(s.substr(i, j - i));
        i = j + 1;
      }
    };
    Namen(r.substr(0, pijl), regel.first);
    Namen(r.substr(pijl + 2), regel.second);
    regels.push_back(regel);
  }
  return regels;
}

inline void Schrijfscript(const std::string& pad, const std::string& tekst) {
  Schrijfbestand(pad, "#!/bin/sh\n" + tekst);
  chmod(pad.c_str(), 0755);
}

// Processes, zombies aside, whose command line contains `merk`.
inline int Processenmet(const std::string& merk) {
  int n = 0;
  DIR* d = opendir("/proc");
  while (dirent* e = readdir(d)) {
    std::string pid = e->d_name;
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    std::string stat = Leesbestand("/proc/" + pid + "/stat");
    size_t h = stat.rfind(')');
    if (h == std::string::npos || h + 2 >= stat.size() || stat[h + 2] == 'Z') continue;
    std::string cmd = Leesbestand("/proc/" + pid + "/cmdline");
    for (char& c : cmd)
      if (c == '\0') c = ' ';
    if (cmd.find(merk) != std::string::npos) n++;
  }
  closedir(d);
  return n;
}

inline const std::string Runner = std::string(TESSIVAR_BIN_DIR) + "/tessivar-run";
inline const std::string Batch = std::string(TESSIVAR_BIN_DIR) + "/tessivar-batch";

// A parameter file for a fake solver: dimensions 3, match bounds on.
inline std::string Fakeparam(const std::string& solver) { return Param(solver, 0, 0, 3, 3, 1, 3); }

// What tessivar-run must print for a system: the prover's own output from a
// run in a folder of its own, behind its verdict.
inline std::string Verwacht(const std::string& systeem, const std::string& param) {
  Tijdmap m;
  Schrijfbestand(m / "param", param);
  Lauf l = Draai(m.pad, Prover, systeem);
  bool ja = false;
  for (const char* r : {"\ntermination has been proved\n", "\nTerminating due to match bound "})
    ja = ja || l.uit.find(r) != std::string::npos;
  return (ja ? "YES\n" : "MAYBE\n") + l.uit;
}

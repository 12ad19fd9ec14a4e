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

struct Lauf {
  std::string uit, fout;
  int status = -1;
};

inline std::string Leesbestand(const std::string& pad) {
  std::ifstream f(pad, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

inline void Schrijfbestand(const std::string& pad, const std::string& inhoud) {
  std::ofstream f(pad, std::ios::binary);
  f << inhoud;
}

inline bool Bestaat(const std::string& pad) { return access(pad.c_str(), F_OK) == 0; }

// A fresh temporary folder, removed when the object goes.
struct Tijdmap {
  std::string pad;
  Tijdmap() {
    char sjabloon[] = "/tmp/tessivar-test-XXXXXX";
    pad = mkdtemp(sjabloon);
  }
  ~Tijdmap() { std::system(("rm -rf '" + pad + "'").c_str()); }
  std::string operator/(const std::string& naam) const { return pad + "/" + naam; }
};

// Runs the command line in folder `map` with `invoer` on standard input.
inline Lauf Draai(const std::string& map, const std::string& regel, const std::string& invoer) {
  Schrijfbestand(map + "/.invoer", invoer);
  std::string cmd = "cd '" + map + "' && " + regel + " < .invoer > .uit 2> .fout";
  int st = std::system(cmd.c_str());
  Lauf l;
  l.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  l.uit = Leesbestand(map + "/.uit");
  l.fout = Leesbestand(map + "/.fout");
  return l;
}

// A parameter file: solver command line, then Verbose, Mxr, Trdim, Ardim, Mb, Mpdim.
inline std::string Param(const std::string& pad, int verbose, int mxr, int trdim, int ardim, int mb,
                         int mpdim) {
  std::ostringstream s;
  s << pad << "\n" << verbose << "\n" << mxr << "\n" << trdim << "\n" << ardim << "\n" << mb << "\n"
    << mpdim << "\n";
  return s.str();
}

inline const std::string Prover = std::string(TESSIVAR_BIN_DIR) + "/tessivar";

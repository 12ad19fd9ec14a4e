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

#include "run/draai.h"
#include "run/oordeel.h"
#include "run/probleem.h"
#include "run/standaard.h"

namespace fs = std::filesystem;

namespace {

const char* Gebruik =
    "usage: tessivar-run PROBLEM [--timeout SECONDS] [--param FILE] [--keep DIR] [--follow]\n"
    "  PROBLEM      a system in the prover's text format, or a database problem in XML\n"
    "  --timeout S  stop the prover and its solver after S seconds (verdict MAYBE)\n"
    "  --param F    the prover's parameter file instead of the built-in settings\n"
    "  --keep D     leave the prover's files \"srs\", \"frm\" and \"r\" in folder D\n"
    "  --follow     also copy the prover's output to standard error as it comes\n";

// Wrong use of the command: reported with the usage, exit status 2 like a bad problem.
struct Gebruiksfout : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Instelling {
  std::string probleem, param, bewaar;
  double limiet = 0;
  bool volg = false;
};

Instelling Leesargumenten(int argc, char** argv) {
  Instelling in;
  for (int i = 1; i < argc; i++) {
    std::string a = argv[i];
    auto Waarde = [&]() -> std::string {
      if (i + 1 >= argc) throw Gebruiksfout(a + " needs a value");
      return argv[++i];
    };
    if (a == "--timeout") {
      std::string w = Waarde();
      char* eind = nullptr;
      in.limiet = std::strtod(w.c_str(), &eind);
      if (w.empty() || *eind != '\0' || !(in.limiet > 0) || !std::isfinite(in.limiet))
        throw Gebruiksfout("--timeout wants a positive number of seconds, not \"" + w + "\"");
    } else if (a == "--param") {
      in.param = Waarde();
    } else if (a == "--keep") {
      in.bewaar = Waarde();
    } else if (a == "--follow") {
      in.volg = true;
    } else if (a == "-h" || a == "--help") {
      std::cout << Gebruik;
      std::exit(0);
    } else if (a.size() > 1 && a[0] == '-') {
      throw Gebruiksfout("unknown option " + a);
    } else if (in.probleem.empty()) {
      in.probleem = a;
    } else {
      throw Gebruiksfout("one problem at a time (tessivar-batch runs many)");
    }
  }
  if (in.probleem.empty()) throw Gebruiksfout("no problem given");
  return in;
}

// The folder of this executable, where the prover and the solver front end lie.
std::string Eigenmap() {
  std::error_code fout;
  fs::path p = fs::read_symlink("/proc/self/exe", fout);
  if (fout) throw std::runtime_error("cannot find the folder of tessivar-run: " + fout.message());
  return p.parent_path().string();
}

// The path as one word for the shell, quoted only when it needs it.
std::string Shellwoord(const std::string& s) {
  if (s.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789/._+-") ==
      std::string::npos)
    return s;
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string Standaardparam(const std::string& map) {
  std::string smt = map + "/tessivar-smt";
  if (access(smt.c_str(), X_OK) != 0)
    std::cerr << "tessivar-run: warning: no solver front end at " << smt
              << "; matrix attempts will fail\n";
  std::string pad = Shellwoord(smt) + " -t " + std::to_string(Standaard_solvertijd);
  // The prover keeps 255 bytes of this line and appends " -m frm > r".
  if (pad.size() > 255)
    throw std::runtime_error("the solver command line " + pad + " is longer than " +
                             "255 bytes; move the build folder");
  std::ostringstream s;
  s << pad << "\n0\n"
    << Standaard_mxr << "\n"
    << Standaard_dim << "\n"
    << Standaard_dim << "\n"
    << (Standaard_matchbound ? 1 : 0) << "\n"
    << Standaard_dim << "\n";
  return s.str();
}

std::string Lees(const std::string& pad) {
  std::ifstream f(pad, std::ios::binary);
  if (!f) throw Gebruiksfout("cannot read " + pad + ": " + std::strerror(errno));
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

void Schrijf(const std::string& pad, const std::string& inhoud) {
  std::ofstream f(pad, std::ios::binary);
  f << inhoud;
  f.close();
  if (!f) throw std::runtime_error("cannot write " + pad);
}

// The temporary folder of one run, removed with everything in it at the end.
struct Werkmap {
  std::string pad;
  Werkmap() {
    const char* t = std::getenv("TMPDIR");
    std::string sjabloon = std::string(t && *t ? t : "/tmp") + "/tessivar-run-XXXXXX";
    if (!mkdtemp(sjabloon.data()))
      throw std::runtime_error("cannot make a temporary folder " + sjabloon + ": " +
                               std::strerror(errno));
    pad = sjabloon;
  }
  ~Werkmap() {
    std::error_code fout;
    fs::remove_all(pad, fout);
  }
};

void Bewaar(const std::string& werk, const std::string& doel) {
  std::error_code fout;
  fs::create_directory(doel, fout);
  if (fout || !fs::is_directory(doel))
    throw std::runtime_error("cannot make the folder " + doel + " for --keep");
  for (const char* naam : {"srs", "frm", "r"}) {
    fs::path van = fs::path(werk) / naam;
    if (!fs::exists(van)) continue;
    fs::copy_file(van, fs::path(doel) / naam, fs::copy_options::overwrite_existing, fout);
    if (fout) throw std::runtime_error("cannot copy " + std::string(naam) + " to " + doel);
  }
}

int Draai(const Instelling& in) {
  std::string tekst = Leesprobleem(in.probleem);
  std::string map = Eigenmap();
  std::string param = in.param.empty() ? Standaardparam(map) : Lees(in.param);
  std::string prover = map + "/tessivar";
  if (access(prover.c_str(), X_OK) != 0)
    throw std::runtime_error("no prover at " + prover + "; build it first");

  Werkmap werk;
  Schrijf(werk.pad + "/param", param);
  Schrijf(werk.pad + "/invoer", tekst);
  Vangsignalen();
  std::string uit;
  Afloop a = Draaiingroep(prover, werk.pad, werk.pad + "/invoer", in.limiet,
                          [&](const char* p, size_t n) {
                            uit.append(p, n);
                            if (in.volg) std::cerr.write(p, static_cast<std::streamsize>(n)).flush();
                          });
  if (a.onderbroken) {
    std::cerr << "tessivar-run: interrupted by signal " << a.onderbroken
              << "; the prover was stopped\n";
    return 128 + a.onderbroken;
  }
  if (!in.bewaar.empty()) Bewaar(werk.pad, in.bewaar);
  if (a.tijdop) {
    char s[32];
    std::snprintf(s, sizeof s, "%g", in.limiet);
    std::cerr << "tessivar-run: time limit of " << s << " s reached; the prover was stopped\n";
  } else if (a.status != 0) {
    std::cerr << "tessivar-run: the prover stopped "
              << (a.status > 0 ? "with exit status " + std::to_string(a.status)
                               : "by signal " + std::to_string(a.signaal))
              << "\n";
  }
  std::cout << (a.tijdop ? "MAYBE" : Oordeel(uit)) << "\n" << uit << std::flush;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Draai(Leesargumenten(argc, argv));
  } catch (const Gebruiksfout& e) {
    std::cerr << "tessivar-run: " << e.what() << "\n" << Gebruik;
    return 2;
  } catch (const Probleemfout& e) {
    std::cerr << "tessivar-run: " << e.what() << "\n";
    return 2;
  } catch (const std::exception& e) {
    std::cerr << "tessivar-run: " << e.what() << "\n";
    return 1;
  }
}

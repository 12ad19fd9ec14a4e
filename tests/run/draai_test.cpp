// tessivar-run end to end: the time limit stops every process of a run,
// runs side by side in one folder keep apart, --keep, and an interrupt.
#include <gtest/gtest.h>

#include <chrono>

#include "hulp.h"

namespace {

double Seconden(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// A command that ignores SIGTERM, as does its child, and never ends; only the
// group kill with SIGKILL stops it. Its path carries the folder's unique name.
const char* Koppig =
    "trap '' TERM\n"
    "( while :; do sleep 1; done ) &\n"
    "while :; do sleep 1; done\n";

const std::string Systeem = "(RULES\na a -> a b ,\nb b -> a\n)\n";

// Whether the prover runs the solver of "param" on this system at all; only
// once matrix attempts are built into it.
bool Roeptsolver() {
  Tijdmap m;
  Schrijfscript(m / "merk-solver", "touch " + m / "geroepen" + "\necho unsat\n");
  Schrijfbestand(m / "param", Fakeparam(m / "merk-solver"));
  Draai(m.pad, Prover, Systeem);
  return Bestaat(m / "geroepen");
}

void Tijdlimiet(const std::string& map, const std::string& regel) {
  auto t0 = std::chrono::steady_clock::now();
  // A run the limit fails to stop would never end: fail it instead.
  Lauf l = Draai(map, "timeout -s KILL 60 env " + regel, "");
  double s = Seconden(t0);
  EXPECT_EQ(l.status, 0) << l.fout;
  EXPECT_EQ(l.uit.substr(0, 6), "MAYBE\n");
  EXPECT_NE(l.fout.find("time limit of 1.5 s reached"), std::string::npos) << l.fout;
  EXPECT_GT(s, 1.4);
  EXPECT_LT(s, 30.0);
  EXPECT_EQ(Processenmet(map), 0);
  // The temporary folder is gone as well.
  EXPECT_EQ(std::system(("ls " + map + "/tmp | grep -q tessivar-run").c_str()) == 0, false);
}

TEST(Tijdlimiet, StopsASolverThatHangsAndIgnoresSigterm) {
  if (!Roeptsolver()) GTEST_SKIP() << "this prover makes no solver call yet";
  Tijdmap m;
  std::system(("mkdir " + m / "tmp").c_str());
  Schrijfbestand(m / "p.srs", Systeem);
  Schrijfscript(m / "trage-solver", Koppig);
  Schrijfbestand(m / "param", Fakeparam(m / "trage-solver"));
  Tijdlimiet(m.pad, "TMPDIR=" + m / "tmp" + " " + Runner + " p.srs --timeout 1.5 --param param");
}

TEST(Tijdlimiet, StopsAnyCommandOfTheProver) {
  // The prover's own "cp param frm" found first in PATH: this stands for the
  // solver with every prover, matrix attempts or not.
  Tijdmap m;
  std::system(("mkdir " + m / "tmp " + m / "bin").c_str());
  Schrijfbestand(m / "p.srs", Systeem);
  Schrijfscript(m / "bin/cp", Koppig);
  Schrijfbestand(m / "param", Fakeparam("/bin/false"));
  Tijdlimiet(m.pad, "PATH=" + m / "bin" + ":$PATH TMPDIR=" + m / "tmp" + " " + Runner +
                        " p.srs --timeout 1.5 --param param");
}

TEST(Tijdlimiet, InterruptStopsTheGroupToo) {
  Tijdmap m;
  std::system(("mkdir " + m / "tmp " + m / "bin").c_str());
  Schrijfbestand(m / "p.srs", Systeem);
  Schrijfscript(m / "bin/cp", Koppig);
  Schrijfbestand(m / "param", Fakeparam("/bin/false"));
  Lauf l = Draai(m.pad,
                 "(PATH=" + m / "bin" + ":$PATH TMPDIR=" + m / "tmp " + Runner +
                     " p.srs --param param & p=$!; sleep 1; kill -TERM $p; wait $p; echo $?)",
                 "");
  EXPECT_EQ(l.uit, "143\n");
  EXPECT_NE(l.fout.find("interrupted by signal 15"), std::string::npos) << l.fout;
  EXPECT_EQ(Processenmet(m.pad), 0);
  EXPECT_EQ(std::system(("ls " + m / "tmp | grep -q tessivar-run").c_str()) == 0, false);
}

TEST(Naastelkaar, TwoRunsInOneFolderKeepApart) {
  Tijdmap m;
  std::system(("mkdir " + m / "bin").c_str());
  // A slow copy keeps both runs in the folder at the same time.
  Schrijfscript(m / "bin/cp", "[ \"$1\" = param ] && sleep 1\nexec /bin/cp \"$@\"\n");
  Schrijfscript(m / "unsat", "echo unsat\n");
  std::string param = Fakeparam(m / "unsat");
  Schrijfbestand(m / "param", param);
  const std::string een = "(RULES\na b -> b a\n)\n", twee = "(RULES\nc -> d d ,\nd d d -> c\n)\n";
  Schrijfbestand(m / "een.srs", een);
  Schrijfbestand(m / "twee.srs", twee);
  std::string r = "PATH=" + m / "bin" + ":$PATH " + Runner;
  Lauf l = Draai(m.pad,
                 "(" + r + " een.srs --param param > een.uit & " + r +
                     " twee.srs --param param > twee.uit; wait)",
                 "");
  EXPECT_EQ(l.fout, "");
  EXPECT_EQ(Leesbestand(m / "een.uit"), Verwacht(een, param));
  EXPECT_EQ(Leesbestand(m / "twee.uit"), Verwacht(twee, param));
  for (const char* f : {"frm", "srs", "r"}) EXPECT_FALSE(Bestaat(m / f)) << f;
}

TEST(Bewaar, KeepGetsTheProversFiles) {
  Tijdmap m;
  Schrijfscript(m / "unsat", "echo unsat\n");
  Schrijfbestand(m / "param", Fakeparam(m / "unsat"));
  Schrijfbestand(m / "p.srs", "(RULES a a -> a )");
  Lauf l = Draai(m.pad, Runner + " p.srs --param param --keep bewaard", "");
  EXPECT_EQ(l.status, 0);
  // "srs" holds the system as the prover left it: as read or "YES".
  std::string srs = Leesbestand(m / "bewaard/srs");
  EXPECT_TRUE(srs == "YES\n" || Regelsvan(srs) == (std::vector<Regel>{{{"a", "a"}, {"a"}}})) << srs;
  EXPECT_EQ(l.uit.substr(0, 4) == "YES\n", srs == "YES\n");
  EXPECT_FALSE(Bestaat(m / "bewaard/param"));
}

}  // namespace

// End to end with the real solver front end: the prover proves two sample
// problems, and every interpretation it prints is recomputed here, apart from
// the prover's own check, and must orient the rules it claims to remove.
// Skipped when no tessivar-smt is built beside the prover (or named by the
// environment variable TESSIVAR_SMT).
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "../lauf.h"

namespace {

using Woord = std::vector<std::string>;
struct Regel {
  Woord l, r;
};

// An entry; `oneindig` is the mode's infinite element.
struct Getal {
  bool oneindig = false;
  long long v = 0;
};
using Mat = std::vector<std::vector<Getal>>;

Woord Woorden(const std::string& t) {
  std::istringstream s(t);
  Woord w;
  for (std::string x; s >> x;) w.push_back(x);
  return w;
}

Regel Leesregel(const std::string& t) {
  size_t p = t.find(" -> ");
  return {Woorden(t.substr(0, p)), Woorden(t.substr(p + 4))};
}

struct Herrekening {
  char modus;  // 'n', 't' or 'a'
  size_t d;
  std::map<std::string, Mat> m;

  Mat Eenheid() const {
    Mat e(d, std::vector<Getal>(d));
    for (size_t i = 0; i < d; i++)
      for (size_t j = 0; j < d; j++) {
        if (modus == 'n')
          e[i][j].v = i == j;
        else
          e[i][j].oneindig = i != j;
      }
    return e;
  }
  Mat Maal(const Mat& x, const Mat& y) const {
    Mat z(d, std::vector<Getal>(d));
    for (size_t i = 0; i < d; i++)
      for (size_t j = 0; j < d; j++) {
        Getal& e = z[i][j];
        e.oneindig = modus != 'n';
        for (size_t k = 0; k < d; k++) {
          long long t;
          if (modus == 'n') {
            EXPECT_FALSE(__builtin_mul_overflow(x[i][k].v, y[k][j].v, &t));
            EXPECT_FALSE(__builtin_add_overflow(e.v, t, &e.v));
          } else if (!x[i][k].oneindig && !y[k][j].oneindig) {
            EXPECT_FALSE(__builtin_add_overflow(x[i][k].v, y[k][j].v, &t));
            if (e.oneindig || (modus == 't' ? t < e.v : t > e.v)) e = Getal{false, t};
          }
        }
      }
    return z;
  }
  Mat Van(const Woord& w) const {
    Mat a = Eenheid();
    for (const std::string& s : w) a = Maal(a, m.at(s));
    return a;
  }
  // Left above right: strictly where `strikt`, else weakly.
  bool Boven(const Regel& r, bool strikt) const {
    Mat a = Van(r.l), b = Van(r.r);
    if (modus == 'n') {
      if (strikt && a[0][0].v <= b[0][0].v) return false;
      for (size_t i = 0; i < d; i++)
        for (size_t j = 0; j < d; j++)
          if (a[i][j].v < b[i][j].v) return false;
      return true;
    }
    for (size_t i = 0; i < d; i++)
      for (size_t j = 0; j < d; j++) {
        if (modus == 't' ? a[i][j].oneindig : b[i][j].oneindig) continue;
        if (a[i][j].oneindig || b[i][j].oneindig) return false;
        if (strikt ? a[i][j].v <= b[i][j].v : a[i][j].v < b[i][j].v) return false;
      }
    return true;
  }
};

Getal Leesgetal(const std::string& t) { return t == "-" ? Getal{true, 0} : Getal{false, std::stoll(t)}; }

std::string Oplosser() {
  if (const char* e = std::getenv("TESSIVAR_SMT")) return e;
  return std::string(TESSIVAR_BIN_DIR) + "/tessivar-smt";
}

// Follows the proof text step by step; returns the modes of the
// interpretations that removed rules.
std::string Volg(const std::string& uit) {
  std::vector<std::string> r;
  std::istringstream s(uit);
  for (std::string l; std::getline(s, l);) r.push_back(l);
  size_t q = 1;
  std::vector<Regel> regels;
  while (q < r.size() && r[q].find(" -> ") != std::string::npos) regels.push_back(Leesregel(r[q++]));
  std::string modi;
  while (q < r.size()) {
    if (r[q].rfind("attempt failed", 0) == 0) {
      q++;
      continue;
    }
    if (r[q] == "continue with:") {
      q++;
      for (const Regel& g : regels) {
        EXPECT_LT(q, r.size());
        if (q >= r.size()) return modi;
        Regel h = Leesregel(r[q++]);
        EXPECT_EQ(h.l, g.l);
        EXPECT_EQ(h.r, g.r);
      }
      continue;
    }
    if (r[q] == "termination has been proved") {
      EXPECT_TRUE(regels.empty());
      EXPECT_EQ(q + 1, r.size());
      return modi + "proved";
    }
    Herrekening h{'t', 1, {}};
    if (r[q].find("matrix interpretation") != std::string::npos) {
      h.modus = r[q][0] == 'N' ? 'n' : r[q][0] == 'T' ? 't' : 'a';
      q++;
    }
    while (q < r.size() && r[q].rfind("interpretation of ", 0) == 0) {
      std::string kop = r[q].substr(18);
      size_t p = kop.rfind(':');
      std::string naam = kop.substr(0, p);
      Mat a;
      if (p + 1 < kop.size()) {
        a = {{Leesgetal(kop.substr(p + 2))}};
        q++;
      } else {
        for (q++; q < r.size() && (r[q][0] == '/' || r[q][0] == '|' || r[q][0] == '\\'); q++) {
          Woord w = Woorden(r[q].substr(1, r[q].size() - 2));
          std::vector<Getal> rij;
          for (const std::string& x : w) rij.push_back(Leesgetal(x));
          a.push_back(rij);
          if (r[q][0] == '\\') break;
        }
        q++;
      }
      h.d = a.size();
      for (size_t i = 0; i < h.d; i++)
        for (size_t j = 0; j < h.d; j++) {
          EXPECT_EQ(a[i].size(), h.d);
          if (a[i].size() != h.d) return modi;
          EXPECT_TRUE(a[i][j].oneindig || a[i][j].v >= 0);
        }
      EXPECT_FALSE(a[0][0].oneindig);
      EXPECT_TRUE(h.modus != 'n' || a[0][0].v > 0);
      h.m[naam] = a;
    }
    std::vector<bool> weg(regels.size(), false);
    bool iets = false;
    while (q < r.size() && r[q].rfind("remove rule ", 0) == 0) {
      size_t n = std::stoul(r[q++].substr(12));
      EXPECT_TRUE(n >= 1 && n <= regels.size());
      if (n < 1 || n > regels.size()) return modi;
      weg[n - 1] = iets = true;
    }
    EXPECT_TRUE(iets) << "unexpected line " << (q < r.size() ? r[q] : "");
    if (!iets) return modi;
    std::vector<Regel> rest;
    for (size_t k = 0; k < regels.size(); k++) {
      EXPECT_TRUE(h.Boven(regels[k], weg[k])) << "rule " << k + 1 << " in mode " << h.modus;
      if (!weg[k]) rest.push_back(regels[k]);
    }
    regels = rest;
    modi += std::string(1, h.modus) + std::to_string(h.d) + " ";
  }
  return modi;
}

struct Opgave {
  const char* pad;
  int trdim, ardim, mpdim;
  const char* modus;  // a mode the proof must use, as Volg names it
};

void PrintTo(const Opgave& o, std::ostream* os) { *os << o.pad; }

class Oplosserproef : public testing::TestWithParam<Opgave> {};

TEST_P(Oplosserproef, ProvesAndEveryInterpretationHolds) {
  if (!Bestaat(Oplosser())) GTEST_SKIP() << "no solver front end at " << Oplosser();
  const Opgave& o = GetParam();
  Tijdmap map;
  Schrijfbestand(map / "param", Param(Oplosser() + " -t 120", 0, 0, o.trdim, o.ardim, 0, o.mpdim));
  Lauf l = Draai(map.pad, Prover, Leesbestand(std::string(TESSIVAR_TPDB_DIR) + "/" + o.pad));
  EXPECT_EQ(l.status, 0);
  EXPECT_EQ(l.fout, "");
  std::string modi = Volg(l.uit);
  EXPECT_EQ(modi.substr(modi.size() - 6), "proved") << l.uit;
  EXPECT_NE(modi.find(o.modus), std::string::npos) << l.uit;
  EXPECT_EQ(Leesbestand(map / "srs"), "YES\n");
  std::printf("%s: %s\n", o.pad, modi.c_str());
}

INSTANTIATE_TEST_SUITE_P(Proeven, Oplosserproef,
                         testing::Values(Opgave{"Bouchare_06/04.srs", 3, 3, 3, "t2"},
                                         Opgave{"Waldmann_06_SRS/sym-1.srs", 3, 3, 3, "a2"},
                                         // Normal mode only: the others would find it first.
                                         Opgave{"Bouchare_06/02.srs", 1, 1, 2, "n2"}));

}  // namespace

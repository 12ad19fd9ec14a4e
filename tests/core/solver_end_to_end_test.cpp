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

#include "../program_run.h"

namespace {

using Word = std::vector<std::string>;
struct Rule {
  Word l, r;
};

// An entry; `infinite` is the mode's infinite element.
struct Entry {
  bool infinite = false;
  long long v = 0;
};
using Mat = std::vector<std::vector<Entry>>;

Word Words(const std::string& t) {
  std::istringstream s(t);
  Word w;
  for (std::string x; s >> x;) w.push_back(x);
  return w;
}

Rule ParseRule(const std::string& t) {
  size_t p = t.find(" -> ");
  return {Words(t.substr(0, p)), Words(t.substr(p + 4))};
}

struct Recomputation {
  char mode;  // 'n', 't' or 'a'
  size_t d;
  std::map<std::string, Mat> m;

  Mat Identity() const {
    Mat e(d, std::vector<Entry>(d));
    for (size_t i = 0; i < d; i++)
      for (size_t j = 0; j < d; j++) {
        if (mode == 'n')
          e[i][j].v = i == j;
        else
          e[i][j].infinite = i != j;
      }
    return e;
  }
  Mat Times(const Mat& x, const Mat& y) const {
    Mat z(d, std::vector<Entry>(d));
    for (size_t i = 0; i < d; i++)
      for (size_t j = 0; j < d; j++) {
        Entry& e = z[i][j];
        e.infinite = mode != 'n';
        for (size_t k = 0; k < d; k++) {
          long long t;
          if (mode == 'n') {
            EXPECT_FALSE(__builtin_mul_overflow(x[i][k].v, y[k][j].v, &t));
            EXPECT_FALSE(__builtin_add_overflow(e.v, t, &e.v));
          } else if (!x[i][k].infinite && !y[k][j].infinite) {
            EXPECT_FALSE(__builtin_add_overflow(x[i][k].v, y[k][j].v, &t));
            if (e.infinite || (mode == 't' ? t < e.v : t > e.v)) e = Entry{false, t};
          }
        }
      }
    return z;
  }
  Mat Of(const Word& w) const {
    Mat a = Identity();
    for (const std::string& s : w) a = Times(a, m.at(s));
    return a;
  }
  // Left above right: strictly where `strict`, else weakly.
  bool Above(const Rule& r, bool strict) const {
    Mat a = Of(r.l), b = Of(r.r);
    if (mode == 'n') {
      if (strict && a[0][0].v <= b[0][0].v) return false;
      for (size_t i = 0; i < d; i++)
        for (size_t j = 0; j < d; j++)
          if (a[i][j].v < b[i][j].v) return false;
      return true;
    }
    for (size_t i = 0; i < d; i++)
      for (size_t j = 0; j < d; j++) {
        if (mode == 't' ? a[i][j].infinite : b[i][j].infinite) continue;
        if (a[i][j].infinite || b[i][j].infinite) return false;
        if (strict ? a[i][j].v <= b[i][j].v : a[i][j].v < b[i][j].v) return false;
      }
    return true;
  }
};

Entry ParseEntry(const std::string& t) {
  return t == "-" ? Entry{true, 0} : Entry{false, std::stoll(t)};
}

std::string SolverFrontEnd() {
  if (const char* e = std::getenv("TESSIVAR_SMT")) return e;
  return std::string(TESSIVAR_BIN_DIR) + "/tessivar-smt";
}

// Follows the proof text step by step; returns the modes of the
// interpretations that removed rules.
std::string FollowProof(const std::string& out) {
  std::vector<std::string> r;
  std::istringstream s(out);
  for (std::string l; std::getline(s, l);) r.push_back(l);
  size_t q = 1;
  std::vector<Rule> rules;
  while (q < r.size() && r[q].find(" -> ") != std::string::npos) rules.push_back(ParseRule(r[q++]));
  std::string modes;
  while (q < r.size()) {
    if (r[q].rfind("attempt failed", 0) == 0) {
      q++;
      continue;
    }
    if (r[q] == "continue with:") {
      q++;
      for (const Rule& g : rules) {
        EXPECT_LT(q, r.size());
        if (q >= r.size()) return modes;
        Rule h = ParseRule(r[q++]);
        EXPECT_EQ(h.l, g.l);
        EXPECT_EQ(h.r, g.r);
      }
      continue;
    }
    if (r[q] == "termination has been proved") {
      EXPECT_TRUE(rules.empty());
      EXPECT_EQ(q + 1, r.size());
      return modes + "proved";
    }
    Recomputation h{'t', 1, {}};
    if (r[q].find("matrix interpretation") != std::string::npos) {
      h.mode = r[q][0] == 'N' ? 'n' : r[q][0] == 'T' ? 't' : 'a';
      q++;
    }
    while (q < r.size() && r[q].rfind("interpretation of ", 0) == 0) {
      std::string header = r[q].substr(18);
      size_t p = header.rfind(':');
      std::string name = header.substr(0, p);
      Mat a;
      if (p + 1 < header.size()) {
        a = {{ParseEntry(header.substr(p + 2))}};
        q++;
      } else {
        for (q++; q < r.size() && (r[q][0] == '/' || r[q][0] == '|' || r[q][0] == '\\'); q++) {
          Word w = Words(r[q].substr(1, r[q].size() - 2));
          std::vector<Entry> row;
          for (const std::string& x : w) row.push_back(ParseEntry(x));
          a.push_back(row);
          if (r[q][0] == '\\') break;
        }
        q++;
      }
      h.d = a.size();
      for (size_t i = 0; i < h.d; i++)
        for (size_t j = 0; j < h.d; j++) {
          EXPECT_EQ(a[i].size(), h.d);
          if (a[i].size() != h.d) return modes;
          EXPECT_TRUE(a[i][j].infinite || a[i][j].v >= 0);
        }
      EXPECT_FALSE(a[0][0].infinite);
      EXPECT_TRUE(h.mode != 'n' || a[0][0].v > 0);
      h.m[name] = a;
    }
    std::vector<bool> removed(rules.size(), false);
    bool any_strict = false;
    while (q < r.size() && r[q].rfind("remove rule ", 0) == 0) {
      size_t n = std::stoul(r[q++].substr(12));
      EXPECT_TRUE(n >= 1 && n <= rules.size());
      if (n < 1 || n > rules.size()) return modes;
      removed[n - 1] = any_strict = true;
    }
    EXPECT_TRUE(any_strict) << "unexpected line " << (q < r.size() ? r[q] : "");
    if (!any_strict) return modes;
    std::vector<Rule> remaining;
    for (size_t k = 0; k < rules.size(); k++) {
      EXPECT_TRUE(h.Above(rules[k], removed[k])) << "rule " << k + 1 << " in mode " << h.mode;
      if (!removed[k]) remaining.push_back(rules[k]);
    }
    rules = remaining;
    modes += std::string(1, h.mode) + std::to_string(h.d) + " ";
  }
  return modes;
}

struct Sample {
  const char* path;
  int trdim, ardim, mpdim;
  const char* mode;  // a mode the proof must use, as FollowProof names it
};

void PrintTo(const Sample& o, std::ostream* os) { *os << o.path; }

class SolverEndToEnd : public testing::TestWithParam<Sample> {};

TEST_P(SolverEndToEnd, ProvesAndEveryInterpretationHolds) {
  if (!Exists(SolverFrontEnd())) GTEST_SKIP() << "no solver front end at " << SolverFrontEnd();
  const Sample& o = GetParam();
  TempDir dir;
  WriteFile(dir / "param", Param(SolverFrontEnd() + " -t 120", 0, 0, o.trdim, o.ardim, 0, o.mpdim));
  ProgramRun l = RunIn(dir.path, Prover, ReadFile(std::string(TESSIVAR_SAMPLE_DIR) + "/" + o.path));
  EXPECT_EQ(l.status, 0);
  EXPECT_EQ(l.err, "");
  std::string modes = FollowProof(l.out);
  EXPECT_EQ(modes.substr(modes.size() - 6), "proved") << l.out;
  EXPECT_NE(modes.find(o.mode), std::string::npos) << l.out;
  EXPECT_EQ(ReadFile(dir / "srs"), "YES\n");
  std::printf("%s: %s\n", o.path, modes.c_str());
}

INSTANTIATE_TEST_SUITE_P(Samples, SolverEndToEnd,
                         testing::Values(Sample{"Bouchare_06/04.srs", 3, 3, 3, "t2"},
                                         Sample{"Waldmann_06_SRS/sym-1.srs", 3, 3, 3, "a2"},
                                         // Normal mode only: the others would find it first.
                                         Sample{"Bouchare_06/02.srs", 1, 1, 2, "n2"}));

}  // namespace

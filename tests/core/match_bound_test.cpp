// The match-bound method, driven in-process in a temporary folder, and its
// place in the driver's pass, through the program.
#include "matchbound/match_bound.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>
#include <string>

#include "store_fixture.h"

namespace {

// The graph of one construction over the system in `text`.
std::unique_ptr<MatchBoundGraph> BuildGraph(const std::string& text) {
  ReadSystem(text);
  auto g = std::make_unique<MatchBoundGraph>();
  g->Build();
  return g;
}

// Rules ai -> bi^49 for i = 1..n: each adds one chain of 49 edges at height 1.
std::string Chains(int n) {
  std::string t = "(RULES";
  for (int i = 1; i <= n; i++) {
    std::string b = " b" + std::to_string(i);
    t += " a" + std::to_string(i) + " ->";
    for (int k = 0; k < 49; k++) t += b;
    t += i < n ? " ," : " )";
  }
  return t;
}

const std::string kEdgesHeader = "proved by the graph consisting of the following edges:\n";

// Runs in a fresh folder with "frm" as the exchange file.
class Matchbound : public InTempDir {
 protected:
  static std::string RunMatchb(const std::string& text, bool verbose) {
    ReadSystem(text);
    Verbose = verbose;
    testing::internal::CaptureStdout();
    Matchb();
    return testing::internal::GetCapturedStdout();
  }

  std::set<std::string> FilesInDir() const {
    std::set<std::string> s;
    DIR* d = opendir(dir.path.c_str());
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') s.insert(e->d_name);
    closedir(d);
    return s;
  }
};

TEST_F(Matchbound, ProofForAaToAb) {
  EXPECT_EQ(RunMatchb("(RULES a a -> a b )", false),
            "\nTerminating due to match bound 1,\n" + kEdgesHeader +
                "from 1 to 1, label: a0\nfrom 1 to 1, label: b0\nfrom 1 to 2, label: a1\n"
                "from 2 to 1, label: b1\nfrom 2 to 2, label: b1\n");
  EXPECT_EQ(Hib, 0);
  EXPECT_EQ(FilesInDir(), std::set<std::string>{"srs"});
  EXPECT_EQ(ReadFile("srs"), "YES\n");
}

TEST_F(Matchbound, AaToAGivesUpAtBound22) {
  auto g = BuildGraph("(RULES a a -> a )");
  EXPECT_TRUE(g->Giveup);
  EXPECT_EQ(g->Npaths, 23 * 23);  // counted on past the 500 kept
  EXPECT_EQ(g->Nedges, 23);
  EXPECT_EQ(RunMatchb("(RULES a a -> a )", true), "No graph found until match bound 22.\n");
  EXPECT_EQ(Hib, 1);
  EXPECT_EQ(RunMatchb("(RULES a a -> a )", false), "");
  EXPECT_EQ(Hib, 1);
  EXPECT_TRUE(FilesInDir().empty());
}

// Only the first edge of a call is held against the limit of 900: 18 chains
// end at 918 edges with a closed graph, the 19th chain's first edge is the
// 921st and gives up, yet that chain is completed.
TEST_F(Matchbound, EdgeLimitIsTestedAtTheAppend) {
  auto g = BuildGraph(Chains(18));
  EXPECT_FALSE(g->Giveup);
  EXPECT_EQ(g->Nedges, 36 + 18 * 49);
  g = BuildGraph(Chains(19));
  EXPECT_TRUE(g->Giveup);
  EXPECT_LE(g->Npaths, MaxPaths);
  EXPECT_EQ(g->Nedges, 38 + 19 * 49);
  EXPECT_EQ(g->Edgeto[g->Nedges], 1);
  EXPECT_EQ(RunMatchb(Chains(19), true), "No graph found until match bound 1.\n");
  EXPECT_TRUE(FilesInDir().empty());

  std::string out = RunMatchb(Chains(18), false);
  EXPECT_EQ(out.rfind("\nTerminating due to match bound 1,\n" + kEdgesHeader, 0), 0u);
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 3 + 918);
  // A name ending in a digit is followed directly by the height.
  EXPECT_NE(out.find("\nfrom 1 to 1, label: a10\n"), std::string::npos);
}

// c -> d adds its edge from the start node straight to the end node, though
// every node would pass a join search for its empty rest.
TEST_F(Matchbound, OneSymbolRightHandSide) {
  EXPECT_EQ(RunMatchb("(RULES a -> b c , c -> d )", false),
            "\nTerminating due to match bound 2,\n" + kEdgesHeader +
                "from 1 to 1, label: a0\nfrom 1 to 1, label: b0\nfrom 1 to 1, label: c0\n"
                "from 1 to 1, label: d0\nfrom 1 to 2, label: b1\nfrom 1 to 1, label: d1\n"
                "from 2 to 1, label: c1\nfrom 2 to 1, label: d2\n");
}

// Nodes 2 and 4 both lead by c at height 1 to node 1; g -> h c joins at 4.
TEST_F(Matchbound, HighestJoinNodeWins) {
  EXPECT_EQ(RunMatchb("(RULES a -> b c , d -> e f c , g -> h c )", false),
            "\nTerminating due to match bound 1,\n" + kEdgesHeader +
                "from 1 to 1, label: a0\nfrom 1 to 1, label: b0\nfrom 1 to 1, label: c0\n"
                "from 1 to 1, label: d0\nfrom 1 to 1, label: e0\nfrom 1 to 1, label: f0\n"
                "from 1 to 1, label: g0\nfrom 1 to 1, label: h0\nfrom 1 to 2, label: b1\n"
                "from 1 to 3, label: e1\nfrom 1 to 4, label: h1\nfrom 2 to 1, label: c1\n"
                "from 3 to 4, label: f1\nfrom 4 to 1, label: c1\n");
}

// Called directly with an empty side, the method makes no attempt at all.
TEST_F(Matchbound, EmptySideMakesNoAttempt) {
  for (const char* t : {"(RULES a a -> a b , b -> )", "(RULES a a -> a b , -> a )"}) {
    EXPECT_EQ(RunMatchb(t, true), "") << t;
    EXPECT_EQ(Hib, 2) << t;
  }
  EXPECT_TRUE(FilesInDir().empty());
}

TEST(Inttostr, Digits) {
  EXPECT_EQ(Inttostr(0), "0");
  EXPECT_EQ(Inttostr(7), "7");
  EXPECT_EQ(Inttostr(10), "10");
  EXPECT_EQ(Inttostr(105), "105");
  EXPECT_EQ(Inttostr(999), "999");
}

// Through the program: the solver says "unsat" to every matrix attempt, so
// only the match-bound method can prove anything.
TEST(MatchboundInDriver, TriedWhenEnabledAndNoSideIsEmpty) {
  const std::string banner = "Tessivar is applied to the string rewriting system\n";
  const std::string solver = "sh -c 'echo unsat'";
  TempDir t;
  WriteFile(t / "param", Param(solver, 0, 0, 1, 1, 1, 1));
  ProgramRun l = RunIn(t.path, Prover, "(RULES a a -> a b )");
  EXPECT_EQ(l.status, 0);
  EXPECT_EQ(l.out.rfind(banner + "a a  -> a b \n\nTerminating due to match bound 1,\n", 0), 0u);
  EXPECT_EQ(ReadFile(t / "srs"), "YES\n");

  WriteFile(t / "param", Param(solver, 0, 0, 1, 1, 0, 1));
  l = RunIn(t.path, Prover, "(RULES a a -> a b )");
  EXPECT_EQ(l.out, banner + "a a  -> a b \nno proof found\n");

  // An empty right-hand side, and an empty left-hand side (not terminating).
  WriteFile(t / "param", Param(solver, 0, 0, 1, 1, 1, 1));
  for (std::string r : {"b  -> ", " -> b "}) {
    std::string sys = "(RULES\na a  -> a b  ,\n" + r + " )\n";
    l = RunIn(t.path, Prover, sys);
    EXPECT_EQ(l.status, 0);
    EXPECT_EQ(l.out, banner + "a a  -> a b \n" + r + "\nno proof found\n");
    EXPECT_EQ(ReadFile(t / "srs"), sys);
  }
}

}  // namespace

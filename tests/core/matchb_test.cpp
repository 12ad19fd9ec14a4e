// The match-bound method, driven in-process in a temporary folder, and its
// place in the driver's pass, through the program.
#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>
#include <string>

#include "matchbound/matchb.h"
#include "opzet.h"

namespace {

// The graph of one construction over the system in `tekst`.
std::unique_ptr<Mbgraaf> Graaf(const std::string& tekst) {
  Lezen(tekst);
  auto g = std::make_unique<Mbgraaf>();
  g->Bouw();
  return g;
}

// Rules ai -> bi^49 for i = 1..n: each adds one chain of 49 edges at height 1.
std::string Ketens(int n) {
  std::string t = "(RULES";
  for (int i = 1; i <= n; i++) {
    std::string b = " b" + std::to_string(i);
    t += " a" + std::to_string(i) + " ->";
    for (int k = 0; k < 49; k++) t += b;
    t += i < n ? " ," : " )";
  }
  return t;
}

const std::string Kop = "proved by the graph consisting of the following edges:\n";

// Runs in a fresh folder with "frm" as the exchange file.
class Matchbound : public Inmap {
 protected:
  static std::string Draaimb(const std::string& tekst, bool verbose) {
    Lezen(tekst);
    Verbose = verbose;
    testing::internal::CaptureStdout();
    Matchb();
    return testing::internal::GetCapturedStdout();
  }

  std::set<std::string> Bestanden() const {
    std::set<std::string> s;
    DIR* d = opendir(map.pad.c_str());
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') s.insert(e->d_name);
    closedir(d);
    return s;
  }
};

TEST_F(Matchbound, ProofForAaToAb) {
  EXPECT_EQ(Draaimb("(RULES a a -> a b )", false),
            "\nTerminating due to match bound 1,\n" + Kop +
                "from 1 to 1, label: a0\nfrom 1 to 1, label: b0\nfrom 1 to 2, label: a1\n"
                "from 2 to 1, label: b1\nfrom 2 to 2, label: b1\n");
  EXPECT_EQ(Hib, 0);
  EXPECT_EQ(Bestanden(), std::set<std::string>{"srs"});
  EXPECT_EQ(Leesbestand("srs"), "YES\n");
}

TEST_F(Matchbound, AaToAGivesUpAtBound22) {
  auto g = Graaf("(RULES a a -> a )");
  EXPECT_TRUE(g->Giveup);
  EXPECT_EQ(g->Npaths, 23 * 23);  // counted on past the 500 kept
  EXPECT_EQ(g->Nedges, 23);
  EXPECT_EQ(Draaimb("(RULES a a -> a )", true), "No graph found until match bound 22.\n");
  EXPECT_EQ(Hib, 1);
  EXPECT_EQ(Draaimb("(RULES a a -> a )", false), "");
  EXPECT_EQ(Hib, 1);
  EXPECT_TRUE(Bestanden().empty());
}

// Only the first edge of a call is held against the limit of 900: 18 chains
// end at 918 edges with a closed graph, the 19th chain's first edge is the
// 921st and gives up, yet that chain is completed.
TEST_F(Matchbound, EdgeLimitIsTestedAtTheAppend) {
  auto g = Graaf(Ketens(18));
  EXPECT_FALSE(g->Giveup);
  EXPECT_EQ(g->Nedges, 36 + 18 * 49);
  g = Graaf(Ketens(19));
  EXPECT_TRUE(g->Giveup);
  EXPECT_LE(g->Npaths, Maxpaden);
  EXPECT_EQ(g->Nedges, 38 + 19 * 49);
  EXPECT_EQ(g->Edgeto[g->Nedges], 1);
  EXPECT_EQ(Draaimb(Ketens(19), true), "No graph found until match bound 1.\n");
  EXPECT_TRUE(Bestanden().empty());

  std::string uit = Draaimb(Ketens(18), false);
  EXPECT_EQ(uit.rfind("\nTerminating due to match bound 1,\n" + Kop, 0), 0u);
  EXPECT_EQ(std::count(uit.begin(), uit.end(), '\n'), 3 + 918);
  // A name ending in a digit is followed directly by the height.
  EXPECT_NE(uit.find("\nfrom 1 to 1, label: a10\n"), std::string::npos);
}

// c -> d adds its edge from the start node straight to the end node, though
// every node would pass a join search for its empty rest.
TEST_F(Matchbound, OneSymbolRightHandSide) {
  EXPECT_EQ(Draaimb("(RULES a -> b c , c -> d )", false),
            "\nTerminating due to match bound 2,\n" + Kop +
                "from 1 to 1, label: a0\nfrom 1 to 1, label: b0\nfrom 1 to 1, label: c0\n"
                "from 1 to 1, label: d0\nfrom 1 to 2, label: b1\nfrom 1 to 1, label: d1\n"
                "from 2 to 1, label: c1\nfrom 2 to 1, label: d2\n");
}

// Nodes 2 and 4 both lead by c at height 1 to node 1; g -> h c joins at 4.
TEST_F(Matchbound, HighestJoinNodeWins) {
  EXPECT_EQ(Draaimb("(RULES a -> b c , d -> e f c , g -> h c )", false),
            "\nTerminating due to match bound 1,\n" + Kop +
                "from 1 to 1, label: a0\nfrom 1 to 1, label: b0\nfrom 1 to 1, label: c0\n"
                "from 1 to 1, label: d0\nfrom 1 to 1, label: e0\nfrom 1 to 1, label: f0\n"
                "from 1 to 1, label: g0\nfrom 1 to 1, label: h0\nfrom 1 to 2, label: b1\n"
                "from 1 to 3, label: e1\nfrom 1 to 4, label: h1\nfrom 2 to 1, label: c1\n"
                "from 3 to 4, label: f1\nfrom 4 to 1, label: c1\n");
}

// Called directly with an empty side, the method makes no attempt at all.
TEST_F(Matchbound, EmptySideMakesNoAttempt) {
  for (const char* t : {"(RULES a a -> a b , b -> )", "(RULES a a -> a b , -> a )"}) {
    EXPECT_EQ(Draaimb(t, true), "") << t;
    EXPECT_EQ(Hib, 2) << t;
  }
  EXPECT_TRUE(Bestanden().empty());
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
  Tijdmap t;
  Schrijfbestand(t / "param", Param(solver, 0, 0, 1, 1, 1, 1));
  Lauf l = Draai(t.pad, Prover, "(RULES a a -> a b )");
  EXPECT_EQ(l.status, 0);
  EXPECT_EQ(l.uit.rfind(banner + "a a  -> a b \n\nTerminating due to match bound 1,\n", 0), 0u);
  EXPECT_EQ(Leesbestand(t / "srs"), "YES\n");

  Schrijfbestand(t / "param", Param(solver, 0, 0, 1, 1, 0, 1));
  l = Draai(t.pad, Prover, "(RULES a a -> a b )");
  EXPECT_EQ(l.uit, banner + "a a  -> a b \nno proof found\n");

  // An empty right-hand side, and an empty left-hand side (not terminating).
  Schrijfbestand(t / "param", Param(solver, 0, 0, 1, 1, 1, 1));
  for (std::string r : {"b  -> ", " -> b "}) {
    std::string sys = "(RULES\na a  -> a b  ,\n" + r + " )\n";
    l = Draai(t.pad, Prover, sys);
    EXPECT_EQ(l.status, 0);
    EXPECT_EQ(l.uit, banner + "a a  -> a b \n" + r + "\nno proof found\n");
    EXPECT_EQ(Leesbestand(t / "srs"), sys);
  }
}

}  // namespace

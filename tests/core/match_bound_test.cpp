// The match-bound method, driven in-process in a temporary folder, and its
// place in the driver's pass, through the program.
#include "matchbound/match_bound.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

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
  // Numbers of the proof text keep a zero inside or at their end.
  EXPECT_EQ(Inttostr(0) + " " + Inttostr(10) + " " + Inttostr(105), "0 10 105");
}

// Giving up leaves the system and the folder as they were, and says so
// only when Verbose.
TEST_F(Matchbound, AaToAGivesUpAtBound22) {
  auto g = BuildGraph("(RULES a a -> a )");
  EXPECT_TRUE(g->Giveup);
  EXPECT_EQ(g->Npaths, MaxPaths + 1);  // the listing ends at the first path not kept
  EXPECT_EQ(g->Nedges, 23);
  EXPECT_EQ(RunMatchb("(RULES a a -> a )", true), "No graph found until match bound 22.\n");
  EXPECT_EQ(Hib, 1);
  EXPECT_EQ(RunMatchb("(RULES a a -> a )", false), "");
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
  EXPECT_EQ(g->Nedges, 38 + 19 * 49);
  EXPECT_EQ(g->Edgeto[g->Nedges], 1);
  EXPECT_EQ(RunMatchb(Chains(19), true), "No graph found until match bound 1.\n");
  EXPECT_TRUE(FilesInDir().empty());
}

// Called directly with an empty side, the method makes no attempt at all:
// " -> a" does not terminate, yet a graph could be closed for it.
TEST_F(Matchbound, EmptySideMakesNoAttempt) {
  EXPECT_EQ(RunMatchb("(RULES a a -> a b , -> a )", true), "");
  EXPECT_EQ(Hib, 2);
  EXPECT_TRUE(FilesInDir().empty());
}

// The construction as designed: complete listings and searches, no marks.
// Its time grows exponentially with the length of a side, so it serves as
// the reference on small systems only.
struct ReferenceGraph {
  int64_t nodes = 1, edges = 0, bound = 0, rule = 0, start = 0, npaths = 0;
  bool giveup = false;
  std::vector<int64_t> first{0, 1}, next{0}, to{0}, sym{0}, height{0};
  std::vector<std::vector<int64_t>> paths;
  std::vector<int64_t> cur = std::vector<int64_t>(MaxPositions + 1);

  void List(int64_t node, int64_t k) {
    if (Lw[rule][k] == 0) {
      if (++npaths > MaxPaths) {
        giveup = true;
        return;
      }
      paths.emplace_back(cur.begin() + 1, cur.begin() + k);
      return;
    }
    for (int64_t e = first[node]; e != 0; e = next[e])
      if (sym[e] == Lw[rule][k]) {
        cur[k] = e;
        List(to[e], k + 1);
      }
  }
  int64_t NewEdge(int64_t s, int64_t h) {
    edges++;
    next.push_back(0);
    to.push_back(0);
    sym.push_back(s);
    height.push_back(h);
    return edges;
  }
  int64_t Append(int64_t v, int64_t s, int64_t h) {
    int64_t last = first[v];
    while (next[last] != 0) last = next[last];
    int64_t e = NewEdge(s, h);
    if (e > 900) giveup = true;
    next[last] = e;
    return e;
  }
  void Search(const Side& r, int64_t pos, int64_t node, int64_t h, int64_t end, int64_t& deepest) {
    deepest = std::max(deepest, pos);
    if (r[pos] == 0) return;
    for (int64_t e = first[node]; e != 0; e = next[e])
      if (sym[e] == r[pos] && height[e] == h && (r[pos + 1] != 0 || to[e] == end))
        Search(r, pos + 1, to[e], h, end, deepest);
  }
  void Serve(const std::vector<int64_t>& path) {
    const Side& r = Rw[rule];
    int64_t lowest = 1000;
    for (int64_t e : path) lowest = std::min(lowest, height[e]);
    int64_t h = lowest + 1, end = to[path.back()], deepest = 0;
    bound = std::max(bound, h);
    Search(r, 1, start, h, end, deepest);
    if (r[deepest] == 0) return;
    int64_t join = 0;
    if (r[2] != 0)
      for (int64_t nn = 1; nn <= nodes; nn++) {
        deepest = 0;
        Search(r, 2, nn, h, end, deepest);
        if (r[deepest] == 0) join = nn;
      }
    if (join != 0) {
      to[Append(start, r[1], h)] = join;
      return;
    }
    int64_t pos = 1, from = start;
    if (r[2] != 0)
      for (int64_t e = first[start]; e != 0; e = next[e])
        if (sym[e] == r[1] && height[e] == h) {
          from = to[e];
          pos = 2;
          break;
        }
    int64_t e = Append(from, r[pos], h);
    for (; r[pos + 1] != 0; pos++) {
      to[e] = ++nodes;
      first.push_back(NewEdge(r[pos + 1], h));
      e = edges;
    }
    to[e] = end;
  }
  void Build() {
    for (int64_t i = 1; i <= Nwhib; i++) {
      NewEdge(i, 0);
      to[i] = 1;
      next[i] = i < Nwhib ? i + 1 : 0;
    }
    for (int64_t old = 0; !giveup && old < edges;) {
      old = edges;
      for (rule = 1; rule <= Whib; rule++)
        for (start = nodes; start >= 1; start--) {
          npaths = 0;
          paths.clear();
          List(start, 1);
          for (size_t i = 0; i < paths.size() && !giveup; i++) Serve(paths[i]);
        }
    }
  }
};

// The graph, its bound and the outcome equal the reference's, edge for edge.
// Returns whether a graph was found.
bool ExpectSameAsReference(const std::string& text) {
  auto g = BuildGraph(text);
  ReferenceGraph ref;
  ref.Build();
  EXPECT_EQ(g->Giveup, ref.giveup) << text;
  EXPECT_EQ(g->Matchbound, ref.bound) << text;
  if (g->Giveup || ref.giveup) return false;
  EXPECT_EQ(g->Nnodes, ref.nodes) << text;
  EXPECT_EQ(g->Nedges, ref.edges) << text;
  if (g->Nnodes != ref.nodes || g->Nedges != ref.edges) return false;
  for (int64_t v = 1; v <= g->Nnodes; v++) EXPECT_EQ(g->Firstedge[v], ref.first[v]) << text;
  for (int64_t e = 1; e <= g->Nedges; e++) {
    EXPECT_EQ(g->Nextedge[e], ref.next[e]) << text;
    EXPECT_EQ(g->Edgeto[e], ref.to[e]) << text;
    EXPECT_EQ(g->Edgesym[e], ref.sym[e]) << text;
    EXPECT_EQ(g->Edgeheight[e], ref.height[e]) << text;
  }
  return true;
}

// Corner cases of the construction: c -> d adds its edge from the start node
// straight to the end node, though every node would pass a join search for
// its empty rest; nodes 2 and 4 both lead by c at height 1 to node 1, and
// g -> h c joins at the higher one. Then random small systems.
TEST(MatchboundAgainstReference, CornerCasesAndRandomSystems) {
  EXPECT_TRUE(ExpectSameAsReference("(RULES a -> b c , c -> d )"));
  EXPECT_TRUE(ExpectSameAsReference("(RULES a -> b c , d -> e f c , g -> h c )"));
  std::mt19937 random(20240611);
  int proofs = 0;
  for (int round = 0; round < 150 && !HasFailure(); round++) {
    std::string text = "(RULES";
    int rules = 1 + random() % 3, symbols = 1 + random() % 3;
    for (int k = 0; k < rules; k++) {
      for (int side = 0; side < 2; side++) {
        int length = 1 + random() % 4;
        for (int q = 0; q < length; q++) text += std::string(" ") + char('a' + random() % symbols);
        text += side == 0 ? " ->" : k + 1 < rules ? " ," : " )";
      }
    }
    proofs += ExpectSameAsReference(text);
  }
  EXPECT_GT(proofs, 15);  // both outcomes are well represented
  EXPECT_LT(proofs, 135);
}

// Long sides over nodes with many edges of one symbol: the listing ends at
// the first path not kept, and neither it nor the searches follow a branch
// twice, where complete enumerations take time exponential in the length.
TEST(MatchboundInDriver, LongSidesGiveUpQuickly) {
  std::string a49, b49;
  for (int q = 0; q < 49; q++) {
    a49 += "a ";
    b49 += "b ";
  }
  TempDir t;
  WriteFile(t / "param", Param("sh -c 'echo unsat'", 1, 0, 1, 1, 1, 1));
  auto began = std::chrono::steady_clock::now();
  ProgramRun l = RunIn(t.path, Prover, "(RULES " + a49 + "-> " + b49 + ", b -> a )");
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  EXPECT_EQ(l.status, 0) << l.err;
  EXPECT_NE(l.out.find("\nNo graph found until match bound 2.\n"), std::string::npos) << l.out;
  EXPECT_LT(seconds, 1.0);
}

// Through the program: the solver says "unsat" to every matrix attempt, so
// only the match-bound method can prove anything. It is tried only when
// enabled and while no rule has an empty side.
TEST(MatchboundInDriver, TriedWhenEnabledAndNoSideIsEmpty) {
  const std::string banner = "Tessivar is applied to the string rewriting system\n";
  const std::string solver = "sh -c 'echo unsat'";
  TempDir t;
  WriteFile(t / "param", Param(solver, 0, 0, 1, 1, 1, 1));
  ProgramRun l = RunIn(t.path, Prover, "(RULES a a -> a b )");
  EXPECT_EQ(l.status, 0);
  EXPECT_EQ(l.out.rfind(banner + "a a  -> a b \n\nTerminating due to match bound 1,\n", 0), 0u);
  EXPECT_EQ(ReadFile(t / "srs"), "YES\n");
  for (std::string r : {"b  -> ", " -> b "}) {
    std::string sys = "(RULES\na a  -> a b  ,\n" + r + " )\n";
    l = RunIn(t.path, Prover, sys);
    EXPECT_EQ(l.out, banner + "a a  -> a b \n" + r + "\nno proof found\n");
    EXPECT_EQ(ReadFile(t / "srs"), sys);
  }
  WriteFile(t / "param", Param(solver, 0, 0, 1, 1, 0, 1));
  l = RunIn(t.path, Prover, "(RULES a a -> a b )");
  EXPECT_EQ(l.out, banner + "a a  -> a b \nno proof found\n");
}

}  // namespace

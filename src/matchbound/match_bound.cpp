#include "matchbound/match_bound.h"

#include <memory>

#include "util/file.h"

void MatchBoundGraph::Build() {
  Nnodes = 1;
  Nedges = Nwhib;
  Firstedge[1] = 1;
  for (int64_t i = 1; i <= Nwhib; i++) {
    Edgeto[i] = 1;
    Edgesym[i] = i;
    Edgeheight[i] = 0;
    Nextedge[i] = i < Nwhib ? i + 1 : 0;
  }
  Matchbound = 0;
  Giveup = false;
  Edgelimit = 900;
  Oldedges = 0;
  while (!Giveup && Oldedges < Nedges) {
    Oldedges = Nedges;
    for (Currule = 1; Currule <= Whib && !Giveup; Currule++) {
      // Nodes made while this rule is served wait for the next sweep.
      for (Startnode = Nnodes; Startnode >= 1 && !Giveup; Startnode--) {
        Npaths = 0;
        dead_ends_.ForgetAll();
        Maaklijst(Startnode, 1);
        for (int64_t i = 1; i <= Npaths && !Giveup; i++) Maakpad(i);
      }
    }
  }
}

bool MatchBoundGraph::Maaklijst(int64_t node, int64_t k) {
  const Side& l = Lw[Currule];
  if (l[k] == 0) {
    Npaths++;
    if (Npaths > MaxPaths) {
      Giveup = true;  // no path of this listing is served
      return true;
    }
    for (int64_t j = 1; j < k; j++) Pathlist[Npaths][j] = Curpath[j];
    Pathlist[Npaths][k] = 0;
    return true;
  }
  if (dead_ends_.Known(k, node)) return false;
  bool found = false;
  for (int64_t e = Firstedge[node]; e != 0 && !Giveup; e = Nextedge[e])
    if (Edgesym[e] == l[k]) {
      Curpath[k] = e;
      if (Maaklijst(Edgeto[e], k + 1)) found = true;
    }
  if (!found) dead_ends_.Set(k, node, true);
  return found;
}

int64_t MatchBoundGraph::AppendEdge(int64_t v, int64_t sym, int64_t h) {
  int64_t last = Firstedge[v];
  while (Nextedge[last] != 0) last = Nextedge[last];
  Nedges++;
  if (Nedges > Edgelimit) Giveup = true;  // the edge is still added
  Nextedge[last] = Nedges;
  Nextedge[Nedges] = 0;
  Edgesym[Nedges] = sym;
  Edgeheight[Nedges] = h;
  return Nedges;
}

void MatchBoundGraph::Maakpad(int64_t i) {
  const Side& r = Rw[Currule];
  const CheckedTable<int64_t, MaxPositions>& path = Pathlist[i];
  int64_t lowest = 1000, k = 1;
  for (; path[k] != 0; k++)
    if (Edgeheight[path[k]] < lowest) lowest = Edgeheight[path[k]];
  const int64_t Newheight = lowest + 1;  // the height of the edges added for this path
  // The node where the path ends. An empty path has no last edge: the
  // checked index stops the run here.
  const int64_t Endnode = Edgeto[path[k - 1]];
  if (Newheight > Matchbound) Matchbound = Newheight;

  // Whether the right-hand side from position pos on is spelled from node
  // along edges of height Newheight; the last symbol's edge must end at
  // Endnode.
  spelled_.ForgetAll();
  auto Zoek = [&](auto& self, int64_t pos, int64_t node) -> bool {
    if (spelled_.Known(pos, node)) return spelled_.Get(pos, node);
    bool last = r[pos + 1] == 0;
    bool found = false;
    for (int64_t e = Firstedge[node]; e != 0 && !found; e = Nextedge[e])
      if (Edgesym[e] == r[pos] && Edgeheight[e] == Newheight)
        found = last ? Edgeto[e] == Endnode : self(self, pos + 1, Edgeto[e]);
    spelled_.Set(pos, node, found);
    return found;
  };

  if (Zoek(Zoek, 1, Startnode)) return;  // the right-hand side is there already

  // The highest node from which r without its first symbol reaches Endnode.
  int64_t Joinnode = 0;
  if (r[2] != 0)
    for (int64_t nn = Nnodes; nn >= 1 && Joinnode == 0; nn--)
      if (Zoek(Zoek, 2, nn)) Joinnode = nn;
  if (Joinnode != 0) {
    Edgeto[AppendEdge(Startnode, r[1], Newheight)] = Joinnode;
    return;
  }

  // Reuse a first edge of the right height, wherever it leads; then a fresh
  // chain through new nodes to Endnode.
  int64_t pos = 1;
  int64_t Fromnode = Startnode;  // where the fresh chain begins
  if (r[2] != 0)
    for (int64_t e = Firstedge[Startnode]; e != 0; e = Nextedge[e])
      if (Edgesym[e] == r[1] && Edgeheight[e] == Newheight) {
        Fromnode = Edgeto[e];
        pos = 2;
        break;
      }
  int64_t e = AppendEdge(Fromnode, r[pos], Newheight);
  while (r[pos + 1] != 0) {
    pos++;
    Nnodes++;
    Edgeto[e] = Nnodes;
    Nedges++;
    Firstedge[Nnodes] = Nedges;
    Nextedge[Nedges] = 0;
    Edgesym[Nedges] = r[pos];
    Edgeheight[Nedges] = Newheight;
    e = Nedges;
  }
  Edgeto[e] = Endnode;
}

bool HasEmptySide(const SideTable& l, const SideTable& r, int64_t n) {
  for (int64_t k = 1; k <= n; k++)
    if (l[k][1] == 0 || r[k][1] == 0) return true;
  return false;
}

void Matchb() {
  Srstow();
  // The driver never calls with an empty side; a direct call makes no
  // attempt rather than risk a wrong proof.
  if (Whib < 1 || HasEmptySide(Lw, Rw, Whib)) return;
  auto g = std::make_unique<MatchBoundGraph>();
  g->Build();
  if (g->Giveup) {
    if (Verbose) Print("No graph found until match bound " + Inttostr(g->Matchbound) + ".\n");
    return;
  }
  Rr.Rewrite();
  Rr.Write("YES\n");
  Rr.Close();
  Shell("mv frm srs");
  Hib = 0;
  Print("\n");
  Print("Terminating due to match bound " + Inttostr(g->Matchbound) + ",\n");
  Print("proved by the graph consisting of the following edges:\n");
  for (int64_t v = 1; v <= g->Nnodes; v++)
    for (int64_t e = g->Firstedge[v]; e != 0; e = g->Nextedge[e])
      Print("from " + Inttostr(v) + " to " + Inttostr(g->Edgeto[e]) +
            ", label: " + Naamw[g->Edgesym[e]] + Inttostr(g->Edgeheight[e]) + "\n");
}

std::string Inttostr(int64_t n) {
  std::string s;
  // Appends the digit d (0..9); any other value appends nothing.
  auto Schr = [&s](int64_t d) {
    if (d >= 0 && d <= 9) s += static_cast<char>('0' + d);
  };
  if (n > 99) {
    Schr(n / 100);
    n %= 100;
  }
  if (!s.empty() || n > 9) Schr(n / 10);
  Schr(n % 10);
  return s;
}

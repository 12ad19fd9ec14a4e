// The match-bound method: grows a graph whose edges carry a symbol and a
// height until it is closed under the rules. A closed graph found within the
// limits proves the whole current system terminating.
#pragma once
#include <cstdint>
#include <string>

#include "store/store.h"
#include "util/checked_table.h"

constexpr int64_t MaxGraphSize = 1000;  // nodes, and edges, of the graph
constexpr int64_t MaxPaths = 500;       // paths kept from one listing

// A mark per (position, node) that holds for one listing or one call of
// Maakpad only: an entry counts when its stamp is the current one, so a new
// listing or call forgets every mark by taking a new stamp.
struct PositionNodeMarks {
  CheckedTable<CheckedTable<int64_t, MaxGraphSize>, MaxPositions> stamp;
  CheckedTable<CheckedTable<bool, MaxGraphSize>, MaxPositions> value;
  int64_t current = 0;

  void ForgetAll() { current++; }
  bool Known(int64_t pos, int64_t node) const { return stamp[pos][node] == current; }
  bool Get(int64_t pos, int64_t node) const { return value[pos][node]; }
  void Set(int64_t pos, int64_t node, bool v) {
    stamp[pos][node] = current;
    value[pos][node] = v;
  }
};

// The state of one run of Matchb: the graph, its limits and the path list.
// Rules are read from the working copy Lw/Rw.
struct MatchBoundGraph {
  int64_t Nnodes = 0;                              // number of nodes
  int64_t Nedges = 0;                              // number of edges
  CheckedTable<int64_t, MaxGraphSize> Firstedge;   // by node; every node has an edge
  CheckedTable<int64_t, MaxGraphSize> Nextedge;    // by edge; 0 behind a node's last edge
  CheckedTable<int64_t, MaxGraphSize> Edgeto;      // by edge: its target node
  CheckedTable<int64_t, MaxGraphSize> Edgesym;     // by edge: its symbol
  CheckedTable<int64_t, MaxGraphSize> Edgeheight;  // by edge: its height
  int64_t Matchbound = 0;                          // the highest height needed so far
  int64_t Edgelimit = 900;                         // more edges than this: give up
  bool Giveup = false;                             // a limit was hit
  int64_t Currule = 0;                             // the rule being served
  int64_t Startnode = 0;                           // the node the listing starts from
  CheckedTable<int64_t, MaxPositions> Curpath;     // the edges of the path being listed
  CheckedTable<CheckedTable<int64_t, MaxPositions>, MaxPaths> Pathlist;  // each path ended by 0
  int64_t Npaths = 0;    // paths found by the listing, counted up to MaxPaths + 1
  int64_t Oldedges = 0;  // edges at the start of the sweep

  // Sets up node 1 with a self-loop of height 0 per symbol, then sweeps over
  // rules and start nodes until a sweep adds no edge or Giveup is set.
  // Nothing that follows Giveup can change the outcome, so it ends there.
  void Build();
  // Lists into Pathlist, in depth-first order along the edge lists, the
  // paths from node that spell the left-hand side of Currule from position
  // k on. The path after the last one kept sets Giveup and ends the listing.
  // Returns whether any path was found from here.
  bool Maaklijst(int64_t node, int64_t k);
  // Adds what path i of the list needs: the right-hand side from Startnode to
  // the path's end, one height above the path's lowest edge.
  void Maakpad(int64_t i);

 private:
  // The (position, node) pairs of the current listing from which no path
  // completes. Without them a long side over nodes rich in one symbol is
  // followed down every branch again and again: the time doubles with each
  // position.
  PositionNodeMarks dead_ends_;
  // For the current call of Maakpad: whether the right-hand side from a
  // position on is spelled from a node, at the new height, to the end node.
  // Each pair is searched once however many paths lead to it.
  PositionNodeMarks spelled_;

  // Links a new edge with symbol sym and height h behind the last edge of v;
  // the caller sets its target. Sets Giveup past Edgelimit.
  int64_t AppendEdge(int64_t v, int64_t sym, int64_t h);
};

// True when some rule 1..n of l/r has an empty left- or right-hand side; the
// construction needs both sides non-empty.
bool HasEmptySide(const SideTable& l, const SideTable& r, int64_t n);

// One match-bound attempt on the current system. On success prints the
// proof, leaves "YES" in "srs" and sets Hib to 0; otherwise changes nothing
// but the working copy (and reports the bound reached when Verbose).
void Matchb();

// Decimal digits of n, for n from 0 to 999.
std::string Inttostr(int64_t n);

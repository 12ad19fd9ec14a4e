// Strongly connected components of the head-symbol graph.
//
// The graph is drawn with a node per pair and a node per symbol: a pair
// points to the head of its right side, and a symbol points to the pairs
// whose left side it heads. A cycle of pairs is then a cycle of this graph,
// which has as many edges as pairs have sides instead of up to the square
// of their number.
#include "engine/processors/dependency_graph.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace tessivar::engine::processors {

namespace {

using Graph = std::vector<std::vector<size_t>>;

// Nodes 0 .. pairs-1 are the pairs, the symbol s is node pairs + s.
Graph head_graph(const Problem& p) {
  size_t pairs = p.strict.size();
  Graph g(pairs + p.alphabet->size());
  for (size_t i = 0; i < pairs; ++i) {
    const Rule& r = p.strict[i];
    if (!r.rhs.empty()) g[i].push_back(pairs + static_cast<size_t>(r.rhs.front()));
    if (!r.lhs.empty()) g[pairs + static_cast<size_t>(r.lhs.front())].push_back(i);
  }
  return g;
}

// Tarjan's algorithm without recursion; component[v] numbers v's strongly
// connected component.
class Tarjan {
 public:
  explicit Tarjan(const Graph& g)
      : g_(g), index_(g.size(), unvisited), low_(g.size()), on_stack_(g.size(), false), component_(g.size()) {
    for (size_t v = 0; v < g.size(); ++v)
      if (index_[v] == unvisited) visit(v);
  }
  const std::vector<size_t>& component() const { return component_; }

 private:
  static constexpr size_t unvisited = static_cast<size_t>(-1);

  void open(size_t v) {
    index_[v] = low_[v] = next_index_++;
    stack_.push_back(v);
    on_stack_[v] = true;
    calls_.push_back({v, 0});
  }

  void visit(size_t root) {
    open(root);
    while (!calls_.empty()) {
      auto& [v, next_edge] = calls_.back();
      if (next_edge < g_[v].size()) {
        size_t w = g_[v][next_edge++];
        if (index_[w] == unvisited)
          open(w);
        else if (on_stack_[w])
          low_[v] = std::min(low_[v], index_[w]);
        continue;
      }
      size_t done = v;
      calls_.pop_back();
      if (!calls_.empty()) low_[calls_.back().first] = std::min(low_[calls_.back().first], low_[done]);
      if (low_[done] == index_[done]) close_component(done);
    }
  }

  void close_component(size_t root) {
    size_t w;
    do {
      w = stack_.back();
      stack_.pop_back();
      on_stack_[w] = false;
      component_[w] = components_;
    } while (w != root);
    ++components_;
  }

  const Graph& g_;
  std::vector<size_t> index_, low_;
  std::vector<bool> on_stack_;
  std::vector<size_t> component_;
  std::vector<size_t> stack_;
  std::vector<std::pair<size_t, size_t>> calls_;  // node, next edge to follow
  size_t next_index_ = 0, components_ = 0;
};

}  // namespace

std::vector<std::vector<size_t>> cyclic_components(const Problem& p) {
  Graph g = head_graph(p);
  std::vector<size_t> component = Tarjan(g).component();
  // The graph has no self-loops, so a node is on a cycle exactly when its
  // component has another node.
  std::vector<size_t> size(g.size(), 0);
  for (size_t c : component) ++size[c];
  std::vector<std::vector<size_t>> out;
  std::vector<size_t> slot(g.size(), static_cast<size_t>(-1));
  for (size_t i = 0; i < p.strict.size(); ++i) {
    size_t c = component[i];
    if (size[c] < 2) continue;
    if (slot[c] == static_cast<size_t>(-1)) {
      slot[c] = out.size();
      out.emplace_back();
    }
    out[slot[c]].push_back(i);
  }
  return out;
}

std::vector<Problem> graph_components(const Problem& p) {
  std::vector<Problem> out;
  for (const auto& indices : cyclic_components(p)) {
    Problem c{p.alphabet, {}, p.weak, true};
    for (size_t i : indices) c.strict.push_back(p.strict[i]);
    out.push_back(std::move(c));
  }
  return out;
}

StepPtr graph_step(const std::vector<Problem>& components, std::vector<StepPtr> proofs) {
  if (components.size() != proofs.size()) throw std::logic_error("a graph step needs a proof per component");
  std::vector<GraphComponent> out;
  for (size_t i = 0; i < components.size(); ++i) {
    GraphComponent c;
    for (const Rule& r : components[i].strict) c.pairs.push_back(components[i].named(r));
    c.next = std::move(proofs[i]);
    out.push_back(std::move(c));
  }
  return Step::graph(std::move(out));
}

}  // namespace tessivar::engine::processors

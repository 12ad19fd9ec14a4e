// A proof as the certificate states it: a tree of steps over named rules.
//
// This is the one form in which the engine's answers leave the search: the
// checker reads it, the printer shows it, and the JSON writer stores it.
// Words are lists of symbol names, so the tree means the same to every
// reader whatever numbering the search used. Marked symbols (dependency
// pairs) are names ending in "#".
//
// The state while reading a proof is (strict rules S, weak rules W, top
// mode); at the start S is the input, W is empty and top mode is off.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "engine/certificate/match_bounds.h"
#include "engine/certificate/tiling.h"
#include "engine/problem/problem.h"

namespace tessivar::engine {

enum class Semiring { Natural, Arctic, Tropical };

// A matrix entry: a natural number, or nullopt for the semiring's infinity
// (minus infinity in the arctic semiring, plus infinity in the tropical
// one; never in the natural one).
using Entry = std::optional<int64_t>;
// Rows of entries: d x d for a symbol, 1 x d for a marked symbol in top mode.
using Matrix = std::vector<std::vector<Entry>>;

struct Step;
using StepPtr = std::unique_ptr<Step>;

// The kinds of step. A step with one successor (reverse, matrix,
// dependency-pairs) keeps it in Step::next; the others end their branch.

// S is empty: the branch is proved.
struct EmptyStep {
  static constexpr const char* kName = "empty";
};

// Every side of S and W reversed.
struct ReverseStep {
  static constexpr const char* kName = "reverse";
};

// Rules of S or W removed by a matrix interpretation.
struct MatrixStep {
  static constexpr const char* kName = "matrix";
  Semiring semiring = Semiring::Natural;
  int dimension = 1;
  std::map<std::string, Matrix> interpretation;
  // Natural only: the entry (p, q), 1-based, whose strict decrease counts.
  // Default (1, d).
  std::optional<std::pair<int, int>> strict_entry;
  std::vector<NamedRule> remove;  // from S or W; all others decrease weakly
};

// S becomes its dependency pairs, W the old S, top mode on.
struct DependencyPairsStep {
  static constexpr const char* kName = "dependency-pairs";
};

struct GraphComponent {
  std::vector<NamedRule> pairs;
  StepPtr next;
};

// A top-mode S split into the components of its graph, each proved apart.
struct GraphStep {
  static constexpr const char* kName = "graph";
  std::vector<GraphComponent> components;
};

// One rewrite of a loop: the rule's left side starts at `position` (0-based)
// of the current word.
struct LoopRewrite {
  size_t position = 0;
  NamedRule rule;
};

// The whole proof of a NO certificate.
struct LoopStep {
  static constexpr const char* kName = "loop";
  NamedWord start;
  std::vector<LoopRewrite> steps;
};

// S labelled by the tiles that cover the closure of its rules
// (certificate/tiling.h); the next step is read with S := R_T.
struct TilingStep {
  static constexpr const char* kName = "tiling";
  Tiling tiling;
};

// S proved by a match-bound automaton (certificate/match_bounds.h): the
// branch ends here.
struct MatchBoundsStep {
  static constexpr const char* kName = "match-bounds";
  MatchBoundAutomaton automaton;
};

// Every kind a proof may hold; a visitor over it must handle them all.
using StepNode = std::variant<EmptyStep, ReverseStep, MatrixStep, DependencyPairsStep, GraphStep, LoopStep,
                              TilingStep, MatchBoundsStep>;

// Whether a kind is followed by Step::next.
template <typename Kind>
constexpr bool has_successor = std::is_same_v<Kind, ReverseStep> || std::is_same_v<Kind, MatrixStep> ||
                               std::is_same_v<Kind, DependencyPairsStep> || std::is_same_v<Kind, TilingStep>;

struct Step {
  StepNode node;
  StepPtr next;  // the rest of the branch, for a kind with a successor

  template <typename Kind>
  const Kind* as() const { return std::get_if<Kind>(&node); }
  template <typename Kind>
  Kind* as() { return std::get_if<Kind>(&node); }
  bool has_next() const;
  const char* name() const;  // the kind's name in the certificate

  static StepPtr make(StepNode node, StepPtr next = nullptr);
  static StepPtr empty() { return make(EmptyStep{}); }
  static StepPtr reverse(StepPtr next) { return make(ReverseStep{}, std::move(next)); }
  static StepPtr matrix_step(MatrixStep m, StepPtr next) { return make(std::move(m), std::move(next)); }
  static StepPtr dependency_pairs(StepPtr next) { return make(DependencyPairsStep{}, std::move(next)); }
  static StepPtr graph(std::vector<GraphComponent> components) { return make(GraphStep{std::move(components)}); }
  static StepPtr loop_step(LoopStep l) { return make(std::move(l)); }
};

// Overloaded lambdas for std::visit over a StepNode.
template <typename... Cases>
struct Visitor : Cases... {
  using Cases::operator()...;
};
template <typename... Cases>
Visitor(Cases...) -> Visitor<Cases...>;

enum class Answer { Yes, No };

struct Certificate {
  std::vector<NamedRule> input;
  Answer answer = Answer::Yes;
  StepPtr proof;
};

const char* to_string(Semiring s);
const char* to_string(Answer a);
// A deep copy.
StepPtr clone(const Step& s);

}  // namespace tessivar::engine

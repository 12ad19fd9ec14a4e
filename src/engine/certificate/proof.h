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
#include <utility>
#include <vector>

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

struct MatrixStep {
  Semiring semiring = Semiring::Natural;
  int dimension = 1;
  std::map<std::string, Matrix> interpretation;
  // Natural only: the entry (p, q), 1-based, whose strict decrease counts.
  // Default (1, d).
  std::optional<std::pair<int, int>> strict_entry;
  std::vector<NamedRule> remove;  // from S or W; all others decrease weakly
};

struct GraphComponent {
  std::vector<NamedRule> pairs;
  StepPtr next;
};

// One rewrite of a loop: the rule's left side starts at `position` (0-based)
// of the current word.
struct LoopRewrite {
  size_t position = 0;
  NamedRule rule;
};

struct LoopStep {
  NamedWord start;
  std::vector<LoopRewrite> steps;
};

struct Step {
  enum class Kind { Empty, Reverse, Matrix, DependencyPairs, Graph, Loop };
  Kind kind = Kind::Empty;
  MatrixStep matrix;                      // Kind::Matrix
  std::vector<GraphComponent> components; // Kind::Graph
  LoopStep loop;                          // Kind::Loop
  StepPtr next;                           // Reverse, Matrix, DependencyPairs

  static StepPtr empty();
  static StepPtr reverse(StepPtr next);
  static StepPtr matrix_step(MatrixStep m, StepPtr next);
  static StepPtr dependency_pairs(StepPtr next);
  static StepPtr graph(std::vector<GraphComponent> components);
  static StepPtr loop_step(LoopStep l);
};

enum class Answer { Yes, No };

struct Certificate {
  std::vector<NamedRule> input;
  Answer answer = Answer::Yes;
  StepPtr proof;
};

const char* to_string(Semiring s);
const char* to_string(Answer a);
StepPtr clone(const Step& s);

}  // namespace tessivar::engine

// The schedule: every attempt the engine makes, as one table, and the plan
// it gives for a problem.
//
// A row names a technique, the thread whose list it joins (or the stage of
// the dependency-pair path it serves), the orientation, the problems it is
// for, and its budget. The plan for a problem keeps the rows that fit it,
// in table order, and is made anew whenever a step leaves a smaller
// problem: what fits a system of long rules no longer fits once they are
// gone. Each thread works through its list on the current problem; an
// attempt gets its budget times 2^round, where the round counts the passes
// over the list since the problem last changed.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/encodings/matrix_encoding.h"
#include "engine/problem/problem.h"
#include "engine/processors/processor.h"
#include "engine/processors/tiling_path.h"
#include "engine/processors/top_proof.h"

namespace tessivar::engine::strategy {

// The techniques as users name them on the command line.
enum class Technique { Reverse, Matrices, DependencyPairs, Loops, Tiling, MatchBounds };

struct TechniqueInfo {
  Technique technique;
  const char* name;
  const char* summary;
};
const std::vector<TechniqueInfo>& techniques();
// Throws std::invalid_argument, naming the known techniques.
Technique technique_named(const std::string& name);

// The techniques a run may use: all, or those chosen on the command line.
class Selection {
 public:
  Selection();  // every technique
  // `only` (if not empty) minus `without`; unknown names throw as above.
  static Selection of(const std::vector<std::string>& only, const std::vector<std::string>& without);
  bool allows(Technique t) const { return allowed_.count(t) > 0; }
  void disallow(Technique t) { allowed_.erase(t); }

 private:
  std::set<Technique> allowed_;
};

enum class Stage {
  Search,          // one of the threads' lists
  PairsWeakRules,  // dependency-pair path: weak rules removed before the transformation
  Pairs,           // dependency-pair path: pairs removed from each component
  Labelled,        // tiling: rules removed from the labelled problem
};
enum class Thread { First, Second };
enum class Orientation { AsGiven, Reversed };
// Problems whose longest side is below kLongSide are short-sided.
enum class Sides { Any, Short, Long };
constexpr size_t kLongSide = 16;
// How an arctic or tropical row's cap follows the problem's sides.
enum class Cap {
  Fixed,            // the row's own cap
  Additive,         // additive_cap of the entries' bits and the longest side
  OrderIfShort,     // order-encoded entries up to half a side's sum on short sides, else Additive
  Order,            // order-encoded entries up to half a side's sum, on sides of any length
};

struct Row {
  Stage stage = Stage::Search;
  Thread thread = Thread::First;
  Technique technique = Technique::Matrices;
  Orientation orientation = Orientation::AsGiven;
  Sides sides = Sides::Any;
  double budget = 1;  // seconds in round 0
  // For problems of at most max_symbols symbols (0: any) and at least
  // min_symbols. Tiling is for small alphabets; a labelled problem has many
  // symbols and is not tiled again.
  size_t max_symbols = 0;
  size_t min_symbols = 0;
  // For problems of at most max_rules rules, strict and weak (0: any), and
  // at least min_rules.
  size_t max_rules = 0;
  size_t min_rules = 0;
  encodings::MatrixSettings matrix;  // Matrices
  Cap cap = Cap::Fixed;
  int width = 2;  // Tiling
};

// The table, in order.
const std::vector<Row>& schedule_table();

// An attempt of a plan: a row made concrete for one problem.
struct Attempt {
  Technique technique = Technique::Matrices;
  Orientation orientation = Orientation::AsGiven;
  double budget = 1;
  encodings::MatrixSettings matrix;  // Matrices
  int width = 2;                     // Tiling
};

struct Plan {
  std::vector<std::vector<Attempt>> threads;  // in thread order
  processors::DependencyPairPlan dependency_pairs;
  std::vector<processors::MatrixAttempt> labelled;  // tiling: removals on the labelled problem
};

// The rows that fit `problem` and the selection.
Plan plan_for(const Problem& problem, const Selection& selection = {});

// The processor of an attempt; the dependency-pair path follows `plan`,
// its times scaled by `scale`.
std::unique_ptr<processors::Processor> make_processor(const Attempt& a, const Plan& plan, double scale = 1);

// "natural d3 b2 c5 affine reversed", for progress messages.
std::string describe(const Attempt& a);

}  // namespace tessivar::engine::strategy

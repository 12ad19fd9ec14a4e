// The schedule table, chosen by runs over the problem database (see
// bench/engine/README.md), and the plans it gives.
#include "engine/strategy/schedule.h"

#include <algorithm>
#include <stdexcept>

#include "engine/problem/measures.h"
#include "engine/processors/loop_search.h"
#include "engine/processors/match_bound_proof.h"
#include "engine/processors/matrix_removal.h"

namespace tessivar::engine::strategy {

namespace {

using encodings::LocalScore;
using encodings::MatrixSettings;
using encodings::Shape;

// Arctic and tropical rows with Cap::OrderIfShort use the order encoding
// on sides up to this long.
constexpr size_t kLongestForOrderEncoding = 12;

// Rows by name: first().natural(3).bits(2).cap(5).affine().reversed().budget(1).
class RowBuilder {
 public:
  RowBuilder(Stage stage, Thread thread) {
    row_.stage = stage;
    row_.thread = thread;
  }
  RowBuilder& natural(int d) { return semiring(Semiring::Natural, d); }
  RowBuilder& arctic(int d) { return semiring(Semiring::Arctic, d).full(); }
  RowBuilder& tropical(int d) { return semiring(Semiring::Tropical, d).full(); }
  RowBuilder& bits(int b) {
    row_.matrix.bits = b;
    return *this;
  }
  RowBuilder& cap(int c) {
    row_.matrix.cap = c;
    return *this;
  }
  RowBuilder& cap(Cap c) {
    row_.cap = c;
    return *this;
  }
  RowBuilder& full() { return shape(Shape::Full); }
  RowBuilder& affine() { return shape(Shape::Affine); }
  // Natural, full shape: the strict decrease in entry (1,1).
  RowBuilder& strict_first_entry() {
    row_.matrix.strict_first_entry = true;
    return full();
  }
  // No SAT solver: a local search over entries of the row's bits.
  RowBuilder& local_search(LocalScore score, uint64_t seed) {
    row_.matrix.local_search = true;
    row_.matrix.local_score = score;
    row_.matrix.local_seed = seed;
    row_.matrix.cap = row_.matrix.bits;
    row_.matrix.strict_first_entry = row_.matrix.semiring == Semiring::Natural;
    return full();
  }
  RowBuilder& dependency_pairs() {
    row_.technique = Technique::DependencyPairs;
    return *this;
  }
  RowBuilder& match_bounds() {
    row_.technique = Technique::MatchBounds;
    return *this;
  }
  RowBuilder& tiling(int width) {
    row_.technique = Technique::Tiling;
    row_.width = width;
    return *this;
  }
  RowBuilder& max_symbols(size_t n) {
    row_.max_symbols = n;
    return *this;
  }
  RowBuilder& min_symbols(size_t n) {
    row_.min_symbols = n;
    return *this;
  }
  RowBuilder& max_rules(size_t n) {
    row_.max_rules = n;
    return *this;
  }
  RowBuilder& min_rules(size_t n) {
    row_.min_rules = n;
    return *this;
  }
  RowBuilder& reversed() {
    row_.orientation = Orientation::Reversed;
    return *this;
  }
  RowBuilder& sides(Sides s) {
    row_.sides = s;
    return *this;
  }
  RowBuilder& budget(double seconds) {
    row_.budget = seconds;
    return *this;
  }
  operator Row() const { return row_; }

 private:
  RowBuilder& semiring(Semiring s, int d) {
    row_.technique = Technique::Matrices;
    row_.matrix.semiring = s;
    row_.matrix.dimension = d;
    return *this;
  }
  RowBuilder& shape(Shape s) {
    row_.matrix.shape = s;
    return *this;
  }
  Row row_;
};

RowBuilder first() { return RowBuilder(Stage::Search, Thread::First); }
RowBuilder second() { return RowBuilder(Stage::Search, Thread::Second); }
RowBuilder before_pairs() { return RowBuilder(Stage::PairsWeakRules, Thread::First); }
RowBuilder on_pairs() { return RowBuilder(Stage::Pairs, Thread::First); }
RowBuilder on_labelled() { return RowBuilder(Stage::Labelled, Thread::First); }

// Alphabets where the dependency-pair path goes first on both threads.
constexpr size_t kSmallAlphabet = 3;
// Their first budget: rounds double it. On a single rule over such an
// alphabet the path's first turn is the whole default minute: the proofs
// of such systems in the runs on the database are the path's, but for one
// tiling, and they come late (bench/runs/one-rule-60-wenzel-60s). The other
// rows still run when the path gives up, and between its turns in longer
// runs.
constexpr double kSmallAlphabetPairs = 8;
constexpr double kSmallOneRulePairs = 60;

// Tilings of larger alphabets grow past their limits or prove nothing new
// in the runs on the database; labelled problems are not tiled again.
constexpr size_t kTilingSymbols = 4;

// Long sides make the SAT encodings large and slow (products of 20 and more
// matrices): the local searches go first there, arctic ones removing most
// rules at once, and the two scores of natural ones finding different
// problems' interpretations first. On short sides a second of arctic local
// search after the smallest SAT attempts shortens some proofs from seconds
// to a tenth.
std::vector<Row> build_table() {
  return {
      // Match bounds need no solver and end within a second where they
      // succeed at all: first on both threads, one orientation each.
      first().match_bounds().budget(0.5),
      second().match_bounds().reversed().budget(0.5),
      // On alphabets of up to 3 symbols the proofs found are dependency
      // pairs, of the system or of its reversal, nearly always: the
      // reversal's path here, the system's on the second thread.
      first().max_symbols(kSmallAlphabet).max_rules(1).dependency_pairs().reversed().budget(kSmallOneRulePairs),
      first().max_symbols(kSmallAlphabet).min_rules(2).dependency_pairs().reversed().budget(kSmallAlphabetPairs),
      // The first thread: natural matrices.
      first().sides(Sides::Long).arctic(3).bits(2).local_search(LocalScore::Graded, 1).budget(10),
      first().sides(Sides::Long).natural(3).bits(1).local_search(LocalScore::FailingRules, 1).budget(20),
      first().natural(1).bits(3).cap(8).full().budget(0.5),
      first().natural(2).bits(2).cap(4).affine().budget(0.5),
      first().natural(2).bits(2).cap(4).affine().reversed().budget(0.5),
      first().sides(Sides::Short).arctic(4).bits(2).local_search(LocalScore::Graded, 2).budget(1),
      first().natural(3).bits(2).cap(5).affine().budget(1),
      first().natural(3).bits(2).cap(5).affine().reversed().budget(1),
      first().natural(2).bits(2).cap(5).strict_first_entry().budget(1),
      first().natural(3).bits(2).cap(6).full().budget(1),
      first().natural(4).bits(2).cap(5).affine().budget(2),
      first().natural(4).bits(2).cap(5).affine().reversed().budget(2),
      first().natural(3).bits(2).cap(5).strict_first_entry().budget(2),
      first().natural(5).bits(1).cap(4).affine().budget(2),
      first().natural(5).bits(1).cap(4).affine().reversed().budget(2),
      first().tiling(2).max_symbols(kTilingSymbols).budget(4),
      // The second thread: the dependency-pair path on the system and on
      // its reversal (pairs mark the first symbol of a side, so the two
      // orientations give different pairs, and on small alphabets often
      // only one of them has small interpretations), then arctic and
      // tropical matrices.
      second().sides(Sides::Long).arctic(2).bits(3).local_search(LocalScore::Graded, 2).budget(10),
      second().sides(Sides::Long).natural(3).bits(1).local_search(LocalScore::Graded, 2).budget(20),
      second().max_symbols(kSmallAlphabet).max_rules(1).dependency_pairs().budget(kSmallOneRulePairs),
      second().max_symbols(kSmallAlphabet).min_rules(2).dependency_pairs().budget(kSmallAlphabetPairs),
      second().min_symbols(kSmallAlphabet + 1).dependency_pairs().budget(2),
      second().min_symbols(kSmallAlphabet + 1).dependency_pairs().reversed().budget(2),
      second().arctic(2).bits(2).cap(Cap::OrderIfShort).budget(0.5),
      second().tropical(2).bits(2).cap(Cap::OrderIfShort).budget(0.5),
      second().sides(Sides::Short).arctic(3).bits(2).local_search(LocalScore::Graded, 1).budget(1),
      second().arctic(3).bits(2).cap(Cap::OrderIfShort).budget(1),
      second().tropical(3).bits(2).cap(Cap::OrderIfShort).budget(1),
      second().arctic(4).bits(2).cap(Cap::OrderIfShort).budget(2),
      second().tropical(4).bits(2).cap(Cap::OrderIfShort).budget(2),
      second().arctic(5).bits(1).cap(Cap::OrderIfShort).budget(2),
      second().tiling(2).max_symbols(kTilingSymbols).reversed().budget(4),
      // The dependency-pair path: weak rules go first, then pairs of each
      // component of the graph.
      before_pairs().natural(1).bits(3).cap(8).full().budget(0.5),
      before_pairs().natural(2).bits(2).cap(5).affine().budget(1),
      before_pairs().arctic(2).bits(2).cap(Cap::Additive).budget(1),
      before_pairs().natural(3).bits(2).cap(5).affine().budget(2),
      // The pairs of a single rule get arctic attempts only: dimension 2,
      // then 4 and 5 with entries up to 1. In the runs on the database their
      // proofs are arctic, mostly of dimension 4 or 5 with entries 0 and 1,
      // and more are found within the time when no natural attempt shares
      // it (bench/runs/pair-attempts-wenzel-30s). Dimension 3, and 4 with
      // entries up to 3, found few steps on the last pairs of a component
      // and never ran out of candidates there, taking their turns every
      // round (bench/runs/pair-d3-wenzel-30s, pair-no-d3-wenzel-60s,
      // pair-no-b2-wenzel-60s). Arctic pairs go in the order encoding
      // whatever their sides' length: on the path alone it proved 16 of the
      // 41 Wenzel_16 rules in 20 s against 13 in binary, each sooner, and
      // as many Waldmann_07_size12 systems, most of them sooner
      // (bench/runs/pair-order-*-20s).
      on_pairs().min_rules(2).natural(1).bits(3).cap(8).full().budget(0.5),
      on_pairs().arctic(2).bits(2).cap(Cap::Order).budget(1),
      on_pairs().min_rules(2).natural(2).bits(2).cap(5).full().budget(1),
      on_pairs().min_rules(2).arctic(3).bits(2).cap(Cap::Order).budget(2),
      on_pairs().min_rules(2).natural(3).bits(2).cap(5).full().budget(2),
      on_pairs().max_rules(1).arctic(4).bits(1).cap(Cap::Order).budget(2),
      on_pairs().min_rules(2).arctic(4).bits(2).cap(Cap::Order).budget(2),
      on_pairs().max_rules(1).arctic(5).bits(1).cap(Cap::Order).budget(2),
      // Labelled problems: many rules over many symbols, removed a few at a
      // time by small interpretations, and by sparse ones (entries 0 and 1)
      // where those stop. Sparse matrices of dimension 4 to 10 removed
      // rules rarely (4, 5) or never (6 to 10) within 3 s on the labelled
      // Wenzel_16 and Waldmann_07_size12 problems (bench/engine/README.md).
      on_labelled().natural(1).bits(3).cap(8).full().budget(0.5),
      on_labelled().arctic(2).bits(2).cap(Cap::OrderIfShort).budget(1),
      on_labelled().natural(2).bits(2).cap(5).affine().budget(1),
      on_labelled().natural(3).bits(1).cap(3).full().budget(1),
      on_labelled().arctic(3).bits(2).local_search(LocalScore::Graded, 3).budget(1),
  };
}

// At least `least` and at most `most` (0: no most).
bool within(size_t n, size_t least, size_t most) { return n >= least && (most == 0 || n <= most); }

bool fits(const Row& row, size_t longest, size_t symbols, size_t rules) {
  if (!within(symbols, row.min_symbols, row.max_symbols)) return false;
  if (!within(rules, row.min_rules, row.max_rules)) return false;
  switch (row.sides) {
    case Sides::Any: return true;
    case Sides::Short: return longest < kLongSide;
    case Sides::Long: return longest >= kLongSide;
  }
  return false;
}

// The rows of the dependency-pair and tiling stages are parts of those
// paths, chosen with them.
bool selected(const Row& row, const Selection& selection) {
  if (row.stage != Stage::Search) return true;
  if (!selection.allows(row.technique)) return false;
  return row.orientation == Orientation::AsGiven || selection.allows(Technique::Reverse);
}

// Order-encoded entries, finite values up to half of what a side of
// `longest` letters could sum to with the entries' largest value.
void use_order_encoding(MatrixSettings& s, uint64_t largest, size_t longest) {
  s.order_encoding = true;
  s.cap = static_cast<int>(std::max<uint64_t>(largest + 1, largest * longest / 2 + 1));
}

// The row's settings with its cap worked out for sides of `longest`.
MatrixSettings settings_for(const Row& row, size_t longest) {
  MatrixSettings s = row.matrix;
  uint64_t largest = (uint64_t{1} << s.bits) - 1;
  switch (row.cap) {
    case Cap::Fixed:
      break;
    case Cap::Order:
      use_order_encoding(s, largest, longest);
      break;
    case Cap::OrderIfShort:
      if (longest <= kLongestForOrderEncoding) {
        use_order_encoding(s, largest, longest);
        break;
      }
      s.cap = additive_cap(s.bits, longest);
      break;
    case Cap::Additive:
      s.cap = additive_cap(s.bits, longest);
      break;
  }
  return s;
}

}  // namespace

const std::vector<TechniqueInfo>& techniques() {
  static const std::vector<TechniqueInfo> all = {
      {Technique::Reverse, "reverse", "attempts on the reversed system (every side read backwards)"},
      {Technique::Matrices, "matrices", "rule removal by natural, arctic and tropical matrix interpretations"},
      {Technique::DependencyPairs, "dependency-pairs",
       "dependency pairs, the dependency graph and matrix interpretations of its components"},
      {Technique::Loops, "loops", "the search for a loop (the only way to answer NO)"},
      {Technique::Tiling, "tiling",
       "semantic labelling by the tiles that cover the closure of the rules, then matrices on the labelled system"},
      {Technique::MatchBounds, "match-bounds",
       "an automaton that bounds the match heights of derivations from right sides of forward closures"},
  };
  return all;
}

Technique technique_named(const std::string& name) {
  std::string known;
  for (const TechniqueInfo& t : techniques()) {
    if (name == t.name) return t.technique;
    known += std::string(known.empty() ? "" : ", ") + t.name;
  }
  throw std::invalid_argument("unknown technique \"" + name + "\"; the techniques are " + known);
}

Selection::Selection() {
  for (const TechniqueInfo& t : techniques()) allowed_.insert(t.technique);
}

Selection Selection::of(const std::vector<std::string>& only, const std::vector<std::string>& without) {
  Selection s;
  if (!only.empty()) {
    s.allowed_.clear();
    for (const std::string& name : only) s.allowed_.insert(technique_named(name));
  }
  for (const std::string& name : without) s.allowed_.erase(technique_named(name));
  return s;
}

const std::vector<Row>& schedule_table() {
  static const std::vector<Row> table = build_table();
  return table;
}

Plan plan_for(const Problem& problem, const Selection& selection) {
  size_t longest = longest_side(problem), symbols = problem.symbols().size();
  size_t rules = problem.rule_count();
  Plan plan;
  plan.threads.resize(2);
  for (const Row& row : schedule_table()) {
    if (!fits(row, longest, symbols, rules) || !selected(row, selection)) continue;
    switch (row.stage) {
      case Stage::Search:
        plan.threads[static_cast<size_t>(row.thread)].push_back(
            Attempt{row.technique, row.orientation, row.budget, settings_for(row, longest), row.width});
        break;
      case Stage::Labelled:
        // Labelled sides are longer by the context of the labels.
        plan.labelled.push_back({settings_for(row, longest + 3), row.budget});
        break;
      case Stage::PairsWeakRules:
        plan.dependency_pairs.weak_removal.push_back({settings_for(row, longest), row.budget});
        break;
      case Stage::Pairs:
        plan.dependency_pairs.pairs.push_back({settings_for(row, longest), row.budget});
        break;
    }
  }
  return plan;
}

std::unique_ptr<processors::Processor> make_processor(const Attempt& a, const Plan& plan, double scale) {
  switch (a.technique) {
    case Technique::Matrices:
      return std::make_unique<processors::MatrixRemoval>(a.matrix);
    case Technique::DependencyPairs:
      return std::make_unique<processors::DependencyPairPath>(processors::scaled(plan.dependency_pairs, scale));
    case Technique::Loops:
      return std::make_unique<processors::LoopFinder>();
    case Technique::Tiling: {
      processors::LabelledPlan labelled{processors::scaled_attempts(plan.labelled, scale),
                                        processors::scaled(plan.dependency_pairs, scale)};
      return std::make_unique<processors::TilingPath>(a.width, processors::TilingLimits{}, std::move(labelled));
    }
    case Technique::MatchBounds:
      return std::make_unique<processors::MatchBoundProof>();
    case Technique::Reverse:
      break;
  }
  throw std::invalid_argument("reversal is an orientation of the other attempts, not an attempt");
}

std::string describe(const Attempt& a) {
  std::string out;
  switch (a.technique) {
    case Technique::Matrices: out = processors::describe(a.matrix); break;
    case Technique::DependencyPairs: out = "dependency pairs"; break;
    case Technique::Loops: out = "loops"; break;
    case Technique::Reverse: out = "reverse"; break;
    case Technique::Tiling: out = "tiling width " + std::to_string(a.width); break;
    case Technique::MatchBounds: out = "match bounds"; break;
  }
  return a.orientation == Orientation::Reversed ? out + " reversed" : out;
}

}  // namespace tessivar::engine::strategy

// The matrix interpretation search: unknown matrices, products along the
// shared-factor plan, the decrease constraints, CaDiCaL, and the model read
// back as a proof step.
#include "engine/encodings/matrix_encoding.h"

#include <cadical.hpp>

#include <algorithm>
#include <map>
#include <memory>
#include <stdexcept>

#include "engine/encodings/local_search.h"
#include "engine/encodings/order_cells.h"
#include "engine/encodings/semiring_cells.h"
#include "engine/encodings/shared_factors.h"

namespace tessivar::engine::encodings {

namespace {

struct EncodingStopped {};
struct EncodingOverMemory {};

// How often the memory ceiling is looked at while solving.
constexpr auto kMemoryCheckInterval = std::chrono::milliseconds(50);

class StopTerminator : public CaDiCaL::Terminator {
 public:
  explicit StopTerminator(const StopCondition& stop) : stop_(stop) {}
  bool terminate() override {
    if (stop_.reached()) return true;
    if (stop_.memory_limit == 0) return false;
    auto now = Clock::now();
    if (now - last_memory_check_ < kMemoryCheckInterval) return false;
    last_memory_check_ = now;
    over_memory_ = stop_.memory_reached();
    return over_memory_;
  }
  bool over_memory() const { return over_memory_; }

 private:
  const StopCondition& stop_;
  Clock::time_point last_memory_check_{};
  bool over_memory_ = false;
};


// The algebra of binary entries with the arithmetic it computes in.
struct BinaryEntries {
  BinaryEntries(Circuit& c, const MatrixSettings& s) : arithmetic(c, s.cap), algebra(s.semiring, arithmetic) {}
  UnsignedArithmetic arithmetic;
  CellAlgebra algebra;
};

struct OrderEntries {
  OrderEntries(Circuit& c, const MatrixSettings& s) : algebra(s.semiring, c, s.cap) {}
  OrderAlgebra algebra;
};

// CaDiCaL writes some findings to standard output unless told not to;
// standard output carries the verdict only. The searches want models, and
// many run in slices: the solver's configuration for satisfiable formulas
// (stable search from the start of every slice, less elimination) finds
// more interpretations in the same time (bench/runs/sat-config-*).
std::unique_ptr<CaDiCaL::Solver> quiet_solver() {
  auto s = std::make_unique<CaDiCaL::Solver>();
  s->configure("sat");
  s->set("quiet", 1);
  return s;
}

class Encoder {
 public:
  virtual ~Encoder() = default;
  // Encodes (the first time) and solves until the stop condition holds.
  // After Stopped it may be called again: the solver goes on where it was.
  virtual MatrixSearchResult run(const StopCondition& stop) = 0;
  // Stopped while encoding: the encoding is incomplete, start afresh.
  virtual bool incomplete() const = 0;
};

template <class Entries>
class MatrixEncoder : public Encoder {
 public:
  using Cell = typename decltype(Entries::algebra)::Cell;
  using CellMatrix = std::vector<std::vector<Cell>>;

  MatrixEncoder(const Problem& problem, const MatrixSettings& settings)
      : problem_(problem),
        settings_(settings),
        solver_(quiet_solver()),
        circuit_(solver_.get()),
        entries_(circuit_, settings),
        algebra_(entries_.algebra) {}

  MatrixSearchResult run(const StopCondition& stop) override;
  bool incomplete() const override { return incomplete_; }

 private:
  bool encode();
  MatrixSearchResult solve();

  Shape shape() const;
  bool strict_first_entry() const {
    return settings_.strict_first_entry && shape() == Shape::Full && settings_.dimension > 1 && !problem_.top;
  }
  CellMatrix unknown_matrix();
  CellMatrix unknown_row();
  CellMatrix identity() const;
  CellMatrix product(const CellMatrix& a, const CellMatrix& b);
  void build_symbol_matrices();
  void build_side_matrices();
  Lit weakly_decreasing(const CellMatrix& l, const CellMatrix& r);
  Lit strictly_decreasing(const CellMatrix& l, const CellMatrix& r);
  void assert_decrease();
  // Between two products, each of which can take a while on large
  // matrices of wide numbers.
  void check_stop() {
    if (stop_->deadline_reached()) throw EncodingStopped{};
    if (stop_->memory_limit == 0) return;
    auto now = Clock::now();
    if (now - last_memory_check_ < kMemoryCheckInterval) return;
    last_memory_check_ = now;
    if (stop_->memory_reached()) throw EncodingOverMemory{};
  }
  MatrixStep read_back() const;
  MatrixStep read_back_interpretation() const;
  // Past the memory ceiling: the solver and its clauses are let go, and
  // the search is over (the circuit is not used again).
  void give_up_for_memory() {
    over_memory_ = true;
    solver_.reset();
  }
  MatrixSearchResult over_memory_result() const {
    MatrixSearchResult r;
    r.outcome = SearchOutcome::OverMemory;
    return r;
  }

  const Problem& problem_;
  MatrixSettings settings_;
  const StopCondition* stop_ = nullptr;
  bool encoded_ = false, incomplete_ = false, over_memory_ = false;
  Clock::time_point last_memory_check_{};
  std::unique_ptr<CaDiCaL::Solver> solver_;
  Circuit circuit_;
  Entries entries_;
  decltype(Entries::algebra)& algebra_;

  std::vector<Symbol> symbols_;
  std::vector<const Rule*> rules_;  // strict ones first
  std::vector<CellMatrix> symbol_matrices_, side_matrices_;  // sides: lhs, rhs per rule
  std::vector<Lit> strict_;  // per rule
  size_t products_ = 0;
};

template <class Entries>
Shape MatrixEncoder<Entries>::shape() const {
  if (settings_.semiring != Semiring::Natural || settings_.dimension < 2) return Shape::Full;
  return settings_.shape;
}

template <class Entries>
typename MatrixEncoder<Entries>::CellMatrix MatrixEncoder<Entries>::unknown_matrix() {
  int d = settings_.dimension;
  CellMatrix m(static_cast<size_t>(d), std::vector<Cell>(static_cast<size_t>(d), algebra_.zero()));
  Shape s = shape();
  for (int i = 0; i < d; ++i)
    for (int j = 0; j < d; ++j) {
      bool last_row = i == d - 1 && d > 1;
      if (s != Shape::Full && last_row) {
        m[i][j] = j == d - 1 ? algebra_.one() : algebra_.zero();
      } else if (s == Shape::Triangular && i > j) {
        m[i][j] = algebra_.zero();
      } else {
        m[i][j] = algebra_.unknown(settings_.bits);
      }
    }
  if (settings_.semiring == Semiring::Natural) {
    // In top mode only (d,d) counts: it keeps the last entry of a row from
    // shrinking when the row is multiplied by the matrix.
    if (!problem_.top) circuit_.assert_lit(algebra_.positive(m[0][0]));
    if (!strict_first_entry()) circuit_.assert_lit(algebra_.positive(m[d - 1][d - 1]));
  } else {
    circuit_.assert_lit(algebra_.finite(m[0][0]));
  }
  return m;
}

// Top mode: the row of a marked symbol, the value of a pair side it heads.
template <class Entries>
typename MatrixEncoder<Entries>::CellMatrix MatrixEncoder<Entries>::unknown_row() {
  CellMatrix row(1);
  for (int j = 0; j < settings_.dimension; ++j) row[0].push_back(algebra_.unknown(settings_.bits));
  if (settings_.semiring != Semiring::Natural) circuit_.assert_lit(algebra_.finite(row[0][0]));
  return row;
}

template <class Entries>
typename MatrixEncoder<Entries>::CellMatrix MatrixEncoder<Entries>::identity() const {
  size_t d = static_cast<size_t>(settings_.dimension);
  CellMatrix m(d, std::vector<Cell>(d, algebra_.zero()));
  for (size_t i = 0; i < d; ++i) m[i][i] = algebra_.one();
  return m;
}

// a is d x d, or in top mode a 1 x d row; b is d x d.
template <class Entries>
typename MatrixEncoder<Entries>::CellMatrix MatrixEncoder<Entries>::product(const CellMatrix& a,
                                                                          const CellMatrix& b) {
  size_t d = b.size();
  CellMatrix m(a.size(), std::vector<Cell>(d, algebra_.zero()));
  for (size_t i = 0; i < a.size(); ++i)
    for (size_t j = 0; j < d; ++j) {
      Cell sum = algebra_.times(a[i][0], b[0][j]);
      for (size_t k = 1; k < d; ++k) sum = algebra_.plus(sum, algebra_.times(a[i][k], b[k][j]));
      m[i][j] = sum;
    }
  return m;
}

template <class Entries>
void MatrixEncoder<Entries>::build_symbol_matrices() {
  symbols_ = problem_.symbols();
  for (Symbol s : symbols_)
    symbol_matrices_.push_back(problem_.top && problem_.alphabet->is_marked(s) ? unknown_row() : unknown_matrix());
}

template <class Entries>
void MatrixEncoder<Entries>::build_side_matrices() {
  std::vector<int> dense(problem_.alphabet->size(), -1);
  for (size_t i = 0; i < symbols_.size(); ++i) dense[static_cast<size_t>(symbols_[i])] = static_cast<int>(i);
  for (const Rule& r : problem_.strict) rules_.push_back(&r);
  for (const Rule& r : problem_.weak) rules_.push_back(&r);
  std::vector<Word> sides;
  for (const Rule* r : rules_)
    for (const Word* w : {&r->lhs, &r->rhs}) {
      Word d;
      for (Symbol s : *w) d.push_back(dense[static_cast<size_t>(s)]);
      sides.push_back(std::move(d));
    }
  FactorPlan plan = plan_shared_factors(sides, static_cast<int>(symbols_.size()));
  std::vector<CellMatrix> letters = symbol_matrices_;
  for (const auto& [a, b] : plan.pairs) {
    check_stop();
    letters.push_back(product(letters[static_cast<size_t>(a)], letters[static_cast<size_t>(b)]));
    ++products_;
  }
  for (const auto& w : plan.words) {
    check_stop();
    if (w.empty()) {
      side_matrices_.push_back(identity());
      continue;
    }
    CellMatrix m = letters[static_cast<size_t>(w[0])];
    for (size_t i = 1; i < w.size(); ++i) {
      check_stop();
      m = product(m, letters[static_cast<size_t>(w[i])]);
      ++products_;
    }
    side_matrices_.push_back(std::move(m));
  }
}

template <class Entries>
Lit MatrixEncoder<Entries>::weakly_decreasing(const CellMatrix& l, const CellMatrix& r) {
  std::vector<Lit> all;
  for (size_t i = 0; i < l.size(); ++i)
    for (size_t j = 0; j < l[i].size(); ++j) all.push_back(algebra_.ge(l[i][j], r[i][j]));
  return circuit_.and_n(std::move(all));
}

// Given weak decrease: in the natural semiring the entry (1, d) or (1, 1)
// decreases strictly, in the others every entry.
template <class Entries>
Lit MatrixEncoder<Entries>::strictly_decreasing(const CellMatrix& l, const CellMatrix& r) {
  if (settings_.semiring == Semiring::Natural)
    return strict_first_entry() ? algebra_.gt(l[0][0], r[0][0]) : algebra_.gt(l[0].back(), r[0].back());
  std::vector<Lit> all;
  for (size_t i = 0; i < l.size(); ++i)
    for (size_t j = 0; j < l[i].size(); ++j) all.push_back(algebra_.gt(l[i][j], r[i][j]));
  return circuit_.and_n(std::move(all));
}

template <class Entries>
void MatrixEncoder<Entries>::assert_decrease() {
  std::vector<Lit> some_strict;
  for (size_t k = 0; k < rules_.size(); ++k) {
    check_stop();
    const CellMatrix& l = side_matrices_[2 * k];
    const CellMatrix& r = side_matrices_[2 * k + 1];
    circuit_.assert_lit(weakly_decreasing(l, r));
    // Top mode removes pairs only.
    bool removable = !problem_.top || k < problem_.strict.size();
    strict_.push_back(removable ? strictly_decreasing(l, r) : circuit_.lit_false());
    if (k < problem_.strict.size()) some_strict.push_back(strict_.back());
  }
  circuit_.clause(some_strict);
}

template <class Entries>
MatrixStep MatrixEncoder<Entries>::read_back() const {
  MatrixStep step = read_back_interpretation();
  for (size_t k = 0; k < rules_.size(); ++k)
    if (circuit_.value(strict_[k])) step.remove.push_back(problem_.named(*rules_[k]));
  return step;
}

template <class Entries>
MatrixStep MatrixEncoder<Entries>::read_back_interpretation() const {
  MatrixStep step;
  step.semiring = settings_.semiring;
  step.dimension = settings_.dimension;
  if (strict_first_entry()) step.strict_entry = std::make_pair(1, 1);
  for (size_t s = 0; s < symbols_.size(); ++s) {
    Matrix m;
    for (const auto& row : symbol_matrices_[s]) {
      m.emplace_back();
      for (const Cell& cell : row) m.back().push_back(algebra_.value(cell));
    }
    step.interpretation[problem_.alphabet->name(symbols_[s])] = std::move(m);
  }
  return step;
}

// False when stopped before the encoding was complete.
template <class Entries>
bool MatrixEncoder<Entries>::encode() {
  try {
    build_symbol_matrices();
    build_side_matrices();
    assert_decrease();
  } catch (const EncodingStopped&) {
    incomplete_ = true;
    return false;
  } catch (const EncodingOverMemory&) {
    give_up_for_memory();
    return false;
  }
  encoded_ = true;
  return true;
}

template <class Entries>
MatrixSearchResult MatrixEncoder<Entries>::solve() {
  MatrixSearchResult result;
  result.variables = circuit_.variables();
  result.clauses = circuit_.clauses();
  result.products = products_;
  auto start = Clock::now();
  StopCondition budgeted = stop_->budget_from_now();
  StopTerminator terminator(budgeted);
  solver_->connect_terminator(&terminator);
  int status = solver_->solve();
  solver_->disconnect_terminator();
  result.solve_seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (status == 0 && terminator.over_memory()) {
    give_up_for_memory();
    result.outcome = SearchOutcome::OverMemory;
  } else if (status == 10) {
    result.outcome = SearchOutcome::Found;
    result.step = read_back();
  } else if (status == 20) {
    result.outcome = SearchOutcome::Exhausted;
  } else {
    result.outcome = SearchOutcome::Stopped;
  }
  return result;
}

template <class Entries>
MatrixSearchResult MatrixEncoder<Entries>::run(const StopCondition& stop) {
  stop_ = &stop;
  double encode_seconds = 0;
  if (over_memory_) return over_memory_result();
  if (!encoded_) {
    auto start = Clock::now();
    if (incomplete_ || !encode()) return over_memory_ ? over_memory_result() : MatrixSearchResult{};
    encode_seconds = std::chrono::duration<double>(Clock::now() - start).count();
  }
  // A large formula keeps the solver busy for seconds before it first asks
  // whether to stop: none is started past the deadline.
  if (stop.deadline_reached()) {
    MatrixSearchResult stopped;
    stopped.encode_seconds = encode_seconds;
    return stopped;
  }
  MatrixSearchResult result = solve();
  result.encode_seconds = encode_seconds;
  return result;
}

// Marked symbols head the pairs and occur nowhere else.
bool is_top_problem(const Problem& p) {
  const Alphabet& a = *p.alphabet;
  auto unmarked = [&](const Word& w, size_t from) {
    return std::none_of(w.begin() + static_cast<long>(from), w.end(), [&](Symbol s) { return a.is_marked(s); });
  };
  for (const Rule& r : p.strict)
    if (r.lhs.empty() || r.rhs.empty() || !a.is_marked(r.lhs[0]) || !a.is_marked(r.rhs[0]) || !unmarked(r.lhs, 1) ||
        !unmarked(r.rhs, 1))
      return false;
  return std::all_of(p.weak.begin(), p.weak.end(), [&](const Rule& r) { return unmarked(r.lhs, 0) && unmarked(r.rhs, 0); });
}

class LocalEncoder : public Encoder {
 public:
  LocalEncoder(const Problem& problem, const MatrixSettings& settings) : search_(problem, settings) {}
  MatrixSearchResult run(const StopCondition& stop) override { return search_.run(stop); }
  bool incomplete() const override { return false; }

 private:
  LocalMatrixSearch search_;
};

void check_arguments(const Problem& problem, const MatrixSettings& settings) {
  if (problem.top && settings.semiring == Semiring::Tropical)
    throw std::invalid_argument("matrix search: no tropical interpretations in top mode");
  if (settings.local_search && (problem.top || settings.semiring == Semiring::Tropical))
    throw std::invalid_argument("matrix search: the local search is for natural and arctic matrices, not in top mode");
  if (problem.top && !is_top_problem(problem))
    throw std::invalid_argument("matrix search: a marked symbol off the head of a pair");
  int largest_cap = settings.order_encoding ? 4096 : 62;
  if (settings.dimension < 1 || settings.bits < 1 || settings.cap < settings.bits || settings.cap > largest_cap)
    throw std::invalid_argument("matrix search: bad dimension, bits or cap");
}

}  // namespace

struct MatrixSearch::Impl {
  Problem problem;
  MatrixSettings settings;
  std::unique_ptr<Encoder> encoder;

  void start_encoder() {
    bool order = settings.order_encoding && settings.semiring != Semiring::Natural;
    if (settings.local_search)
      encoder = std::make_unique<LocalEncoder>(problem, settings);
    else if (order)
      encoder = std::make_unique<MatrixEncoder<OrderEntries>>(problem, settings);
    else
      encoder = std::make_unique<MatrixEncoder<BinaryEntries>>(problem, settings);
  }
};

MatrixSearch::MatrixSearch(Problem problem, const MatrixSettings& settings) : impl_(std::make_unique<Impl>()) {
  check_arguments(problem, settings);
  impl_->problem = std::move(problem);
  impl_->settings = settings;
}

MatrixSearch::~MatrixSearch() = default;

MatrixSearchResult MatrixSearch::run(const StopCondition& stop) {
  if (impl_->problem.strict.empty()) return MatrixSearchResult{SearchOutcome::Exhausted, {}, 0, 0, 0, 0, 0};
  if (!impl_->encoder || impl_->encoder->incomplete()) impl_->start_encoder();
  return impl_->encoder->run(stop);
}

const Problem& MatrixSearch::problem() const { return impl_->problem; }

MatrixSearchResult search_matrix_interpretation(const Problem& problem, const MatrixSettings& settings,
                                                const StopCondition& stop) {
  return MatrixSearch(problem, settings).run(stop);
}

}  // namespace tessivar::engine::encodings

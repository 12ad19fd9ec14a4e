// The matrix interpretation search: unknown matrices, products along the
// shared-factor plan, the decrease constraints, CaDiCaL, and the model read
// back as a proof step.
#include "engine/encodings/matrix_encoding.h"

#include <cadical.hpp>

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "engine/encodings/semiring_cells.h"
#include "engine/encodings/shared_factors.h"

namespace tessivar::engine::encodings {

namespace {

struct EncodingStopped {};

class StopTerminator : public CaDiCaL::Terminator {
 public:
  explicit StopTerminator(const StopCondition& stop) : stop_(stop) {}
  bool terminate() override { return stop_.reached(); }

 private:
  const StopCondition& stop_;
};

class MatrixEncoder {
 public:
  MatrixEncoder(const Problem& problem, const MatrixSettings& settings, const StopCondition& stop)
      : problem_(problem),
        settings_(settings),
        stop_(stop),
        solver_(std::make_unique<CaDiCaL::Solver>()),
        circuit_(solver_.get()),
        arithmetic_(circuit_, settings.cap),
        algebra_(settings.semiring, arithmetic_) {
    // CaDiCaL would report an empty clause (no rule can decrease) on stdout.
    solver_->set("quiet", 1);
  }

  MatrixSearchResult run();

 private:
  Shape shape() const;
  bool strict_first_entry() const {
    return settings_.strict_first_entry && shape() == Shape::Full && settings_.dimension > 1 && !problem_.top;
  }
  CellMatrix unknown_matrix();
  CellMatrix unknown_row();
  void build_symbol_matrices();
  void build_side_matrices();
  Lit weakly_decreasing(const CellMatrix& l, const CellMatrix& r);
  Lit strictly_decreasing(const CellMatrix& l, const CellMatrix& r);
  void assert_decrease();
  void check_stop() const {
    if (stop_.reached()) throw EncodingStopped{};
  }
  MatrixStep read_back() const;

  const Problem& problem_;
  MatrixSettings settings_;
  const StopCondition& stop_;
  std::unique_ptr<CaDiCaL::Solver> solver_;
  Circuit circuit_;
  UnsignedArithmetic arithmetic_;
  CellAlgebra algebra_;

  std::vector<Symbol> symbols_;
  std::vector<const Rule*> rules_;  // strict ones first
  std::vector<CellMatrix> symbol_matrices_, side_matrices_;  // sides: lhs, rhs per rule
  std::vector<Lit> strict_;  // per rule
  size_t products_ = 0;
};

Shape MatrixEncoder::shape() const {
  if (settings_.semiring != Semiring::Natural || settings_.dimension < 2) return Shape::Full;
  return settings_.shape;
}

CellMatrix MatrixEncoder::unknown_matrix() {
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
    if (!problem_.top) circuit_.assert_lit(arithmetic_.nonzero(m[0][0].value));
    if (!strict_first_entry()) circuit_.assert_lit(arithmetic_.nonzero(m[d - 1][d - 1].value));
  } else {
    circuit_.assert_lit(m[0][0].finite);
  }
  return m;
}

// Top mode: the row of a marked symbol, the value of a pair side it heads.
CellMatrix MatrixEncoder::unknown_row() {
  CellMatrix row(1);
  for (int j = 0; j < settings_.dimension; ++j) row[0].push_back(algebra_.unknown(settings_.bits));
  if (settings_.semiring != Semiring::Natural) circuit_.assert_lit(row[0][0].finite);
  return row;
}

void MatrixEncoder::build_symbol_matrices() {
  symbols_ = problem_.symbols();
  for (Symbol s : symbols_)
    symbol_matrices_.push_back(problem_.top && problem_.alphabet->is_marked(s) ? unknown_row() : unknown_matrix());
}

void MatrixEncoder::build_side_matrices() {
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
    letters.push_back(algebra_.product(letters[static_cast<size_t>(a)], letters[static_cast<size_t>(b)]));
    ++products_;
  }
  for (const auto& w : plan.words) {
    check_stop();
    if (w.empty()) {
      side_matrices_.push_back(algebra_.identity(settings_.dimension));
      continue;
    }
    CellMatrix m = letters[static_cast<size_t>(w[0])];
    for (size_t i = 1; i < w.size(); ++i) {
      m = algebra_.product(m, letters[static_cast<size_t>(w[i])]);
      ++products_;
    }
    side_matrices_.push_back(std::move(m));
  }
}

Lit MatrixEncoder::weakly_decreasing(const CellMatrix& l, const CellMatrix& r) {
  std::vector<Lit> all;
  for (size_t i = 0; i < l.size(); ++i)
    for (size_t j = 0; j < l[i].size(); ++j) all.push_back(algebra_.ge(l[i][j], r[i][j]));
  return circuit_.and_n(std::move(all));
}

// Given weak decrease: in the natural semiring the entry (1, d) or (1, 1)
// decreases strictly, in the others every entry.
Lit MatrixEncoder::strictly_decreasing(const CellMatrix& l, const CellMatrix& r) {
  if (settings_.semiring == Semiring::Natural)
    return strict_first_entry() ? algebra_.gt(l[0][0], r[0][0]) : algebra_.gt(l[0].back(), r[0].back());
  std::vector<Lit> all;
  for (size_t i = 0; i < l.size(); ++i)
    for (size_t j = 0; j < l[i].size(); ++j) all.push_back(algebra_.gt(l[i][j], r[i][j]));
  return circuit_.and_n(std::move(all));
}

void MatrixEncoder::assert_decrease() {
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

MatrixStep MatrixEncoder::read_back() const {
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
  for (size_t k = 0; k < rules_.size(); ++k)
    if (circuit_.value(strict_[k])) step.remove.push_back(problem_.named(*rules_[k]));
  return step;
}

MatrixSearchResult MatrixEncoder::run() {
  MatrixSearchResult result;
  auto start = Clock::now();
  try {
    build_symbol_matrices();
    build_side_matrices();
    assert_decrease();
  } catch (const EncodingStopped&) {
    result.outcome = SearchOutcome::Stopped;
    return result;
  }
  result.variables = circuit_.variables();
  result.clauses = circuit_.clauses();
  result.products = products_;
  auto encoded = Clock::now();
  result.encode_seconds = std::chrono::duration<double>(encoded - start).count();
  StopTerminator terminator(stop_);
  solver_->connect_terminator(&terminator);
  int status = solver_->solve();
  solver_->disconnect_terminator();
  result.solve_seconds = std::chrono::duration<double>(Clock::now() - encoded).count();
  if (status == 10) {
    result.outcome = SearchOutcome::Found;
    result.step = read_back();
  } else if (status == 20) {
    result.outcome = SearchOutcome::Exhausted;
  } else {
    result.outcome = SearchOutcome::Stopped;
  }
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

}  // namespace

MatrixSearchResult search_matrix_interpretation(const Problem& problem, const MatrixSettings& settings,
                                                const StopCondition& stop) {
  if (problem.top && settings.semiring == Semiring::Tropical)
    throw std::invalid_argument("matrix search: no tropical interpretations in top mode");
  if (problem.top && !is_top_problem(problem))
    throw std::invalid_argument("matrix search: a marked symbol off the head of a pair");
  if (settings.dimension < 1 || settings.bits < 1 || settings.cap < settings.bits || settings.cap > 62)
    throw std::invalid_argument("matrix search: bad dimension, bits or cap");
  if (problem.strict.empty()) return MatrixSearchResult{SearchOutcome::Exhausted, {}, 0, 0, 0};
  return MatrixEncoder(problem, settings, stop).run();
}

}  // namespace tessivar::engine::encodings

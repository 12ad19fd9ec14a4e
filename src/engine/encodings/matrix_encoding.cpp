// The matrix interpretation search: unknown matrices, products along the
// shared-factor plan, the decrease constraints, CaDiCaL, and the model read
// back as a proof step.
#include "engine/encodings/matrix_encoding.h"

#include <cadical.hpp>

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
        algebra_(settings.semiring, arithmetic_) {}

  MatrixSearchResult run();

 private:
  Shape shape() const;
  CellMatrix unknown_matrix();
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
    circuit_.assert_lit(arithmetic_.nonzero(m[0][0].value));
    circuit_.assert_lit(arithmetic_.nonzero(m[d - 1][d - 1].value));
  } else {
    circuit_.assert_lit(m[0][0].finite);
  }
  return m;
}

void MatrixEncoder::build_symbol_matrices() {
  symbols_ = problem_.symbols();
  for (size_t i = 0; i < symbols_.size(); ++i) symbol_matrices_.push_back(unknown_matrix());
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

// Given weak decrease: in the natural semiring the corner entry (1, d)
// decreases strictly, in the others every entry.
Lit MatrixEncoder::strictly_decreasing(const CellMatrix& l, const CellMatrix& r) {
  if (settings_.semiring == Semiring::Natural) return algebra_.gt(l[0].back(), r[0].back());
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
    strict_.push_back(strictly_decreasing(l, r));
    if (k < problem_.strict.size()) some_strict.push_back(strict_.back());
  }
  circuit_.clause(some_strict);
}

MatrixStep MatrixEncoder::read_back() const {
  MatrixStep step;
  step.semiring = settings_.semiring;
  step.dimension = settings_.dimension;
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
  StopTerminator terminator(stop_);
  solver_->connect_terminator(&terminator);
  int status = solver_->solve();
  solver_->disconnect_terminator();
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

}  // namespace

MatrixSearchResult search_matrix_interpretation(const Problem& problem, const MatrixSettings& settings,
                                                const StopCondition& stop) {
  if (problem.top) throw std::logic_error("matrix search in top mode is not supported");
  if (settings.dimension < 1 || settings.bits < 1 || settings.cap < settings.bits || settings.cap > 62)
    throw std::invalid_argument("matrix search: bad dimension, bits or cap");
  if (problem.strict.empty()) return MatrixSearchResult{SearchOutcome::Exhausted, {}, 0, 0, 0};
  return MatrixEncoder(problem, settings, stop).run();
}

}  // namespace tessivar::engine::encodings

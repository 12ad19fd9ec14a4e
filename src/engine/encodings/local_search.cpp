// Local search over small natural and arctic matrices.
#include "engine/encodings/local_search.h"

#include <cmath>
#include <limits>
#include <optional>

namespace tessivar::engine::encodings {

namespace {

constexpr size_t kStepsPerRestart = 2000;
constexpr uint64_t kNull = std::numeric_limits<uint64_t>::max();  // arctic minus infinity
constexpr double kKeepWorseChance = 0.02;  // failing-rules score
constexpr double kFailingRuleWeight = 0.01;

// The graded score's weights, found on the long-sided database problems.
struct Tuning {
  double temperature;
  double strict_weight;
};
constexpr Tuning kNaturalTuning{0.3, 0.05};
constexpr Tuning kArcticTuning{0.5, 0.1};
constexpr double kStrictMargin = 0.2;     // natural, in bits
constexpr double kOverflowExcess = 64;    // a value that does not fit
constexpr double kMissingExcess = 20;     // arctic: finite right entry, infinite left

double bits_above(uint64_t larger, uint64_t smaller) {
  return std::log2(static_cast<double>(larger) + 1) - std::log2(static_cast<double>(smaller) + 1);
}

}  // namespace

class LocalMatrixSearch::Judge {
 public:
  explicit Judge(const LocalMatrixSearch& search) : search_(search) {
    size_t n = search.symbols_.size(), d = search.d_;
    if (search.arctic()) {
      std::vector<ArcticEvaluator::Values> ms(n, ArcticEvaluator::Values(d * d));
      for (size_t c = 0; c < search.cells_.size(); ++c) {
        uint64_t v = search.cells_[c];
        ms[c / (d * d)][c % (d * d)] = v == kNull ? ArcticEvaluator::kMinusInfinity : static_cast<int64_t>(v);
      }
      arctic_.emplace(std::move(ms), d);
    } else {
      std::vector<NaturalMatrix> ms(n, NaturalMatrix(d, std::vector<uint64_t>(d)));
      for (size_t c = 0; c < search.cells_.size(); ++c) ms[c / (d * d)][c / d % d][c % d] = search.cells_[c];
      natural_.emplace(std::move(ms));
    }
  }

  RuleFit fit(size_t rule) const {
    const Word& l = search_.sides_[2 * rule];
    const Word& r = search_.sides_[2 * rule + 1];
    return arctic_ ? arctic_fit(l, r) : natural_fit(l, r);
  }

 private:
  RuleFit natural_fit(const Word& lhs, const Word& rhs) const {
    NaturalEvaluator::WideMatrix l, r;
    if (!natural_->product(lhs, &l) || !natural_->product(rhs, &r)) return {kOverflowExcess, kOverflowExcess};
    RuleFit fit;
    for (size_t k = 0; k < l.size(); ++k)
      if (r[k] > l[k]) fit.weak_excess += bits_above(r[k], l[k]);
    size_t c = search_.strict_column();
    if (l[c] <= r[c]) fit.strict_shortfall = bits_above(r[c], l[c]) + kStrictMargin;
    return fit;
  }

  // Strict: every entry larger on the left, or minus infinity on the right.
  RuleFit arctic_fit(const Word& lhs, const Word& rhs) const {
    ArcticEvaluator::Values l, r;
    if (!arctic_->product(lhs, &l) || !arctic_->product(rhs, &r)) return {kOverflowExcess, kOverflowExcess};
    RuleFit fit;
    for (size_t k = 0; k < l.size(); ++k) {
      if (r[k] == ArcticEvaluator::kMinusInfinity) continue;
      if (l[k] == ArcticEvaluator::kMinusInfinity) {
        fit.weak_excess += kMissingExcess;
        fit.strict_shortfall += 1;
        continue;
      }
      if (r[k] > l[k]) fit.weak_excess += static_cast<double>(r[k] - l[k]);
      if (r[k] >= l[k]) fit.strict_shortfall += static_cast<double>(r[k] - l[k] + 1);
    }
    return fit;
  }

  const LocalMatrixSearch& search_;
  std::optional<NaturalEvaluator> natural_;
  std::optional<ArcticEvaluator> arctic_;
};

LocalMatrixSearch::LocalMatrixSearch(const Problem& problem, const MatrixSettings& settings)
    : problem_(problem), settings_(settings), d_(static_cast<size_t>(settings.dimension)), random_(settings.local_seed) {
  symbols_ = problem.symbols();
  std::vector<int> dense(problem.alphabet->size(), -1);
  for (size_t i = 0; i < symbols_.size(); ++i) dense[static_cast<size_t>(symbols_[i])] = static_cast<int>(i);
  for (const Rule& r : problem.strict) rules_.push_back(&r);
  for (const Rule& r : problem.weak) rules_.push_back(&r);
  for (const Rule* r : rules_)
    for (const Word* w : {&r->lhs, &r->rhs}) {
      Word d;
      for (Symbol s : *w) d.push_back(dense[static_cast<size_t>(s)]);
      sides_.push_back(std::move(d));
    }
  cells_.assign(symbols_.size() * d_ * d_, 0);
  for (size_t k = 0; k < rules_.size(); ++k) order_.push_back(k);
}

// Natural: the entry of the first row that must decrease strictly.
size_t LocalMatrixSearch::strict_column() const { return settings_.strict_first_entry && d_ > 1 ? 0 : d_ - 1; }

uint64_t LocalMatrixSearch::random_entry() {
  uint64_t largest = (uint64_t{1} << settings_.bits) - 1;
  uint64_t v = std::uniform_int_distribution<uint64_t>(0, arctic() ? largest + 1 : largest)(random_);
  return v > largest ? kNull : v;
}

bool LocalMatrixSearch::allowed(size_t cell, uint64_t value) const {
  size_t within = cell % (d_ * d_);
  bool first = within == 0;
  if (arctic()) return !first || value != kNull;
  bool last = within == d_ * d_ - 1 && strict_column() == d_ - 1;
  return value > 0 || !(first || last);
}

void LocalMatrixSearch::restart() {
  for (size_t c = 0; c < cells_.size(); ++c) {
    do cells_[c] = random_entry();
    while (!allowed(c, cells_[c]));
  }
  current_ = score(std::numeric_limits<double>::infinity());
  steps_left_ = kStepsPerRestart;
}

double LocalMatrixSearch::value(const Score& s) const {
  if (settings_.local_score == LocalScore::Graded) return s.excess + kFailingRuleWeight * static_cast<double>(s.failing);
  return static_cast<double>(s.failing) + (s.strict == 0 ? 0.5 : 0.0);
}

// What the value of a state can still come to when only some rules are
// judged: a strict rule judged later may lift the failing-rules score's
// half point, and the graded score only grows.
double LocalMatrixSearch::lower_bound(const Score& s) const {
  if (settings_.local_score == LocalScore::Graded) return value(s);
  return static_cast<double>(s.failing);
}

double LocalMatrixSearch::acceptance_threshold() {
  double chance = unit_(random_);
  if (settings_.local_score == LocalScore::Graded) {
    double temperature = arctic() ? kArcticTuning.temperature : kNaturalTuning.temperature;
    return value(current_) - temperature * std::log(std::max(chance, 1e-300));
  }
  return chance < kKeepWorseChance ? std::numeric_limits<double>::infinity() : value(current_);
}

void LocalMatrixSearch::add_rule(const RuleFit& fit, size_t rule, Score* s) const {
  bool strict_rule = rule < problem_.strict.size();
  bool weak = fit.weak_excess == 0;
  if (!weak) ++s->failing;
  if (weak && fit.strict_shortfall == 0 && strict_rule) ++s->strict;
  if (settings_.local_score != LocalScore::Graded) return;
  double strict_weight = arctic() ? kArcticTuning.strict_weight : kNaturalTuning.strict_weight;
  s->excess += fit.weak_excess + (strict_rule ? strict_weight * fit.strict_shortfall : 0.0);
}

LocalMatrixSearch::Score LocalMatrixSearch::score(double limit) {
  Judge judge(*this);
  Score s;
  for (size_t i = 0; i < order_.size(); ++i) {
    size_t k = order_[i];
    size_t failing_before = s.failing;
    add_rule(judge.fit(k), k, &s);
    if (s.failing > failing_before && i > 0) std::swap(order_[i], order_[i / 2]);
    if (lower_bound(s) > limit) break;
  }
  return s;
}

MatrixStep LocalMatrixSearch::step_of_state() const {
  MatrixStep step;
  step.semiring = settings_.semiring;
  step.dimension = settings_.dimension;
  if (!arctic() && strict_column() == 0 && d_ > 1) step.strict_entry = std::make_pair(1, 1);
  for (size_t s = 0; s < symbols_.size(); ++s) {
    Matrix m(d_, std::vector<Entry>(d_));
    for (size_t i = 0; i < d_; ++i)
      for (size_t j = 0; j < d_; ++j) {
        uint64_t v = cells_[(s * d_ + i) * d_ + j];
        if (v != kNull) m[i][j] = static_cast<int64_t>(v);
      }
    step.interpretation[problem_.alphabet->name(symbols_[s])] = std::move(m);
  }
  Judge judge(*this);
  for (size_t k = 0; k < rules_.size(); ++k) {
    RuleFit fit = judge.fit(k);
    if (fit.weak_excess == 0 && fit.strict_shortfall == 0) step.remove.push_back(problem_.named(*rules_[k]));
  }
  return step;
}

MatrixSearchResult LocalMatrixSearch::run(const StopCondition& stop) {
  MatrixSearchResult result;
  if (cells_.empty()) {  // no symbols: every side is the empty word
    result.outcome = SearchOutcome::Exhausted;
    return result;
  }
  auto start = Clock::now();
  StopCondition budgeted = stop.budget_from_now();
  std::uniform_int_distribution<size_t> cell(0, cells_.size() - 1);
  while (!budgeted.reached()) {
    if (steps_left_ == 0) restart();
    if (current_.failing == 0 && current_.strict > 0) {
      result.outcome = SearchOutcome::Found;
      result.step = step_of_state();
      break;
    }
    --steps_left_;
    size_t c = cell(random_);
    uint64_t old = cells_[c], changed = random_entry();
    if (changed == old || !allowed(c, changed)) continue;
    cells_[c] = changed;
    double threshold = acceptance_threshold();
    Score next = score(threshold);
    if (value(next) <= threshold)
      current_ = next;
    else
      cells_[c] = old;
  }
  result.solve_seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return result;
}

}  // namespace tessivar::engine::encodings

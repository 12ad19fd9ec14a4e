// Local search over small natural matrices.
#include "engine/encodings/local_search.h"

#include <cmath>
#include <limits>

namespace tessivar::engine::encodings {

namespace {

constexpr size_t kStepsPerRestart = 2000;
constexpr double kKeepWorseChance = 0.02;       // failing-rules score
constexpr double kTemperature = 0.3;            // graded score
constexpr double kStrictWeight = 0.05;          // graded score
constexpr double kStrictMargin = 0.2;           // graded score, in bits
constexpr double kOverflowExcess = 64;          // graded score, in bits
constexpr double kFailingRuleWeight = 0.01;     // graded score

double bits_above(uint64_t larger, uint64_t smaller) {
  return std::log2(static_cast<double>(larger) + 1) - std::log2(static_cast<double>(smaller) + 1);
}

}  // namespace

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

bool LocalMatrixSearch::allowed(size_t cell, uint64_t value) const {
  size_t within = cell % (d_ * d_);
  bool first = within == 0;
  bool last = within == d_ * d_ - 1 && !(settings_.strict_first_entry && d_ > 1);
  return value > 0 || !(first || last);
}

void LocalMatrixSearch::restart() {
  uint64_t largest = (uint64_t{1} << settings_.bits) - 1;
  std::uniform_int_distribution<uint64_t> entry(0, largest);
  for (size_t c = 0; c < cells_.size(); ++c) {
    do cells_[c] = entry(random_);
    while (!allowed(c, cells_[c]));
  }
  current_ = score(std::numeric_limits<double>::infinity());
  steps_left_ = kStepsPerRestart;
}

NaturalEvaluator LocalMatrixSearch::evaluator() const {
  std::vector<NaturalMatrix> ms(symbols_.size(), NaturalMatrix(d_, std::vector<uint64_t>(d_)));
  for (size_t s = 0; s < symbols_.size(); ++s)
    for (size_t i = 0; i < d_; ++i)
      for (size_t j = 0; j < d_; ++j) ms[s][i][j] = cells_[(s * d_ + i) * d_ + j];
  size_t strict_column = settings_.strict_first_entry && d_ > 1 ? 0 : d_ - 1;
  return NaturalEvaluator(std::move(ms), strict_column);
}

double LocalMatrixSearch::value(const Score& s) const {
  if (settings_.local_score == LocalScore::Graded)
    return s.excess + kFailingRuleWeight * static_cast<double>(s.failing);
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
  if (settings_.local_score == LocalScore::Graded)
    return value(current_) - kTemperature * std::log(std::max(chance, 1e-300));
  return chance < kKeepWorseChance ? std::numeric_limits<double>::infinity() : value(current_);
}

void LocalMatrixSearch::add_rule(const NaturalEvaluator& e, size_t rule, Score* s) const {
  bool strict_rule = rule < problem_.strict.size();
  if (settings_.local_score == LocalScore::FailingRules) {
    RuleJudgement j = e.judge(sides_[2 * rule], sides_[2 * rule + 1]);
    if (!j.weak) ++s->failing;
    if (j.strict && strict_rule) ++s->strict;
    return;
  }
  NaturalEvaluator::WideMatrix l, r;
  if (!e.product(sides_[2 * rule], &l) || !e.product(sides_[2 * rule + 1], &r)) {
    ++s->failing;
    s->excess += kOverflowExcess;
    return;
  }
  double excess = 0;
  for (size_t k = 0; k < l.size(); ++k)
    if (r[k] > l[k]) excess += bits_above(r[k], l[k]);
  if (excess > 0) ++s->failing;
  size_t c = e.strict_column();
  bool strict = l[c] > r[c];
  if (strict && excess == 0 && strict_rule) ++s->strict;
  if (!strict && strict_rule) excess += kStrictWeight * (bits_above(r[c], l[c]) + kStrictMargin);
  s->excess += excess;
}

LocalMatrixSearch::Score LocalMatrixSearch::score(double limit) {
  NaturalEvaluator e = evaluator();
  Score s;
  for (size_t i = 0; i < order_.size(); ++i) {
    size_t k = order_[i];
    size_t failing_before = s.failing;
    add_rule(e, k, &s);
    if (s.failing > failing_before && i > 0) std::swap(order_[i], order_[i / 2]);
    if (lower_bound(s) > limit) break;
  }
  return s;
}

MatrixStep LocalMatrixSearch::step_of_state() const {
  MatrixStep step;
  step.semiring = Semiring::Natural;
  step.dimension = settings_.dimension;
  if (settings_.strict_first_entry && d_ > 1) step.strict_entry = std::make_pair(1, 1);
  for (size_t s = 0; s < symbols_.size(); ++s) {
    Matrix m(d_, std::vector<Entry>(d_));
    for (size_t i = 0; i < d_; ++i)
      for (size_t j = 0; j < d_; ++j) m[i][j] = static_cast<int64_t>(cells_[(s * d_ + i) * d_ + j]);
    step.interpretation[problem_.alphabet->name(symbols_[s])] = std::move(m);
  }
  NaturalEvaluator e = evaluator();
  for (size_t k = 0; k < rules_.size(); ++k)
    if (e.judge(sides_[2 * k], sides_[2 * k + 1]).strict) step.remove.push_back(problem_.named(*rules_[k]));
  return step;
}

MatrixSearchResult LocalMatrixSearch::run(const StopCondition& stop) {
  MatrixSearchResult result;
  auto start = Clock::now();
  StopCondition budgeted = stop.budget_from_now();
  uint64_t largest = (uint64_t{1} << settings_.bits) - 1;
  std::uniform_int_distribution<size_t> cell(0, cells_.size() - 1);
  std::uniform_int_distribution<uint64_t> entry(0, largest);
  while (!budgeted.reached()) {
    if (steps_left_ == 0) restart();
    if (current_.failing == 0 && current_.strict > 0) {
      result.outcome = SearchOutcome::Found;
      result.step = step_of_state();
      break;
    }
    --steps_left_;
    size_t c = cell(random_);
    uint64_t old = cells_[c], changed = entry(random_);
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

// The check of a rule-removal step by a matrix interpretation, recomputed
// from scratch: shapes and side conditions of the interpretation, then the
// matrix (or row) of every side of every rule of S and W, and the strict or
// weak decrease each rule needs.
#include <algorithm>

#include "engine/check/arithmetic.h"
#include "engine/check/check.h"
#include "engine/check/rules.h"

namespace tessivar::engine {

namespace {

using namespace checking;

// Larger interpretations are refused rather than multiplied.
constexpr int kMaxDimension = 100;

// The interpretation as the checker uses it, and what it needs to know to
// compare two sides.
struct Interpretation {
  Semiring semiring = Semiring::Natural;
  size_t d = 1;
  bool top = false;
  size_t p = 0, q = 0;  // natural, not top: the strict entry, 0-based
  std::set<std::string> marked;
  std::map<std::string, ValueMatrix> matrices;
};

[[noreturn]] void refuse(const std::string& why) { throw CheckFailure("matrix step: " + why); }

std::string entry_place(size_t i, size_t j) {
  return "(" + std::to_string(i + 1) + "," + std::to_string(j + 1) + ")";
}

ValueMatrix values_of(const std::string& name, const Matrix& m, const Interpretation& in) {
  size_t rows = in.marked.count(name) ? 1 : in.d;
  if (m.size() != rows) refuse("the symbol " + name + " needs " + std::to_string(rows) + " row(s), not " + std::to_string(m.size()));
  ValueMatrix out;
  for (size_t i = 0; i < rows; ++i) {
    if (m[i].size() != in.d) refuse("row " + std::to_string(i + 1) + " of the symbol " + name + " has " + std::to_string(m[i].size()) + " entries, not " + std::to_string(in.d));
    std::vector<Value> row;
    for (size_t j = 0; j < in.d; ++j) {
      const Entry& e = m[i][j];
      if (!e && in.semiring == Semiring::Natural) refuse("the natural entry " + entry_place(i, j) + " of " + name + " is infinite");
      if (e && *e < 0) refuse("the entry " + entry_place(i, j) + " of " + name + " is negative");
      row.push_back(e ? Value{false, *e} : Value{true, 0});
    }
    out.push_back(std::move(row));
  }
  return out;
}

// The side conditions that make the order well founded and monotone.
void check_side_conditions(const std::string& name, const ValueMatrix& m, const Interpretation& in) {
  bool marked = in.marked.count(name) > 0;
  if (in.semiring == Semiring::Natural) {
    if (in.top) {
      if (!marked && m[in.d - 1][in.d - 1].number < 1)
        refuse("the entry " + entry_place(in.d - 1, in.d - 1) + " of " + name + " must be at least 1");
      return;
    }
    for (size_t k : {in.p, in.q})
      if (m[k][k].number < 1) refuse("the entry " + entry_place(k, k) + " of " + name + " must be at least 1");
    return;
  }
  if (m[0][0].infinite) refuse("the entry (1,1) of " + name + " must be finite");
}

Interpretation interpretation_of(const CheckState& state, const MatrixStep& step) {
  Interpretation in;
  in.semiring = step.semiring;
  in.top = state.top;
  if (step.dimension < 1 || step.dimension > kMaxDimension)
    refuse("the dimension " + std::to_string(step.dimension) + " is not between 1 and " + std::to_string(kMaxDimension));
  in.d = static_cast<size_t>(step.dimension);
  if (state.top && step.semiring == Semiring::Tropical) refuse("a tropical interpretation is not allowed in top mode");
  if (step.strict_entry) {
    if (step.semiring != Semiring::Natural) refuse("only a natural interpretation has a strict entry");
    if (state.top) refuse("in top mode the strict entry is always the last one");
  }
  auto [p, q] = step.strict_entry.value_or(std::make_pair(1, step.dimension));
  if (p < 1 || q < 1 || p > step.dimension || q > step.dimension) refuse("the strict entry lies outside the matrix");
  in.p = static_cast<size_t>(p - 1);
  in.q = static_cast<size_t>(q - 1);
  if (state.top) in.marked = marked_symbols(state);
  std::set<std::string> symbols = symbols_of(state.strict);
  for (const std::string& s : symbols_of(state.weak)) symbols.insert(s);
  for (const std::string& name : symbols) {
    auto it = step.interpretation.find(name);
    if (it == step.interpretation.end()) refuse("the symbol " + name + " has no matrix");
    ValueMatrix m = values_of(name, it->second, in);
    check_side_conditions(name, m, in);
    in.matrices.emplace(name, std::move(m));
  }
  return in;
}

// The matrix of a word (d x d), or in top mode of a pair side (1 x d).
ValueMatrix value_of(const NamedWord& w, const Interpretation& in) {
  if (w.empty()) return identity(in.semiring, in.d);
  ValueMatrix v = in.matrices.at(w[0]);
  for (size_t i = 1; i < w.size(); ++i) v = multiply(in.semiring, v, in.matrices.at(w[i]));
  return v;
}

// Empty if l >= r holds entrywise (strictly if asked), else why not.
std::string compare(const ValueMatrix& l, const ValueMatrix& r, bool strict, const Interpretation& in) {
  for (size_t i = 0; i < l.size(); ++i)
    for (size_t j = 0; j < l[i].size(); ++j) {
      bool entrywise_strict = strict && in.semiring != Semiring::Natural;
      bool ok = entrywise_strict ? strictly_greater(in.semiring, l[i][j], r[i][j])
                                 : weakly_greater(in.semiring, l[i][j], r[i][j]);
      if (!ok)
        return "entry " + entry_place(i, j) + " is " + to_string(l[i][j], in.semiring) + " on the left and " +
               to_string(r[i][j], in.semiring) + " on the right";
    }
  if (strict && in.semiring == Semiring::Natural) {
    size_t i = in.top ? 0 : in.p, j = in.top ? in.d - 1 : in.q;
    if (l[i][j].number <= r[i][j].number)
      return "the strict entry " + entry_place(i, j) + " is " + to_string(l[i][j].number) + " on the left and " +
             to_string(r[i][j].number) + " on the right";
  }
  return "";
}

void check_rule(const NamedRule& r, bool strict, const Interpretation& in) {
  std::string why;
  try {
    why = compare(value_of(r.lhs, in), value_of(r.rhs, in), strict, in);
  } catch (const CheckFailure& e) {
    refuse("the rule " + rule_text(r) + ": " + e.what());
  }
  if (!why.empty())
    refuse("the rule " + rule_text(r) + " does not decrease " + (strict ? "strictly" : "weakly") + ": " + why);
}

}  // namespace

CheckState check_matrix_step(const CheckState& state, const MatrixStep& step) {
  Interpretation in = interpretation_of(state, step);
  for (const NamedRule& r : step.remove) {
    if (contains(state.strict, r)) continue;
    if (state.top && contains(state.weak, r)) refuse("in top mode only pairs are removed, not the rule " + rule_text(r));
    if (!contains(state.weak, r)) refuse("the removed rule " + rule_text(r) + " is not in the problem");
  }
  for (const auto* rules : {&state.strict, &state.weak})
    for (const NamedRule& r : *rules) check_rule(r, contains(step.remove, r), in);
  CheckState next = state;
  remove_all(next.strict, step.remove);
  remove_all(next.weak, step.remove);
  return next;
}

}  // namespace tessivar::engine

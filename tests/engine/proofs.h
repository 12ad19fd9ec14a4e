// Proofs written by hand for the tests of certificates and of the checker:
// small systems whose interpretations were computed on paper.
#pragma once

#include <sstream>

#include "engine/certificate/proof.h"

namespace tessivar::engine::test {

inline NamedWord word(const std::string& text) {
  NamedWord w;
  std::istringstream in(text);
  for (std::string s; in >> s;) w.push_back(s);
  return w;
}

inline NamedRule rule(const std::string& lhs, const std::string& rhs) { return {word(lhs), word(rhs)}; }

constexpr std::nullopt_t inf = std::nullopt;

inline MatrixStep matrix(Semiring s, int d, std::map<std::string, Matrix> interpretation,
                         std::vector<NamedRule> remove) {
  MatrixStep m;
  m.semiring = s;
  m.dimension = d;
  m.interpretation = std::move(interpretation);
  m.remove = std::move(remove);
  return m;
}

// {a a -> a b a, b b -> b}. With a = [1 1; 1 1], b = [1 0; 0 0] and the
// strict entry (1,1): a a = [2 2; 2 2] > a b a = [1 1; 1 1], b b = b. Then,
// reversed, b = [2] gives 4 > 2.
inline Certificate natural_proof() {
  MatrixStep first = matrix(Semiring::Natural, 2, {{"a", {{1, 1}, {1, 1}}}, {"b", {{1, 0}, {0, 0}}}},
                            {rule("a a", "a b a")});
  first.strict_entry = std::make_pair(1, 1);
  MatrixStep second = matrix(Semiring::Natural, 1, {{"b", {{2}}}}, {rule("b b", "b")});
  Certificate c;
  c.input = {rule("a a", "a b a"), rule("b b", "b")};
  c.proof = Step::matrix_step(first, Step::reverse(Step::matrix_step(second, Step::empty())));
  return c;
}

// {a a -> a b a} by dependency pairs: a# a -> a# b a and a# a -> a#, one
// cycle. Arctic rows a# = [0], a = [1], b = [0] remove a# a -> a# (1 > 0);
// natural rows a# = [1 0], a = [1 1; 1 1], b = [0 0; 0 1] give
// a# a = [1 1] and a# b a = [0 0] and keep a a >= a b a.
inline Certificate dependency_pair_proof() {
  MatrixStep arctic = matrix(Semiring::Arctic, 1, {{"a#", {{0}}}, {"a", {{1}}}, {"b", {{0}}}}, {rule("a# a", "a#")});
  MatrixStep natural = matrix(Semiring::Natural, 2,
                              {{"a#", {{1, 0}}}, {"a", {{1, 1}, {1, 1}}}, {"b", {{0, 0}, {0, 1}}}},
                              {rule("a# a", "a# b a")});
  std::vector<GraphComponent> components;
  components.push_back({{rule("a# a", "a# b a"), rule("a# a", "a#")},
                        Step::matrix_step(arctic, Step::matrix_step(natural, Step::empty()))});
  Certificate c;
  c.input = {rule("a a", "a b a")};
  c.proof = Step::dependency_pairs(Step::graph(std::move(components)));
  return c;
}

// {a b -> b a b}: a b rewrites to b [a b].
inline Certificate loop_proof() {
  Certificate c;
  c.input = {rule("a b", "b a b")};
  c.answer = Answer::No;
  c.proof = Step::loop_step({word("a b"), {{0, rule("a b", "b a b")}}});
  return c;
}

}  // namespace tessivar::engine::test

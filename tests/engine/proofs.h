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

// {a b -> b a}: its closure is b^n a, whose tiles of width 2 are < b, b a,
// b b and a >. No word of it has the factor a b, so the labelled system is
// empty.
inline Certificate tiling_proof() {
  auto tile = [](std::vector<TileLetter> letters, std::optional<std::string> name) {
    return LabelledTile{std::move(letters), std::move(name)};
  };
  TileLetter a = TileLetter::symbol("a"), b = TileLetter::symbol("b");
  TilingStep step;
  step.tiling.width = 2;
  step.tiling.tiles = {tile({TileLetter::left_border(), b}, "b[<]"), tile({b, a}, "a[b]"), tile({b, b}, "b[b]"),
                       tile({a, TileLetter::right_border()}, std::nullopt)};
  Certificate c;
  c.input = {rule("a b", "b a")};
  c.proof = Step::make(std::move(step), Step::empty());
  return c;
}

// {a b -> b b a}: the start word b b a $ on 0 4 3 2 1, and a path from 3
// and from 5 to 1 reading b b a $ at height 1 for the extension rule
// a $ -> b b a $ (every a is read into 2, which reads only $ into 1).
inline Certificate match_bounds_proof() {
  MatchBoundsStep step;
  MatchBoundAutomaton& a = step.automaton;
  a.states = 7;
  a.initial = {0};
  a.final = {1};
  a.transitions = {{0, "b", 0, 4}, {4, "b", 0, 3}, {3, "a", 0, 2}, {2, std::nullopt, 0, 1},
                   {3, "b", 1, 6}, {6, "b", 1, 5}, {5, "a", 1, 2}, {5, "b", 1, 6}};
  Certificate c;
  c.input = {rule("a b", "b b a")};
  c.proof = Step::make(std::move(step));
  return c;
}

}  // namespace tessivar::engine::test

// The check of a whole certificate: the answer's shape, the names of the
// input, then every branch of the proof from (S = input, W = empty), step by
// step, each step recomputed by its own check.
#include <cctype>
#include <optional>

#include "engine/check/check.h"
#include "engine/check/match_bounds.h"
#include "engine/check/rules.h"
#include "engine/check/tiling.h"

namespace tessivar::engine {

namespace {

void check_names(const std::vector<NamedRule>& rules) {
  for (const NamedRule& r : rules)
    for (const NamedWord* w : {&r.lhs, &r.rhs})
      for (const std::string& name : *w) {
        if (name.empty()) throw CheckFailure("input: a symbol has an empty name");
        for (unsigned char ch : name)
          if (std::isspace(ch)) throw CheckFailure("input: the symbol \"" + name + "\" contains white space");
      }
}

std::vector<std::vector<NamedRule>> pairs_of(const std::vector<GraphComponent>& components) {
  std::vector<std::vector<NamedRule>> out;
  for (const GraphComponent& c : components) out.push_back(c.pairs);
  return out;
}

// Tilings and match bounds speak of S alone, with every rule rewriting
// anywhere.
void require_plain_strict(const CheckState& state, const std::string& step) {
  if (state.top) throw CheckFailure(step + ": not allowed in top mode");
  if (!state.weak.empty()) throw CheckFailure(step + ": the weak rules must be gone first");
}

// One step of a branch: the state after it, or nothing when the step ends
// the branch (after checking what it leads to).
using Continuation = std::optional<CheckState>;

void check_branch(CheckState state, const Step* step, const std::string& label);

Continuation check_node(const CheckState& state, const Step& step, const std::string& here) {
  return std::visit(
      Visitor{
          [&](const EmptyStep&) -> Continuation {
            if (!state.strict.empty())
              throw CheckFailure("empty: " + std::to_string(state.strict.size()) +
                                 " strict rule(s) are left, such as " + checking::rule_text(state.strict[0]));
            return std::nullopt;
          },
          [&](const ReverseStep&) -> Continuation { return check_reverse_step(state); },
          [&](const MatrixStep& m) -> Continuation { return check_matrix_step(state, m); },
          [&](const DependencyPairsStep&) -> Continuation { return check_dependency_pairs_step(state); },
          [&](const GraphStep& g) -> Continuation {
            std::vector<CheckState> parts = check_graph_step(state, pairs_of(g.components));
            for (size_t i = 0; i < parts.size(); ++i)
              check_branch(std::move(parts[i]), g.components[i].next.get(), here + "." + std::to_string(i + 1));
            return std::nullopt;
          },
          [&](const LoopStep&) -> Continuation {
            throw CheckFailure("a loop is only the whole proof of a NO certificate");
          },
          [&](const TilingStep& t) -> Continuation {
            require_plain_strict(state, "tiling");
            return CheckState{check_tiling(state.strict, t.tiling), {}, false};
          },
          [&](const MatchBoundsStep& m) -> Continuation {
            require_plain_strict(state, "match-bounds");
            check_match_bounds(state.strict, m.automaton);
            return std::nullopt;
          },
      },
      step.node);
}

// One branch of a YES proof, from `state` on; `label` names the steps
// ("3", "3.2.1") in messages.
void check_branch(CheckState state, const Step* step, const std::string& label) {
  for (int n = 1;; ++n) {
    std::string here = (label.empty() ? "" : label + ".") + std::to_string(n);
    try {
      if (!step) throw CheckFailure("the proof ends without an \"empty\" step");
      Continuation after = check_node(state, *step, here);
      if (!after) return;
      state = std::move(*after);
    } catch (const CheckFailure& e) {
      std::string what = e.what();
      if (what.rfind("step ", 0) == 0) throw;  // already placed by a deeper branch
      throw CheckFailure("step " + here + ": " + what);
    }
    step = step->next.get();
  }
}

}  // namespace

void check_certificate(const Certificate& c) {
  check_names(c.input);
  if (!c.proof) throw CheckFailure("the certificate has no proof");
  if (c.answer == Answer::No) {
    const LoopStep* loop = c.proof->as<LoopStep>();
    if (!loop) throw CheckFailure("the proof of a NO certificate must be a loop");
    check_loop(c.input, *loop);
    return;
  }
  check_branch(CheckState{c.input, {}, false}, c.proof.get(), "");
}

void check_input_matches(const Certificate& c, const std::vector<NamedRule>& rules) {
  if (c.input.size() != rules.size())
    throw CheckFailure("the certificate's input has " + std::to_string(c.input.size()) + " rule(s), the problem " +
                       std::to_string(rules.size()));
  for (size_t i = 0; i < rules.size(); ++i)
    if (c.input[i] != rules[i])
      throw CheckFailure("rule " + std::to_string(i + 1) + " of the certificate's input is " +
                         checking::rule_text(c.input[i]) + ", of the problem " + checking::rule_text(rules[i]));
}

}  // namespace tessivar::engine

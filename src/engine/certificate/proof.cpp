// Constructors, names and copying of proof steps.
#include "engine/certificate/proof.h"

namespace tessivar::engine {

StepPtr Step::make(StepNode node, StepPtr next) {
  auto s = std::make_unique<Step>();
  s->node = std::move(node);
  s->next = std::move(next);
  return s;
}

bool Step::has_next() const {
  return std::visit([](const auto& kind) { return has_successor<std::decay_t<decltype(kind)>>; }, node);
}

const char* Step::name() const {
  return std::visit([](const auto& kind) { return std::decay_t<decltype(kind)>::kName; }, node);
}

const char* to_string(Semiring s) {
  switch (s) {
    case Semiring::Natural: return "natural";
    case Semiring::Arctic: return "arctic";
    case Semiring::Tropical: return "tropical";
  }
  return "?";
}

const char* to_string(Answer a) { return a == Answer::Yes ? "YES" : "NO"; }

namespace {

StepNode copy_node(const StepNode& node) {
  return std::visit(Visitor{
                        [](const GraphStep& g) -> StepNode {
                          GraphStep copy;
                          for (const GraphComponent& c : g.components)
                            copy.components.push_back({c.pairs, c.next ? clone(*c.next) : nullptr});
                          return copy;
                        },
                        [](const EmptyStep& k) -> StepNode { return k; },
                        [](const ReverseStep& k) -> StepNode { return k; },
                        [](const MatrixStep& k) -> StepNode { return k; },
                        [](const DependencyPairsStep& k) -> StepNode { return k; },
                        [](const LoopStep& k) -> StepNode { return k; },
                        [](const TilingStep& k) -> StepNode { return k; },
                        [](const MatchBoundsStep& k) -> StepNode { return k; },
                    },
                    node);
}

}  // namespace

StepPtr clone(const Step& s) { return Step::make(copy_node(s.node), s.next ? clone(*s.next) : nullptr); }

}  // namespace tessivar::engine

// Constructors and copying of proof steps.
#include "engine/certificate/proof.h"

namespace tessivar::engine {

namespace {

StepPtr make_step(Step::Kind kind, StepPtr next) {
  auto s = std::make_unique<Step>();
  s->kind = kind;
  s->next = std::move(next);
  return s;
}

}  // namespace

StepPtr Step::empty() { return std::make_unique<Step>(); }

StepPtr Step::reverse(StepPtr next) { return make_step(Kind::Reverse, std::move(next)); }

StepPtr Step::matrix_step(MatrixStep m, StepPtr next) {
  StepPtr s = make_step(Kind::Matrix, std::move(next));
  s->matrix = std::move(m);
  return s;
}

StepPtr Step::dependency_pairs(StepPtr next) { return make_step(Kind::DependencyPairs, std::move(next)); }

StepPtr Step::graph(std::vector<GraphComponent> components) {
  StepPtr s = make_step(Kind::Graph, nullptr);
  s->components = std::move(components);
  return s;
}

StepPtr Step::loop_step(LoopStep l) {
  StepPtr s = make_step(Kind::Loop, nullptr);
  s->loop = std::move(l);
  return s;
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

StepPtr clone(const Step& s) {
  auto c = std::make_unique<Step>();
  c->kind = s.kind;
  c->matrix = s.matrix;
  c->loop = s.loop;
  for (const auto& comp : s.components)
    c->components.push_back({comp.pairs, comp.next ? clone(*comp.next) : nullptr});
  if (s.next) c->next = clone(*s.next);
  return c;
}

}  // namespace tessivar::engine

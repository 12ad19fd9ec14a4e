// The matrix rule-removal processor.
#include "engine/processors/matrix_removal.h"

#include <sstream>

namespace tessivar::engine::processors {

std::string describe(const encodings::MatrixSettings& s) {
  using encodings::Shape;
  std::string out = std::string(to_string(s.semiring)) + " d" + std::to_string(s.dimension) + " b" +
                    std::to_string(s.bits) + " c" + std::to_string(s.cap);
  if (s.semiring == Semiring::Natural && s.dimension > 1) {
    out += s.shape == Shape::Full ? " full" : s.shape == Shape::Affine ? " affine" : " triangular";
    if (s.shape == Shape::Full && s.strict_first_entry) out += " (1,1)";
  }
  if (s.order_encoding) out += " order";
  if (s.local_search) out += s.local_score == encodings::LocalScore::Graded ? " local graded" : " local";
  return out;
}

std::string MatrixRemoval::describe() const { return processors::describe(settings_); }

Result MatrixRemoval::apply(const Problem& problem, const encodings::StopCondition& stop) {
  bool same = search_ && search_->problem().strict == problem.strict && search_->problem().weak == problem.weak &&
              search_->problem().top == problem.top;
  if (!same) search_ = std::make_unique<encodings::MatrixSearch>(problem, settings_);
  encodings::MatrixSearchResult found = search_->run(stop);
  clauses_ = found.clauses;
  std::ostringstream figures;
  figures << found.products << " products, " << found.variables << " vars, encode " << found.encode_seconds
          << "s, solve " << found.solve_seconds << "s";
  if (found.outcome == encodings::SearchOutcome::Exhausted) return not_applied(Verdict::Exhausted, "", figures.str());
  if (found.outcome == encodings::SearchOutcome::OverMemory)
    return not_applied(Verdict::NotApplicable,
                       "skipped: its formula passed the memory ceiling of " +
                           std::to_string(stop.memory_limit >> 20) + " MB",
                       figures.str());
  if (found.outcome == encodings::SearchOutcome::Stopped) return not_applied(Verdict::Stopped, "", figures.str());
  const Problem& searched = search_->problem();
  try {
    CheckState next = check_matrix_step(check_state_of(searched), found.step);
    if (next.strict.size() + next.weak.size() == searched.rule_count())
      throw CheckFailure("matrix step: it removes no rule");
    return applied(Step::make(std::move(found.step)), problem_of_state(searched, next.strict, next.weak),
                   figures.str());
  } catch (const CheckFailure& e) {
    return not_applied(Verdict::CheckFailed, e.what(), figures.str());
  }
}

}  // namespace tessivar::engine::processors

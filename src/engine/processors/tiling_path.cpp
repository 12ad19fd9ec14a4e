// The tiling processor: labelling, then removals and the dependency-pair
// path on the labelled problem.
#include "engine/processors/tiling_path.h"

#include <algorithm>
#include <cmath>

#include "engine/processors/matrix_removal.h"

namespace tessivar::engine::processors {

namespace {

// The first attempt that removes rules of `p`, as a checked step; a step
// that fails its check, or an attempt out of time, is noted in `state`.
Result first_removal(const Problem& p, const std::vector<MatrixAttempt>& attempts,
                     const encodings::StopCondition& stop, PathState& state) {
  for (const MatrixAttempt& a : attempts) {
    if (stop.deadline_reached()) break;
    Result r = MatrixRemoval(a.settings).apply(p, stop.within(a.seconds));
    if (r.verdict == Verdict::Applied) return r;
    if (r.verdict == Verdict::CheckFailed) state.faults.push_back(r.reason);
    if (r.verdict == Verdict::Stopped) state.cut_short = true;
  }
  return not_applied(Verdict::Exhausted);
}

}  // namespace

// Removals one after another, each by the first attempt that finds one.
// Removal searches start over on every turn, so their times double from
// one turn to the next, as the turns' own times do.
void TilingPath::remove_rules(Progress& p, const encodings::StopCondition& stop) {
  std::vector<MatrixAttempt> attempts = scaled_attempts(plan_.removals, std::ldexp(1.0, std::min(p.turns - 1, 20)));
  while (!p.rest.strict.empty()) {
    state_.cut_short = false;
    Result removal = first_removal(p.rest, attempts, stop, state_);
    if (removal.verdict != Verdict::Applied) {
      p.removals_exhausted = !state_.cut_short && !stop.deadline_reached();
      return;
    }
    p.chain.push_back(std::move(removal.step->node));
    p.rest = std::move(removal.rest);
  }
}

Result TilingPath::apply(const Problem& problem, const encodings::StopCondition& stop) {
  std::string key = rules_key(problem);
  if (key != problem_key_ || !progress_) {
    problem_key_ = std::move(key);
    progress_.reset();
    state_ = PathState();
    TilingResult tiled = tile_problem(problem, width_, limits_, stop);
    if (!tiled.applies())
      return not_applied(stop.deadline_reached() ? Verdict::Stopped : Verdict::NotApplicable, tiled.refusal);
    progress_ = Progress{};
    progress_->chain.emplace_back(TilingStep{std::move(*tiled.tiling)});
    progress_->rest = std::move(tiled.labelled);
    progress_->figures = std::to_string(tiled.stats.tiles) + " tiles, " +
                         std::to_string(tiled.stats.labelled_rules) + " labelled rules";
  }
  ++progress_->turns;
  state_.faults.clear();
  state_.cut_short = false;
  Progress& p = *progress_;
  if (!p.removals_exhausted) remove_rules(p, stop);
  std::string figures = p.figures + (p.turns > 1 ? " (kept), turn " + std::to_string(p.turns) : "") + ", " +
                        std::to_string(p.chain.size() - 1) + " removals, " + std::to_string(p.rest.strict.size()) +
                        " left";
  Result result = finish(p, figures, stop);
  if (result.verdict != Verdict::Stopped) progress_.reset();
  return result;
}

// The proof of what the removals leave, by the dependency-pair path.
Result TilingPath::finish(Progress& p, const std::string& figures, const encodings::StopCondition& stop) {
  if (p.rest.strict.empty()) return proved(assemble_proof(std::move(p.chain)), figures);
  if (StepPtr tail = prove_by_dependency_pairs(p.rest, plan_.dependency_pairs, stop, &state_))
    return proved(assemble_proof(std::move(p.chain), std::move(tail)), figures + ", the rest by dependency pairs");
  if (!state_.faults.empty()) return not_applied(Verdict::CheckFailed, state_.faults.front(), figures);
  return not_applied(stop.deadline_reached() || state_.cut_short ? Verdict::Stopped : Verdict::Exhausted, "", figures);
}

}  // namespace tessivar::engine::processors

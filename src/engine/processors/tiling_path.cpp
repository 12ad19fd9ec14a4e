// The tiling processor: labelling, then removals and the dependency-pair
// path on the labelled problem.
#include "engine/processors/tiling_path.h"

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

Result TilingPath::apply(const Problem& problem, const encodings::StopCondition& stop) {
  TilingResult tiled = tile_problem(problem, width_, limits_, stop);
  if (!tiled.applies())
    return not_applied(stop.deadline_reached() ? Verdict::Stopped : Verdict::NotApplicable, tiled.refusal);
  std::string figures = std::to_string(tiled.stats.tiles) + " tiles, " + std::to_string(tiled.stats.labelled_rules) +
                        " labelled rules";
  std::vector<StepNode> chain;
  chain.emplace_back(TilingStep{std::move(*tiled.tiling)});
  Problem rest = std::move(tiled.labelled);
  PathState state;
  while (!rest.strict.empty()) {
    Result removal = first_removal(rest, plan_.removals, stop, state);
    if (removal.verdict != Verdict::Applied) break;
    chain.push_back(std::move(removal.step->node));
    rest = std::move(removal.rest);
  }
  figures += ", " + std::to_string(chain.size() - 1) + " removals, " + std::to_string(rest.strict.size()) + " left";
  if (rest.strict.empty()) return proved(assemble_proof(std::move(chain)), figures);
  if (StepPtr tail = prove_by_dependency_pairs(rest, plan_.dependency_pairs, stop, &state))
    return proved(assemble_proof(std::move(chain), std::move(tail)), figures + ", the rest by dependency pairs");
  if (!state.faults.empty()) return not_applied(Verdict::CheckFailed, state.faults.front(), figures);
  return not_applied(stop.deadline_reached() || state.cut_short ? Verdict::Stopped : Verdict::Exhausted, "", figures);
}

}  // namespace tessivar::engine::processors

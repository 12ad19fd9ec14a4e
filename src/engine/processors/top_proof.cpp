// The dependency-pair path: graph splits and checked removal of pairs.
#include "engine/processors/top_proof.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>

#include "engine/check/check.h"
#include "engine/processors/dependency_graph.h"
#include "engine/processors/dependency_pairs.h"

namespace tessivar::engine::processors {

namespace {

using encodings::Clock;
using encodings::MatrixSettings;
using encodings::SearchOutcome;
using encodings::StopCondition;

struct CheckedRemoval {
  MatrixStep step;
  Problem rest;
};

// One attempt on one problem: whether it found that no interpretation of
// its kind exists, or the search its time cut short.
struct Tried {
  bool exhausted = false;
  std::unique_ptr<encodings::MatrixSearch> search;
  uint64_t clauses = 0;
};

}  // namespace

std::string rules_key(const Problem& p) {
  std::string key = p.top ? "top" : "";
  for (const auto* rules : {&p.strict, &p.weak}) {
    key += '|';
    for (const Rule& r : *rules) {
      for (Symbol s : r.lhs) key += p.alphabet->name(s) + ' ';
      key += "->";
      for (Symbol s : r.rhs) key += ' ' + p.alphabet->name(s);
      key += ';';
    }
  }
  return key;
}

struct SearchMemory::Impl {
  std::map<std::string, CheckedRemoval> found;
  // The attempts on a problem, and the one whose turn is next.
  struct Turns {
    std::vector<Tried> attempts;
    size_t next = 0;
  };
  std::map<std::string, Turns> tried;
};

SearchMemory::SearchMemory() : impl_(std::make_unique<Impl>()) {}
SearchMemory::~SearchMemory() = default;
SearchMemory::SearchMemory(SearchMemory&&) noexcept = default;
SearchMemory& SearchMemory::operator=(SearchMemory&&) noexcept = default;

bool SearchMemory::empty() const { return impl_->found.empty() && impl_->tried.empty(); }

size_t SearchMemory::removals() const { return impl_->found.size(); }

size_t SearchMemory::kept_searches() const {
  size_t kept = 0;
  for (const auto& [key, turns] : impl_->tried)
    kept += static_cast<size_t>(
        std::count_if(turns.attempts.begin(), turns.attempts.end(), [](const Tried& t) { return t.search != nullptr; }));
  return kept;
}

uint64_t SearchMemory::kept_clauses() const {
  uint64_t total = 0;
  for (const auto& [key, turns] : impl_->tried)
    for (const Tried& t : turns.attempts)
      if (t.search) total += t.clauses;
  return total;
}

namespace {

// One turn of each attempt not yet exhausted, starting with the one whose
// turn it is (a pass cut short by the stop goes on there the next time, so
// that the first attempts do not take all the time of short
// applications), each resuming its search for its time. That time is the
// thread's processor time: on the clock, a busy machine gave each slice
// less work, and the searches, cut at other points, took other paths that
// found the same proofs many times later (a single rule proved in 2 s
// alone took 26 s beside another run). A found
// interpretation the checker confirms is kept in the memory (and the
// searches on this problem let go); one that fails its check is a fault,
// and its attempt is not made again.
std::optional<CheckedRemoval> removal_pass(const Problem& problem, const Problem& search,
                                           const std::vector<MatrixAttempt>& attempts, const StopCondition& stop,
                                           const std::string& key, PathState& state, bool& any_stopped) {
  SearchMemory::Impl& memory = state.memory.impl();
  SearchMemory::Impl::Turns& turns = memory.tried[key];
  turns.attempts.resize(attempts.size());
  size_t first = turns.next;
  for (size_t k = 0; k < attempts.size(); ++k) {
    size_t i = (first + k) % attempts.size();
    Tried& t = turns.attempts[i];
    if (t.exhausted) continue;
    if (stop.reached()) {
      turns.next = i;
      return std::nullopt;
    }
    if (!t.search) t.search = std::make_unique<encodings::MatrixSearch>(search, attempts[i].settings);
    StopCondition slice = stop;
    slice.budget_seconds = attempts[i].seconds;  // solver time: an encoding is never cut short
    slice.budget_in_thread_time = true;
    auto found = t.search->run(slice);
    t.clauses = found.clauses;
    turns.next = (i + 1) % attempts.size();
    if (found.outcome == SearchOutcome::Stopped) {
      any_stopped = true;
      state.cut_short = true;
      if (!stop.reached()) continue;
      turns.next = i;  // its turn was cut short: it goes first the next time
      return std::nullopt;
    }
    t.search.reset();
    t.exhausted = true;
    if (found.outcome != SearchOutcome::Found) continue;
    try {
      CheckState rest = check_matrix_step(check_state_of(problem), found.step);
      CheckedRemoval removal{std::move(found.step), problem_of_state(problem, rest.strict, rest.weak)};
      memory.tried.erase(key);
      return memory.found.emplace(key, std::move(removal)).first->second;
    } catch (const CheckFailure& e) {
      state.faults.push_back(std::string("a matrix step failed its check: ") + e.what());
    }
  }
  return std::nullopt;
}

// The first removal of rules from `problem` that some attempt's
// interpretation of `search` (the problem, or its rules with S and W
// swapped) gives: the attempts run in turn until one finds it, each has
// found that none exists, or the stop comes.
std::optional<CheckedRemoval> first_removal(const Problem& problem, const Problem& search,
                                            const std::vector<MatrixAttempt>& attempts, const StopCondition& stop,
                                            PathState& state) {
  std::string key = rules_key(search);
  SearchMemory::Impl& memory = state.memory.impl();
  if (auto known = memory.found.find(key); known != memory.found.end()) return known->second;
  for (;;) {
    bool any_stopped = false;
    if (auto removal = removal_pass(problem, search, attempts, stop, key, state, any_stopped)) return removal;
    if (!any_stopped || stop.reached()) return std::nullopt;
  }
}

std::optional<CheckedRemoval> remove_pairs(const Problem& top, const std::vector<MatrixAttempt>& attempts,
                                           const StopCondition& stop, PathState& state) {
  return first_removal(top, top, attempts, stop, state);
}

// A step that removes weak rules: the search asks a strict decrease of some
// weak rule by swapping the two sets; the conditions on all other rules are
// the same either way.
std::optional<CheckedRemoval> remove_weak_rules(const Problem& p, const std::vector<MatrixAttempt>& attempts,
                                                const StopCondition& stop, PathState& state) {
  Problem swapped{p.alphabet, p.weak, p.strict, false};
  return first_removal(p, swapped, attempts, stop, state);
}

StepPtr prove_split(const Problem& top, const std::vector<MatrixAttempt>& attempts, const StopCondition& stop,
                    PathState& state);

// A component on a cycle: remove pairs, then split what is left.
StepPtr prove_component(const Problem& component, const std::vector<MatrixAttempt>& attempts,
                        const StopCondition& stop, PathState& state) {
  auto removal = remove_pairs(component, attempts, stop, state);
  if (!removal) return nullptr;
  StepPtr next = prove_split(removal->rest, attempts, stop, state);
  if (!next) return nullptr;
  return Step::matrix_step(std::move(removal->step), std::move(next));
}

StepPtr prove_split(const Problem& top, const std::vector<MatrixAttempt>& attempts, const StopCondition& stop,
                    PathState& state) {
  if (top.strict.empty()) return Step::empty();
  std::vector<Problem> components = graph_components(top);
  std::vector<StepPtr> proofs;
  for (const Problem& c : components) {
    proofs.push_back(prove_component(c, attempts, stop, state));
    if (!proofs.back()) return nullptr;
  }
  return graph_step(components, std::move(proofs));
}

}  // namespace

std::vector<MatrixAttempt> scaled_attempts(std::vector<MatrixAttempt> attempts, double factor) {
  for (MatrixAttempt& a : attempts) a.seconds *= factor;
  return attempts;
}

DependencyPairPlan scaled(DependencyPairPlan plan, double factor) {
  for (auto* list : {&plan.weak_removal, &plan.pairs})
    for (MatrixAttempt& a : *list) a.seconds *= factor;
  return plan;
}

StepPtr prove_top(const Problem& top, const std::vector<MatrixAttempt>& attempts, const StopCondition& stop,
                  PathState* state) {
  PathState own;
  return prove_split(top, attempts, stop, state ? *state : own);
}

namespace {

StepPtr prove_outside_top(const Problem& p, const DependencyPairPlan& plan, const StopCondition& stop,
                          PathState& state) {
  if (p.top) return nullptr;
  if (p.strict.empty()) return Step::empty();
  if (!p.weak.empty()) {
    auto removal = remove_weak_rules(p, plan.weak_removal, stop, state);
    if (!removal) return nullptr;
    StepPtr next = prove_outside_top(removal->rest, plan, stop, state);
    if (!next) return nullptr;
    return Step::matrix_step(std::move(removal->step), std::move(next));
  }
  auto dp = dependency_pairs(p);
  if (!dp || !dp->certifiable) return nullptr;
  StepPtr next = prove_split(dp->problem, plan.pairs, stop, state);
  if (!next) return nullptr;
  return Step::dependency_pairs(std::move(next));
}

}  // namespace

StepPtr prove_by_dependency_pairs(const Problem& p, const DependencyPairPlan& plan, const StopCondition& stop,
                                  PathState* state) {
  PathState own;
  return prove_outside_top(p, plan, stop, state ? *state : own);
}

}  // namespace tessivar::engine::processors

namespace tessivar::engine::processors {

std::string DependencyPairPath::describe() const { return "dependency pairs"; }

Result DependencyPairPath::apply(const Problem& problem, const StopCondition& stop) {
  if (problem.top) return not_applied(Verdict::NotApplicable, "the problem is in top mode already");
  std::string key = rules_key(problem);
  if (key != problem_key_) {
    problem_key_ = std::move(key);
    state_.memory = SearchMemory();
  }
  state_.faults.clear();
  state_.cut_short = false;
  StepPtr proof = prove_by_dependency_pairs(problem, plan_, stop, &state_);
  std::string figures = std::to_string(state_.memory.removals()) + " removals known, " +
                        std::to_string(state_.memory.kept_searches()) + " searches kept";
  if (proof) return proved(std::move(proof), figures);
  if (!state_.faults.empty()) return not_applied(Verdict::CheckFailed, state_.faults.front(), figures);
  return not_applied(stop.reached() || state_.cut_short ? Verdict::Stopped : Verdict::Exhausted, "", figures);
}

}  // namespace tessivar::engine::processors

// Proofs along the dependency-pair path: the weak rules removed first (the
// transformation needs a problem without them), the transformation, then
// the graph, then matrix interpretations that remove pairs from each
// component, splitting again by the graph after every removal.
//
// Every matrix step is checked by the independent checker before it is
// used; a step that fails its check is noted in the path's state
// (PathState::faults) and counts as a failed attempt.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/certificate/proof.h"
#include "engine/encodings/matrix_encoding.h"
#include "engine/encodings/stop_condition.h"
#include "engine/problem/problem.h"
#include "engine/processors/processor.h"

namespace tessivar::engine::processors {

// One matrix search of the schedule, with the time it may take at most.
struct MatrixAttempt {
  encodings::MatrixSettings settings;
  double seconds = 1;
};

struct DependencyPairPlan {
  std::vector<MatrixAttempt> weak_removal;  // on the problem before the transformation
  std::vector<MatrixAttempt> pairs;         // on each component, in order
};

// What the path learnt on the problems it searched, kept between its
// applications to the same problem so that the next one resumes where this
// one stopped: the checked removals found, the attempts that found that no
// interpretation of their kind exists, and the searches their time cut
// short, each with what its solver learnt.
class SearchMemory {
 public:
  SearchMemory();
  ~SearchMemory();
  SearchMemory(SearchMemory&&) noexcept;
  SearchMemory& operator=(SearchMemory&&) noexcept;

  bool empty() const;
  // The checked removals known, the searches kept, and their solvers' clauses.
  size_t removals() const;
  size_t kept_searches() const;
  uint64_t kept_clauses() const;

  struct Impl;
  Impl& impl() { return *impl_; }

 private:
  std::unique_ptr<Impl> impl_;
};

// The problem's rules by name, which stay the same from one application of
// a path to the next (the symbols' numbers come from the alphabet of each
// run's transformation): what a path's memory is of.
std::string rules_key(const Problem& p);

// A path's state beyond its proof: why it found none (the steps that failed
// their check, and whether some attempt ran out of its own time rather than
// finding that no interpretation of its kind exists, so that more time may
// find what this run did not), and its memory.
struct PathState {
  std::vector<std::string> faults;
  bool cut_short = false;
  SearchMemory memory;
};

// Every attempt's time multiplied by `factor`.
DependencyPairPlan scaled(DependencyPairPlan plan, double factor);
std::vector<MatrixAttempt> scaled_attempts(std::vector<MatrixAttempt> attempts, double factor);

// The proof of a top-mode problem, or nullptr when some component resists
// every attempt or the stop comes first. On each component the attempts
// run in turn, each for its time, and again (resuming the searches their
// time cut short) until one removes pairs, each has found that none of its
// kind exists, or the stop comes.
StepPtr prove_top(const Problem& top, const std::vector<MatrixAttempt>& attempts,
                  const encodings::StopCondition& stop, PathState* state = nullptr);

// The proof of a problem outside top mode: matrix steps that remove every
// weak rule, then the dependency-pair step and prove_top. nullptr if a weak
// rule stays, the transformation does not apply or could not be written in
// a certificate, or prove_top fails.
StepPtr prove_by_dependency_pairs(const Problem& p, const DependencyPairPlan& plan,
                                  const encodings::StopCondition& stop, PathState* state = nullptr);

// The whole path as one processor: it proves the problem or fails. Stopped
// by its time, it keeps its memory for the next application to the same
// problem.
class DependencyPairPath : public Processor {
 public:
  explicit DependencyPairPath(DependencyPairPlan plan) : plan_(std::move(plan)) {}
  const char* technique() const override { return "dependency-pairs"; }
  std::string describe() const override;
  Result apply(const Problem& problem, const encodings::StopCondition& stop) override;
  bool resumable() const override { return !state_.memory.empty(); }
  uint64_t kept_clauses() const override { return state_.memory.kept_clauses(); }

 private:
  DependencyPairPlan plan_;
  std::string problem_key_;  // the rules of the problem the memory is of
  PathState state_;
};

}  // namespace tessivar::engine::processors

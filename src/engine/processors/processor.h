// The one interface of the engine's techniques, and what they give back.
//
// A processor takes a problem and either proves it outright (a whole
// branch of a proof, such as the dependency-pair path or a loop), or gives
// one checked step and the smaller problem left after it (a removal, a
// reversal, a labelling), or says why it did not apply. Every step it hands
// back has passed the independent checker; a step that failed is reported
// as such, never returned. Processors never print: the strategy reports.
//
// A proof found by the engine is a chain of single steps from the input
// problem down to one a processor proves outright or one without strict
// rules; assemble_proof turns the chain into the certificate's step tree.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/certificate/proof.h"
#include "engine/check/check.h"
#include "engine/encodings/stop_condition.h"
#include "engine/problem/problem.h"

namespace tessivar::engine::processors {

enum class Verdict {
  Applied,        // `step` is checked (its next unset) and leaves `rest`
  Proved,         // `step` is a checked proof of the whole problem
  NotApplicable,  // the technique does not fit the problem; `reason` says why
  Exhausted,      // nothing within the processor's bounds
  Stopped,        // the stop condition came first; applying again resumes
  CheckFailed,    // what the search found fails its check: `reason`, a fault of the search
};

struct Result {
  Verdict verdict = Verdict::Stopped;
  StepPtr step;
  Problem rest;
  std::string reason;
  std::string figures;  // the search's sizes and times, for progress reports
};

class Processor {
 public:
  virtual ~Processor() = default;
  // The technique as users name it: "matrices", "dependency-pairs", ...
  virtual const char* technique() const = 0;
  // This processor's settings, for progress reports.
  virtual std::string describe() const = 0;
  virtual Result apply(const Problem& problem, const encodings::StopCondition& stop) = 0;
  // A processor stopped by its budget may keep what it has learnt and
  // resume when applied again to the same problem: whether it has such a
  // state, and the solver clauses it holds for it.
  virtual bool resumable() const { return false; }
  virtual uint64_t kept_clauses() const { return 0; }
};

// Results of the common kinds.
Result applied(StepPtr step, Problem rest, std::string figures = "");
Result proved(StepPtr step, std::string figures = "");
Result not_applied(Verdict verdict, std::string reason = "", std::string figures = "");

// The single steps in order, ended by `tail` (an "empty" step if none).
StepPtr assemble_proof(std::vector<StepNode> chain, StepPtr tail = nullptr);

// The problem of a state of the checker, over the problem's alphabet.
Problem problem_of_state(const Problem& like, const std::vector<NamedRule>& strict,
                         const std::vector<NamedRule>& weak);

// The checker's state of a problem.
CheckState check_state_of(const Problem& p);

}  // namespace tessivar::engine::processors

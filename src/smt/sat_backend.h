// The SAT back end of tessivar-smt: interval bounds, bit-blasting into
// CaDiCaL, and the model mapped back to integers.
//
// Exact mode: every integer unknown has a finite interval (see bounds.h),
// each term gets a two's complement word wide enough for every value it can
// take, and "sat" / "unsat" are exact.
// Bounded search: some unknown has no finite interval; its missing ends
// are replaced by +-(2^width - 1). A model found is a real model, but "no
// model" only means "none within the width": the answer is Unknown.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "smt/ast.h"
#include "smt/backend.h"

namespace tessivar::smt {

enum class SatOutcome { Sat, Unsat, Unknown, Unsupported };

constexpr int kDefaultSatWidth = 6;  // chosen by bench/sat_compare.py runs

struct SatStats;

struct SatOptions {
  int width = kDefaultSatWidth;  // bounded search: |value| < 2^width
  Clock::time_point deadline = Clock::time_point::max();
  // Bounded search: also search 2 bits and 2 and 4 times the width (at
  // most 60 bits), two widths at a time in turns, as time allows.
  bool widen = false;
  // Called once the encoding is chosen, with whether it is exact.
  std::function<void(bool exact)> on_exactness;
  // Called with the outcome (and the model, for Sat) just before the
  // encodings and solvers are freed, which takes seconds on large
  // benchmarks: a caller that only wants the answer may give it and leave
  // at once.
  std::function<void(SatOutcome, const Model&, const SatStats&)> before_teardown;
  // Set by another thread to end the search early (answer Unknown).
  const std::atomic<bool>* stop = nullptr;
  // CaDiCaL option preset ("default", "sat", "unsat", "plain").
  std::string sat_config = "default";
  // Called at the end of each phase (bounds, bitblast, sat) with its seconds.
  std::function<void(const std::string&, double)> on_phase;
};

struct SatStats {
  bool exact = false;          // no integer was cut to the width
  size_t unbounded = 0;        // integers without a finite interval
  int max_width = 0;           // widest word of the encoding
  uint64_t variables = 0, clauses = 0;
  bool exhausted = false;       // bounded search: no model within the (last) width
  int bound_rounds = 0;
  double bounds_seconds = 0, blast_seconds = 0, sat_seconds = 0;
  std::string reason;          // for Unknown and Unsupported: why
};

// Decides b. On Sat, *out holds a model that check_model() has accepted.
// Unsupported: the formula has something the back end does not translate
// (an uninterpreted function applied to a non-numeral, a product of two
// factors that are not constants, values beyond 126 bits); the reason says
// which.
SatOutcome solve_with_sat(const Benchmark& b, const SatOptions& opts, Model* out,
                          SatStats* stats);

const char* to_string(SatOutcome o);

// The SAT back end in the program's terms. Phase times go to
// opts.on_phase. With race ("auto"), z3 runs in a second thread: at once
// where the SAT encoding is not exact, after 20 ms where the formula has no
// integer if-then-else, otherwise after a tenth of the time (at most 1 s). The first definite answer is passed to
// opts.on_answer and the other back end is stopped and waited for. A
// bounded search widens (SatOptions::widen) meanwhile; a formula the
// SAT back end does not support is left to z3.
// Without race an unsupported formula answers Unknown with the reason.
Outcome solve_sat_backend(const Benchmark& b, const SolveOptions& opts, int width, bool race);

}  // namespace tessivar::smt

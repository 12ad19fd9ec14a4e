// Solver back ends of tessivar-smt. Each takes a parsed benchmark and answers
// sat with a model, unsat, or unknown with a reason. The caller checks every
// model with check_model() before it prints it.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "smt/ast.h"

namespace tessivar::smt {

enum class Answer { Sat, Unsat, Unknown };

struct Outcome {
  Answer answer = Answer::Unknown;
  Model model;         // for Sat: a value for every application of the problem
  std::string reason;  // for Unknown: why (time limit, solver gave up, ...)
  // Wall-clock seconds of the back end's phases, in order, for --stats.
  std::vector<std::pair<std::string, double>> phases;
};

using Clock = std::chrono::steady_clock;

struct SolveOptions {
  // Wall-clock deadline; time_point::max() means none.
  Clock::time_point deadline = Clock::time_point::max();
  // z3 only: the solver configuration, one of z3_configs(). "pb" decided
  // the most of the prover's benchmarks with the shortest times.
  std::string z3_config = "pb";
  // SAT back end only: CaDiCaL's option preset (default, plain, sat, unsat).
  std::string sat_config = "default";
  // Called at the end of each phase with its name and seconds (--stats),
  // also for phases of an attempt that is later cut off by the time limit.
  std::function<void(const std::string&, double)> on_phase;
  // Set by another thread to end the solver early (answer Unknown); the
  // back ends look at it at least every few milliseconds.
  const std::atomic<bool>* stop = nullptr;
  // Called once with the answer as soon as it is known: in a race when one
  // back end has it, before the other is stopped and waited for, or when
  // both have given up (unknown); for the SAT back end alone, with its
  // outcome. Where it can, before the encoding is freed, which takes
  // seconds on large benchmarks: a caller that only wants the answer may
  // print it and leave at once.
  std::function<void(const Outcome&)> on_answer;
};

// Whether a stop flag (possibly none) has been set.
inline bool stop_requested(const std::atomic<bool>* stop) {
  return stop && stop->load(std::memory_order_relaxed);
}

// The z3 configurations that solve_z3 accepts, separated by blanks.
inline const char* z3_configs() { return "default lia tactic pb"; }

// Decides the benchmark with the z3 library. Applications of a symbol that
// is only ever applied to numerals become one integer or Boolean constant
// each; other symbols stay uninterpreted functions. Past the deadline the
// answer is Unknown.
Outcome solve_z3(const Benchmark& b, const SolveOptions& opts);

// The benchmark as an SMT-LIB 2 script (declarations, one assert per
// conjunct of the problem, check-sat), symbols kept as uninterpreted
// functions; shared subterms become define-fun.
std::string to_smt2(const Benchmark& b);

}  // namespace tessivar::smt

// The settings tessivar-run uses when none are named: which prover runs,
// and the parameters it gives the classic prover when no "param" is named
// (the solver front end beside tessivar-run, every method on, dimensions
// up to 3). Mxr and the front end's limit per call come from the sample
// runs of bench/defaults.sh (docs/running.md says how they were chosen).
#pragma once
#include <cstdint>

// The prover of tessivar-run and tessivar-batch without --prover: the
// engine, which proved every problem the classic prover proved in the side
// by side runs of bench/runs/ and many more. tessivar-batch asks
// tessivar-run for it, so this is the one place to change it.
#define DEFAULT_PROVER_NAME "engine"

constexpr int64_t DefaultMxr = 3;        // bound on the symbols' matrix entries, dimensions 2 and 3
constexpr int DefaultSolverSeconds = 5;  // seconds the front end may take for one attempt
constexpr int DefaultDimension = 3;      // tropical, arctic and normal: dimensions 1 to 3
constexpr bool DefaultMatchBound = true;  // the match-bound method

// The engine's own time limit when tessivar-run is given none, and the share
// of a limit after which its MAYBE counts as the limit reached: it stops
// at its deadline, so a MAYBE well before it means every method was tried.
constexpr double kEngineDefaultSeconds = 60;
constexpr double kEngineLimitShare = 0.95;

// The settings tessivar-run gives the prover when no "param" is named: the
// solver front end beside tessivar-run, every method on, dimensions up to 3.
// Mxr and the front end's limit per call come from the sample runs of
// bench/defaults.sh (docs/running.md says how they were chosen).
#pragma once
#include <cstdint>

constexpr int64_t DefaultMxr = 3;        // bound on the symbols' matrix entries, dimensions 2 and 3
constexpr int DefaultSolverSeconds = 5;  // seconds the front end may take for one attempt
constexpr int DefaultDimension = 3;      // tropical, arctic and normal: dimensions 1 to 3
constexpr bool DefaultMatchBound = true;  // the match-bound method

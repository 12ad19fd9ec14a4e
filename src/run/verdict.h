// The verdict on the prover's output, for the first line of tessivar-run.
#pragma once
#include <string>

// "YES" when a line of the output is exactly the prover's closing line of a
// proof by rule removal, "termination has been proved", or the match-bound
// line "Terminating due to match bound N,"; "MAYBE" otherwise. Whole lines
// only: a rule line can contain the same words, as symbol names, but always
// also its " -> ".
std::string Verdict(const std::string& output);

// The verdicts of the two provers, read from their output.
#pragma once
#include <string>

// The classic prover: "YES" when a line of the output is exactly its
// closing line of a proof by rule removal, "termination has been proved",
// or the match-bound line "Terminating due to match bound N,"; "MAYBE"
// otherwise. Whole lines only: a rule line can contain the same words, as
// symbol names, but always also its " -> ".
std::string Verdict(const std::string& output);

// The engine: its first line, when that is exactly "YES", "NO" or "MAYBE";
// "" otherwise.
std::string EngineVerdict(const std::string& output);

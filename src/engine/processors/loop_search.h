// The search for loops, the engine's proof of non-termination.
//
// A word s loops when s ->+ u s v for some words u, v: rewriting then never
// has to end. The search unfolds forward closures (see closures.h) of the
// system and of its reversal, breadth first, in rounds with growing bounds
// on the length of the words, the number of steps and the closures kept per
// step; each round remembers the closures it has seen so that none is
// unfolded twice. A loop found on the reversed system is turned back into a
// loop of the system as given. The search stops at the deadline or when the
// stop flag is raised, and its memory stays within the caps below.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <optional>

#include "engine/certificate/proof.h"
#include "engine/problem/problem.h"
#include "engine/processors/processor.h"

namespace tessivar::engine {

struct LoopSearchOptions {
  std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
  const std::atomic<bool>* stop = nullptr;  // raised by another thread to end the search
  size_t max_seen = size_t{1} << 22;        // closures a round remembers (8 to 32 bytes each)
  size_t max_width = size_t{1} << 15;       // closures kept after each step
};

struct LoopSearchStats {
  size_t closures = 0;     // closures built
  size_t rounds = 0;       // rounds begun
  bool exhausted = false;  // every closure was built within the bounds; none is a loop
  bool on_reversal = false;  // the loop was found on the reversed system
};

// A loop of p's rules, written over the rules' names as p has them, with
// at least one strict step (weak rules may take part in a relative
// problem). nullopt when none was found in time, for top-mode problems,
// and for alphabets of more than 65535 symbols.
std::optional<LoopStep> find_loop(const Problem& p, const LoopSearchOptions& options = {},
                                  LoopSearchStats* stats = nullptr);

// The loop of the reversed rules that mirrors `loop`: start word and rules
// reversed, each position counted from the other end of its word. Mirroring
// twice gives the loop back. Throws std::invalid_argument if a step's left
// side does not fit inside its word.
LoopStep reverse_loop(const LoopStep& loop);

}  // namespace tessivar::engine

namespace tessivar::engine::processors {

// The loop search as a processor: a loop it finds is checked by replay and
// proves the problem does not terminate.
class LoopFinder : public Processor {
 public:
  const char* technique() const override { return "loops"; }
  std::string describe() const override { return "loops"; }
  Result apply(const Problem& problem, const encodings::StopCondition& stop) override;
};

}  // namespace tessivar::engine::processors

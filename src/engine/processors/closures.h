// Forward closures of a string rewriting system: derivations s ->+ t built
// by unfolding, the raw material of the loop search.
//
// A closure starts as a rule l -> r (s = l, t = r) and grows one rewrite at
// a time. The rewrite either happens inside t, or it uses a left side that
// only overlaps t: at its right end (s and t are extended to the right by
// what t lacks), at its left end, or around the whole of t (extended on
// both sides). Every rewrite touches what earlier ones produced, so the
// derivations stay connected, and a closure whose t contains s as a factor
// is a loop. Words are strings of 16-bit letters (one letter per symbol) to
// keep the many closures of a search small; the steps are shared between a
// closure and its children as a linked trail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tessivar::engine::loops {

using Letters = std::u16string;

struct LetterRule {
  Letters lhs, rhs;
  bool strict = true;  // a weak rule alone does not make a loop
};

// The rewrites of a closure, last one first. `shift` is the number of
// letters the step put in front of the start word: every earlier step's
// position moves right by it.
struct Trail;
using TrailPtr = std::shared_ptr<const Trail>;
struct Trail {
  TrailPtr before;
  size_t position = 0;
  size_t rule = 0;
  size_t shift = 0;
};

struct Closure {
  Letters start, current;
  TrailPtr trail;
  bool strict = false;  // some step used a strict rule
  size_t steps = 0;
};

// One rewrite of a derivation: the left side of `rule` starts at `position`
// of the current word.
struct LetterStep {
  size_t position = 0;
  size_t rule = 0;
};

// The steps of a closure's derivation from its start word, in order.
std::vector<LetterStep> steps_of(const Closure& c);

// Whether the closure is a loop: a strict step, and t contains s.
bool is_loop(const Closure& c);

enum Overlap : unsigned {
  kRightEnd = 1,  // a left side that sticks out to the right of t
  kLeftEnd = 2,   // ... to the left of t, and around the whole of t
};

class Unfolder {
 public:
  Unfolder(std::vector<LetterRule> rules, unsigned overlaps);

  // The one-step closures l -> r, one per rule.
  std::vector<Closure> seeds() const;

  // Appends the closures one rewrite longer than c whose words are at most
  // max_length long. Returns false if some were left out for their length.
  bool expand(const Closure& c, size_t max_length, std::vector<Closure>& out) const;

  const std::vector<LetterRule>& rules() const { return rules_; }

 private:
  bool rewrite_inside(const Closure& c, size_t rule, size_t max_length, std::vector<Closure>& out) const;
  bool overlap_right_end(const Closure& c, size_t rule, size_t max_length, std::vector<Closure>& out) const;
  bool overlap_left_end(const Closure& c, size_t rule, size_t max_length, std::vector<Closure>& out) const;
  bool enclose(const Closure& c, size_t rule, size_t max_length, std::vector<Closure>& out) const;

  std::vector<LetterRule> rules_;
  unsigned overlaps_;
};

}  // namespace tessivar::engine::loops

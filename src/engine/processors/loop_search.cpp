// The loop search: rounds of breadth-first unfolding over three lanes (the
// system with right-end overlaps, its reversal with right-end overlaps,
// which are the system's left-end ones, and the system with overlaps at
// both ends), and the way back from a closure to a loop over named rules.
#include "engine/processors/loop_search.h"

#include "engine/problem/measures.h"

#include <algorithm>
#include <functional>
#include <iostream>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>

#include "engine/check/check.h"
#include "engine/processors/closures.h"
#include "engine/processors/seen_table.h"

namespace tessivar::engine {

namespace {

using loops::Closure;
using loops::Letters;
using loops::LetterRule;
using loops::Unfolder;

// The bounds of one round.
struct Bounds {
  size_t length = 0;  // of the start and the current word
  size_t depth = 0;   // steps of a closure
  size_t width = 0;   // closures kept after each step
};

Bounds bounds_of_round(size_t round, size_t longest_side, size_t max_width) {
  Bounds b;
  b.length = longest_side + 1 + 6 * round;
  b.depth = size_t{8} << std::min<size_t>(round, 12);
  b.width = std::min(max_width, size_t{256} << std::min<size_t>(round, 20));
  return b;
}

class Control {
 public:
  Control(const LoopSearchOptions& o, LoopSearchStats& stats) : options_(o), stats_(stats) {}

  // Counts built closures; true once the search has to end. Looks at the
  // flag and the clock every 256 closures.
  bool tick(size_t built) {
    stats_.closures += built;
    ticks_ += built;
    if (ticks_ < 256) return stopped_;
    ticks_ = 0;
    return poll();
  }
  bool poll() {
    stopped_ = stopped_ || (options_.stop != nullptr && options_.stop->load(std::memory_order_relaxed)) ||
               std::chrono::steady_clock::now() >= options_.deadline;
    return stopped_;
  }
  bool stopped() const { return stopped_; }

 private:
  const LoopSearchOptions& options_;
  LoopSearchStats& stats_;
  size_t ticks_ = 0;
  bool stopped_ = false;
};

uint64_t mixed(uint64_t h) {
  h ^= h >> 30;
  h *= 0xbf58476d1ce4e5b9ULL;
  h ^= h >> 27;
  h *= 0x94d049bb133111ebULL;
  return h ^ (h >> 31);
}

uint64_t fingerprint(const Closure& c) {
  std::hash<std::u16string_view> hash;
  uint64_t h = mixed(hash(c.start) + 0x9e3779b97f4a7c15ULL);
  h = mixed(h ^ hash(c.current));
  return h ^ static_cast<uint64_t>(c.strict);
}

// Short words first, and among them those where t has not grown much
// beyond s: a loop needs s back inside t.
long weight(const Closure& c) {
  long grown = static_cast<long>(c.current.size()) - static_cast<long>(c.start.size());
  return static_cast<long>(c.current.size()) + 3 * grown;
}

// Keeps the `width` lightest closures.
void keep_lightest(std::vector<Closure>& closures, size_t width) {
  if (closures.size() <= width) return;
  std::nth_element(closures.begin(), closures.begin() + static_cast<long>(width), closures.end(),
                   [](const Closure& a, const Closure& b) { return weight(a) < weight(b); });
  closures.resize(width);
}

// A round of one lane. Calls `accept` on every loop met; stops at the first
// it takes. `complete` is cleared if some closure within reach was not
// built (bounds, width, or the end of the search).
class Round {
 public:
  using Accept = std::function<bool(const Closure&)>;
  Round(const Unfolder& u, const Bounds& b, Control& control, loops::SeenTable& seen, Accept accept)
      : unfolder_(u), bounds_(b), control_(control), seen_(seen), accept_(std::move(accept)) {}

  std::optional<Closure> run();
  bool complete() const { return complete_; }

 private:
  bool admit(std::vector<Closure>& candidates, size_t from, std::vector<Closure>& kept);
  bool unfold_level(const std::vector<Closure>& level, std::vector<Closure>& next);

  const Unfolder& unfolder_;
  Bounds bounds_;
  Control& control_;
  loops::SeenTable& seen_;
  Accept accept_;
  std::optional<Closure> found_;
  bool complete_ = true;
};

// Moves the new closures of candidates[from..] into `kept`; true once a loop
// was accepted.
bool Round::admit(std::vector<Closure>& candidates, size_t from, std::vector<Closure>& kept) {
  for (size_t i = from; i < candidates.size(); ++i) {
    Closure& c = candidates[i];
    if (loops::is_loop(c) && accept_(c)) {
      found_ = std::move(c);
      return true;
    }
    if (seen_.insert(fingerprint(c))) kept.push_back(std::move(c));
  }
  candidates.resize(from);
  return false;
}

// Builds the next level; true once the round is over (loop or stop).
bool Round::unfold_level(const std::vector<Closure>& level, std::vector<Closure>& next) {
  std::vector<Closure> children;
  for (const Closure& c : level) {
    complete_ &= unfolder_.expand(c, bounds_.length, children);
    if (control_.tick(children.size() + 1)) return true;
    if (admit(children, 0, next)) return true;
    if (next.size() > 4 * bounds_.width) {
      keep_lightest(next, bounds_.width);
      complete_ = false;
    }
  }
  if (next.size() > bounds_.width) {
    keep_lightest(next, bounds_.width);
    complete_ = false;
  }
  return false;
}

std::optional<Closure> Round::run() {
  seen_.clear();
  std::vector<Closure> level, seeds = unfolder_.seeds();
  for (Closure& s : seeds)
    if (s.start.size() > bounds_.length || s.current.size() > bounds_.length) complete_ = false;
  seeds.erase(std::remove_if(seeds.begin(), seeds.end(),
                             [&](const Closure& s) {
                               return s.start.size() > bounds_.length || s.current.size() > bounds_.length;
                             }),
              seeds.end());
  if (admit(seeds, 0, level)) return found_;
  for (size_t depth = 1; !level.empty(); ++depth) {
    if (depth >= bounds_.depth) {
      complete_ = false;
      break;
    }
    std::vector<Closure> next;
    if (unfold_level(level, next)) break;
    level.swap(next);
  }
  if (control_.stopped()) complete_ = false;
  return found_;
}

// ---- From letters back to the problem's words and names.

Letters letters_of(const Word& w) {
  Letters out;
  for (Symbol s : w) out.push_back(static_cast<char16_t>(s));
  return out;
}

Word word_of(const Letters& l) {
  Word out;
  for (char16_t c : l) out.push_back(static_cast<Symbol>(c));
  return out;
}

NamedWord names_of(const Alphabet& a, const Word& w) {
  NamedWord out;
  for (Symbol s : w) out.push_back(a.name(s));
  return out;
}

// The closure's derivation written over the rules' names: those of `p`
// for the system itself, reversed for the reversed system.
LoopStep named_loop(const Problem& p, const std::vector<Rule>& rules, const Closure& c, bool reversed_system) {
  LoopStep loop;
  loop.start = names_of(*p.alphabet, word_of(c.start));
  for (const loops::LetterStep& s : loops::steps_of(c)) {
    const Rule& r = rules.at(s.rule);
    loop.steps.push_back({s.position, p.named(reversed_system ? reversed(r) : r)});
  }
  return loop;
}

// The checker's verdict on what the search found, against faults of the
// unfolding: the steps replay on the rules (strict and weak) and end in a
// word that contains the start word, and some step is strict.
bool holds(const Problem& p, const std::vector<Rule>& rules, size_t strict_count, const LoopStep& loop) {
  std::vector<NamedRule> named;
  for (const Rule& r : rules) named.push_back(p.named(r));
  try {
    check_loop(named, loop);
  } catch (const CheckFailure& e) {
    std::cerr << "loop search: a loop that does not hold, skipped: " << e.what() << "\n";
    return false;
  }
  for (const LoopRewrite& s : loop.steps)
    if (std::find(named.begin(), named.begin() + static_cast<long>(strict_count), s.rule) !=
        named.begin() + static_cast<long>(strict_count))
      return true;
  std::cerr << "loop search: a loop by weak rules alone, skipped\n";
  return false;
}

// ---- The lanes and the schedule of rounds.

struct Lane {
  Unfolder unfolder;
  bool reversed_system = false;
  bool exhausted = false;
};

std::vector<LetterRule> letter_rules(const std::vector<Rule>& rules, size_t strict_count, bool reverse) {
  std::vector<LetterRule> out;
  for (size_t i = 0; i < rules.size(); ++i) {
    const Rule r = reverse ? reversed(rules[i]) : rules[i];
    out.push_back({letters_of(r.lhs), letters_of(r.rhs), i < strict_count});
  }
  return out;
}

// Right-end overlaps on the system and on its reversal (which are the
// system's left-end ones) are cheap; overlaps at both ends come last.
std::vector<Lane> lanes_of(const std::vector<Rule>& rules, size_t strict_count) {
  std::vector<Lane> lanes;
  lanes.push_back({Unfolder(letter_rules(rules, strict_count, false), loops::kRightEnd), false});
  lanes.push_back({Unfolder(letter_rules(rules, strict_count, true), loops::kRightEnd), true});
  lanes.push_back({Unfolder(letter_rules(rules, strict_count, false), loops::kRightEnd | loops::kLeftEnd), false});
  return lanes;
}

}  // namespace

std::optional<LoopStep> find_loop(const Problem& p, const LoopSearchOptions& options, LoopSearchStats* stats) {
  LoopSearchStats local_stats;
  LoopSearchStats& st = stats != nullptr ? *stats : local_stats;
  st = {};
  if (p.top || p.strict.empty()) return std::nullopt;
  if (p.alphabet->size() > std::numeric_limits<char16_t>::max()) return std::nullopt;

  std::vector<Rule> rules = p.strict;
  rules.insert(rules.end(), p.weak.begin(), p.weak.end());
  const size_t strict_count = p.strict.size();
  std::vector<Lane> lanes = lanes_of(rules, strict_count);

  Control control(options, st);
  loops::SeenTable seen(options.max_seen);
  std::optional<LoopStep> result;
  for (size_t round = 0; !control.poll(); ++round) {
    st.rounds = round + 1;
    Bounds bounds = bounds_of_round(round, longest_side(rules), options.max_width);
    bool all_exhausted = true;
    for (Lane& lane : lanes) {
      if (lane.exhausted) continue;
      auto accept = [&](const Closure& c) {
        LoopStep loop = named_loop(p, rules, c, lane.reversed_system);
        if (lane.reversed_system) loop = reverse_loop(loop);
        if (!holds(p, rules, strict_count, loop)) return false;
        result = std::move(loop);
        return true;
      };
      Round r(lane.unfolder, bounds, control, seen, accept);
      if (r.run()) {
        st.on_reversal = lane.reversed_system;
        return result;
      }
      lane.exhausted = r.complete();
      all_exhausted &= lane.exhausted;
      if (control.stopped()) return std::nullopt;
    }
    if (all_exhausted) {
      st.exhausted = true;
      return std::nullopt;
    }
  }
  return std::nullopt;
}

LoopStep reverse_loop(const LoopStep& loop) {
  LoopStep out;
  out.start.assign(loop.start.rbegin(), loop.start.rend());
  size_t length = loop.start.size();
  for (const LoopRewrite& s : loop.steps) {
    if (s.position > length || length - s.position < s.rule.lhs.size())
      throw std::invalid_argument("a loop step outside its word at position " + std::to_string(s.position));
    NamedRule r{{s.rule.lhs.rbegin(), s.rule.lhs.rend()}, {s.rule.rhs.rbegin(), s.rule.rhs.rend()}};
    out.steps.push_back({length - s.position - s.rule.lhs.size(), std::move(r)});
    length = length - s.rule.lhs.size() + s.rule.rhs.size();
  }
  return out;
}

}  // namespace tessivar::engine

namespace tessivar::engine::processors {

Result LoopFinder::apply(const Problem& problem, const encodings::StopCondition& stop) {
  // A certificate's loop is a loop of its input, whose rules are all strict.
  if (problem.top || !problem.weak.empty())
    return not_applied(Verdict::NotApplicable, "a loop proves a problem without weak rules only");
  LoopSearchOptions options;
  options.deadline = stop.deadline;
  options.stop = stop.cancel;
  // The table of seen closures takes at most a quarter of the ceiling.
  if (stop.memory_limit != 0) options.max_seen = std::min(options.max_seen, std::max<size_t>(1024, stop.memory_limit / 4 / 32));
  LoopSearchStats stats;
  std::optional<LoopStep> loop = find_loop(problem, options, &stats);
  std::string figures = std::to_string(stats.closures) + " closures, " + std::to_string(stats.rounds) + " rounds";
  if (!loop) return not_applied(stats.exhausted ? Verdict::Exhausted : Verdict::Stopped, "", figures);
  try {
    std::vector<NamedRule> rules;
    for (const Rule& r : problem.strict) rules.push_back(problem.named(r));
    check_loop(rules, *loop);
  } catch (const CheckFailure& e) {
    return not_applied(Verdict::CheckFailed, e.what(), figures);
  }
  return proved(Step::loop_step(std::move(*loop)), figures);
}

}  // namespace tessivar::engine::processors

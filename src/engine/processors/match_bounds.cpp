// The completion of match-bound automata.
//
// Letters are the problem's symbols numbered densely, with the end marker
// after them. Transitions are kept per (state, letter) in both directions
// and in a hash set; every transition added is examined once: each path
// reading a left side of match(R$) through it is found by reading the left
// side backwards from its source and forwards from its target, and gives an
// obligation (rule, p, q, height) that is met when a path p -> q reads the
// right side at that height. Obligations are met in the order they arise.
#include "engine/processors/match_bounds.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <limits>
#include <unordered_map>
#include <unordered_set>

#include "engine/check/match_bounds.h"

namespace tessivar::engine::processors {

namespace {

using Letter = uint32_t;
constexpr uint32_t kNoHeight = std::numeric_limits<uint32_t>::max();
// Up to this height limit sets of (state, height) are kept with a stamp per
// pair; above it they are sorted.
constexpr uint32_t kStampedHeights = 30;

struct Key {
  uint64_t a, b;
  bool operator==(const Key& o) const { return a == o.a && b == o.b; }
};
struct KeyHash {
  size_t operator()(const Key& k) const {
    uint64_t h = k.a * 0x9E3779B97F4A7C15ull ^ (k.b + 0x632BE59BD9B4E019ull + (k.a << 6) + (k.a >> 2));
    return static_cast<size_t>(h ^ (h >> 29));
  }
};

Key arc_key(uint32_t from, Letter l, uint32_t h, uint32_t to) {
  return {(uint64_t{from} << 32) | to, (uint64_t{l} << 32) | h};
}

// The right sides of match(R$) before annotation: rule 2i is the i-th rule
// l -> r, whose right side goes one above the least height read; rule 2i + 1
// stands for its extension rules u $ -> r $ (all proper prefixes u of l), with
// right side r $ at height 1 and no left side of its own.
struct MatchRule {
  std::vector<Letter> lhs, rhs;
};

struct Obligation {
  uint32_t rule, p, q, height;
};

struct HeightState {
  uint32_t height, state;
};

struct OutOfLimits {
  std::string why;
  bool height = false;
  bool timed_out = false;
};

class Completion {
 public:
  Completion(std::vector<MatchRule> rules, size_t letters, const MatchBoundLimits& limits, bool reuse_prefixes,
             const encodings::StopCondition& stop)
      : rules_(std::move(rules)),
        letters_(letters),
        limits_(limits),
        reuse_prefixes_(reuse_prefixes),
        stop_(stop),
        at_letter_(letters) {
    for (uint32_t i = 0; i < rules_.size(); i += 2)
      for (uint32_t k = 0; k < rules_[i].lhs.size(); ++k) at_letter_[rules_[i].lhs[k]].emplace_back(i, k);
  }

  // Throws OutOfLimits.
  void run(const std::vector<std::vector<Letter>>& start_words) {
    uint32_t initial = new_state(), final = new_state();
    initial_[initial] = true;
    final_state_ = final;
    for (const auto& w : start_words) add_path(initial, w, 0, final);
    size_t steps = 0;
    while (true) {
      while (!fresh_.empty()) {
        Key k = fresh_.front();
        fresh_.pop_front();
        examine(k);
      }
      if (obligations_.empty()) break;
      Obligation o = obligations_.front();
      obligations_.pop_front();
      if (++steps % 256 == 0 && stop_.deadline_reached()) throw OutOfLimits{"the time ran out", false, true};
      meet(o);
    }
  }

  size_t states() const { return out_.size(); }
  size_t transitions() const { return arcs_.size(); }
  uint32_t height() const { return height_; }

  MatchBoundAutomaton automaton(const std::vector<std::optional<std::string>>& names) const {
    MatchBoundAutomaton a;
    a.states = out_.size();
    for (uint32_t s = 0; s < out_.size(); ++s)
      if (initial_[s]) a.initial.push_back(s);
    a.final = {final_state_};
    a.transitions.reserve(arcs_.size());
    for (uint32_t s = 0; s < out_.size(); ++s)
      for (Letter l = 0; l < letters_; ++l)
        for (const HeightState& t : out_[s][l]) a.transitions.push_back({s, names[l], t.height, t.state});
    return a;
  }

 private:
  Letter end() const { return static_cast<Letter>(letters_ - 1); }

  uint32_t new_state() {
    if (out_.size() >= limits_.max_states)
      throw OutOfLimits{"the automaton needs more than " + std::to_string(limits_.max_states) + " states"};
    out_.emplace_back(letters_);
    in_.emplace_back(letters_);
    eps_.emplace_back();
    initial_.push_back(false);
    if (limits_.max_height <= kStampedHeights) seen_.resize(out_.size() * (size_t{limits_.max_height} + 2), 0);
    return static_cast<uint32_t>(out_.size() - 1);
  }

  // Adds the transition, and its copies into every state that takes the
  // transitions into its target.
  void add_arc(uint32_t from, Letter l, uint32_t h, uint32_t to) {
    std::vector<uint32_t> targets{to};
    while (!targets.empty()) {
      uint32_t t = targets.back();
      targets.pop_back();
      Key k = arc_key(from, l, h, t);
      if (!arcs_.insert(k).second) continue;
      if (arcs_.size() > limits_.max_transitions)
        throw OutOfLimits{"the automaton needs more than " + std::to_string(limits_.max_transitions) +
                          " transitions"};
      out_[from][l].push_back({h, t});
      in_[t][l].push_back({h, from});
      height_ = std::max(height_, h);
      fresh_.push_back(k);
      for (uint32_t q : eps_[t]) targets.push_back(q);
    }
  }

  void make_initial(uint32_t s) {
    std::vector<uint32_t> todo{s};
    while (!todo.empty()) {
      uint32_t t = todo.back();
      todo.pop_back();
      if (initial_[t]) continue;
      initial_[t] = true;
      for (uint32_t q : eps_[t]) todo.push_back(q);
    }
  }

  // From now on q takes every transition into p, and initiality.
  void absorb(uint32_t p, uint32_t q) {
    eps_[p].push_back(q);
    for (Letter l = 0; l < letters_; ++l) {
      std::vector<HeightState> in = in_[p][l];
      for (const HeightState& t : in) add_arc(t.state, l, t.height, q);
    }
    if (initial_[p]) make_initial(q);
  }

  // A path p -> q reading w, every symbol at height h and the end marker
  // at 0, through states made for the same suffixes where there are some.
  void add_path(uint32_t p, const std::vector<Letter>& w, uint32_t h, uint32_t q) {
    size_t first = 0;
    if (reuse_prefixes_)
      while (first + 1 < w.size()) {
        const auto& arcs = out_[p][w[first]];
        uint32_t hk = w[first] == end() ? 0 : h;
        auto it = std::find_if(arcs.begin(), arcs.end(), [hk](const HeightState& t) { return t.height == hk; });
        if (it == arcs.end()) break;
        p = it->state;
        ++first;
      }
    uint32_t at = q;
    for (size_t k = w.size(); k-- > first + 1;) {
      uint32_t hk = w[k] == end() ? 0 : h;
      Key key = arc_key(0, w[k], hk, at);
      auto it = made_.find(key);
      if (it != made_.end()) {
        at = it->second;
        continue;
      }
      uint32_t s = new_state();
      made_.emplace(key, s);
      add_arc(s, w[k], hk, at);
      at = s;
    }
    add_arc(p, w[first], w[first] == end() ? 0 : h, at);
  }

  // The obligations of every path that reads a left side through the new
  // transition k. The left sides u $ of the extension rules of l -> r are
  // read with l itself: after each proper prefix u, the end-marker
  // transitions from the states reached.
  void examine(Key k) {
    uint32_t from = static_cast<uint32_t>(k.a >> 32), to = static_cast<uint32_t>(k.a);
    Letter l = static_cast<Letter>(k.b >> 32);
    uint32_t h = static_cast<uint32_t>(k.b);
    std::vector<HeightState> back, fwd;
    if (l == end()) {
      // The new transition is the end marker of u $.
      for (uint32_t ri = 0; ri < rules_.size(); ri += 2) {
        const std::vector<Letter>& lhs = rules_[ri].lhs;
        for (size_t len = 1; len < lhs.size(); ++len) {
          back = {{0, from}};
          for (size_t k2 = len; k2-- > 0 && !back.empty();) step(back, lhs[k2], false, true);
          for (const HeightState& b : back) oblige({ri + 1, b.state, to, 1});
        }
      }
      return;
    }
    for (auto [ri, pos] : at_letter_[l]) {
      const std::vector<Letter>& lhs = rules_[ri].lhs;
      back = {{h, from}};
      for (size_t k2 = pos; k2-- > 0 && !back.empty();) step(back, lhs[k2], true, true);
      if (back.empty()) continue;
      fwd = {{kNoHeight, to}};
      for (size_t len = pos + 1; !fwd.empty(); ++len) {
        if (len == lhs.size()) {
          for (const HeightState& b : back)
            for (const HeightState& f : fwd)
              oblige({ri, b.state, f.state, std::min(b.height, f.height) + 1});
          break;
        }
        // u = lhs[0 .. len - 1] followed by $.
        for (const HeightState& f : fwd)
          for (const HeightState& t : out_[f.state][end()])
            for (const HeightState& b : back) oblige({ri + 1, b.state, t.state, 1});
        step(fwd, lhs[len], true, false);
      }
    }
  }

  // Replaces the set by the pairs one transition reading `x` further on,
  // forwards or backwards, with the least height kept or not.
  void step(std::vector<HeightState>& set, Letter x, bool heights, bool backwards) {
    std::vector<HeightState> next;
    for (const HeightState& s : set)
      for (const HeightState& t : (backwards ? in_ : out_)[s.state][x])
        next.push_back({heights ? std::min(s.height, t.height) : 0, t.state});
    dedupe(next);
    set.swap(next);
  }

  // Drops repeated pairs, keeping the first of each.
  void dedupe(std::vector<HeightState>& v) {
    if (limits_.max_height > kStampedHeights) {
      std::sort(v.begin(), v.end(), [](const HeightState& x, const HeightState& y) {
        return x.state != y.state ? x.state < y.state : x.height < y.height;
      });
      v.erase(std::unique(v.begin(), v.end(),
                          [](const HeightState& x, const HeightState& y) {
                            return x.state == y.state && x.height == y.height;
                          }),
              v.end());
      return;
    }
    if (++stamp_ == 0) {
      std::fill(seen_.begin(), seen_.end(), 0);
      stamp_ = 1;
    }
    size_t kept = 0;
    const size_t heights = size_t{limits_.max_height} + 2;
    for (const HeightState& x : v) {
      size_t at = x.state * heights + (x.height == kNoHeight ? heights - 1 : x.height);
      if (seen_[at] == stamp_) continue;
      seen_[at] = stamp_;
      v[kept++] = x;
    }
    v.resize(kept);
  }

  bool reads(uint32_t p, const std::vector<Letter>& w, uint32_t h, uint32_t q) {
    std::vector<HeightState> now{{0, p}}, next;
    for (Letter l : w) {
      next.clear();
      uint32_t hl = l == end() ? 0 : h;
      for (const HeightState& s : now)
        for (const HeightState& t : out_[s.state][l])
          if (t.height == hl) next.push_back({0, t.state});
      dedupe(next);
      now.swap(next);
      if (now.empty()) return false;
    }
    return std::any_of(now.begin(), now.end(), [q](const HeightState& s) { return s.state == q; });
  }

  // Queues the obligation unless it was queued before: once met, an
  // obligation stays met, as transitions are only ever added.
  void oblige(const Obligation& o) {
    Key key{(uint64_t{o.p} << 32) | o.q, (uint64_t{o.rule} << 32) | o.height};
    if (!queued_.insert(key).second) return;
    if (queued_.size() > limits_.max_obligations)
      throw OutOfLimits{"the search meets more than " + std::to_string(limits_.max_obligations) + " obligations"};
    obligations_.push_back(o);
  }

  void meet(const Obligation& o) {
    const MatchRule& rule = rules_[o.rule];
    if (rule.rhs.empty()) {
      if (o.p != o.q && std::find(eps_[o.p].begin(), eps_[o.p].end(), o.q) == eps_[o.p].end()) absorb(o.p, o.q);
    } else if (!reads(o.p, rule.rhs, o.height, o.q)) {
      if (o.height > limits_.max_height)
        throw OutOfLimits{"a height above " + std::to_string(limits_.max_height) + " is needed", true};
      add_path(o.p, rule.rhs, o.height, o.q);
    }
  }

  std::vector<MatchRule> rules_;
  size_t letters_;
  MatchBoundLimits limits_;
  bool reuse_prefixes_;
  const encodings::StopCondition& stop_;
  std::vector<std::vector<std::pair<uint32_t, uint32_t>>> at_letter_;  // letter -> (rule, position)

  std::vector<std::vector<std::vector<HeightState>>> out_, in_;  // [state][letter]
  std::vector<std::vector<uint32_t>> eps_;                       // q takes the transitions into p
  std::vector<bool> initial_;
  uint32_t final_state_ = 0;
  std::unordered_set<Key, KeyHash> arcs_;
  std::unordered_map<Key, uint32_t, KeyHash> made_;  // (letter, height, target) -> state made
  std::unordered_set<Key, KeyHash> queued_;  // (rule, p, q, height) of every obligation queued
  std::deque<Key> fresh_;
  std::deque<Obligation> obligations_;
  uint32_t height_ = 0;
  std::vector<uint32_t> seen_;  // [state][height or max_height + 1 for none] == stamp_: in the set
  uint32_t stamp_ = 0;
};

}  // namespace

MatchBoundResult find_match_bound_automaton(const Problem& p, const MatchBoundLimits& limits,
                                            const encodings::StopCondition& stop) {
  auto started = std::chrono::steady_clock::now();
  MatchBoundResult result;
  auto seconds = [&] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  };
  if (!p.weak.empty()) {
    result.why_not = "the problem has weak rules";
    return result;
  }
  if (p.top) {
    result.why_not = "the problem is in top mode";
    return result;
  }
  for (const Rule& r : p.strict)
    if (r.lhs.empty()) {
      result.why_not = "a rule has an empty left side";
      return result;
    }

  std::vector<Symbol> symbols = p.symbols();
  std::unordered_map<Symbol, Letter> letter_of;
  std::vector<std::optional<std::string>> names;
  for (Symbol s : symbols) {
    letter_of.emplace(s, static_cast<Letter>(names.size()));
    names.emplace_back(p.alphabet->name(s));
  }
  const Letter end = static_cast<Letter>(names.size());
  names.emplace_back(std::nullopt);
  auto letters = [&](const Word& w) {
    std::vector<Letter> out;
    for (Symbol s : w) out.push_back(letter_of.at(s));
    return out;
  };

  std::vector<MatchRule> rules;
  std::vector<std::vector<Letter>> start_words;
  for (const Rule& r : p.strict) {
    rules.push_back({letters(r.lhs), letters(r.rhs)});
    std::vector<Letter> w = letters(r.rhs);
    w.push_back(end);
    rules.push_back({{}, w});
    start_words.push_back(std::move(w));
  }

  using Reuse = MatchBoundLimits::Reuse;
  struct Attempt {
    bool reuse_prefixes;
    uint32_t max_height;
  };
  std::vector<Attempt> attempts;
  for (uint32_t height : {std::min(limits.first_height, limits.max_height), limits.max_height}) {
    if (!attempts.empty() && attempts.back().max_height == height) break;
    if (limits.reuse != Reuse::Suffixes) attempts.push_back({true, height});
    if (limits.reuse != Reuse::Prefixes) attempts.push_back({false, height});
  }
  std::optional<Completion> completion;
  auto record = [&] {
    result.states = completion->states();
    result.transitions = completion->transitions();
    result.height = completion->height();
    result.seconds = seconds();
  };
  for (size_t k = 0;; ++k) {
    MatchBoundLimits attempt = limits;
    attempt.max_height = attempts[k].max_height;
    completion.emplace(rules, names.size(), attempt, attempts[k].reuse_prefixes, stop);
    try {
      completion->run(start_words);
      break;
    } catch (const OutOfLimits& e) {
      record();
      result.why_not += (result.why_not.empty() ? "" : "; then ") + e.why;
      result.height_exceeded = e.height;
      if (k + 1 == attempts.size() || e.timed_out) return result;
    }
  }
  result.why_not.clear();
  result.height_exceeded = false;
  MatchBoundAutomaton a = completion->automaton(names);
  std::vector<NamedRule> named;
  for (const Rule& r : p.strict) named.push_back(p.named(r));
  try {
    check_match_bounds(named, a);
  } catch (const CheckFailure& e) {
    record();
    result.why_not = std::string("internal error: the automaton found fails its check: ") + e.what();
    return result;
  }
  record();
  result.automaton = std::move(a);
  return result;
}

}  // namespace tessivar::engine::processors

// The check of match-bound automata.
//
// States that occur somewhere are numbered densely; the transitions are
// sorted by (source, symbol, height, target) so that the transitions of a
// state on a symbol are one range, found by binary search within the
// state's block. Left sides are read from every state as sets of
// (state, least height so far); right sides as sets of states at one
// height, kept per (start, height) while one rule is checked.
#include "engine/check/match_bounds.h"

#include <algorithm>
#include <limits>
#include <map>
#include <set>
#include <tuple>
#include <unordered_map>

namespace tessivar::engine {

namespace {

using Letter = uint32_t;  // a symbol of the rules, or kEnd after them
constexpr uint32_t kNoHeight = std::numeric_limits<uint32_t>::max();

struct Arc {
  uint32_t from;
  Letter letter;
  uint32_t height;
  uint32_t to;
  bool operator<(const Arc& o) const {
    return std::tie(from, letter, height, to) < std::tie(o.from, o.letter, o.height, o.to);
  }
  bool operator==(const Arc& o) const {
    return from == o.from && letter == o.letter && height == o.height && to == o.to;
  }
};

std::string rule_text(const NamedRule& r) {
  std::string l = to_text(r.lhs), rhs = to_text(r.rhs);
  return (l.empty() ? "(empty)" : l) + " -> " + (rhs.empty() ? "(empty)" : rhs);
}

[[noreturn]] void fail(const std::string& what) { throw CheckFailure("match-bounds step: " + what); }

class Automaton {
 public:
  Automaton(const MatchBoundAutomaton& a, const std::map<std::string, Letter>& letters, Letter end) {
    auto dense = [&](size_t s, const std::string& what) {
      if (s >= a.states)
        fail(what + " names state " + std::to_string(s) + ", but there are " + std::to_string(a.states) +
             " states");
      auto [it, added] = index_.emplace(s, static_cast<uint32_t>(original_.size()));
      if (added) {
        if (original_.size() >= std::numeric_limits<uint32_t>::max() - 1) fail("too many states to check");
        original_.push_back(s);
      }
      return it->second;
    };
    for (size_t i = 0; i < a.transitions.size(); ++i) {
      const auto& t = a.transitions[i];
      std::string what = "transition " + std::to_string(i);
      Letter letter = end;
      if (t.symbol) {
        auto it = letters.find(*t.symbol);
        if (it == letters.end()) fail(what + " reads \"" + *t.symbol + "\", which is not a symbol of the rules");
        letter = it->second;
      } else if (t.height != 0) {
        fail(what + " reads the end marker at height " + std::to_string(t.height) + ", not 0");
      }
      uint32_t from = dense(t.from, what), to = dense(t.to, what);
      arcs_.push_back({from, letter, t.height, to});
    }
    for (size_t s : a.initial) initial_.push_back(dense(s, "the list of initial states"));
    for (size_t s : a.final) final_.push_back(dense(s, "the list of final states"));
    std::sort(arcs_.begin(), arcs_.end());
    arcs_.erase(std::unique(arcs_.begin(), arcs_.end()), arcs_.end());
    begin_.assign(original_.size() + 1, 0);
    for (const Arc& t : arcs_) ++begin_[t.from + 1];
    for (size_t s = 0; s < original_.size(); ++s) begin_[s + 1] += begin_[s];
    is_initial_.assign(original_.size(), false);
    for (uint32_t s : initial_) is_initial_[s] = true;
    is_final_.assign(original_.size(), false);
    for (uint32_t s : final_) is_final_[s] = true;
  }

  size_t size() const { return original_.size(); }
  size_t original(uint32_t s) const { return original_[s]; }
  const std::vector<uint32_t>& initial() const { return initial_; }
  bool is_initial(uint32_t s) const { return is_initial_[s]; }
  bool is_final(uint32_t s) const { return is_final_[s]; }

  // The transitions from s reading `letter`, in increasing height.
  std::pair<const Arc*, const Arc*> out(uint32_t s, Letter letter) const {
    const Arc* b = arcs_.data() + begin_[s];
    const Arc* e = arcs_.data() + begin_[s + 1];
    auto lo = std::lower_bound(b, e, letter, [](const Arc& t, Letter l) { return t.letter < l; });
    auto hi = std::upper_bound(lo, e, letter, [](Letter l, const Arc& t) { return l < t.letter; });
    return {lo, hi};
  }

  bool has(uint32_t from, Letter letter, uint32_t height, uint32_t to) const {
    auto [lo, hi] = out(from, letter);
    return std::binary_search(lo, hi, Arc{from, letter, height, to});
  }

  // The states reached from `start` reading `w` with every symbol at
  // `height` and the end marker at 0.
  std::vector<uint32_t> read_at(const std::vector<uint32_t>& start, const std::vector<Letter>& w, uint32_t height,
                                Letter end) const {
    std::vector<uint32_t> now = start, next;
    for (Letter l : w) {
      next.clear();
      uint32_t h = l == end ? 0 : height;
      for (uint32_t s : now) {
        auto [lo, hi] = out(s, l);
        for (const Arc* t = lo; t != hi; ++t)
          if (t->height == h) next.push_back(t->to);
      }
      std::sort(next.begin(), next.end());
      next.erase(std::unique(next.begin(), next.end()), next.end());
      now.swap(next);
      if (now.empty()) break;
    }
    return now;
  }

  // The pairs (q, min(m, h)) for a transition s -> q reading (letter, h)
  // and (s, m) in `now`.
  std::vector<std::pair<uint32_t, uint32_t>> step(const std::vector<std::pair<uint32_t, uint32_t>>& now,
                                                  Letter letter) const {
    std::vector<std::pair<uint32_t, uint32_t>> next;
    for (auto [s, m] : now) {
      auto [lo, hi] = out(s, letter);
      for (const Arc* t = lo; t != hi; ++t) next.emplace_back(t->to, std::min(m, t->height));
    }
    std::sort(next.begin(), next.end());
    next.erase(std::unique(next.begin(), next.end()), next.end());
    return next;
  }

  // Whether q has every transition into p, and is initial if p is.
  bool absorbs(uint32_t p, uint32_t q) const {
    if (is_initial_[p] && !is_initial_[q]) return false;
    if (incoming_.empty()) {
      incoming_.resize(original_.size());
      for (const Arc& t : arcs_) incoming_[t.to].push_back(t);
      for (auto& in : incoming_) std::sort(in.begin(), in.end());
    }
    for (const Arc& t : incoming_[p])
      if (!has(t.from, t.letter, t.height, q)) return false;
    return true;
  }

 private:
  std::unordered_map<size_t, uint32_t> index_;
  std::vector<size_t> original_;
  std::vector<Arc> arcs_;
  std::vector<size_t> begin_;
  std::vector<uint32_t> initial_, final_;
  std::vector<bool> is_initial_, is_final_;
  mutable std::vector<std::vector<Arc>> incoming_;
};

}  // namespace

void check_match_bounds(const std::vector<NamedRule>& strict, const MatchBoundAutomaton& a) {
  std::map<std::string, Letter> letters;
  for (size_t i = 0; i < strict.size(); ++i) {
    if (strict[i].lhs.empty()) fail("rule " + std::to_string(i) + " has an empty left side");
    for (const NamedWord* w : {&strict[i].lhs, &strict[i].rhs})
      for (const std::string& s : *w) letters.emplace(s, static_cast<Letter>(letters.size()));
  }
  const Letter end = static_cast<Letter>(letters.size());
  Automaton aut(a, letters, end);

  auto letters_of = [&](const NamedWord& w) {
    std::vector<Letter> out;
    for (const std::string& s : w) out.push_back(letters.at(s));
    return out;
  };

  // The start words r $ at height 0.
  for (size_t i = 0; i < strict.size(); ++i) {
    std::vector<Letter> w = letters_of(strict[i].rhs);
    w.push_back(end);
    std::vector<uint32_t> reached = aut.read_at(aut.initial(), w, 0, end);
    if (std::none_of(reached.begin(), reached.end(), [&](uint32_t s) { return aut.is_final(s); }))
      fail("the automaton does not accept the right side of rule " + std::to_string(i) + " (" +
           rule_text(strict[i]) + ") followed by $, at height 0");
  }

  auto state = [&](uint32_t s) { return std::to_string(aut.original(s)); };

  // The rules of match(R$): for each rule l -> r, the paths reading l, and
  // after each proper prefix u of l those going on with ($, 0), the left
  // sides of the extension rules u $ -> r $. Only states with a transition
  // reading the first symbol of l start such paths.
  std::vector<std::vector<uint32_t>> starts(end + 1);
  for (uint32_t p = 0; p < aut.size(); ++p)
    for (Letter l = 0; l <= end; ++l)
      if (aut.out(p, l).first != aut.out(p, l).second) starts[l].push_back(p);
  for (size_t i = 0; i < strict.size(); ++i) {
    const NamedRule& rule = strict[i];
    std::vector<Letter> l = letters_of(rule.lhs), r = letters_of(rule.rhs), r_end = r;
    r_end.push_back(end);
    for (uint32_t p : starts[l[0]]) {
      std::vector<std::pair<uint32_t, uint32_t>> reached{{p, kNoHeight}};
      std::vector<uint32_t> extension_targets;  // reading r $ at height 1 from p
      bool extension_read = false;
      for (size_t k = 0; k < l.size() && !reached.empty(); ++k) {
        if (k > 0) {
          std::vector<std::pair<uint32_t, uint32_t>> ends = aut.step(reached, end);
          for (auto [q, m] : ends) {
            if (!extension_read) {
              extension_targets = aut.read_at({p}, r_end, 1, end);
              extension_read = true;
            }
            if (!std::binary_search(extension_targets.begin(), extension_targets.end(), q))
              fail("the extension rule " + to_text(NamedWord(rule.lhs.begin(), rule.lhs.begin() + k)) + " $ -> " +
                   to_text(rule.rhs) + (rule.rhs.empty() ? "" : " ") + "$ of rule " + std::to_string(i) + " (" +
                   rule_text(rule) + "): a path from state " + state(p) + " to state " + state(q) +
                   " reads its left side, but no path between them reads the right side at height 1");
          }
        }
        reached = aut.step(reached, l[k]);
      }
      std::map<uint32_t, std::vector<uint32_t>> right;  // height -> states reached reading r
      for (auto [q, m] : reached) {
        if (r.empty()) {
          if (p == q || aut.absorbs(p, q)) continue;
          fail("rule " + std::to_string(i) + " (" + rule_text(rule) + "): its left side leads from state " +
               state(p) + " to state " + state(q) + ", but state " + state(q) +
               " lacks a transition into state " + state(p) + " or is not initial when it is");
        }
        if (m >= kNoHeight - 1) fail("a height too large to raise");
        uint32_t h = m + 1;
        auto it = right.find(h);
        if (it == right.end()) it = right.emplace(h, aut.read_at({p}, r, h, end)).first;
        if (!std::binary_search(it->second.begin(), it->second.end(), q))
          fail("rule " + std::to_string(i) + " (" + rule_text(rule) + "): a path from state " + state(p) +
               " to state " + state(q) + " reads its left side with least height " + std::to_string(m) +
               ", but no path between them reads the right side at height " + std::to_string(h));
      }
    }
  }
}

}  // namespace tessivar::engine

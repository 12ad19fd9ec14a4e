// The least covering set of tiles by a worklist fixpoint, the labelled
// problem over it, and the check of both before they are returned.
#include "engine/processors/tiling.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "engine/check/tiling.h"
#include "engine/problem/system_text.h"

namespace tessivar::engine::processors {

namespace {

// Letters of padded words: the borders, then symbol s as s + 2.
constexpr int kLeft = 0, kRight = 1;
using Letters = std::vector<int>;

struct Overflow {
  std::string why;
};

// A word with a gap to fill: for a left side (rewrite), the right context
// is free; for a proper prefix (prefix), the word ends right after it.
struct Pattern {
  size_t rule = 0;
  Letters word;
  bool prefix = false;
};

class Fixpoint {
 public:
  Fixpoint(const Problem& p, size_t k, const TilingLimits& limits, const encodings::StopCondition& stop)
      : k_(k), limits_(limits), stop_(stop) {
    base_ = p.alphabet->size() + 2;
    unsigned __int128 room = 1;
    for (size_t i = 0; i < k; ++i) {
      room *= base_;
      if (room >> 63) throw Overflow{"too many symbols for width " + std::to_string(k)};
    }
    for (size_t i = 0; i < p.strict.size(); ++i) {
      const Rule& r = p.strict[i];
      lhs_.push_back(letters(r.lhs));
      rhs_.push_back(letters(r.rhs));
      patterns_.push_back({i, lhs_.back(), false});
      for (size_t split = 1; split < r.lhs.size(); ++split)
        patterns_.push_back({i, Letters(lhs_.back().begin(), lhs_.back().begin() + static_cast<long>(split)), true});
    }
  }

  void run() {
    for (const Letters& r : rhs_) {
      Letters w(k_ - 1, kLeft);
      w.insert(w.end(), r.begin(), r.end());
      w.insert(w.end(), k_ - 1, kRight);
      add_tiles_of(w);
    }
    while (!work_.empty()) {
      if (stop_.deadline_reached()) throw Overflow{"stopped"};
      size_t id = work_.front();
      work_.pop_front();
      horizon_ = id;
      std::vector<Firing> firings;
      for (size_t pi = 0; pi < patterns_.size(); ++pi) place(id, pi, firings);
      for (Firing& f : firings) fire(f);
    }
  }

  const std::vector<Letters>& tiles() const { return tiles_; }
  const std::vector<std::pair<std::vector<size_t>, std::vector<size_t>>>& labelled_rules() const { return rules_; }
  size_t combinations() const { return fired_.size(); }

 private:
  struct Firing {
    size_t pattern;
    Letters word;    // c w e, with the right borders when e ends the word
    size_t symbols;  // |e|
    bool ends;
  };

  static Letters letters(const Word& w) {
    Letters out;
    for (Symbol s : w) out.push_back(s + 2);
    return out;
  }

  // Letters as the digits of a number in base |alphabet| + 2; the caller
  // makes sure that k digits fit.
  uint64_t code(const int* begin, size_t n) const {
    uint64_t c = 0;
    for (size_t i = 0; i < n; ++i) c = c * base_ + static_cast<uint64_t>(begin[i]);
    return c;
  }

  static uint64_t key_of(const int* begin, size_t n) {
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < n; ++i) h = (h ^ static_cast<uint64_t>(begin[i] + 1)) * 1099511628211ull;
    return h;
  }

  struct Hash {
    size_t operator()(const Letters& l) const { return key_of(l.data(), l.size()); }
  };

  // Whether the tile ending at position `end` of w is in T and was met no
  // later than the tile being placed: a combination is walked only when
  // the last of its tiles is taken from the worklist.
  bool in_t(const Letters& w, size_t end) const {
    auto it = ids_.find(code(w.data() + (end + 1 - k_), k_));
    return it != ids_.end() && it->second <= horizon_;
  }

  size_t id_of(const Letters& w, size_t end) const {
    return ids_.at(code(w.data() + (end + 1 - k_), k_));
  }

  void add_tile(Letters t) {
    const uint64_t c = code(t.data(), k_);
    if (ids_.count(c)) return;
    if (tiles_.size() >= limits_.max_tiles) throw Overflow{"more than " + std::to_string(limits_.max_tiles) + " tiles"};
    size_t id = tiles_.size();
    ids_.emplace(c, id);
    if (t.back() >= 2) by_last_[t.back()].push_back(id);
    next_[code(t.data(), k_ - 1)].push_back(t.back());
    tiles_.push_back(std::move(t));
    work_.push_back(id);
  }

  void add_tiles_of(const Letters& w) {
    for (size_t end = k_ - 1; end < w.size(); ++end)
      add_tile(Letters(w.begin() + static_cast<long>(end + 1 - k_), w.begin() + static_cast<long>(end + 1)));
  }

  // Places tile `id` so that it ends at every position of the pattern's
  // padded word in turn, and collects the combinations it completes.
  void place(size_t id, size_t pi, std::vector<Firing>& out) const {
    const Letters& t = tiles_[id];
    const Pattern& pat = patterns_[pi];
    const size_t w_end = k_ - 1 + pat.word.size();  // first position after the word
    const size_t last = w_end + 2 * (k_ - 1) - 1;   // beyond: no padded word reaches
    for (size_t at = k_ - 1; at <= last; ++at) {
      const size_t from = at + 1 - k_;
      bool fits = true;
      for (size_t p = std::max(from, k_ - 1); p < std::min(at + 1, w_end) && fits; ++p)
        fits = t[p - from] == pat.word[p - (k_ - 1)];
      if (!fits) continue;
      auto fixed = [&](size_t p, int letter) { return p < from || p > at || t[p - from] == letter; };
      auto found = by_last_.find(pat.word.front());
      if (found == by_last_.end()) continue;
      for (size_t cid : found->second) {
        if (cid > horizon_) break;  // in the order met
        const Letters& first = tiles_[cid];
        bool ok = true;
        for (size_t p = 0; p + 1 < k_ && ok; ++p) ok = fixed(p, first[p]);
        if (!ok) continue;
        Letters w(first.begin(), first.end() - 1);
        w.insert(w.end(), pat.word.begin(), pat.word.end());
        for (size_t p = k_; p < w_end && ok; ++p) ok = in_t(w, p);
        if (!ok) continue;
        extend(pi, w, 0, at, fixed, out);
      }
    }
  }

  template <typename Fixed>
  void extend(size_t pi, Letters& w, size_t symbols, size_t at, const Fixed& fixed, std::vector<Firing>& out) const {
    const Pattern& pat = patterns_[pi];
    if (!pat.prefix && symbols == k_ - 1) {
      if (w.size() > at) out.push_back({pi, w, symbols, false});
      return;
    }
    // The word ends here.
    {
      Letters ended = w;
      bool ok = true;
      for (size_t i = 0; i + 1 < k_ && ok; ++i) {
        ended.push_back(kRight);
        ok = fixed(ended.size() - 1, kRight) && in_t(ended, ended.size() - 1);
      }
      if (ok && ended.size() > at) out.push_back({pi, std::move(ended), symbols, true});
    }
    if (pat.prefix) return;
    auto nexts = next_.find(code(w.data() + (w.size() - (k_ - 1)), k_ - 1));
    if (nexts == next_.end()) return;
    for (int s : nexts->second) {
      if (s < 2 || !fixed(w.size(), s)) continue;
      w.push_back(s);
      if (in_t(w, w.size() - 1)) extend(pi, w, symbols + 1, at, fixed, out);
      w.pop_back();
    }
  }

  void fire(const Firing& f) {
    const Pattern& pat = patterns_[f.pattern];
    Letters key = f.word;
    key.push_back(-1 - static_cast<int>(f.pattern));
    if (!fired_.insert(std::move(key)).second) return;
    const Letters& r = rhs_[pat.rule];
    Letters cre(f.word.begin(), f.word.begin() + static_cast<long>(k_ - 1));
    cre.insert(cre.end(), r.begin(), r.end());
    size_t e_from = k_ - 1 + pat.word.size();
    cre.insert(cre.end(), f.word.begin() + static_cast<long>(e_from), f.word.begin() + static_cast<long>(e_from + f.symbols));
    if (f.ends) cre.insert(cre.end(), k_ - 1, kRight);
    add_tiles_of(cre);
    if (pat.prefix) return;
    std::vector<size_t> lhs, rhs;
    for (size_t p = k_ - 1; p < e_from + f.symbols; ++p) lhs.push_back(id_of(f.word, p));
    for (size_t p = k_ - 1; p < k_ - 1 + r.size() + f.symbols; ++p) rhs.push_back(id_of(cre, p));
    if (rule_set_.insert({lhs, rhs}).second) {
      if (rules_.size() >= limits_.max_labelled_rules)
        throw Overflow{"more than " + std::to_string(limits_.max_labelled_rules) + " labelled rules"};
      rules_.emplace_back(std::move(lhs), std::move(rhs));
    }
  }

  const size_t k_;
  const TilingLimits& limits_;
  const encodings::StopCondition& stop_;
  std::vector<Letters> lhs_, rhs_;
  std::vector<Pattern> patterns_;
  std::vector<Letters> tiles_;
  std::unordered_map<uint64_t, size_t> ids_;  // by code()
  std::unordered_map<int, std::vector<size_t>> by_last_;        // tiles ending in a symbol
  std::unordered_map<uint64_t, std::vector<int>> next_;  // by the code of k-1 letters: the letters after them
  uint64_t base_ = 2;
  std::deque<size_t> work_;  // tiles in the order met: ids increase
  size_t horizon_ = 0;        // the id of the tile being placed
  std::unordered_set<Letters, Hash> fired_;
  std::set<std::pair<std::vector<size_t>, std::vector<size_t>>> rule_set_;
  std::vector<std::pair<std::vector<size_t>, std::vector<size_t>>> rules_;
};

// Readable names: the symbol and its context in brackets, "b[<a]" (one
// character names) or "bb[<.aa]" (longer ones). A name the text format
// cannot hold, or one taken already, becomes "tileN" (with primes if need be).
std::vector<std::string> label_names(const Alphabet& a, const std::vector<Letters>& tiles,
                                     const std::vector<size_t>& labelled) {
  bool one_character = true;
  for (size_t id : labelled)
    for (int l : tiles[id])
      if (l >= 2 && a.name(l - 2).size() != 1) one_character = false;
  std::set<std::string> taken;
  std::vector<std::string> names;
  for (size_t i = 0; i < labelled.size(); ++i) {
    const Letters& t = tiles[labelled[i]];
    std::string name = a.name(t.back() - 2) + "[";
    for (size_t p = 0; p + 1 < t.size(); ++p) {
      if (p > 0 && !one_character) name += '.';
      name += t[p] == kLeft ? "<" : a.name(t[p] - 2);
    }
    name += "]";
    bool valid = true;
    try {
      check_symbol_name(name);
    } catch (const InputError&) {
      valid = false;
    }
    if (!valid || taken.count(name)) {
      name = "tile" + std::to_string(i);
      while (taken.count(name)) name += "'";
    }
    taken.insert(name);
    names.push_back(std::move(name));
  }
  return names;
}

TileLetter named_letter(const Alphabet& a, int l) {
  if (l == kLeft) return TileLetter::left_border();
  if (l == kRight) return TileLetter::right_border();
  return TileLetter::symbol(a.name(l - 2));
}

TilingResult refused(std::string why) {
  TilingResult r;
  r.refusal = std::move(why);
  return r;
}

}  // namespace

TilingResult tile_problem(const Problem& p, int width, const TilingLimits& limits,
                          const encodings::StopCondition& stop) {
  auto start = std::chrono::steady_clock::now();
  if (p.top) return refused("top mode");
  if (!p.weak.empty()) return refused("weak rules");
  if (width < 2) return refused("a width below 2");
  for (const Rule& r : p.strict)
    if (r.lhs.empty()) return refused("a rule with an empty left side");
  const size_t k = static_cast<size_t>(width);

  std::unique_ptr<Fixpoint> fixpoint;
  try {
    fixpoint = std::make_unique<Fixpoint>(p, k, limits, stop);
    fixpoint->run();
  } catch (const Overflow& o) {
    return refused(o.why);
  }
  const Fixpoint& fix = *fixpoint;

  // Tiles in the order of their letters (borders first), so that the
  // certificate does not depend on the order the fixpoint met them.
  const std::vector<Letters>& tiles = fix.tiles();
  std::vector<size_t> order(tiles.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](size_t x, size_t y) { return tiles[x] < tiles[y]; });
  std::vector<size_t> labelled;
  for (size_t id : order)
    if (tiles[id].back() >= 2) labelled.push_back(id);
  std::vector<std::string> names = label_names(*p.alphabet, tiles, labelled);

  auto alphabet = std::make_shared<Alphabet>();
  std::vector<Symbol> symbol_of(tiles.size(), -1);
  for (size_t i = 0; i < labelled.size(); ++i) symbol_of[labelled[i]] = alphabet->intern(names[i]);

  TilingResult out;
  Tiling tiling;
  tiling.width = width;
  for (size_t id : order) {
    LabelledTile lt;
    for (int l : tiles[id]) lt.tile.push_back(named_letter(*p.alphabet, l));
    if (symbol_of[id] >= 0) lt.label = alphabet->name(symbol_of[id]);
    tiling.tiles.push_back(std::move(lt));
  }
  Problem labelled_problem;
  labelled_problem.alphabet = alphabet;
  for (const auto& [lhs, rhs] : fix.labelled_rules()) {
    Rule r;
    for (size_t id : lhs) r.lhs.push_back(symbol_of.at(id));
    for (size_t id : rhs) r.rhs.push_back(symbol_of.at(id));
    labelled_problem.strict.push_back(std::move(r));
  }

  // The checker's word on T, and its own R_T, must agree with ours.
  std::vector<NamedRule> strict;
  for (const Rule& r : p.strict) strict.push_back(p.named(r));
  try {
    std::vector<NamedRule> checked = check_tiling(strict, tiling);
    auto less = [](const NamedRule& a, const NamedRule& b) { return a.lhs != b.lhs ? a.lhs < b.lhs : a.rhs < b.rhs; };
    std::set<NamedRule, decltype(less)> ours(less), theirs(less);
    for (const Rule& r : labelled_problem.strict) ours.insert(labelled_problem.named(r));
    theirs.insert(checked.begin(), checked.end());
    if (ours.size() != labelled_problem.strict.size() || theirs.size() != checked.size() ||
        !std::equal(ours.begin(), ours.end(), theirs.begin(), theirs.end(),
                    [](const NamedRule& a, const NamedRule& b) { return a == b; }))
      return refused("internal error: the checker's labelled rules differ from the search's");
  } catch (const CheckFailure& e) {
    return refused(std::string("internal error: the checker refuses the tiling: ") + e.what());
  }

  out.stats.tiles = tiling.tiles.size();
  out.stats.labelled_symbols = labelled.size();
  out.stats.labelled_rules = labelled_problem.strict.size();
  out.stats.combinations = fix.combinations();
  out.stats.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  out.tiling = std::move(tiling);
  out.labelled = std::move(labelled_problem);
  return out;
}

}  // namespace tessivar::engine::processors

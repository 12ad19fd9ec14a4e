// The tiles are read into small integers here (0 the left border, 1 the
// right border, 2 + i the i-th symbol of the rules), and every condition is
// checked by a plain walk over the contexts that T allows: a left context
// is the first k-1 letters of a tile of T that ends in the left side's
// first symbol, and a right context grows a letter at a time as long as the
// tile it completes is in T.
#include "engine/check/tiling.h"

#include <cctype>
#include <map>
#include <optional>
#include <set>
#include <string>

namespace tessivar::engine {

namespace {

constexpr int kLeft = 0, kRight = 1;

using Letters = std::vector<int>;

class TilingCheck {
 public:
  TilingCheck(const std::vector<NamedRule>& strict, const Tiling& t) : strict_(strict), t_(t) {}

  std::vector<NamedRule> run() {
    if (t_.width < 2) fail("the width must be at least 2, not " + std::to_string(t_.width));
    k_ = static_cast<size_t>(t_.width);
    for (const NamedRule& r : strict_) {
      if (r.lhs.empty()) fail("the rule " + rule_text(r) + " has an empty left side");
      for (const auto* side : {&r.lhs, &r.rhs})
        for (const std::string& s : *side)
          if (!ids_.count(s)) {
            ids_.emplace(s, static_cast<int>(names_.size()) + 2);
            names_.push_back(s);
          }
    }
    read_tiles();
    check_right_sides();
    std::vector<NamedRule> out;
    std::set<NamedRule, RuleLess> seen;
    for (const NamedRule& r : strict_) check_rewrite(r, out, seen);
    for (const NamedRule& r : strict_) check_prefixes(r);
    return out;
  }

 private:
  struct RuleLess {
    bool operator()(const NamedRule& a, const NamedRule& b) const {
      return a.lhs != b.lhs ? a.lhs < b.lhs : a.rhs < b.rhs;
    }
  };

  [[noreturn]] void fail(const std::string& what) const { throw CheckFailure("tiling step: " + what); }

  static std::string rule_text(const NamedRule& r) { return "\"" + to_text(r.lhs) + " -> " + to_text(r.rhs) + "\""; }

  std::string letters_text(const Letters& w) const {
    std::string out;
    for (int l : w) {
      if (!out.empty()) out += ' ';
      out += l == kLeft ? "<" : l == kRight ? ">" : names_[static_cast<size_t>(l - 2)];
    }
    return out;
  }

  Letters word_letters(const NamedWord& w) const {
    Letters out;
    for (const std::string& s : w) out.push_back(ids_.at(s));
    return out;
  }

  void read_tiles() {
    std::set<std::string> label_names;
    for (size_t i = 0; i < t_.tiles.size(); ++i) {
      const LabelledTile& lt = t_.tiles[i];
      const std::string at = "tile " + std::to_string(i) + " [" + tile_text(lt.tile) + "]";
      if (lt.tile.size() != k_)
        fail(at + " has " + std::to_string(lt.tile.size()) + " letters, not " + std::to_string(k_));
      Letters tile;
      for (const TileLetter& l : lt.tile) {
        if (l.kind == TileLetter::Kind::LeftBorder) {
          tile.push_back(kLeft);
        } else if (l.kind == TileLetter::Kind::RightBorder) {
          tile.push_back(kRight);
        } else {
          auto it = ids_.find(l.name);
          if (it == ids_.end()) fail(at + " holds \"" + l.name + "\", which is no symbol of the rules");
          tile.push_back(it->second);
        }
      }
      // <^i s >^j with i, j <= k-1.
      size_t lefts = 0, rights = 0;
      while (lefts < k_ && tile[lefts] == kLeft) ++lefts;
      while (rights < k_ && tile[k_ - 1 - rights] == kRight) ++rights;
      if (lefts + rights > k_) fail(at + " is not a tile of a padded word");
      for (size_t p = lefts; p < k_ - rights; ++p)
        if (tile[p] < 2) fail(at + " has a border between symbols");
      if (lefts == k_ || rights == k_ || lefts > k_ - 1 || rights > k_ - 1)
        fail(at + " has more than " + std::to_string(k_ - 1) + " borders of one kind");
      bool ends_in_symbol = tile.back() >= 2;
      if (ends_in_symbol && !lt.label) fail(at + " ends in a symbol but has no name");
      if (!ends_in_symbol && lt.label) fail(at + " ends in the right border but has a name");
      if (lt.label) {
        const std::string& name = *lt.label;
        if (name.empty()) fail(at + " has an empty name");
        for (unsigned char c : name)
          if (std::isspace(c)) fail(at + " has the name \"" + name + "\", which contains white space");
        if (!label_names.insert(name).second) fail(at + " has the name \"" + name + "\" of another tile");
      }
      if (!tiles_.emplace(tile, lt.label ? *lt.label : std::string()).second) fail(at + " occurs twice");
      if (ends_in_symbol) {
        Letters context(tile.begin(), tile.end() - 1);
        contexts_[tile.back()].push_back(context);
      }
    }
  }

  // The tiles of a padded word (any factor of length k).
  std::vector<Letters> tiles_of(const Letters& w) const {
    std::vector<Letters> out;
    for (size_t end = k_; end <= w.size(); ++end) out.emplace_back(w.begin() + static_cast<long>(end - k_), w.begin() + static_cast<long>(end));
    return out;
  }

  // The first of the tiles that is not in T, if any.
  std::optional<Letters> missing(const std::vector<Letters>& tiles) const {
    for (const Letters& t : tiles)
      if (!tiles_.count(t)) return t;
    return std::nullopt;
  }

  void check_right_sides() const {
    for (const NamedRule& r : strict_) {
      Letters w(k_ - 1, kLeft);
      for (int s : word_letters(r.rhs)) w.push_back(s);
      w.insert(w.end(), k_ - 1, kRight);
      std::vector<Letters> tiles = tiles_of(w);
      if (std::optional<Letters> t = missing(tiles))
        fail("the tile [" + letters_text(*t) + "] of the right side of " + rule_text(r) + " is missing");
    }
  }

  // Labels of the positions [from, to) of w: the name of the tile ending there.
  NamedWord labels(const Letters& w, size_t from, size_t to) const {
    NamedWord out;
    for (size_t p = from; p < to; ++p) {
      Letters t(w.begin() + static_cast<long>(p + 1 - k_), w.begin() + static_cast<long>(p + 1));
      out.push_back(tiles_.at(t));
    }
    return out;
  }

  // Every (c, e) for which every tile of c l e is in T; `found` gets the
  // word c l e (with the right borders when e ends it) and |e| in symbols.
  template <typename F>
  void right_contexts(Letters& w, size_t symbols, F&& found) const {
    if (symbols == k_ - 1) {
      found(w, symbols, false);
      return;
    }
    // The padding, when e ends here.
    Letters ended = w;
    ended.insert(ended.end(), k_ - 1, kRight);
    bool all_in = true;
    for (size_t end = w.size() + 1; end <= ended.size() && all_in; ++end)
      all_in = tiles_.count(Letters(ended.begin() + static_cast<long>(end - k_), ended.begin() + static_cast<long>(end))) > 0;
    if (all_in) found(ended, symbols, true);
    for (int s = 2; s < static_cast<int>(names_.size()) + 2; ++s) {
      w.push_back(s);
      if (tiles_.count(Letters(w.end() - static_cast<long>(k_), w.end()))) right_contexts(w, symbols + 1, found);
      w.pop_back();
    }
  }

  // The left contexts c of a word starting with `first` for which c first is a tile of T.
  const std::vector<Letters>& left_contexts(int first) const {
    static const std::vector<Letters> none;
    auto it = contexts_.find(first);
    return it == contexts_.end() ? none : it->second;
  }

  // Whether every tile of c u (u from position k-1 on) is in T.
  bool prefix_in(const Letters& w) const {
    for (size_t end = k_; end <= w.size(); ++end)
      if (!tiles_.count(Letters(w.begin() + static_cast<long>(end - k_), w.begin() + static_cast<long>(end)))) return false;
    return true;
  }

  void check_rewrite(const NamedRule& r, std::vector<NamedRule>& out, std::set<NamedRule, RuleLess>& seen) const {
    const Letters l = word_letters(r.lhs), rhs = word_letters(r.rhs);
    for (const Letters& c : left_contexts(l.front())) {
      Letters w = c;
      w.insert(w.end(), l.begin(), l.end());
      if (!prefix_in(w)) continue;
      right_contexts(w, 0, [&](const Letters& cle, size_t symbols, bool ends) {
        Letters e(cle.begin() + static_cast<long>(k_ - 1 + l.size()),
                  cle.begin() + static_cast<long>(k_ - 1 + l.size() + symbols));
        Letters cre = c;
        cre.insert(cre.end(), rhs.begin(), rhs.end());
        cre.insert(cre.end(), e.begin(), e.end());
        if (ends) cre.insert(cre.end(), k_ - 1, kRight);
        if (std::optional<Letters> t = missing(tiles_of(cre)))
          fail("T is not closed under rewriting: the rule " + rule_text(r) + " in [" + letters_text(cle) +
               "] gives [" + letters_text(cre) + "], whose tile [" + letters_text(*t) + "] is missing");
        NamedRule labelled{labels(cle, k_ - 1, k_ - 1 + l.size() + symbols),
                           labels(cre, k_ - 1, k_ - 1 + rhs.size() + symbols)};
        if (seen.insert(labelled).second) out.push_back(std::move(labelled));
      });
    }
  }

  void check_prefixes(const NamedRule& r) const {
    const Letters l = word_letters(r.lhs), rhs = word_letters(r.rhs);
    for (size_t split = 1; split < l.size(); ++split)
      for (const Letters& c : left_contexts(l.front())) {
        Letters w = c;
        w.insert(w.end(), l.begin(), l.begin() + static_cast<long>(split));
        w.insert(w.end(), k_ - 1, kRight);
        if (!prefix_in(w)) continue;
        Letters cr = c;
        cr.insert(cr.end(), rhs.begin(), rhs.end());
        cr.insert(cr.end(), k_ - 1, kRight);
        if (std::optional<Letters> t = missing(tiles_of(cr)))
          fail("T is not closed under the prefixes of left sides: the prefix [" + letters_text(w) + "] of " +
               rule_text(r) + " gives [" + letters_text(cr) + "], whose tile [" + letters_text(*t) + "] is missing");
      }
  }

  const std::vector<NamedRule>& strict_;
  const Tiling& t_;
  size_t k_ = 2;
  std::map<std::string, int> ids_;
  std::vector<std::string> names_;
  std::map<Letters, std::string> tiles_;  // a tile and its label ("" for none)
  std::map<int, std::vector<Letters>> contexts_;  // by the symbol a tile ends in: its first k-1 letters
};

}  // namespace

std::vector<NamedRule> check_tiling(const std::vector<NamedRule>& strict, const Tiling& t) {
  return TilingCheck(strict, t).run();
}

}  // namespace tessivar::engine

// Semantic labelling by tiles, as a proof step states it.
//
// A word w of width-k tiles is padded as <^(k-1) w >^(k-1), with a left
// border < and a right border > that are not symbols; its tiles are the
// factors of length k of the padded word. A tiling step gives a set T of
// tiles that covers the rewrite-and-forward closure of the strict rules
// (see check/tiling.h for what that takes), and a name for every tile that
// ends in a symbol: the symbol labelled by the k-1 letters before it. The
// step goes on with the labelled rules, which the checker computes from T.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tessivar::engine {

// A letter of a padded word: a symbol (by name) or one of the borders.
struct TileLetter {
  enum class Kind { LeftBorder, Symbol, RightBorder };
  Kind kind = Kind::Symbol;
  std::string name;  // Symbol only; empty for a border

  static TileLetter left_border() { return {Kind::LeftBorder, ""}; }
  static TileLetter right_border() { return {Kind::RightBorder, ""}; }
  static TileLetter symbol(std::string name) { return {Kind::Symbol, std::move(name)}; }

  bool is_symbol() const { return kind == Kind::Symbol; }
  bool operator==(const TileLetter& o) const { return kind == o.kind && name == o.name; }
  bool operator!=(const TileLetter& o) const { return !(*this == o); }
  bool operator<(const TileLetter& o) const { return kind != o.kind ? kind < o.kind : name < o.name; }
};

using NamedTile = std::vector<TileLetter>;

// A tile of T and the name of its labelled symbol: present exactly when the
// tile ends in a symbol (a tile ending in a right border labels nothing).
struct LabelledTile {
  NamedTile tile;
  std::optional<std::string> label;
  bool operator==(const LabelledTile& o) const { return tile == o.tile && label == o.label; }
};

struct Tiling {
  int width = 2;
  std::vector<LabelledTile> tiles;
  bool operator==(const Tiling& o) const { return width == o.width && tiles == o.tiles; }
};

// "< a b": symbols by name, the borders as < and >.
std::string tile_text(const NamedTile& t);

// The step for a person: the width, how many tiles and labelled symbols,
// how many labelled rules (`labelled_rules`, which the tiling does not
// hold; left out when not given), then every labelled symbol as the symbol
// after its context. Every line after the first is indented by `indent`.
void print_tiling(std::ostream& out, const Tiling& t, std::optional<size_t> labelled_rules, int indent = 0);

}  // namespace tessivar::engine

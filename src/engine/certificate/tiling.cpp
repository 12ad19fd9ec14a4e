// Tiles as text and the printed form of a tiling step.
#include "engine/certificate/tiling.h"

#include <algorithm>

namespace tessivar::engine {

namespace {

std::string letter_text(const TileLetter& l) {
  switch (l.kind) {
    case TileLetter::Kind::LeftBorder:
      return "<";
    case TileLetter::Kind::RightBorder:
      return ">";
    case TileLetter::Kind::Symbol:
      break;
  }
  return l.name;
}

}  // namespace

std::string tile_text(const NamedTile& t) {
  std::string out;
  for (const TileLetter& l : t) {
    if (!out.empty()) out += ' ';
    out += letter_text(l);
  }
  return out;
}

void print_tiling(std::ostream& out, const Tiling& t, std::optional<size_t> labelled_rules, int indent) {
  size_t labelled = 0, width = 0;
  for (const LabelledTile& lt : t.tiles)
    if (lt.label) {
      ++labelled;
      width = std::max(width, lt.label->size());
    }
  const std::string pad(static_cast<size_t>(std::max(indent, 0)), ' ');
  out << "Semantic labelling by tiles of width " << t.width << ": " << t.tiles.size() << " tile"
      << (t.tiles.size() == 1 ? "" : "s") << " cover the closure, " << labelled << " labelled symbol"
      << (labelled == 1 ? "" : "s");
  if (labelled_rules) out << ", " << *labelled_rules << " labelled rule" << (*labelled_rules == 1 ? "" : "s");
  out << ".\n";
  out << pad << "Each symbol is labelled by the " << (t.width - 1) << " letter" << (t.width == 2 ? "" : "s")
      << " before it (< is the left border):\n";
  for (const LabelledTile& lt : t.tiles) {
    if (!lt.label || lt.tile.empty()) continue;
    NamedTile context(lt.tile.begin(), lt.tile.end() - 1);
    out << pad << "  " << *lt.label << std::string(width - lt.label->size(), ' ') << "  is "
        << letter_text(lt.tile.back()) << " after " << tile_text(context) << "\n";
  }
  size_t unlabelled = t.tiles.size() - labelled;
  if (unlabelled > 0) {
    out << pad << "Tiles at the right end (" << unlabelled << "):";
    for (const LabelledTile& lt : t.tiles)
      if (!lt.label) out << " [" << tile_text(lt.tile) << "]";
    out << "\n";
  }
}

}  // namespace tessivar::engine

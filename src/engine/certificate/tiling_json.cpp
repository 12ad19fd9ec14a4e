// The payload of a tiling step as JSON and back, read strictly with the
// path of every offending value.
#include "engine/certificate/tiling_json.h"

#include <cctype>
#include <limits>
#include <set>

#include "engine/certificate/json_reading.h"

namespace tessivar::engine {

namespace {

using nlohmann::json;
using nlohmann::ordered_json;

using json_reading::fail;
using json_reading::wrong_type;

// A name of a symbol: not empty, no white space (it must stand in a word).
std::string get_name(const json& j, const std::string& where) {
  if (!j.is_string()) wrong_type(where, j, "a name (a string)");
  const std::string& s = j.get_ref<const std::string&>();
  if (s.empty()) fail(where, "a name is empty");
  for (unsigned char c : s)
    if (std::isspace(c)) fail(where, "the name \"" + s + "\" contains white space");
  return s;
}

TileLetter get_letter(const json& j, const std::string& where) {
  if (j.is_string()) return TileLetter::symbol(get_name(j, where));
  if (j.is_number_unsigned()) {
    auto v = j.get<uint64_t>();
    if (v == 0) return TileLetter::left_border();
    if (v == 1) return TileLetter::right_border();
    fail(where, "a border is 0 (left) or 1 (right), not " + std::to_string(v));
  }
  if (j.is_number_integer()) fail(where, "a border is 0 (left) or 1 (right), not " + std::to_string(j.get<int64_t>()));
  wrong_type(where, j, "a symbol name or a border (0 or 1)");
}

ordered_json letter_json(const TileLetter& l) {
  switch (l.kind) {
    case TileLetter::Kind::LeftBorder:
      return 0;
    case TileLetter::Kind::RightBorder:
      return 1;
    case TileLetter::Kind::Symbol:
      break;
  }
  return l.name;
}

}  // namespace

ordered_json tiling_json(const Tiling& t) {
  ordered_json tiles = ordered_json::array();
  for (const LabelledTile& lt : t.tiles) {
    ordered_json letters = ordered_json::array();
    for (const TileLetter& l : lt.tile) letters.push_back(letter_json(l));
    tiles.push_back(ordered_json::array({std::move(letters), lt.label ? ordered_json(*lt.label) : ordered_json(nullptr)}));
  }
  ordered_json out;
  out["width"] = t.width;
  out["tiles"] = std::move(tiles);
  return out;
}

Tiling read_tiling(const json& step, const std::string& path) {
  if (!step.is_object()) wrong_type(path, step, "an object");
  static const std::set<std::string> allowed = {"step", "width", "tiles", "next"};
  for (const auto& [key, value] : step.items())
    if (!allowed.count(key)) fail(path, "unknown key \"" + key + "\"");
  for (const char* key : {"width", "tiles"})
    if (!step.contains(key)) fail(path, std::string("the key \"") + key + "\" is missing");

  Tiling t;
  const json& width = step["width"];
  const std::string width_at = path + ".width";
  if (width.is_number_unsigned()) {
    auto v = width.get<uint64_t>();
    if (v > static_cast<uint64_t>(std::numeric_limits<int>::max())) fail(width_at, "the width is too large");
    t.width = static_cast<int>(v);
  } else if (width.is_number_integer()) {
    fail(width_at, "expected a natural number, found a negative one");
  } else {
    wrong_type(width_at, width, "a natural number");
  }

  const json& tiles = step["tiles"];
  const std::string tiles_at = path + ".tiles";
  if (!tiles.is_array()) wrong_type(tiles_at, tiles, "a list");
  size_t i = 0;
  for (const json& entry : tiles) {
    std::string at = tiles_at + "[" + std::to_string(i++) + "]";
    if (!entry.is_array() || entry.size() != 2) fail(at, "a tile is a list [letters, name]");
    const json& letters = entry[0];
    if (!letters.is_array()) wrong_type(at + "[0]", letters, "a list of letters");
    LabelledTile lt;
    size_t k = 0;
    for (const json& l : letters) lt.tile.push_back(get_letter(l, at + "[0][" + std::to_string(k++) + "]"));
    if (!entry[1].is_null()) lt.label = get_name(entry[1], at + "[1]");
    t.tiles.push_back(std::move(lt));
  }
  return t;
}

}  // namespace tessivar::engine

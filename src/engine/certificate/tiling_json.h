// The payload of a tiling step in a certificate, and back:
//   "width": k, "tiles": [[TILE, NAME], ...]
// TILE is a list of k letters, each a symbol name (a string) or 0 for the
// left border or 1 for the right border; NAME is the labelled symbol's name,
// or null for a tile that ends in a right border.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "engine/certificate/json.h"
#include "engine/certificate/tiling.h"

namespace tessivar::engine {

// The object {"width": k, "tiles": [...]}; the caller adds "step" and
// "next" around it.
nlohmann::ordered_json tiling_json(const Tiling& t);

// Reads "width" and "tiles" of a step object whose other keys may only be
// "step" and "next" (the caller's). Refuses, with CertificateFormatError
// naming the path of the offending value: a missing or unknown key, a width
// that is not a natural number, a tile that is not a list, a letter that is
// neither a string nor 0 or 1, an empty symbol name or one with white space,
// a name that is neither a string without white space nor null. Whether the
// tiles are well formed and cover the closure is the checker's question.
Tiling read_tiling(const nlohmann::json& step, const std::string& path);

}  // namespace tessivar::engine

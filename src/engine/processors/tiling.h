// Semantic labelling by tiles: the least set T of width-k tiles that covers
// the rewrite-and-forward closure of the strict rules, and the labelled
// system R_T over symbols that carry the k-1 letters before them.
//
// T is computed as a fixpoint with a worklist: a tile taken from the list
// is placed at every position of every pattern it could be part of (a left
// side with its contexts, or a proper prefix of one followed by the end of
// the word), and only the contexts that T allows around it are walked; each
// combination whose tiles are all in T adds the tiles of its rewritten form.
// A result is returned only after the independent checker has accepted the
// tiling and computed the same labelled rules.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "engine/certificate/tiling.h"
#include "engine/encodings/stop_condition.h"
#include "engine/problem/problem.h"

namespace tessivar::engine::processors {

struct TilingLimits {
  size_t max_tiles = 5000;
  size_t max_labelled_rules = 20000;
};

struct TilingStats {
  size_t tiles = 0;             // |T|
  size_t labelled_symbols = 0;  // tiles that end in a symbol
  size_t labelled_rules = 0;    // |R_T|, duplicates removed
  size_t combinations = 0;      // (pattern, context) combinations that fired
  double seconds = 0;           // fixpoint, labelling and check
};

struct TilingResult {
  // When the tiling applies: T with names, and the problem whose strict
  // rules are R_T, over an alphabet of the labelled names only.
  std::optional<Tiling> tiling;
  Problem labelled;
  TilingStats stats;
  std::string refusal;  // why not, when `tiling` is empty

  bool applies() const { return tiling.has_value(); }
};

// Refuses (without throwing) a problem with weak rules, in top mode or with
// an empty left side, a width below 2, a fixpoint that passes the limits or
// the stop's deadline, and, as an internal error, a result the checker does
// not accept.
TilingResult tile_problem(const Problem& p, int width, const TilingLimits& limits,
                          const encodings::StopCondition& stop);

}  // namespace tessivar::engine::processors

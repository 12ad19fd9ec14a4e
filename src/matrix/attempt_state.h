// The state of one matrix attempt, shared by the benchmark writer, the
// product and comparison blocks and the model reader.
#pragma once
#include <charconv>
#include <cstdint>
#include <string>

#include "store/store.h"
#include "util/checked_table.h"

constexpr int64_t MaxDimension = 5;

// Collects benchmark text and hands it to Rr in large pieces: benchmarks run
// to tens of megabytes, and a flush per line would dominate the attempt.
struct BenchmarkText {
  std::string buf;
  BenchmarkText& Text(const char* t) {
    buf.append(t);
    return *this;
  }
  BenchmarkText& Number(int64_t value) {
    char t[24];
    auto r = std::to_chars(t, t + sizeof t, value);
    buf.append(t, r.ptr);
    return *this;
  }
  // "matrix row column": numbers with one blank between neighbours.
  BenchmarkText& Entry(int64_t matrix, int64_t row, int64_t column) {
    return Number(matrix).Text(" ").Number(row).Text(" ").Number(column);
  }
  // Hands the text on once it has grown large.
  void FlushIfFull() {
    if (buf.size() >= (1u << 16)) Flush();
  }
  void Flush() {
    if (!buf.empty()) Rr.Write(buf);
    buf.clear();
  }
};

// A symbol's matrix entry as the model gives it.
struct ModelEntry {
  int64_t v = 0;
  bool infinite = false;   // the mode's infinite element
  bool too_large = false;  // the model's number does not fit 64 bits
};
using SymbolMatrix = CheckedTable<CheckedTable<ModelEntry, MaxDimension>, MaxDimension>;
using SymbolMatrices = CheckedTable<SymbolMatrix, MaxSymbols>;
using StrictFlags = CheckedTable<bool, MaxRules>;

struct Attempt {
  int64_t d = 1;            // the dimension
  int64_t rule = 0;         // the rule whose constraints are being written
  int64_t last_matrix = 0;  // the last matrix number handed out
  std::string answer;       // the solver's answer line
  StrictFlags strict;       // the rules the model marks strictly decreasing
  BenchmarkText bench;

  // Writes the constraints that make matrix z the product of matrices x and y.
  void Mul(int64_t x, int64_t y, int64_t z);
  // Writes the comparison of the current rule's sides, matrices left and right.
  void Gr(int64_t left, int64_t right);
  // Reads the model, checks it, prints it and removes the strictly decreasing rules.
  void Find();
};

// Recomputes both sides of every rule from the symbols' matrices alone and
// confirms exactly what the benchmark demands of a model: the symbols'
// entries, every rule weakly decreasing, and the rules flagged strict strictly
// decreasing (in normal mode: strict exactly when the top-left entry drops).
// Any arithmetic overflow fails the check.
bool CheckInterpretation(int64_t d, const SymbolMatrices& w, const StrictFlags& strict);

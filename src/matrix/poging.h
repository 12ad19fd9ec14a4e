// The state of one matrix attempt, shared by the benchmark writer, the
// product and comparison blocks and the model reader.
#pragma once
#include <charconv>
#include <cstdint>
#include <string>

#include "common/tabel.h"
#include "store/store.h"

constexpr int64_t Maxdim = 5;

// Collects benchmark text and hands it to Rr in large pieces: benchmarks run
// to tens of megabytes, and a flush per line would dominate the attempt.
struct Schrijver {
  std::string buf;
  Schrijver& s(const char* t) {
    buf.append(t);
    return *this;
  }
  Schrijver& n(int64_t g) {
    char t[24];
    auto r = std::to_chars(t, t + sizeof t, g);
    buf.append(t, r.ptr);
    return *this;
  }
  // "m a b": numbers with one blank between neighbours.
  Schrijver& n3(int64_t m, int64_t a, int64_t b) { return n(m).s(" ").n(a).s(" ").n(b); }
  void Vol() {
    if (buf.size() >= (1u << 16)) Leeg();
  }
  void Leeg() {
    if (!buf.empty()) Rr.Schrijf(buf);
    buf.clear();
  }
};

// A symbol's matrix entry as the model gives it.
struct Invoer {
  int64_t v = 0;
  bool oneindig = false;  // the mode's infinite element
  bool tegroot = false;   // the model's number does not fit 64 bits
};
using Symboolmatrix = Tabel<Tabel<Invoer, Maxdim>, Maxdim>;
using Symboolwaarden = Tabel<Symboolmatrix, Maxnamen>;
using Striktvlaggen = Tabel<bool, Maxregels>;

struct Poging {
  int64_t d = 1;
  int64_t regel = 0;     // the rule whose constraints are being written
  int64_t teller = 0;    // the last matrix number handed out
  std::string antwoord;  // the solver's answer line
  Striktvlaggen strikt;
  Schrijver w;

  void Mul(int64_t x, int64_t y, int64_t z);
  void Gr(int64_t links, int64_t rechts);
  void Find();
};

// Recomputes both sides of every rule from the symbols' matrices alone and
// confirms exactly what the benchmark demands of a model: the symbols'
// entries, every rule weakly decreasing, and the rules flagged strict strictly
// decreasing (in normal mode: strict exactly when the top-left entry drops).
// Any arithmetic overflow fails the check.
bool Toets(int64_t d, const Symboolwaarden& w, const Striktvlaggen& strikt);

// The interpretation check: the prover never removes a rule on the solver's
// word alone. Products are recomputed exactly from the symbols' matrices.
#include <array>

#include "matrix/attempt_state.h"
#include "store/store.h"

namespace {

// A nonnegative integer of 256 bits. Normal-mode entries of a side of 49
// symbols with entries 0..7 stay below 21^49 < 2^216, so a correct model never
// overflows; an overflow anyway makes the check fail.
struct Natural256 {
  std::array<uint64_t, 4> w{};
};

Natural256 Natural(uint64_t v) {
  Natural256 g;
  g.w[0] = v;
  return g;
}

bool AddTo(Natural256& a, const Natural256& b) {
  unsigned __int128 c = 0;
  for (int q = 0; q < 4; q++) {
    c += static_cast<unsigned __int128>(a.w[q]) + b.w[q];
    a.w[q] = static_cast<uint64_t>(c);
    c >>= 64;
  }
  return c == 0;
}

bool MultiplyBy(Natural256& a, uint64_t m) {
  unsigned __int128 c = 0;
  for (int q = 0; q < 4; q++) {
    c += static_cast<unsigned __int128>(a.w[q]) * m;
    a.w[q] = static_cast<uint64_t>(c);
    c >>= 64;
  }
  return c == 0;
}

int Compare(const Natural256& a, const Natural256& b) {
  for (int q = 3; q >= 0; q--)
    if (a.w[q] != b.w[q]) return a.w[q] < b.w[q] ? -1 : 1;
  return 0;
}

// An entry of the mode's semiring: an integer, or the infinite element
// (plus infinity in tropical mode, minus infinity in arctic mode).
struct Element {
  bool infinite = false;
  Natural256 v;
};
using Matrix = std::array<std::array<Element, MaxDimension + 1>, MaxDimension + 1>;

enum class Mode { Normal, Tropical, Arctic };

struct Evaluator {
  int64_t d;
  Mode m;
  const SymbolMatrices& w;
  bool ok = true;  // false after an overflow

  Matrix OfSymbol(int64_t s) const {
    Matrix a{};
    for (int64_t i = 1; i <= d; i++)
      for (int64_t j = 1; j <= d; j++) {
        const ModelEntry& e = w[s][i][j];
        a[i][j].infinite = e.infinite;
        if (!e.infinite) a[i][j].v = Natural(static_cast<uint64_t>(e.v));
      }
    return a;
  }

  Matrix Identity() const {
    Matrix a{};
    for (int64_t i = 1; i <= d; i++)
      for (int64_t j = 1; j <= d; j++) {
        if (m == Mode::Normal)
          a[i][j].v = Natural(i == j ? 1 : 0);
        else
          a[i][j].infinite = i != j;
      }
    return a;
  }

  // x * y with y a symbol's matrix, whose finite entries fit 64 bits.
  Matrix Product(const Matrix& x, const Matrix& y) {
    Matrix z{};
    for (int64_t i = 1; i <= d; i++)
      for (int64_t j = 1; j <= d; j++) {
        Element& e = z[i][j];
        e.infinite = m != Mode::Normal;
        for (int64_t k = 1; k <= d; k++) {
          if (m == Mode::Normal) {
            Natural256 t = x[i][k].v;
            ok = ok && MultiplyBy(t, y[k][j].v.w[0]) && AddTo(e.v, t);
            continue;
          }
          if (x[i][k].infinite || y[k][j].infinite) continue;
          Natural256 t = x[i][k].v;
          ok = ok && AddTo(t, y[k][j].v);
          int c = Compare(t, e.v);
          if (e.infinite || (m == Mode::Tropical ? c < 0 : c > 0)) e = Element{false, t};
        }
      }
    return z;
  }

  Matrix OfSide(const Side& z) {
    if (z[1] == 0) return Identity();
    Matrix a = OfSymbol(z[1]);
    for (int64_t q = 2; q <= MaxPositions && z[q] != 0; q++) a = Product(a, OfSymbol(z[q]));
    return a;
  }
};

bool SymbolEntriesValid(int64_t d, Mode m, const SymbolMatrices& w) {
  int64_t bound = d == 1 ? 10 : Mxr;
  for (int64_t s = 1; s <= Naamhib; s++)
    for (int64_t i = 1; i <= d; i++)
      for (int64_t j = 1; j <= d; j++) {
        const ModelEntry& e = w[s][i][j];
        if (e.too_large) return false;
        if (e.infinite) {
          // Normal mode has no infinite element; elsewhere the top-left
          // entry must be finite.
          if (m == Mode::Normal || (i == 1 && j == 1)) return false;
          continue;
        }
        if (e.v < 0) return false;
        if (bound >= 1 && e.v > bound) return false;
        if (m == Mode::Normal && (e.v > 7 || (i == 1 && j == 1 && e.v == 0))) return false;
      }
  return true;
}

}  // namespace

bool CheckInterpretation(int64_t d, const SymbolMatrices& w, const StrictFlags& strict) {
  if (d < 1 || d > MaxDimension) return false;
  Mode m = Mp ? Mode::Normal : Trop ? Mode::Tropical : Mode::Arctic;
  if (!SymbolEntriesValid(d, m, w)) return false;
  Evaluator eval{d, m, w};
  for (int64_t r = 1; r <= Hib; r++) {
    Matrix a = eval.OfSide(L[r]);
    Matrix b = eval.OfSide(R[r]);
    if (!eval.ok) return false;
    bool s = strict[r];
    if (m == Mode::Normal) {
      if (s != (Compare(a[1][1].v, b[1][1].v) > 0)) return false;
      for (int64_t i = 1; i <= d; i++)
        for (int64_t j = 1; j <= d; j++)
          if (Compare(a[i][j].v, b[i][j].v) < 0) return false;
      continue;
    }
    // Tropical: an infinite left entry is above everything; arctic: an
    // infinite right entry is below everything. Otherwise both finite.
    for (int64_t i = 1; i <= d; i++)
      for (int64_t j = 1; j <= d; j++) {
        const Element& x = m == Mode::Tropical ? a[i][j] : b[i][j];
        if (x.infinite) continue;
        if (a[i][j].infinite || b[i][j].infinite) return false;
        int c = Compare(a[i][j].v, b[i][j].v);
        if (s ? c <= 0 : c < 0) return false;
      }
  }
  return true;
}

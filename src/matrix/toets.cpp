// The interpretation check: the prover never removes a rule on the solver's
// word alone. Products are recomputed exactly from the symbols' matrices.
#include <array>

#include "matrix/poging.h"
#include "store/store.h"

namespace {

// A nonnegative integer of 256 bits. Normal-mode entries of a side of 49
// symbols with entries 0..7 stay below 21^49 < 2^216, so a correct model never
// overflows; an overflow anyway makes the check fail.
struct Groot {
  std::array<uint64_t, 4> w{};
};

Groot Van(uint64_t v) {
  Groot g;
  g.w[0] = v;
  return g;
}

bool Tel(Groot& a, const Groot& b) {
  unsigned __int128 c = 0;
  for (int q = 0; q < 4; q++) {
    c += static_cast<unsigned __int128>(a.w[q]) + b.w[q];
    a.w[q] = static_cast<uint64_t>(c);
    c >>= 64;
  }
  return c == 0;
}

bool Maal(Groot& a, uint64_t m) {
  unsigned __int128 c = 0;
  for (int q = 0; q < 4; q++) {
    c += static_cast<unsigned __int128>(a.w[q]) * m;
    a.w[q] = static_cast<uint64_t>(c);
    c >>= 64;
  }
  return c == 0;
}

int Vgl(const Groot& a, const Groot& b) {
  for (int q = 3; q >= 0; q--)
    if (a.w[q] != b.w[q]) return a.w[q] < b.w[q] ? -1 : 1;
  return 0;
}

// An entry of the mode's semiring: an integer, or the infinite element
// (plus infinity in tropical mode, minus infinity in arctic mode).
struct Element {
  bool oneindig = false;
  Groot v;
};
using Matrix = std::array<std::array<Element, Maxdim + 1>, Maxdim + 1>;

enum class Modus { Normaal, Tropisch, Arctisch };

struct Rekenaar {
  int64_t d;
  Modus m;
  const Symboolwaarden& w;
  bool ok = true;  // false after an overflow

  Matrix Symbool(int64_t s) const {
    Matrix a{};
    for (int64_t i = 1; i <= d; i++)
      for (int64_t j = 1; j <= d; j++) {
        const Invoer& e = w[s][i][j];
        a[i][j].oneindig = e.oneindig;
        if (!e.oneindig) a[i][j].v = Van(static_cast<uint64_t>(e.v));
      }
    return a;
  }

  Matrix Eenheid() const {
    Matrix a{};
    for (int64_t i = 1; i <= d; i++)
      for (int64_t j = 1; j <= d; j++) {
        if (m == Modus::Normaal)
          a[i][j].v = Van(i == j ? 1 : 0);
        else
          a[i][j].oneindig = i != j;
      }
    return a;
  }

  // x * y with y a symbol's matrix, whose finite entries fit 64 bits.
  Matrix Product(const Matrix& x, const Matrix& y) {
    Matrix z{};
    for (int64_t i = 1; i <= d; i++)
      for (int64_t j = 1; j <= d; j++) {
        Element& e = z[i][j];
        e.oneindig = m != Modus::Normaal;
        for (int64_t k = 1; k <= d; k++) {
          if (m == Modus::Normaal) {
            Groot t = x[i][k].v;
            ok = ok && Maal(t, y[k][j].v.w[0]) && Tel(e.v, t);
            continue;
          }
          if (x[i][k].oneindig || y[k][j].oneindig) continue;
          Groot t = x[i][k].v;
          ok = ok && Tel(t, y[k][j].v);
          int c = Vgl(t, e.v);
          if (e.oneindig || (m == Modus::Tropisch ? c < 0 : c > 0)) e = Element{false, t};
        }
      }
    return z;
  }

  Matrix Zijdematrix(const Zijde& z) {
    if (z[1] == 0) return Eenheid();
    Matrix a = Symbool(z[1]);
    for (int64_t q = 2; q <= Maxpos && z[q] != 0; q++) a = Product(a, Symbool(z[q]));
    return a;
  }
};

bool Symbolengoed(int64_t d, Modus m, const Symboolwaarden& w) {
  int64_t grens = d == 1 ? 10 : Mxr;
  for (int64_t s = 1; s <= Naamhib; s++)
    for (int64_t i = 1; i <= d; i++)
      for (int64_t j = 1; j <= d; j++) {
        const Invoer& e = w[s][i][j];
        if (e.tegroot) return false;
        if (e.oneindig) {
          // Normal mode has no infinite element; elsewhere the top-left
          // entry must be finite.
          if (m == Modus::Normaal || (i == 1 && j == 1)) return false;
          continue;
        }
        if (e.v < 0) return false;
        if (grens >= 1 && e.v > grens) return false;
        if (m == Modus::Normaal && (e.v > 7 || (i == 1 && j == 1 && e.v == 0))) return false;
      }
  return true;
}

}  // namespace

bool Toets(int64_t d, const Symboolwaarden& w, const Striktvlaggen& strikt) {
  if (d < 1 || d > Maxdim) return false;
  Modus m = Mp ? Modus::Normaal : Trop ? Modus::Tropisch : Modus::Arctisch;
  if (!Symbolengoed(d, m, w)) return false;
  Rekenaar rk{d, m, w};
  for (int64_t r = 1; r <= Hib; r++) {
    Matrix a = rk.Zijdematrix(L[r]);
    Matrix b = rk.Zijdematrix(R[r]);
    if (!rk.ok) return false;
    bool s = strikt[r];
    if (m == Modus::Normaal) {
      if (s != (Vgl(a[1][1].v, b[1][1].v) > 0)) return false;
      for (int64_t i = 1; i <= d; i++)
        for (int64_t j = 1; j <= d; j++)
          if (Vgl(a[i][j].v, b[i][j].v) < 0) return false;
      continue;
    }
    // Tropical: an infinite left entry is above everything; arctic: an
    // infinite right entry is below everything. Otherwise both finite.
    for (int64_t i = 1; i <= d; i++)
      for (int64_t j = 1; j <= d; j++) {
        const Element& x = m == Modus::Tropisch ? a[i][j] : b[i][j];
        if (x.oneindig) continue;
        if (a[i][j].oneindig || b[i][j].oneindig) return false;
        int c = Vgl(a[i][j].v, b[i][j].v);
        if (s ? c <= 0 : c < 0) return false;
      }
  }
  return true;
}

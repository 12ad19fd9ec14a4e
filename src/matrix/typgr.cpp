// The benchmark of one matrix attempt and the solver run. The text must be
// exactly what the solver front end and the tests expect, byte for byte.
#include "matrix/typgr.h"

#include "common/bestand.h"
#include "common/fout.h"
#include "matrix/poging.h"
#include "store/store.h"

namespace {

bool Normaal() { return Mp; }

int64_t Lengte(const Zijde& z) {
  int64_t n = 0;
  while (n < Maxpos && z[n + 1] != 0) n++;
  return n;
}

}  // namespace

// z := x * y, entry by entry; y is always a symbol.
void Poging::Mul(int64_t x, int64_t y, int64_t z) {
  for (int64_t i = 1; i <= d; i++)
    for (int64_t j = 1; j <= d; j++) {
      if (Normaal()) {
        w.s(" (= (A ").n3(z, i, j).s(") (+ \n");
        for (int64_t k = 1; k <= d; k++) {
          w.s("(ite (B ").n3(y, k, j).s(" 0) (A ").n3(x, i, k).s(") 0)\n");
          w.s("(ite (B ").n3(y, k, j).s(" 1) (* 2 (A ").n3(x, i, k).s(")) 0)\n");
          w.s("(ite (B ").n3(y, k, j).s(" 2) (* 4 (A ").n3(x, i, k).s(")) 0)\n");
        }
        w.s("))\n");
      } else {
        w.s("(or\n");
        for (int64_t k = 1; k <= d; k++) {
          w.s("(and (= (A ").n3(z, i, j).s(") (+ (A ").n3(x, i, k).s(") (A ").n3(y, k, j).s(")))");
          w.s(" (not (I ").n3(z, i, j).s(")) (not (I ").n3(x, i, k).s(")) (not (I ").n3(y, k, j).s(")))");
          w.s(" (and (I ").n3(z, i, j).s(") (I ").n3(x, i, k).s("))");
          w.s(" (and (I ").n3(z, i, j).s(") (I ").n3(y, k, j).s("))\n");
        }
        w.s(")\n");
        const char* vergelijk = Trop ? "))\n(<= (A " : "))\n(>= (A ";
        for (int64_t k = 1; k <= d; k++) {
          w.s("(or (and (not (I ").n3(z, i, j).s(")) (not (I ").n3(x, i, k).s(")) (not (I ").n3(y, k, j);
          w.s(vergelijk).n3(z, i, j).s(") (+ (A ").n3(x, i, k).s(") (A ").n3(y, k, j).s("))))");
          w.s(" (I ").n3(x, i, k).s(") (I ").n3(y, k, j).s("))\n");
        }
      }
      w.Vol();
    }
}

// The comparison of the current rule's two sides.
void Poging::Gr(int64_t links, int64_t rechts) {
  w.s("; rule ").n(regel).s("\n");
  if (Normaal()) {
    w.s("(iff (D ").n(regel).s(") (> (A ").n(links).s(" 1 1)  (A ").n(rechts).s(" 1 1)))\n");
    for (int64_t i = 1; i <= d; i++)
      for (int64_t j = 1; j <= d; j++)
        w.s("(>= (A ").n3(links, i, j).s(")  (A ").n3(rechts, i, j).s("))\n");
  } else {
    // An infinite entry excuses the comparison: on the left in tropical mode
    // (it is the greatest element), on the right in arctic mode (the least).
    int64_t x = Trop ? links : rechts;
    for (int64_t i = 1; i <= d; i++)
      for (int64_t j = 1; j <= d; j++) {
        w.s("(or (not (D ").n(regel).s(")) (I ").n3(x, i, j).s(") (and (not (I ").n3(links, i, j);
        w.s(")) (not (I ").n3(rechts, i, j).s(")) (> (A\n").n3(links, i, j).s(")  (A ");
        w.n3(rechts, i, j).s("))))\n");
        w.s("(or (D ").n(regel).s(") (I ").n3(x, i, j).s(") (and (not (I ").n3(links, i, j);
        w.s(")) (not (I ").n3(rechts, i, j).s(")) (>= (A\n").n3(links, i, j).s(")  (A ");
        w.n3(rechts, i, j).s("))))\n");
      }
  }
  w.Vol();
}

namespace {

void Eenheid(Poging& p, int64_t m) {
  for (int64_t a = 1; a <= p.d; a++)
    for (int64_t b = 1; b <= p.d; b++) {
      if (Normaal())
        p.w.s(a == b ? " (= 1 (A " : " (= 0 (A ").n3(m, a, b).s("))\n");
      else if (a == b)
        p.w.s(" (= 0 (A ").n3(m, a, b).s(")) (not (I ").n3(m, a, b).s("))\n");
      else
        p.w.s(" (I ").n3(m, a, b).s(")\n");
    }
  p.w.Vol();
}

// The products of one side; returns the matrix that interprets it.
int64_t Zijdematrix(Poging& p, const Zijde& z) {
  int64_t n = Lengte(z);
  if (n == 0) {
    Eenheid(p, ++p.teller);
    return p.teller;
  }
  if (n == 1) return z[1];
  for (int64_t q = 2; q <= n; q++) {
    p.teller++;
    p.Mul(q == 2 ? z[1] : p.teller - 1, z[q], p.teller);
  }
  return p.teller;
}

void Schrijfbenchmark(Poging& p) {
  Schrijver& w = p.w;
  int64_t d = p.d;
  int64_t grens = d == 1 ? 10 : Mxr;
  w.s("(benchmark test.smt\n:logic QF_UFLIA\n:extrafuns ((A Int Int Int Int))\n");
  w.s(":extrapreds ((D Int))\n");
  w.s(Normaal() ? ":extrapreds ((B Int Int Int Int))\n" : ":extrapreds ((I Int Int Int))\n");
  w.s(":formula (and\n(or\n");
  for (int64_t r = 1; r <= Hib; r++) w.s("(D ").n(r).s(")\n");
  w.s(")\n");
  for (int64_t s = 1; s <= Naamhib; s++)
    w.s(Normaal() ? "(< 0 (A " : "(not (I ").n(s).s(" 1 1))\n");
  w.Vol();
  if (Normaal())
    for (int64_t s = 1; s <= Naamhib; s++)
      for (int64_t j = 1; j <= d; j++)
        for (K = 1; K <= d; K++) {
          w.s("(= (A ").n3(s, j, K).s(") (+ (ite (B ").n3(s, j, K).s(" 0) 1 0 ) (ite (B ");
          w.n3(s, j, K).s(" 1) 2 0) (ite (B ").n3(s, j, K).s(" 2) 4 0)))\n");
        }
  w.Vol();
  for (int64_t s = 1; s <= Naamhib; s++)
    for (int64_t j = 1; j <= d; j++)
      for (K = 1; K <= d; K++) w.s("(<= 0 (A ").n3(s, j, K).s("))\n");
  w.Vol();
  if (grens >= 1)
    for (int64_t s = 1; s <= Naamhib; s++)
      for (int64_t j = 1; j <= d; j++)
        for (K = 1; K <= d; K++) w.s("(>= ").n(grens).s(" (A ").n3(s, j, K).s("))\n");
  w.Vol();
  p.teller = Naamhib;
  for (int64_t r = 1; r <= Hib; r++) {
    p.regel = r;
    int64_t links = Zijdematrix(p, L[r]);
    int64_t rechts = Zijdematrix(p, R[r]);
    p.Gr(links, rechts);
  }
  w.s("))\n");
  w.Leeg();
}

}  // namespace

int64_t K = 0;

void Typgr(int64_t d) {
  if (d < 1 || d > Maxdim) Bereikfout("dimension " + std::to_string(d) + " outside 1..5");
  Poging p;
  p.d = d;
  // The benchmark goes through the file's buffer and is flushed once.
  Rr.Rewrite();
  Rr.spoelen = false;
  Schrijfbenchmark(p);
  Rr.Spoel();
  Rr.spoelen = true;
  Rr.Close();

  Shell(Path + " -m frm > r");
  Shell("cp r frm");
  Rr.Reset();
  p.antwoord = Rr.Readln().substr(0, 255);
  if (p.antwoord == "unsat") {
    if (Verbose) Uit("attempt failed for dimension " + std::to_string(d) + "\n");
  } else {
    p.Find();
  }
  Rr.Close();
}

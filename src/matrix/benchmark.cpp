// The benchmark of one matrix attempt and the solver run. The text must be
// exactly what the solver front end and the tests expect, byte for byte.
#include "matrix/attempt_state.h"
#include "matrix/matrix_attempt.h"
#include "store/store.h"
#include "util/error.h"
#include "util/file.h"

namespace {

bool NormalMode() { return Mp; }

int64_t Length(const Side& side) {
  int64_t n = 0;
  while (n < MaxPositions && side[n + 1] != 0) n++;
  return n;
}

}  // namespace

// z := x * y, entry by entry; y is always a symbol.
void Attempt::Mul(int64_t x, int64_t y, int64_t z) {
  for (int64_t i = 1; i <= d; i++)
    for (int64_t j = 1; j <= d; j++) {
      if (NormalMode()) {
        bench.Text(" (= (A ").Entry(z, i, j).Text(") (+ \n");
        for (int64_t k = 1; k <= d; k++) {
          bench.Text("(ite (B ").Entry(y, k, j).Text(" 0) (A ").Entry(x, i, k).Text(") 0)\n");
          bench.Text("(ite (B ").Entry(y, k, j).Text(" 1) (* 2 (A ").Entry(x, i, k).Text(")) 0)\n");
          bench.Text("(ite (B ").Entry(y, k, j).Text(" 2) (* 4 (A ").Entry(x, i, k).Text(")) 0)\n");
        }
        bench.Text("))\n");
      } else {
        bench.Text("(or\n");
        for (int64_t k = 1; k <= d; k++) {
          bench.Text("(and (= (A ")
              .Entry(z, i, j)
              .Text(") (+ (A ")
              .Entry(x, i, k)
              .Text(") (A ")
              .Entry(y, k, j)
              .Text(")))");
          bench.Text(" (not (I ")
              .Entry(z, i, j)
              .Text(")) (not (I ")
              .Entry(x, i, k)
              .Text(")) (not (I ")
              .Entry(y, k, j)
              .Text(")))");
          bench.Text(" (and (I ").Entry(z, i, j).Text(") (I ").Entry(x, i, k).Text("))");
          bench.Text(" (and (I ").Entry(z, i, j).Text(") (I ").Entry(y, k, j).Text("))\n");
        }
        bench.Text(")\n");
        const char* comparison = Trop ? "))\n(<= (A " : "))\n(>= (A ";
        for (int64_t k = 1; k <= d; k++) {
          bench.Text("(or (and (not (I ")
              .Entry(z, i, j)
              .Text(")) (not (I ")
              .Entry(x, i, k)
              .Text(")) (not (I ")
              .Entry(y, k, j);
          bench.Text(comparison)
              .Entry(z, i, j)
              .Text(") (+ (A ")
              .Entry(x, i, k)
              .Text(") (A ")
              .Entry(y, k, j)
              .Text("))))");
          bench.Text(" (I ").Entry(x, i, k).Text(") (I ").Entry(y, k, j).Text("))\n");
        }
      }
      bench.FlushIfFull();
    }
}

// The comparison of the current rule's two sides.
void Attempt::Gr(int64_t left, int64_t right) {
  bench.Text("; rule ").Number(rule).Text("\n");
  if (NormalMode()) {
    bench.Text("(iff (D ")
        .Number(rule)
        .Text(") (> (A ")
        .Number(left)
        .Text(" 1 1)  (A ")
        .Number(right)
        .Text(" 1 1)))\n");
    for (int64_t i = 1; i <= d; i++)
      for (int64_t j = 1; j <= d; j++)
        bench.Text("(>= (A ").Entry(left, i, j).Text(")  (A ").Entry(right, i, j).Text("))\n");
  } else {
    // An infinite entry excuses the comparison: on the left in tropical mode
    // (it is the greatest element), on the right in arctic mode (the least).
    int64_t x = Trop ? left : right;
    for (int64_t i = 1; i <= d; i++)
      for (int64_t j = 1; j <= d; j++) {
        bench.Text("(or (not (D ")
            .Number(rule)
            .Text(")) (I ")
            .Entry(x, i, j)
            .Text(") (and (not (I ")
            .Entry(left, i, j);
        bench.Text(")) (not (I ")
            .Entry(right, i, j)
            .Text(")) (> (A\n")
            .Entry(left, i, j)
            .Text(")  (A ");
        bench.Entry(right, i, j).Text("))))\n");
        bench.Text("(or (D ")
            .Number(rule)
            .Text(") (I ")
            .Entry(x, i, j)
            .Text(") (and (not (I ")
            .Entry(left, i, j);
        bench.Text(")) (not (I ")
            .Entry(right, i, j)
            .Text(")) (>= (A\n")
            .Entry(left, i, j)
            .Text(")  (A ");
        bench.Entry(right, i, j).Text("))))\n");
      }
  }
  bench.FlushIfFull();
}

namespace {

void WriteIdentity(Attempt& attempt, int64_t m) {
  for (int64_t a = 1; a <= attempt.d; a++)
    for (int64_t b = 1; b <= attempt.d; b++) {
      if (NormalMode())
        attempt.bench.Text(a == b ? " (= 1 (A " : " (= 0 (A ").Entry(m, a, b).Text("))\n");
      else if (a == b)
        attempt.bench.Text(" (= 0 (A ")
            .Entry(m, a, b)
            .Text(")) (not (I ")
            .Entry(m, a, b)
            .Text("))\n");
      else
        attempt.bench.Text(" (I ").Entry(m, a, b).Text(")\n");
    }
  attempt.bench.FlushIfFull();
}

// The products of one side; returns the matrix that interprets it.
int64_t WriteSideProducts(Attempt& attempt, const Side& side) {
  int64_t n = Length(side);
  if (n == 0) {
    WriteIdentity(attempt, ++attempt.last_matrix);
    return attempt.last_matrix;
  }
  if (n == 1) return side[1];
  for (int64_t q = 2; q <= n; q++) {
    attempt.last_matrix++;
    attempt.Mul(q == 2 ? side[1] : attempt.last_matrix - 1, side[q], attempt.last_matrix);
  }
  return attempt.last_matrix;
}

void WriteBenchmark(Attempt& attempt) {
  BenchmarkText& bench = attempt.bench;
  int64_t d = attempt.d;
  int64_t bound = d == 1 ? 10 : Mxr;
  bench.Text("(benchmark test.smt\n:logic QF_UFLIA\n:extrafuns ((A Int Int Int Int))\n");
  bench.Text(":extrapreds ((D Int))\n");
  bench.Text(NormalMode() ? ":extrapreds ((B Int Int Int Int))\n"
                          : ":extrapreds ((I Int Int Int))\n");
  bench.Text(":formula (and\n(or\n");
  for (int64_t r = 1; r <= Hib; r++) bench.Text("(D ").Number(r).Text(")\n");
  bench.Text(")\n");
  for (int64_t s = 1; s <= Naamhib; s++)
    bench.Text(NormalMode() ? "(< 0 (A " : "(not (I ").Number(s).Text(" 1 1))\n");
  bench.FlushIfFull();
  if (NormalMode())
    for (int64_t s = 1; s <= Naamhib; s++)
      for (int64_t j = 1; j <= d; j++)
        for (K = 1; K <= d; K++) {
          bench.Text("(= (A ")
              .Entry(s, j, K)
              .Text(") (+ (ite (B ")
              .Entry(s, j, K)
              .Text(" 0) 1 0 ) (ite (B ");
          bench.Entry(s, j, K).Text(" 1) 2 0) (ite (B ").Entry(s, j, K).Text(" 2) 4 0)))\n");
        }
  bench.FlushIfFull();
  for (int64_t s = 1; s <= Naamhib; s++)
    for (int64_t j = 1; j <= d; j++)
      for (K = 1; K <= d; K++) bench.Text("(<= 0 (A ").Entry(s, j, K).Text("))\n");
  bench.FlushIfFull();
  if (bound >= 1)
    for (int64_t s = 1; s <= Naamhib; s++)
      for (int64_t j = 1; j <= d; j++)
        for (K = 1; K <= d; K++)
          bench.Text("(>= ").Number(bound).Text(" (A ").Entry(s, j, K).Text("))\n");
  bench.FlushIfFull();
  attempt.last_matrix = Naamhib;
  for (int64_t r = 1; r <= Hib; r++) {
    attempt.rule = r;
    int64_t left = WriteSideProducts(attempt, L[r]);
    int64_t right = WriteSideProducts(attempt, R[r]);
    attempt.Gr(left, right);
  }
  bench.Text("))\n");
  bench.Flush();
}

}  // namespace

int64_t K = 0;

void Typgr(int64_t d) {
  if (d < 1 || d > MaxDimension) RangeError("dimension " + std::to_string(d) + " outside 1..5");
  Attempt attempt;
  attempt.d = d;
  // The benchmark goes through the file's buffer and is flushed once.
  Rr.Rewrite();
  Rr.flush_each_write = false;
  WriteBenchmark(attempt);
  Rr.Flush();
  Rr.flush_each_write = true;
  Rr.Close();

  Shell(Path + " -m frm > r");
  Shell("cp r frm");
  Rr.Reset();
  attempt.answer = Rr.ReadLine().substr(0, 255);
  if (attempt.answer == "unsat") {
    if (Verbose) Print("attempt failed for dimension " + std::to_string(d) + "\n");
  } else {
    attempt.Find();
  }
  Rr.Close();
}

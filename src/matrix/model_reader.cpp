// The model reader, its check, the interpretation printer and rule removal.
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>

#include "matrix/attempt_state.h"
#include "store/store.h"
#include "util/file.h"

namespace {

// A cursor over one model line; every step checks the line's bounds.
struct LineCursor {
  const std::string& s;
  size_t p = 0;

  bool Lit(const char* t) {
    size_t n = std::strlen(t);
    if (s.compare(p, n, t) != 0) return false;
    p += n;
    return true;
  }
  // Decimal digits of any length, with an optional "-" when `allow_sign`; a number
  // beyond 64 bits is still consumed whole and flagged.
  bool Number(int64_t& n, bool& too_large, bool allow_sign) {
    bool min = allow_sign && p < s.size() && s[p] == '-';
    size_t q = p + (min ? 1 : 0);
    if (q >= s.size() || s[q] < '0' || s[q] > '9') return false;
    n = 0;
    too_large = false;
    for (; q < s.size() && s[q] >= '0' && s[q] <= '9'; q++) {
      int c = s[q] - '0';
      if (n > (INT64_MAX - c) / 10)
        too_large = true;
      else
        n = n * 10 + c;
    }
    if (min) n = -n;
    p = q;
    return true;
  }
  bool Boolean(bool& b) {
    if (Lit("true")) return b = true;
    if (Lit("false")) return !(b = false);
    return false;
  }
  // Only blanks (and a carriage return) may follow the closing parenthesis.
  bool AtEnd() {
    while (p < s.size() && (s[p] == ' ' || s[p] == '\t' || s[p] == '\r')) p++;
    return p == s.size();
  }
};

// Reads one model line (without its first character), such as
// "(= (A 12 1 2) 5)", "(= (I 12 1 2) true)" or "(= (D 3) true)". A line of any
// other shape, or about a matrix other than a symbol's, changes nothing.
void ReadModelLine(const std::string& s, int64_t d, SymbolMatrices& w, StrictFlags& strict) {
  LineCursor cursor{s};
  int64_t k, i, j, v;
  bool too_large, b;
  if (!cursor.Lit("(= (") || cursor.p >= s.size()) return;
  char c = s[cursor.p++];
  if (c != 'A' && c != 'D' && c != 'I') return;  // B: the bits of normal mode
  if (!cursor.Lit(" ") || !cursor.Number(k, too_large, false) || too_large) return;
  if (c == 'D') {
    if (cursor.Lit(") ") && cursor.Boolean(b) && cursor.Lit(")") && cursor.AtEnd() && k >= 1 &&
        k <= Hib)
      strict[k] = b;
    return;
  }
  if (!cursor.Lit(" ") || !cursor.Number(i, too_large, false) || too_large) return;
  if (!cursor.Lit(" ") || !cursor.Number(j, too_large, false) || too_large) return;
  if (!cursor.Lit(") ")) return;
  if (k < 1 || k > Naamhib || i < 1 || i > d || j < 1 || j > d) return;
  if (c == 'I') {
    if (cursor.Boolean(b) && cursor.Lit(")") && cursor.AtEnd() && b)
      w[k][i][j] = ModelEntry{0, true, false};
    return;
  }
  if (cursor.Number(v, too_large, true) && cursor.Lit(")") && cursor.AtEnd()) {
    ModelEntry& e = w[k][i][j];
    if (!e.infinite) e = ModelEntry{v, false, too_large};  // an infinite mark wins
  }
}

std::string Decimal(int64_t n) { return std::to_string(n); }

}  // namespace

void Attempt::Find() {
  auto values = std::make_unique<SymbolMatrices>();
  SymbolMatrices& w = *values;
  for (int64_t r = 1; r <= MaxRules; r++) strict[r] = false;
  // The answer's second line holds no value; the model starts on the third.
  // The end of the answer ends the model wherever it comes.
  if (!Rr.Eof()) Rr.ReadLine();
  answer = Rr.Eof() ? "" : Rr.ReadLine();
  while (answer.size() >= 6) {
    ReadModelLine(answer.substr(1), d, w, strict);
    answer = Rr.Eof() ? "" : Rr.ReadLine();
  }

  bool any_strict = false;
  for (int64_t r = 1; r <= Hib; r++) any_strict = any_strict || strict[r];
  bool accepted = any_strict && CheckInterpretation(d, w, strict);
  if (any_strict && !accepted) {
    std::fflush(stdout);
    std::fputs("model rejected by the interpretation check\n", stderr);
    std::fflush(stderr);
  }
  if (!accepted) {
    // "unknown", an error or a wrong model: the attempt has failed.
    if (Verbose) Print("attempt failed for dimension " + Decimal(d) + "\n");
    return;
  }

  if (d >= 2)
    Print(Mp     ? "Normal matrix interpretation\n"
          : Trop ? "Tropical matrix interpretation\n"
                 : "Arctic matrix interpretation\n");
  for (int64_t k = 1; k <= Naamhib; k++) {
    std::string t = "interpretation of " + Naam[k] + ":";
    if (d == 1) {
      t += " " + Decimal(w[k][1][1].v) + "\n";
    } else {
      t += "\n";
      for (int64_t i = 1; i <= d; i++) {
        t += i == 1 ? "/" : i == d ? "\\" : "|";
        for (int64_t j = 1; j <= d; j++)
          t += w[k][i][j].infinite ? " -" : " " + Decimal(w[k][i][j].v);
        t += i == 1 ? " \\\n" : i == d ? " /\n" : " |\n";
      }
    }
    Print(t);
  }

  int64_t n = 0;
  for (int64_t r = 1; r <= Hib; r++) {
    if (strict[r]) {
      Print("remove rule " + Decimal(r) + "\n");
    } else {
      n++;
      L[n] = L[r];
      R[n] = R[r];
    }
  }
  Hib = n;
  if (Hib == 0) {
    Print("termination has been proved\n");
    Rr.Rewrite();
    Rr.Write("YES\n");
    Rr.Close();
    Shell("mv frm srs");
  }
}

// The model reader, its check, the interpretation printer and rule removal.
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>

#include "common/bestand.h"
#include "matrix/poging.h"
#include "store/store.h"

namespace {

// A cursor over one model line; every step checks the line's bounds.
struct Ontleder {
  const std::string& s;
  size_t p = 0;

  bool Lit(const char* t) {
    size_t n = std::strlen(t);
    if (s.compare(p, n, t) != 0) return false;
    p += n;
    return true;
  }
  // Decimal digits of any length, with an optional "-" when `teken`; a number
  // beyond 64 bits is still consumed whole and flagged.
  bool Getal(int64_t& n, bool& tegroot, bool teken) {
    bool min = teken && p < s.size() && s[p] == '-';
    size_t q = p + (min ? 1 : 0);
    if (q >= s.size() || s[q] < '0' || s[q] > '9') return false;
    n = 0;
    tegroot = false;
    for (; q < s.size() && s[q] >= '0' && s[q] <= '9'; q++) {
      int c = s[q] - '0';
      if (n > (INT64_MAX - c) / 10)
        tegroot = true;
      else
        n = n * 10 + c;
    }
    if (min) n = -n;
    p = q;
    return true;
  }
  bool Waarheid(bool& b) {
    if (Lit("true")) return b = true;
    if (Lit("false")) return !(b = false);
    return false;
  }
  // Only blanks (and a carriage return) may follow the closing parenthesis.
  bool Eind() {
    while (p < s.size() && (s[p] == ' ' || s[p] == '\t' || s[p] == '\r')) p++;
    return p == s.size();
  }
};

// Reads one model line (without its first character), such as
// "(= (A 12 1 2) 5)", "(= (I 12 1 2) true)" or "(= (D 3) true)". A line of any
// other shape, or about a matrix other than a symbol's, changes nothing.
void Modelregel(const std::string& s, int64_t d, Symboolwaarden& w, Striktvlaggen& strikt) {
  Ontleder o{s};
  int64_t k, i, j, v;
  bool groot, b;
  if (!o.Lit("(= (") || o.p >= s.size()) return;
  char c = s[o.p++];
  if (c != 'A' && c != 'D' && c != 'I') return;  // B: the bits of normal mode
  if (!o.Lit(" ") || !o.Getal(k, groot, false) || groot) return;
  if (c == 'D') {
    if (o.Lit(") ") && o.Waarheid(b) && o.Lit(")") && o.Eind() && k >= 1 && k <= Hib)
      strikt[k] = b;
    return;
  }
  if (!o.Lit(" ") || !o.Getal(i, groot, false) || groot) return;
  if (!o.Lit(" ") || !o.Getal(j, groot, false) || groot) return;
  if (!o.Lit(") ")) return;
  if (k < 1 || k > Naamhib || i < 1 || i > d || j < 1 || j > d) return;
  if (c == 'I') {
    if (o.Waarheid(b) && o.Lit(")") && o.Eind() && b) w[k][i][j] = Invoer{0, true, false};
    return;
  }
  if (o.Getal(v, groot, true) && o.Lit(")") && o.Eind()) {
    Invoer& e = w[k][i][j];
    if (!e.oneindig) e = Invoer{v, false, groot};  // an infinite mark wins
  }
}

std::string Tekst(int64_t n) { return std::to_string(n); }

}  // namespace

void Poging::Find() {
  auto waarden = std::make_unique<Symboolwaarden>();
  Symboolwaarden& w = *waarden;
  for (int64_t r = 1; r <= Maxregels; r++) strikt[r] = false;
  // The answer's second line holds no value; the model starts on the third.
  // The end of the answer ends the model wherever it comes.
  if (!Rr.Eof()) Rr.Readln();
  antwoord = Rr.Eof() ? "" : Rr.Readln();
  while (antwoord.size() >= 6) {
    Modelregel(antwoord.substr(1), d, w, strikt);
    antwoord = Rr.Eof() ? "" : Rr.Readln();
  }

  bool iets = false;
  for (int64_t r = 1; r <= Hib; r++) iets = iets || strikt[r];
  bool goed = iets && Toets(d, w, strikt);
  if (iets && !goed) {
    std::fflush(stdout);
    std::fputs("model rejected by the interpretation check\n", stderr);
    std::fflush(stderr);
  }
  if (!goed) {
    // "unknown", an error or a wrong model: the attempt has failed.
    if (Verbose) Uit("attempt failed for dimension " + Tekst(d) + "\n");
    return;
  }

  if (d >= 2)
    Uit(Mp ? "Normal matrix interpretation\n"
           : Trop ? "Tropical matrix interpretation\n" : "Arctic matrix interpretation\n");
  for (int64_t k = 1; k <= Naamhib; k++) {
    std::string t = "interpretation of " + Naam[k] + ":";
    if (d == 1) {
      t += " " + Tekst(w[k][1][1].v) + "\n";
    } else {
      t += "\n";
      for (int64_t i = 1; i <= d; i++) {
        t += i == 1 ? "/" : i == d ? "\\" : "|";
        for (int64_t j = 1; j <= d; j++)
          t += w[k][i][j].oneindig ? " -" : " " + Tekst(w[k][i][j].v);
        t += i == 1 ? " \\\n" : i == d ? " /\n" : " |\n";
      }
    }
    Uit(t);
  }

  int64_t n = 0;
  for (int64_t r = 1; r <= Hib; r++) {
    if (strikt[r]) {
      Uit("remove rule " + Tekst(r) + "\n");
    } else {
      n++;
      L[n] = L[r];
      R[n] = R[r];
    }
  }
  Hib = n;
  if (Hib == 0) {
    Uit("termination has been proved\n");
    Rr.Rewrite();
    Rr.Schrijf("YES\n");
    Rr.Close();
    Shell("mv frm srs");
  }
}

#include "store/store.h"

Zijden L, R;
int64_t Hib = 0;
Namen Naam;
int64_t Naamhib = 0;

Zijden Lw, Rw;
int64_t Whib = 0;
Namen Naamw;
int64_t Nwhib = 0;

int64_t Hibbu = 0;

std::string Path;
bool Verbose = false, Mb = false, Mp = false, Trop = false;
int64_t Mxr = 0, Trdim = 0, Ardim = 0, Mpdim = 0;

Tekstbestand Rr;

void Srstow() {
  Lw = L;
  Rw = R;
  Whib = Hib;
  Naamw = Naam;
  Nwhib = Naamhib;
}

void Wisstore() {
  L = Zijden{};
  R = Zijden{};
  Lw = Zijden{};
  Rw = Zijden{};
  Naam = Namen{};
  Naamw = Namen{};
  Hib = Naamhib = Whib = Nwhib = Hibbu = 0;
  Path.clear();
  Verbose = Mb = Mp = Trop = false;
  Mxr = Trdim = Ardim = Mpdim = 0;
  Rr.Close();
}

std::string Schrijfregel(int64_t k) {
  // The text is never cut: a long rule must read back as the same rule.
  std::string t;
  const Zijde& l = L[k];
  for (int64_t p = 1; l[p] != 0; p++) t += Naam[l[p]] + " ";
  t += " -> ";
  const Zijde& r = R[k];
  for (int64_t p = 1; r[p] != 0; p++) t += Naam[r[p]] + " ";
  return t;
}

int64_t Nr(const std::string& naam) {
  std::string n = naam.substr(0, Maxnaam);
  for (int64_t s = 1; s <= Naamhib; s++)
    if (Naam[s] == n) return s;
  Naam[Naamhib + 1] = n;  // the 101st name stops the run here
  return ++Naamhib;
}

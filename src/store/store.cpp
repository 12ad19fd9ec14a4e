#include "store/store.h"

SideTable L;
SideTable R;
int64_t Hib = 0;
NameTable Naam;
int64_t Naamhib = 0;

SideTable Lw;
SideTable Rw;
int64_t Whib = 0;
NameTable Naamw;
int64_t Nwhib = 0;

int64_t Hibbu = 0;

std::string Path;
bool Verbose = false;
bool Mb = false;
bool Mp = false;
bool Trop = false;
int64_t Mxr = 0;
int64_t Trdim = 0;
int64_t Ardim = 0;
int64_t Mpdim = 0;

TextFile Rr;

void Srstow() {
  Lw = L;
  Rw = R;
  Whib = Hib;
  Naamw = Naam;
  Nwhib = Naamhib;
}

void ClearStore() {
  L = SideTable{};
  R = SideTable{};
  Lw = SideTable{};
  Rw = SideTable{};
  Naam = NameTable{};
  Naamw = NameTable{};
  Hib = Naamhib = Whib = Nwhib = Hibbu = 0;
  Path.clear();
  Verbose = Mb = Mp = Trop = false;
  Mxr = Trdim = Ardim = Mpdim = 0;
  Rr.Close();
}

std::string Schrijfregel(int64_t k) {
  // The text is never cut: a long rule must read back as the same rule.
  std::string t;
  const Side& l = L[k];
  for (int64_t p = 1; l[p] != 0; p++) t += Naam[l[p]] + " ";
  t += " -> ";
  const Side& r = R[k];
  for (int64_t p = 1; r[p] != 0; p++) t += Naam[r[p]] + " ";
  return t;
}

int64_t Nr(const std::string& name) {
  std::string n = name.substr(0, MaxNameBytes);
  for (int64_t s = 1; s <= Naamhib; s++)
    if (Naam[s] == n) return s;
  Naam[Naamhib + 1] = n;  // the 101st name stops the run here
  return ++Naamhib;
}

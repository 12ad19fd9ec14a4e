// The system reader: a character scanner over whole input lines. Line ends
// join the last name of a line to the first of the next; an empty line is one
// blank; the arrow is "-" and two characters that are not looked at.
#include <string>

#include "common/bestand.h"
#include "common/fout.h"
#include "store/store.h"

namespace {

struct Lezer {
  std::FILE* in;
  std::string lijn;  // the current line, whole
  int64_t pos = 0;   // index (from 1) of the character last handed out
  char ch = ' ';     // the current character
  std::string naam;  // the name last read

  void Volgende() {
    if (!Leesregel(in, lijn)) {
      if (std::ferror(in)) Iofout("cannot read standard input");
      Iofout("read past the end of standard input before the system was complete");
    }
    pos = 1;
  }

  char Nextsym() {
    if (static_cast<int64_t>(lijn.size()) > pos)
      pos++;
    else
      Volgende();
    return lijn.empty() ? ' ' : lijn[pos - 1];
  }

  static bool Scheiding(char c) { return c == ' ' || c == ')' || c == ',' || c == '-'; }

  void Leesnaam() {
    char c = Nextsym();
    while (c == ' ') c = Nextsym();
    if (c == ')' || c == ',' || c == '-') {
      ch = c;
      return;
    }
    naam.assign(1, c);
    c = Nextsym();
    while (!Scheiding(c)) {
      if (naam.size() < Maxnaam) naam.push_back(c);
      c = Nextsym();
    }
    if (c != ' ') pos--;  // ")", "," or "-" is read again next time
    ch = ' ';
  }
};

}  // namespace

void Lees(std::FILE* in) {
  Lezer z{in, "", 0, ' ', ""};
  z.Volgende();
  z.pos = 0;
  Naamhib = 0;
  Hib = 0;
  while (z.Nextsym() != 'S') {
  }
  z.ch = ' ';
  while (z.ch != ')') {
    z.Leesnaam();
    if (z.ch == ')' || z.ch == ',') continue;
    Hib++;
    Zijde& l = L[Hib];  // a 1001st rule stops the run here
    int64_t p = 0;
    while (z.ch != '-') {
      l[++p] = static_cast<uint8_t>(Nr(z.naam));
      z.Leesnaam();
    }
    z.Nextsym();
    z.ch = z.Nextsym();
    l[p + 1] = 0;  // a side of 50 symbols stops the run here
    Zijde& r = R[Hib];
    p = 0;
    if (z.ch != ')' && z.ch != ',') z.Leesnaam();
    while (z.ch != ')' && z.ch != ',') {
      r[++p] = static_cast<uint8_t>(Nr(z.naam));
      z.Leesnaam();
    }
    r[p + 1] = 0;
  }
  Srstow();
  Uit("Tessivar is applied to the string rewriting system\n");
  for (int64_t k = 1; k <= Hib; k++) Uit(Schrijfregel(k) + "\n");
}

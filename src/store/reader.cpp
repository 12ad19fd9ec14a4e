// The system reader: a character scanner over whole input lines. Line ends
// join the last name of a line to the first of the next; an empty line is one
// blank; the arrow is "-" and two characters that are not looked at. A rule
// that ends before its arrow, and a "-" in a right-hand side, stop the run:
// read on, they would repeat the name before them (or add an empty one).
#include <string>

#include "store/store.h"
#include "util/error.h"
#include "util/file.h"

namespace {

struct Scanner {
  std::FILE* in;
  std::string line;  // the current line, whole
  int64_t pos = 0;   // index (from 1) of the character last handed out
  char ch = ' ';     // the current character
  std::string name;  // the name last read

  void NextLine() {
    if (!ReadWholeLine(in, line)) {
      if (std::ferror(in)) IoError("cannot read standard input");
      IoError("read past the end of standard input before the system was complete");
    }
    pos = 1;
  }

  // The next character; at the end of a line, the first of the next line.
  char Nextsym() {
    if (static_cast<int64_t>(line.size()) > pos)
      pos++;
    else
      NextLine();
    return line.empty() ? ' ' : line[pos - 1];
  }

  static bool IsSeparator(char c) { return c == ' ' || c == ')' || c == ',' || c == '-'; }

  // Reads a name into `name` and sets `ch` to " ", or, when ")", "," or "-"
  // comes first, sets `ch` to that character.
  void Leesnaam() {
    char c = Nextsym();
    while (c == ' ') c = Nextsym();
    if (c == ')' || c == ',' || c == '-') {
      ch = c;
      return;
    }
    name.assign(1, c);
    c = Nextsym();
    while (!IsSeparator(c)) {
      if (name.size() < MaxNameBytes) name.push_back(c);
      c = Nextsym();
    }
    if (c != ' ') pos--;  // ")", "," or "-" is read again next time
    ch = ' ';
  }
};

}  // namespace

void Lees(std::FILE* in) {
  Scanner scan{in, "", 0, ' ', ""};
  scan.NextLine();
  scan.pos = 0;
  Naamhib = 0;
  Hib = 0;
  while (scan.Nextsym() != 'S') {
  }
  scan.ch = ' ';
  while (scan.ch != ')') {
    scan.Leesnaam();
    if (scan.ch == ')' || scan.ch == ',') continue;
    Hib++;
    Side& l = L[Hib];  // a 1001st rule stops the run here
    int64_t p = 0;
    while (scan.ch != '-') {
      if (scan.ch != ' ')
        InputError("rule " + std::to_string(Hib) + " ends at \"" + scan.ch + "\" before its \"->\"");
      l[++p] = static_cast<uint8_t>(Nr(scan.name));
      scan.Leesnaam();
    }
    scan.Nextsym();
    scan.ch = scan.Nextsym();
    l[p + 1] = 0;  // a side of 50 symbols stops the run here
    Side& r = R[Hib];
    p = 0;
    if (scan.ch != ')' && scan.ch != ',') scan.Leesnaam();
    while (scan.ch != ')' && scan.ch != ',') {
      if (scan.ch == '-') InputError("rule " + std::to_string(Hib) + " has a \"-\" in its right-hand side");
      r[++p] = static_cast<uint8_t>(Nr(scan.name));
      scan.Leesnaam();
    }
    r[p + 1] = 0;
  }
  Srstow();
  Print("Tessivar is applied to the string rewriting system\n");
  for (int64_t k = 1; k <= Hib; k++) Print(Schrijfregel(k) + "\n");
}

#include "common/bestand.h"

#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "common/fout.h"

namespace {
std::string Reden() { return errno ? std::string(": ") + std::strerror(errno) : ""; }
}  // namespace

void Tekstbestand::Rewrite() {
  Close();
  errno = 0;
  f = std::fopen(naam.c_str(), "w");
  if (!f) Iofout("cannot open \"" + naam + "\" for writing" + Reden());
}

void Tekstbestand::Reset() {
  Close();
  errno = 0;
  f = std::fopen(naam.c_str(), "r");
  if (!f) Iofout("cannot open \"" + naam + "\" for reading" + Reden());
}

void Tekstbestand::Close() {
  if (!f) return;
  std::FILE* g = f;
  f = nullptr;
  errno = 0;
  if (std::fclose(g) != 0) Iofout("cannot close \"" + naam + "\"" + Reden());
}

void Tekstbestand::Schrijf(const std::string& s) {
  if (!f) Iofout("write to \"" + naam + "\", which is not open");
  errno = 0;
  if (std::fwrite(s.data(), 1, s.size(), f) != s.size())
    Iofout("cannot write to \"" + naam + "\"" + Reden());
  if (spoelen) Spoel();
}

void Tekstbestand::Spoel() {
  errno = 0;
  if (f && std::fflush(f) != 0) Iofout("cannot write to \"" + naam + "\"" + Reden());
}

bool Tekstbestand::Eof() {
  if (!f) Iofout("read from \"" + naam + "\", which is not open");
  int c = std::getc(f);
  if (c == EOF) {
    if (std::ferror(f)) Iofout("cannot read \"" + naam + "\"");
    return true;
  }
  std::ungetc(c, f);
  return false;
}

bool Leesregel(std::FILE* f, std::string& lijn) {
  lijn.clear();
  int c = std::getc(f);
  if (c == EOF) return false;
  while (c != EOF && c != '\n') {
    lijn.push_back(static_cast<char>(c));
    c = std::getc(f);
  }
  return true;
}

std::string Tekstbestand::Readln() {
  if (!f) Iofout("read from \"" + naam + "\", which is not open");
  std::string lijn;
  if (!Leesregel(f, lijn)) {
    if (std::ferror(f)) Iofout("cannot read \"" + naam + "\"");
    Iofout("read past the end of \"" + naam + "\"");
  }
  if (std::ferror(f)) Iofout("cannot read \"" + naam + "\"");
  return lijn;
}

int64_t Tekstbestand::Leesgetal() {
  if (!f) Iofout("read from \"" + naam + "\", which is not open");
  int c = std::getc(f);
  while (c == ' ' || c == '\t' || c == '\n' || c == '\r') c = std::getc(f);
  if (c == EOF) Iofout("read past the end of \"" + naam + "\" where a number was expected");
  bool negatief = false;
  if (c == '+' || c == '-') {
    negatief = c == '-';
    c = std::getc(f);
  }
  if (c < '0' || c > '9') Iofout("\"" + naam + "\" has no integer where one was expected");
  int64_t n = 0;
  for (; c >= '0' && c <= '9'; c = std::getc(f)) {
    if (n > (INT64_MAX - (c - '0')) / 10) Iofout("integer too large in \"" + naam + "\"");
    n = n * 10 + (c - '0');
  }
  while (c != EOF && c != '\n') c = std::getc(f);  // the rest of the line is a comment
  if (std::ferror(f)) Iofout("cannot read \"" + naam + "\"");
  return negatief ? -n : n;
}

void Uit(const std::string& s) {
  errno = 0;
  if (std::fwrite(s.data(), 1, s.size(), stdout) != s.size() || std::fflush(stdout) != 0)
    Iofout("cannot write to standard output" + Reden());
}

void Shell(const std::string& regel) {
  std::fflush(stdout);
  errno = 0;
  int st = std::system(regel.c_str());
  if (st == -1) Iofout("cannot start the shell for \"" + regel + "\"" + Reden());
  if (!WIFEXITED(st)) Iofout("shell command \"" + regel + "\" did not end normally");
}

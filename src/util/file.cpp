#include "util/file.h"

#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "util/error.h"

namespace {
std::string ErrnoReason() { return errno ? std::string(": ") + std::strerror(errno) : ""; }
}  // namespace

void TextFile::Rewrite() {
  Close();
  errno = 0;
  f = std::fopen(name.c_str(), "w");
  if (!f) IoError("cannot open \"" + name + "\" for writing" + ErrnoReason());
}

void TextFile::Reset() {
  Close();
  errno = 0;
  f = std::fopen(name.c_str(), "r");
  if (!f) IoError("cannot open \"" + name + "\" for reading" + ErrnoReason());
}

void TextFile::Close() {
  if (!f) return;
  std::FILE* g = f;
  f = nullptr;
  errno = 0;
  if (std::fclose(g) != 0) IoError("cannot close \"" + name + "\"" + ErrnoReason());
}

void TextFile::Write(const std::string& s) {
  if (!f) IoError("write to \"" + name + "\", which is not open");
  errno = 0;
  if (std::fwrite(s.data(), 1, s.size(), f) != s.size())
    IoError("cannot write to \"" + name + "\"" + ErrnoReason());
  if (flush_each_write) Flush();
}

void TextFile::Flush() {
  errno = 0;
  if (f && std::fflush(f) != 0) IoError("cannot write to \"" + name + "\"" + ErrnoReason());
}

bool TextFile::Eof() {
  if (!f) IoError("read from \"" + name + "\", which is not open");
  int c = std::getc(f);
  if (c == EOF) {
    if (std::ferror(f)) IoError("cannot read \"" + name + "\"");
    return true;
  }
  std::ungetc(c, f);
  return false;
}

bool ReadWholeLine(std::FILE* f, std::string& line) {
  line.clear();
  int c = std::getc(f);
  if (c == EOF) return false;
  while (c != EOF && c != '\n') {
    line.push_back(static_cast<char>(c));
    c = std::getc(f);
  }
  return true;
}

std::string TextFile::ReadLine() {
  if (!f) IoError("read from \"" + name + "\", which is not open");
  std::string line;
  if (!ReadWholeLine(f, line)) {
    if (std::ferror(f)) IoError("cannot read \"" + name + "\"");
    IoError("read past the end of \"" + name + "\"");
  }
  if (std::ferror(f)) IoError("cannot read \"" + name + "\"");
  return line;
}

int64_t TextFile::ReadInteger() {
  if (!f) IoError("read from \"" + name + "\", which is not open");
  int c = std::getc(f);
  // A carriage return is an ordinary byte, not a line end.
  while (c == ' ' || c == '\t' || c == '\n') c = std::getc(f);
  if (c == EOF) IoError("read past the end of \"" + name + "\" where a number was expected");
  bool negative = false;
  if (c == '+' || c == '-') {
    negative = c == '-';
    c = std::getc(f);
  }
  if (c < '0' || c > '9') IoError("\"" + name + "\" has no integer where one was expected");
  // The magnitude, up to 2^63 for the smallest value.
  const uint64_t limit = negative ? uint64_t{1} << 63 : uint64_t{INT64_MAX};
  uint64_t n = 0;
  for (; c >= '0' && c <= '9'; c = std::getc(f)) {
    uint64_t digit = static_cast<uint64_t>(c - '0');
    if (n > (limit - digit) / 10) IoError("integer too large in \"" + name + "\"");
    n = n * 10 + digit;
  }
  while (c != EOF && c != '\n') c = std::getc(f);  // the rest of the line is a comment
  if (std::ferror(f)) IoError("cannot read \"" + name + "\"");
  if (!negative) return static_cast<int64_t>(n);
  return n == uint64_t{1} << 63 ? INT64_MIN : -static_cast<int64_t>(n);
}

void Print(const std::string& s) {
  errno = 0;
  if (std::fwrite(s.data(), 1, s.size(), stdout) != s.size() || std::fflush(stdout) != 0)
    IoError("cannot write to standard output" + ErrnoReason());
}

void Shell(const std::string& command) {
  std::fflush(stdout);
  errno = 0;
  int st = std::system(command.c_str());
  if (st == -1) IoError("cannot start the shell for \"" + command + "\"" + ErrnoReason());
  if (!WIFEXITED(st)) IoError("shell command \"" + command + "\" did not end normally");
}

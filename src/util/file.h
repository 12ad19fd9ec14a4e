// Text files, standard output and shell commands, each operation checked: a
// failure stops the run through IoError (exit 42).
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

// A text-file channel bound to one file name, opened in turn for writing
// (emptied) or reading.
struct TextFile {
  std::string name;
  std::FILE* f = nullptr;
  bool flush_each_write = true;  // flush after every write

  void Bind(const std::string& n) { name = n; }
  void Rewrite();  // open for writing, emptied (created if missing)
  void Reset();    // open for reading from the start
  void Close();    // no effect when not open
  void Write(const std::string& s);
  void Flush();  // flush what buffered writes have left
  bool Eof();
  // Reads one whole line without its line end; past the end of the file the
  // run stops.
  std::string ReadLine();
  // Reads an optionally signed 64-bit decimal integer, passing over blanks,
  // tabs and line feeds before it, then skips the rest of its line. Any
  // other byte where the number should begin, a carriage return included,
  // and a value beyond 64 bits stop the run.
  int64_t ReadInteger();
};

// Writes to standard output and flushes, so the proof is visible at once.
void Print(const std::string& s);

// Runs one command line through the shell and waits for it. Its exit status
// is not looked at; a shell that cannot start or a command that does not end
// normally stops the run.
void Shell(const std::string& command);

// Reads one line of any length from f without its line end; false at the end.
bool ReadWholeLine(std::FILE* f, std::string& line);

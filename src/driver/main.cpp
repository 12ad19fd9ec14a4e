// Tessivar: tries to prove a string rewriting system terminating. Reads the
// system on standard input and its settings from "param" in this folder.
// It takes no arguments: -h and --help print the usage, before "param" is
// looked at; any other argument is ignored.
#include <cstring>
#include <iostream>

#include "driver/driver.h"

namespace {

const char* kUsage =
    "usage: tessivar < SYSTEM\n"
    "  Reads a string rewriting system in the text format \"(RULES l -> r , ... )\" on\n"
    "  standard input and its settings from the file \"param\" in the current folder\n"
    "  (seven lines: the solver's command line, Verbose, Mxr, the tropical and arctic\n"
    "  dimensions, Mb, the normal dimension). Writes the proof on standard output and\n"
    "  the remaining system, or YES, to the file \"srs\". Uses the files \"frm\" and \"r\"\n"
    "  in the current folder. Exit status 0 whatever the verdict, 42 after a run-time\n"
    "  error. tessivar-run runs it in a folder of its own with built-in settings.\n";

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; i++)
    if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
      std::cout << kUsage;
      return 0;
    }
  return RunProver();
}

// Tessivar: tries to prove a string rewriting system terminating. Reads the
// system on standard input and its settings from "param" in this folder.
#include "driver/driver.h"

int main() { return RunProver(); }

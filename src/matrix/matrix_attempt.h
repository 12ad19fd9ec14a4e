// Matrix interpretations through an external SMT solver.
#pragma once
#include <cstdint>

// One attempt of dimension d (1..5) in the mode of Mp and Trop: writes the
// benchmark to "frm", runs the solver named by Path, and when the solver
// gives a model that passes the interpretation check, prints it and removes
// the strictly decreasing rules. Progress shows only as a smaller Hib.
void Typgr(int64_t d);

// Column counter of the loops over the symbols' entries in the benchmark.
extern int64_t K;

// The rewriting-system store: every table of a run, global and of fixed size,
// indexed from 1 and checked on every access.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "common/bestand.h"
#include "common/tabel.h"

constexpr int64_t Maxregels = 1000;  // rules
constexpr int64_t Maxpos = 50;       // positions of a side: 49 symbols and the end mark 0
constexpr int64_t Maxnamen = 100;    // distinct symbols
constexpr size_t Maxnaam = 255;      // bytes kept of a name

// One rule side: symbol numbers from position 1 on, ended by 0.
using Zijde = Tabel<uint8_t, Maxpos>;
using Zijden = Tabel<Zijde, Maxregels>;
using Namen = Tabel<std::string, Maxnamen>;

// The current system.
extern Zijden L, R;
extern int64_t Hib;  // number of rules
extern Namen Naam;
extern int64_t Naamhib;  // number of symbols

// The working copy, written only by Srstow and read by the match-bound method.
extern Zijden Lw, Rw;
extern int64_t Whib;
extern Namen Naamw;
extern int64_t Nwhib;

// Rules at the start of the driver's current pass.
extern int64_t Hibbu;

// Settings from the parameter file and the mode of the current matrix attempt.
extern std::string Path;
extern bool Verbose, Mb, Mp, Trop;
extern int64_t Mxr, Trdim, Ardim, Mpdim;

// The one exchange file channel, bound to "frm" by the driver.
extern Tekstbestand Rr;

// Copies the whole current system, stale rows included, into the working copy.
void Srstow();

// Zeroes every table and count and empties every string, as at program start.
void Wisstore();

// The text of rule k: each name followed by one blank, " -> " between the sides.
std::string Schrijfregel(int64_t k);

// Number of the symbol with this name (its first 255 bytes), adding it if new.
int64_t Nr(const std::string& naam);

// Reads the system from `in` (standard input for the program), numbers its
// symbols, refreshes the working copy and prints the banner and the rules.
void Lees(std::FILE* in = stdin);

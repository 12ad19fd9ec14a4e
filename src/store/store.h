// The rewriting-system store: every table of a run, global and of fixed size,
// indexed from 1 and checked on every access.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "util/checked_table.h"
#include "util/file.h"

constexpr int64_t MaxRules = 1000;    // rules
constexpr int64_t MaxPositions = 50;  // positions of a side: 49 symbols and the end mark 0
constexpr int64_t MaxSymbols = 100;   // distinct symbols
constexpr size_t MaxNameBytes = 255;  // bytes kept of a name

// One rule side: symbol numbers from position 1 on, ended by 0.
using Side = CheckedTable<uint8_t, MaxPositions>;
using SideTable = CheckedTable<Side, MaxRules>;
using NameTable = CheckedTable<std::string, MaxSymbols>;

// The current system. docs/glossary.md gives the meaning of each short name.
extern SideTable L;      // left-hand sides, by rule
extern SideTable R;      // right-hand sides, by rule
extern int64_t Hib;      // number of rules
extern NameTable Naam;   // symbol names, by symbol number
extern int64_t Naamhib;  // number of symbols

// The working copy, written only by Srstow and read by the match-bound method.
extern SideTable Lw;     // left-hand sides of the working copy
extern SideTable Rw;     // right-hand sides of the working copy
extern int64_t Whib;     // number of rules of the working copy
extern NameTable Naamw;  // symbol names of the working copy
extern int64_t Nwhib;    // number of symbols of the working copy

extern int64_t Hibbu;  // rules at the start of the driver's current pass

// Settings from the parameter file and the mode of the current matrix attempt.
extern std::string Path;  // the solver's command, before " -m frm > r"
extern bool Verbose;      // report failed attempts
extern bool Mb;           // the match-bound method is on
extern bool Mp;           // mode of the matrix attempt: normal (natural numbers)
extern bool Trop;         // mode when not normal: tropical, else arctic
extern int64_t Mxr;       // bound on the symbols' matrix entries in dimensions 2 and 3
extern int64_t Trdim;     // highest dimension of tropical attempts
extern int64_t Ardim;     // highest dimension of arctic attempts
extern int64_t Mpdim;     // highest dimension of normal attempts

extern TextFile Rr;  // the one exchange file channel, bound to "frm" by the driver

// Copies the whole current system, stale rows included, into the working copy.
void Srstow();

// Zeroes every table and count and empties every string, as at program start.
void ClearStore();

// The text of rule k: each name followed by one blank, " -> " between the sides.
std::string Schrijfregel(int64_t k);

// Number of the symbol with this name (its first 255 bytes), adding it if new.
int64_t Nr(const std::string& name);

// Reads the system from `in` (standard input for the program), numbers its
// symbols, refreshes the working copy and prints the banner and the rules.
void Lees(std::FILE* in = stdin);

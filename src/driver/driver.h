// The proof driver: settings, the result file "srs" and the passes.
#pragma once

// Copies "param" to "frm" and reads the seven settings from it.
void Leesparam();

// Writes the current system to "frm" and moves it to "srs".
void Schrijfsrs();

// Runs passes until no rule is left or a pass removes none.
void Bewijs();

// The whole run, as the program does it; returns the exit status.
int Hoofd();

// The proof driver: settings, the result file "srs" and the passes.
#pragma once

// Copies "param" to "frm" and reads the seven settings from it.
void ReadSettings();

// Writes the current system to "frm" and moves it to "srs".
void WriteResultFile();

// Runs passes until no rule is left or a pass removes none.
void RunPasses();

// The whole run, as the program does it; returns the exit status.
int RunProver();

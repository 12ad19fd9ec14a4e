#include "driver/driver.h"

#include "matchbound/match_bound.h"
#include "matrix/matrix_attempt.h"
#include "store/store.h"
#include "util/file.h"

void ReadSettings() {
  Shell("cp param frm");
  Rr.Reset();
  Path = Rr.ReadLine().substr(0, 255);
  Verbose = Rr.ReadInteger() == 1;
  Mxr = Rr.ReadInteger();
  Trdim = Rr.ReadInteger();
  Ardim = Rr.ReadInteger();
  Mb = Rr.ReadInteger() == 1;
  Mpdim = Rr.ReadInteger();
  Rr.Close();
}

void WriteResultFile() {
  Rr.Rewrite();
  Rr.Write("(RULES\n");
  for (int64_t k = 1; k <= Hib; k++) Rr.Write(Schrijfregel(k) + (k < Hib ? " ,\n" : " )\n"));
  Rr.Close();
  Shell("mv frm srs");
}

void RunPasses() {
  Hibbu = 0;
  while (Hib > 0) {
    if (Hibbu > 0) {
      WriteResultFile();
      Print("continue with:\n");
      for (int64_t k = 1; k <= Hib; k++) Print(Schrijfregel(k) + "\n");
    }
    Hibbu = Hib;
    // The attempts of a pass, each made only while none before it in the
    // pass has removed a rule. The mode flags are set at their step whether
    // or not that attempt is made.
    Mp = false;
    Trop = true;
    Typgr(1);  // tropical, dimension 1: in every pass
    if (Hib == Hibbu && Trdim >= 2) Typgr(2);  // tropical
    Trop = false;
    if (Hib == Hibbu && Ardim >= 2) Typgr(2);  // arctic
    Mp = true;
    if (Hib == Hibbu && Mpdim >= 2) Typgr(2);  // normal

    // Match bounds, only while no rule has an empty side: with one the graph
    // could claim a proof that does not hold.
    if (Hib == Hibbu && Mb && !HasEmptySide(L, R, Hib)) Matchb();

    Mp = false;
    Trop = true;
    if (Hib == Hibbu && Trdim >= 3) Typgr(3);  // tropical
    Trop = false;
    if (Hib == Hibbu && Ardim >= 3) Typgr(3);  // arctic
    Mp = true;
    if (Hib == Hibbu && Mpdim >= 3) Typgr(3);  // normal
    if (Hib == Hibbu) {
      Print("no proof found\n");
      Hib = 0;
    }
  }
}

int RunProver() {
  Rr.Bind("frm");
  ReadSettings();
  Lees();
  WriteResultFile();
  RunPasses();
  return 0;
}

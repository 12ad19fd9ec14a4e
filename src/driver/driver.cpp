#include "driver/driver.h"

#include "common/bestand.h"
#include "matchbound/matchb.h"
#include "matrix/typgr.h"
#include "store/store.h"

void Leesparam() {
  Shell("cp param frm");
  Rr.Reset();
  Path = Rr.Readln().substr(0, 255);
  Verbose = Rr.Leesgetal() == 1;
  Mxr = Rr.Leesgetal();
  Trdim = Rr.Leesgetal();
  Ardim = Rr.Leesgetal();
  Mb = Rr.Leesgetal() == 1;
  Mpdim = Rr.Leesgetal();
  Rr.Close();
}

void Schrijfsrs() {
  Rr.Rewrite();
  Rr.Schrijf("(RULES\n");
  for (int64_t k = 1; k <= Hib; k++)
    Rr.Schrijf(Schrijfregel(k) + (k < Hib ? " ,\n" : " )\n"));
  Rr.Close();
  Shell("mv frm srs");
}

void Bewijs() {
  Hibbu = 0;
  while (Hib > 0) {
    if (Hibbu > 0) {
      Schrijfsrs();
      Uit("continue with:\n");
      for (int64_t k = 1; k <= Hib; k++) Uit(Schrijfregel(k) + "\n");
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
    if (Hib == Hibbu && Mb && !Leegzijde(L, R, Hib)) Matchb();

    Mp = false;
    Trop = true;
    if (Hib == Hibbu && Trdim >= 3) Typgr(3);  // tropical
    Trop = false;
    if (Hib == Hibbu && Ardim >= 3) Typgr(3);  // arctic
    Mp = true;
    if (Hib == Hibbu && Mpdim >= 3) Typgr(3);  // normal
    if (Hib == Hibbu) {
      Uit("no proof found\n");
      Hib = 0;
    }
  }
}

int Hoofd() {
  Rr.Bind("frm");
  Leesparam();
  Lees();
  Schrijfsrs();
  Bewijs();
  return 0;
}

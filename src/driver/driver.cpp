#include "driver/driver.h"

#include "common/bestand.h"
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
    // pass has removed a rule.
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

// Fuzz target of the prover's system reader (Lees). Any input either stops
// the run with the program's error report, or gives a system that the
// result file "srs" holds exactly: its text read back is the same system.
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz_util.h"
#include "store/store.h"
#include "util/error.h"

namespace {

struct ReadResult {
  bool stopped = false;
  std::string report;
  std::vector<std::vector<std::string>> left, right;
};

std::vector<std::string> NamesOf(const Side& side) {
  std::vector<std::string> names;
  for (int64_t p = 1; side[p] != 0; p++) names.push_back(Naam[side[p]]);
  return names;
}

ReadResult Read(const std::string& text) {
  ReadResult r;
  ClearStore();
  std::FILE* in = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
  if (!in) fuzz::Broken("fmemopen failed");
  try {
    fuzz::CaughtStdout out;
    Lees(in);
  } catch (const StoppedRun& e) {
    r.stopped = true;
    r.report = e.what();
  }
  std::fclose(in);
  if (r.stopped) return r;
  for (int64_t k = 1; k <= Hib; k++) {
    r.left.push_back(NamesOf(L[k]));
    r.right.push_back(NamesOf(R[k]));
  }
  return r;
}

// The text of the current system as the driver writes it to "srs".
std::string ResultFileText() {
  std::string t = "(RULES\n";
  for (int64_t k = 1; k <= Hib; k++) t += Schrijfregel(k) + (k < Hib ? " ,\n" : " )\n");
  return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  ReadResult first = Read(text);
  if (first.stopped) {
    if (first.report.rfind("tessivar: ", 0) != 0) fuzz::Broken("report without the program's prefix: " + first.report);
    return 0;
  }
  // An empty system is written as "(RULES" alone, which is not read back.
  if (first.left.empty()) return 0;
  std::string srs = ResultFileText();
  ReadResult again = Read(srs);
  if (again.stopped) fuzz::Broken("the result file is not read back: " + again.report + "\n" + srs);
  if (again.left != first.left || again.right != first.right)
    fuzz::Broken("the result file reads back as another system:\n" + srs);
  return 0;
}

// Fuzz target of the runner's reader of database XML (XmlRules, XmlToSrs).
// Any file is either refused with a reason or turned into string rules,
// whose text reads back through the strict reader as the same rules; and
// where the runner lets the classic prover have them, the text it hands it
// reads through the prover's own reader as the same rules too.
#include <cstdio>
#include <string>
#include <vector>

#include "engine/problem/system_text.h"
#include "fuzz_util.h"
#include "run/classic_input.h"
#include "input/problem.h"
#include "store/store.h"
#include "util/error.h"

using tessivar::engine::NamedRule;

namespace {

fuzz::MemoryFile* input;

std::vector<NamedRule> ClassicReading(const std::string& text) {
  ClearStore();
  std::FILE* in = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
  if (!in) fuzz::Broken("fmemopen failed");
  try {
    fuzz::CaughtStdout quiet;
    Lees(in);
  } catch (const StoppedRun& e) {
    std::fclose(in);
    fuzz::Broken(std::string("the classic prover refuses the text it is handed: ") + e.what() + "\n" + text);
  }
  std::fclose(in);
  std::vector<NamedRule> rules;
  for (int64_t k = 1; k <= Hib; k++) {
    NamedRule r;
    for (int64_t p = 1; L[k][p] != 0; p++) r.lhs.push_back(Naam[L[k][p]]);
    for (int64_t p = 1; R[k][p] != 0; p++) r.rhs.push_back(Naam[R[k][p]]);
    rules.push_back(r);
  }
  return rules;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  input = new fuzz::MemoryFile();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  input->Set(data, size);
  std::vector<NamedRule> rules;
  try {
    rules = XmlRules(input->path());
  } catch (const ProblemError& e) {
    if (std::string(e.what()).empty()) fuzz::Broken("a refusal without a reason");
    return 0;
  }
  std::string srs = XmlToSrs(input->path());
  try {
    if (tessivar::engine::read_system_text(srs) != rules) fuzz::Broken("the text reads back as other rules:\n" + srs);
  } catch (const tessivar::engine::InputError& e) {
    fuzz::Broken(std::string("the text does not read back: ") + e.what() + "\n" + srs);
  }
  try {
    CheckClassicCapacity(rules);
  } catch (const ProblemError&) {
    return 0;  // the runner does not run the classic prover on these
  }
  std::string text = ClassicText(rules);
  if (ClassicReading(text) != rules) fuzz::Broken("the classic prover reads other rules:\n" + text);
  return 0;
}

// Fuzz target of the runner's reader of database XML (XmlToSrs). Any file
// is either refused with a reason or turned into a system in the prover's
// text format: "(RULES", one rule a line, "," between rules, ")" at the end.
#include <string>

#include "fuzz_util.h"
#include "run/problem.h"

namespace {

fuzz::MemoryFile* input;

// The shape of the text XmlToSrs promises.
void CheckShape(const std::string& srs) {
  if (srs.rfind("(RULES\n", 0) != 0) fuzz::Broken("no (RULES header:\n" + srs);
  if (srs.size() < 9 || srs.compare(srs.size() - 2, 2, ")\n") != 0) fuzz::Broken("no closing parenthesis:\n" + srs);
  size_t rules = 0, arrows = 0;
  for (size_t at = 7; at < srs.size();) {
    size_t end = srs.find('\n', at);
    std::string line = srs.substr(at, end - at);
    at = end + 1;
    if (line == ")") continue;
    rules++;
    if (line.find("-> ") != std::string::npos) arrows++;
    for (unsigned char c : line)
      if (c < ' ' || c == 127) fuzz::Broken("a control byte in a rule line:\n" + srs);
  }
  if (arrows != rules) fuzz::Broken("a rule line without its arrow:\n" + srs);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  input = new fuzz::MemoryFile();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  input->Set(data, size);
  std::string srs;
  try {
    srs = XmlToSrs(input->path());
  } catch (const ProblemError& e) {
    if (std::string(e.what()).empty()) fuzz::Broken("a refusal without a reason");
    return 0;
  }
  CheckShape(srs);
  return 0;
}

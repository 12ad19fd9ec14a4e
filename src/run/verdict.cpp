#include "run/verdict.h"

#include <sstream>

namespace {

bool IsMatchBoundLine(const std::string& r) {
  const std::string header = "Terminating due to match bound ";
  if (r.compare(0, header.size(), header) != 0 || r.size() < header.size() + 2 || r.back() != ',')
    return false;
  for (size_t i = header.size(); i + 1 < r.size(); i++)
    if (r[i] < '0' || r[i] > '9') return false;
  return true;
}

}  // namespace

std::string Verdict(const std::string& output) {
  std::istringstream in(output);
  for (std::string r; std::getline(in, r);)
    if (r == "termination has been proved" || IsMatchBoundLine(r)) return "YES";
  return "MAYBE";
}

std::string EngineVerdict(const std::string& output) {
  std::string first = output.substr(0, output.find('\n'));
  if (output.find('\n') == std::string::npos) return "";
  return first == "YES" || first == "NO" || first == "MAYBE" ? first : "";
}

#include "run/oordeel.h"

#include <sstream>

namespace {

bool Matchregel(const std::string& r) {
  const std::string kop = "Terminating due to match bound ";
  if (r.compare(0, kop.size(), kop) != 0 || r.size() < kop.size() + 2 || r.back() != ',')
    return false;
  for (size_t i = kop.size(); i + 1 < r.size(); i++)
    if (r[i] < '0' || r[i] > '9') return false;
  return true;
}

}  // namespace

std::string Oordeel(const std::string& uitvoer) {
  std::istringstream in(uitvoer);
  for (std::string r; std::getline(in, r);)
    if (r == "termination has been proved" || Matchregel(r)) return "YES";
  return "MAYBE";
}

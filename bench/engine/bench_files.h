// The problem files a measuring program is given: the .srs files under
// the folders named (in sorted order) and the files named, and their text.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace tessivar::bench {

inline std::vector<std::filesystem::path> problems_under(const std::vector<std::string>& args) {
  namespace fs = std::filesystem;
  std::vector<fs::path> out;
  for (const auto& a : args) {
    if (fs::is_directory(a)) {
      for (const auto& e : fs::recursive_directory_iterator(a))
        if (e.is_regular_file() && e.path().extension() == ".srs") out.push_back(e.path());
    } else {
      out.emplace_back(a);
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

inline std::string read_file(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + p.string());
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace tessivar::bench

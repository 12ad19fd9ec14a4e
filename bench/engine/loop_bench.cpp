// Runs the loop search on every .srs file under the given folders (or on the
// given files) with a time limit each, and prints a line per problem:
//   FILE <tab> found|none|exhausted|error <tab> seconds <tab> steps <tab> |start| <tab> closures <tab> rounds
//   <tab> "reversed" if the loop was found on the reversed system
// "exhausted" means the search built every closure within reach and none
// was a loop. Every loop found is checked by the engine's checker before it
// counts; one that fails the check is printed as "WRONG" and makes the exit
// status 3.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "bench_files.h"
#include "engine/check/check.h"
#include "engine/problem/system_text.h"
#include "engine/processors/loop_search.h"

using namespace tessivar::engine;
namespace fs = std::filesystem;

namespace {

bool holds(const std::vector<NamedRule>& rules, const LoopStep& loop) {
  try {
    check_loop(rules, loop);
    return true;
  } catch (const CheckFailure& e) {
    std::cerr << e.what() << "\n";
    return false;
  }
}

using tessivar::bench::problems_under;
using tessivar::bench::read_file;

}  // namespace

int main(int argc, char** argv) {
  double timeout = 10;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--timeout" && i + 1 < argc) timeout = std::atof(argv[++i]);
    else args.push_back(a);
  }
  if (args.empty()) {
    std::cerr << "usage: tessivar-loop-bench [--timeout SECONDS] FOLDER|FILE.srs ...\n";
    return 2;
  }
  int status = 0;
  for (const fs::path& file : problems_under(args)) {
    std::vector<NamedRule> rules;
    try {
      rules = read_system_text(read_file(file));
    } catch (const std::exception& e) {
      std::cout << file.string() << "\terror\t0\t0\t0\t0\t# " << e.what() << std::endl;
      continue;
    }
    auto begin = std::chrono::steady_clock::now();
    LoopSearchOptions options;
    options.deadline = begin + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                   std::chrono::duration<double>(timeout));
    LoopSearchStats stats;
    auto loop = find_loop(problem_of(rules), options, &stats);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    std::string verdict = loop ? "found" : stats.exhausted ? "exhausted" : "none";
    if (loop && !holds(rules, *loop)) {
      verdict = "WRONG";
      status = 3;
    }
    char time[32];
    std::snprintf(time, sizeof time, "%.3f", seconds);
    std::cout << file.string() << '\t' << verdict << '\t' << time << '\t' << (loop ? loop->steps.size() : 0)
              << '\t' << (loop ? loop->start.size() : 0) << '\t' << stats.closures << '\t' << stats.rounds
              << (stats.on_reversal ? "\treversed" : "") << std::endl;
  }
  return status;
}

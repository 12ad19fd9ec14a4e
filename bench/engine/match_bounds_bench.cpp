// Runs the match-bound search alone on every .srs file under the given
// folders (or on the given files), on the system as given and on its
// reversal, with a time limit for each, and prints a line per problem and
// orientation:
//   FILE <tab> forward|reversed <tab> found|height|size|time|refused|WRONG <tab> seconds
//   <tab> height <tab> states <tab> transitions <tab> seconds of the second check <tab> # why not
// "height" means a height above the limit was needed, "size" that the
// automaton outgrew the limits on states or transitions, "time" that the
// time ran out, "refused" that the problem is not one the search takes
// (an empty left side). Every automaton found is checked again here by the
// engine's checker on the rules as read (reversed for "reversed"); one that
// fails is printed as "WRONG" and makes the exit status 3.
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
#include "engine/check/match_bounds.h"
#include "engine/problem/system_text.h"
#include "engine/processors/match_bounds.h"

using namespace tessivar::engine;
namespace fs = std::filesystem;

namespace {

using tessivar::bench::problems_under;
using tessivar::bench::read_file;

std::string verdict_of(const processors::MatchBoundResult& r) {
  if (r.automaton) return "found";
  if (r.height_exceeded) return "height";
  if (r.why_not.find("more than") != std::string::npos) return "size";
  if (r.why_not.find("time") != std::string::npos) return "time";
  if (r.why_not.find("internal error") != std::string::npos) return "WRONG";
  return "refused";
}

}  // namespace

int main(int argc, char** argv) {
  double timeout = 5;
  processors::MatchBoundLimits limits;
  bool only_forward = false;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--timeout" && i + 1 < argc) timeout = std::atof(argv[++i]);
    else if (a == "--max-height" && i + 1 < argc) limits.max_height = static_cast<uint32_t>(std::atol(argv[++i]));
    else if (a == "--first-height" && i + 1 < argc)
      limits.first_height = static_cast<uint32_t>(std::atol(argv[++i]));
    else if (a == "--max-states" && i + 1 < argc) limits.max_states = static_cast<size_t>(std::atol(argv[++i]));
    else if (a == "--max-transitions" && i + 1 < argc)
      limits.max_transitions = static_cast<size_t>(std::atol(argv[++i]));
    else if (a == "--forward") only_forward = true;
    else if (a == "--suffixes") limits.reuse = processors::MatchBoundLimits::Reuse::Suffixes;
    else if (a == "--prefixes") limits.reuse = processors::MatchBoundLimits::Reuse::Prefixes;
    else args.push_back(a);
  }
  if (args.empty()) {
    std::cerr << "usage: tessivar-match-bounds-bench [--timeout SECONDS] [--first-height H] [--max-height H] [--max-states N]\n"
                 "         [--max-transitions N] [--suffixes|--prefixes] [--forward] FOLDER|FILE.srs ...\n";
    return 2;
  }
  int status = 0;
  for (const fs::path& file : problems_under(args)) {
    std::vector<NamedRule> rules;
    try {
      rules = read_system_text(read_file(file));
    } catch (const std::exception& e) {
      std::cout << file.string() << "\t-\terror\t0\t0\t0\t0\t0\t# " << e.what() << std::endl;
      continue;
    }
    for (bool reverse : {false, true}) {
      if (reverse && only_forward) break;
      std::vector<NamedRule> given = rules;
      if (reverse)
        for (NamedRule& r : given) {
          std::reverse(r.lhs.begin(), r.lhs.end());
          std::reverse(r.rhs.begin(), r.rhs.end());
        }
      encodings::StopCondition stop;
      stop.deadline = encodings::Clock::now() + std::chrono::duration_cast<encodings::Clock::duration>(
                                                    std::chrono::duration<double>(timeout));
      processors::MatchBoundResult r = processors::find_match_bound_automaton(problem_of(given), limits, stop);
      std::string verdict = verdict_of(r);
      double check_seconds = 0;
      if (r.automaton) {
        auto begin = encodings::Clock::now();
        try {
          check_match_bounds(given, *r.automaton);
          check_seconds = std::chrono::duration<double>(encodings::Clock::now() - begin).count();
        } catch (const CheckFailure& e) {
          verdict = "WRONG";
          r.why_not = e.what();
        }
      }
      if (verdict == "WRONG") status = 3;
      char time[32], check_time[32];
      std::snprintf(time, sizeof time, "%.3f", r.seconds);
      std::snprintf(check_time, sizeof check_time, "%.3f", check_seconds);
      std::cout << file.string() << '\t' << (reverse ? "reversed" : "forward") << '\t' << verdict << '\t' << time
                << '\t' << r.height << '\t' << r.states << '\t' << r.transitions << '\t' << check_time
                << (r.why_not.empty() ? "" : "\t# " + r.why_not) << std::endl;
    }
  }
  return status;
}

// Semantic labelling by tiles on every .srs file under the given folders:
// for each width and orientation, the size of the least covering T and of
// the labelled system R_T, and then (unless --stats) repeated rule removal
// by matrix interpretations on R_T, the settings tried in the given order
// (back to the first after every removal), and optionally the
// dependency-pair path on what is left; --write-labelled DIR also writes each
// R_T as FILE.ORIENTATION.K.srs into DIR. One line per problem, orientation
// and width:
//   FILE <tab> plain|reversed <tab> k <tab> |T| <tab> |R_T| <tab> tiling seconds
//   <tab> verdict <tab> seconds <tab> removals
// verdict: proved (every rule removed), proved-dp (the dependency-pair path
// finished the rest), left=N (N labelled rules left), refused:WHY (no
// tiling). removals: SETTING:RULES, ... in the order they happened. Every
// tiling is checked inside tile_problem and every removal by the checker
// inside remove_by_matrix; the dependency-pair proof is checked here.
//
// Settings: n<d><f|a|t>b<bits>c<cap> natural (full, affine, triangular),
// a<d>b<bits>c<cap> arctic (order encoding), e.g. n1b3c8,n2fb1c3,a2b2c4; a
// leading L or G asks for the local search (failing-rules or graded score,
// full shape, the cap unused), e.g. Ga3b2c2.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench_files.h"
#include "engine/check/check.h"
#include "engine/problem/system_text.h"
#include "engine/processors/matrix_removal.h"
#include "engine/processors/tiling.h"
#include "engine/strategy/schedule.h"
#include "engine/processors/top_proof.h"

using namespace tessivar::engine;
namespace fs = std::filesystem;
using encodings::Clock;

namespace {

using tessivar::bench::problems_under;
using tessivar::bench::read_file;

struct NamedSettings {
  std::string name;
  encodings::MatrixSettings settings;
};

// "n2fb1c3" and the like; throws on anything else.
NamedSettings parse_settings(const std::string& text) {
  NamedSettings out{text, {}};
  encodings::MatrixSettings& s = out.settings;
  size_t i = 0;
  auto number = [&]() {
    size_t end = i;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
    if (end == i) throw std::invalid_argument("bad settings " + text);
    int v = std::stoi(text.substr(i, end - i));
    i = end;
    return v;
  };
  auto expect = [&](char c) {
    if (i >= text.size() || text[i] != c) throw std::invalid_argument("bad settings " + text);
    ++i;
  };
  if (text.empty()) throw std::invalid_argument("empty settings");
  if (text[i] == 'L' || text[i] == 'G') {
    s.local_search = true;
    s.local_score = text[i] == 'G' ? encodings::LocalScore::Graded : encodings::LocalScore::FailingRules;
    ++i;
  }
  if (i >= text.size()) throw std::invalid_argument("bad settings " + text);
  char semiring = text[i++];
  if (semiring == 'n') s.semiring = Semiring::Natural;
  else if (semiring == 'a') s.semiring = Semiring::Arctic;
  else throw std::invalid_argument("bad settings " + text);
  s.dimension = number();
  s.shape = encodings::Shape::Full;
  if (i < text.size() && (text[i] == 'f' || text[i] == 'a' || text[i] == 't')) {
    s.shape = text[i] == 'f' ? encodings::Shape::Full : text[i] == 'a' ? encodings::Shape::Affine : encodings::Shape::Triangular;
    ++i;
  }
  expect('b');
  s.bits = number();
  expect('c');
  s.cap = number();
  if (i != text.size()) throw std::invalid_argument("bad settings " + text);
  if (s.semiring == Semiring::Arctic && !s.local_search) s.order_encoding = true;
  return out;
}

std::vector<std::string> split(const std::string& s, char sep) {
  std::vector<std::string> out;
  std::stringstream in(s);
  std::string item;
  while (std::getline(in, item, sep))
    if (!item.empty()) out.push_back(item);
  return out;
}

encodings::StopCondition stop_after(double seconds, Clock::time_point limit) {
  encodings::StopCondition s;
  auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  s.deadline = std::min(end, limit);
  s.budget_seconds = seconds;
  return s.budget_from_now();
}

double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

bool dp_proof_holds(const Problem& p, const StepPtr& proof) {
  Certificate c;
  for (const Rule& r : p.strict) c.input.push_back(p.named(r));
  c.answer = Answer::Yes;
  c.proof = clone(*proof);
  try {
    check_certificate(c);
    return true;
  } catch (const CheckFailure& e) {
    std::cerr << "dependency-pair proof refused: " << e.what() << "\n";
    return false;
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> widths = {2, 3, 4};
  std::vector<NamedSettings> settings;
  double attempt_seconds = 2, budget = 20, tiling_seconds = 10, dp_factor = 1, dp_share = 0.4;
  bool stats_only = false, dp = false, dp_only = false, stop_at_proof = false;
  int retile_width = 0, retile_times = 0;
  std::vector<std::string> orientations = {"plain", "reversed"};
  std::string labelled_folder;
  processors::TilingLimits limits{20000, 50000};
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw std::invalid_argument(a + " needs a value");
      return argv[++i];
    };
    if (a == "--widths") {
      widths.clear();
      for (const std::string& w : split(value(), ',')) widths.push_back(std::stoi(w));
    } else if (a == "--settings") {
      for (const std::string& s : split(value(), ',')) settings.push_back(parse_settings(s));
    } else if (a == "--attempt") attempt_seconds = std::atof(value().c_str());
    else if (a == "--budget") budget = std::atof(value().c_str());
    else if (a == "--tiling-seconds") tiling_seconds = std::atof(value().c_str());
    else if (a == "--max-tiles") limits.max_tiles = std::stoul(value());
    else if (a == "--max-rules") limits.max_labelled_rules = std::stoul(value());
    else if (a == "--orientations") orientations = split(value(), ',');
    else if (a == "--stats") stats_only = true;
    else if (a == "--write-labelled") labelled_folder = value();
    else if (a == "--dp") dp = true;
    else if (a == "--dp-only") dp = dp_only = true;
    else if (a == "--dp-factor") dp_factor = std::atof(value().c_str());
    else if (a == "--dp-share") dp_share = std::atof(value().c_str());
    else if (a == "--stop-at-proof") stop_at_proof = true;
    else if (a == "--retile") retile_width = std::stoi(value());
    else if (a == "--retile-times") retile_times = std::stoi(value());
    else args.push_back(a);
  }
  if (args.empty()) {
    std::cerr << "usage: tessivar-tiling-bench [--stats] [--widths 2,3,4] [--settings n1b3c8,...] [--attempt S]\n"
                 "  [--budget S] [--dp | --dp-only] [--dp-factor F] [--dp-share X] [--max-tiles N] [--max-rules N]\n"
                 "  [--orientations plain,reversed] [--stop-at-proof] [--retile K --retile-times N] [--write-labelled DIR]\n"
                 "  FOLDER|FILE.srs ...\n";
    return 2;
  }
  if (!stats_only && !dp_only && settings.empty()) settings.push_back(parse_settings("n1b3c8"));
  int status = 0;
  if (!labelled_folder.empty()) fs::create_directories(labelled_folder);
  for (const fs::path& file : problems_under(args)) {
    std::vector<NamedRule> rules;
    try {
      rules = read_system_text(read_file(file));
    } catch (const std::exception& e) {
      std::cout << file.string() << "\terror\t# " << e.what() << std::endl;
      continue;
    }
    bool proved_any = false;
    for (const std::string& orientation : orientations) {
      Problem p = problem_of(rules);
      if (orientation == "reversed") p = reversed(p);
      for (int k : widths) {
        if (stop_at_proof && proved_any) break;
        auto begin = Clock::now();
        encodings::StopCondition tiling_stop = stop_after(tiling_seconds, Clock::time_point::max());
        // Width 1 stands for no tiling: the same attempts on the problem itself.
        processors::TilingResult t;
        if (k == 1) {
          t.tiling = Tiling{};
          t.labelled = p;
          t.stats.labelled_rules = p.strict.size();
        } else {
          t = processors::tile_problem(p, k, limits, tiling_stop);
        }
        std::ostringstream line;
        line << file.string() << '\t' << orientation << '\t' << k << '\t';
        if (!t.applies()) {
          line << "-\t-\t" << since(begin) << "\trefused:" << t.refusal << "\t-\t";
          if (t.refusal.rfind("internal error", 0) == 0) status = 3;
          std::cout << line.str() << std::endl;
          continue;
        }
        char secs[32];
        std::snprintf(secs, sizeof secs, "%.3f", t.stats.seconds);
        line << t.stats.tiles << '\t' << t.stats.labelled_rules << '\t' << secs << '\t';
        if (!labelled_folder.empty()) {
          std::vector<NamedRule> named;
          for (const Rule& r : t.labelled.strict) named.push_back(t.labelled.named(r));
          fs::path out = fs::path(labelled_folder) /
                         (file.stem().string() + "." + orientation + "." + std::to_string(k) + ".srs");
          std::ofstream stream(out);
          if (!(stream << write_system_text(named) << std::flush)) {
            std::cerr << "tessivar-tiling-bench: cannot write " << out.string() << "\n";
            return 1;
          }
        }
        if (stats_only) {
          std::cout << line.str() << "-\t-\t" << std::endl;
          continue;
        }
        auto start = Clock::now();
        auto limit = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(budget));
        // With --dp the removals leave the last dp_share of the budget to the
        // dependency-pair path.
        auto removal_limit = dp && !dp_only
                                 ? start + std::chrono::duration_cast<Clock::duration>(
                                               std::chrono::duration<double>(budget * (1 - dp_share)))
                                 : limit;
        Problem rest = t.labelled;
        int retile_times_left = retile_times;
        std::string removals;
        bool stuck = false;
        while (!dp_only && !rest.strict.empty() && !stuck && Clock::now() < removal_limit) {
          stuck = true;
          for (const NamedSettings& s : settings) {
            if (Clock::now() >= removal_limit) break;
            processors::Result r;
            try {
              r = processors::MatrixRemoval(s.settings).apply(rest, stop_after(attempt_seconds, removal_limit));
            } catch (const std::exception& e) {
              std::cerr << s.name << ": " << e.what() << "\n";
              continue;
            }
            if (r.verdict == processors::Verdict::CheckFailed) {
              std::cerr << file.string() << " " << s.name << " refused by the check: " << r.reason << "\n";
              status = 3;
            }
            if (r.verdict != processors::Verdict::Applied) continue;
            size_t before = rest.strict.size();
            rest = r.rest;
            removals += (removals.empty() ? "" : ",") + s.name + ":" + std::to_string(before - rest.strict.size());
            stuck = false;
            break;
          }
          // Stuck: the remaining rules have a smaller closure, so tile them again.
          if (stuck && retile_times > 0 && !rest.strict.empty() && Clock::now() < removal_limit) {
            --retile_times_left;
            if (retile_times_left >= 0) {
              processors::TilingResult again = processors::tile_problem(
                  rest, retile_width > 0 ? retile_width : k, limits, stop_after(tiling_seconds, removal_limit));
              if (again.applies()) {
                removals += (removals.empty() ? "" : ",") + std::string("retile:") + std::to_string(rest.strict.size()) +
                            ">" + std::to_string(again.labelled.strict.size());
                rest = again.labelled;
                stuck = false;
              }
            }
          }
        }
        std::string verdict = rest.strict.empty() ? "proved" : "left=" + std::to_string(rest.strict.size());
        if (!rest.strict.empty() && dp && Clock::now() < limit) {
          encodings::StopCondition s;
          s.deadline = limit;
          StepPtr proof = processors::prove_by_dependency_pairs(
              rest, processors::scaled(strategy::plan_for(rest).dependency_pairs, dp_factor), s);
          if (proof && dp_proof_holds(rest, proof)) verdict = "proved-dp";
          else if (proof) status = 3;
        }
        if (verdict.rfind("proved", 0) == 0) proved_any = true;
        char total[32];
        std::snprintf(total, sizeof total, "%.2f", since(start));
        std::cout << line.str() << verdict << '\t' << total << '\t' << (removals.empty() ? "-" : removals) << std::endl;
      }
    }
  }
  return status;
}

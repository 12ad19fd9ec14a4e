// tessivar-prove: the proof engine on one problem (the text format or the
// database's XML). Prints YES or NO with the proof, or MAYBE with the
// reason. Exit statuses: 0 for any verdict, 1 when the environment fails
// (a file cannot be read or written), 2 for refused input or command line.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

#include <CLI/CLI.hpp>

#include "engine/certificate/json.h"
#include "engine/certificate/print.h"
#include "engine/check/tiling.h"
#include "engine/strategy/prover.h"
#include "input/problem.h"
#include "util/command_line.h"

namespace {

namespace engine = tessivar::engine;
namespace strategy = tessivar::engine::strategy;

using tessivar::kExitEnvironment;
using tessivar::kExitRefused;

// A run-time error: its message goes to stderr with the program's name, and
// the program ends with its status.
struct Failure {
  int status;
  std::string message;
};

struct Options {
  std::vector<std::string> problems;
  std::string timeout_text = "60";
  double timeout = 60;
  size_t memory_mb = 8192;
  std::string certificate;
  bool verbose = false;
  bool list = false;
  std::vector<std::string> only, without;
};

std::string technique_list() {
  std::ostringstream out;
  for (const strategy::TechniqueInfo& t : strategy::techniques()) {
    std::string name = t.name;
    out << "  " << name << std::string(name.size() < 20 ? 20 - name.size() : 1, ' ') << t.summary << "\n";
  }
  return out.str();
}

void define_options(CLI::App& app, Options& o) {
  tessivar::SetUpCommandLine(
      app, "tessivar-prove",
      "The proof engine: proves termination of a string rewriting system, or finds a loop. Prints YES or NO and "
      "the proof, or MAYBE and the reason on the line after it.",
      "Techniques:\n" + technique_list() + tessivar::ExitStatusHelp("a verdict: YES, NO or MAYBE"));
  app.add_option("PROBLEM", o.problems, "a string rewriting system in the text format or the database's XML")
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("--timeout", o.timeout_text, "seconds for the whole search (default 60)")->option_text("S");
  app.add_option("--memory", o.memory_mb,
                 "give up an attempt once the process holds more than MB megabytes (default 8192, 0: no ceiling)")
      ->check(CLI::Range(size_t{0}, size_t{1} << 30))
      ->option_text("MB");
  app.add_option("--certificate", o.certificate, "also write the proof as a JSON certificate to FILE")
      ->option_text("FILE");
  app.add_flag("--verbose", o.verbose, "report the search's progress on stderr");
  app.add_option("--only", o.only, "use only these techniques (see --list)")
      ->delimiter(',')
      ->allow_extra_args(false)
      ->option_text("NAME,...");
  app.add_option("--without", o.without, "leave these techniques out (see --list)")
      ->delimiter(',')
      ->allow_extra_args(false)
      ->option_text("NAME,...");
  app.add_flag_callback("--no-dependency-pairs", [&o] { o.without.push_back("dependency-pairs"); },
                        "the same as --without dependency-pairs");
  app.add_flag_callback("--no-loops", [&o] { o.without.push_back("loops"); },
                        "the same as --without loops (the answer is then never NO)");
  app.add_flag("--list", o.list, "list the techniques and exit");
}

// The runner's reader: text read strictly, or XML; a folder, an empty file
// and an unreadable one are refused with the path in the message.
std::vector<engine::NamedRule> read_problem(const std::string& path) {
  try {
    return ReadProblem(path);
  } catch (const UnreadableProblem& e) {
    throw Failure{kExitEnvironment, e.what()};
  } catch (const ProblemError& e) {
    throw Failure{kExitRefused, e.what()};
  }
}

// Before the search: a certificate that could not be written would lose
// the proof.
void check_writable(const std::string& path) {
  if (path.empty()) return;
  std::string why = tessivar::WhyNotWritable("--certificate", path, false);
  if (!why.empty()) throw Failure{kExitEnvironment, why};
}

void write_certificate(const std::string& path, const engine::Certificate& c) {
  std::ofstream out(path, std::ios::binary);
  out << engine::write_certificate_json(c);
  out.close();
  if (!out) throw Failure{kExitEnvironment, path + ": cannot write the certificate"};
}

// The last guard of the time limit: should the search not have returned
// half a second after it, the answer is MAYBE and the program ends there,
// whatever a solver is still doing. Whoever prints the verdict first holds
// the output.
class Deadline {
 public:
  Deadline(double seconds, std::string seconds_text) : seconds_text_(std::move(seconds_text)) {
    auto at = std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                      std::chrono::duration<double>(seconds + 0.5));
    guard_ = std::thread([this, at] {
      std::unique_lock<std::mutex> lock(mutex_);
      if (changed_.wait_until(lock, at, [this] { return printing_; })) return;
      std::fputs(("MAYBE\nreason: time limit of " + seconds_text_ + " s reached\n").c_str(), stdout);
      std::fflush(stdout);
      std::_Exit(0);
    });
  }
  ~Deadline() {
    take_output();
    guard_.join();
  }
  // From here on the caller prints the verdict.
  void take_output() {
    std::lock_guard<std::mutex> lock(mutex_);
    printing_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool printing_ = false;
  std::string seconds_text_;
  std::thread guard_;
};

strategy::Selection selection_of(const Options& o) {
  try {
    return strategy::Selection::of(o.only, o.without);
  } catch (const std::invalid_argument& e) {
    throw Failure{kExitRefused, e.what()};
  }
}

int run(Options& options) {
  if (options.list) {
    std::cout << technique_list();
    return 0;
  }
  if (options.problems.size() != 1)
    throw Failure{kExitRefused, std::string(options.problems.empty() ? "no problem given" : "more than one problem given") +
                                    " (see --help)"};
  try {
    options.timeout = tessivar::ParseTimeout("--timeout", options.timeout_text);
  } catch (const tessivar::UsageError& e) {
    throw Failure{kExitRefused, std::string(e.what()) + " (see --help)"};
  }
  strategy::ProveOptions prove_options;
  prove_options.selection = selection_of(options);
  check_writable(options.certificate);
  std::vector<engine::NamedRule> rules = read_problem(options.problems[0]);
  prove_options.timeout = options.timeout;
  prove_options.memory_mb = options.memory_mb;
  prove_options.progress = options.verbose ? &std::cerr : nullptr;
  prove_options.free_searches = false;
  std::string why_not;
  prove_options.maybe_reason = &why_not;
  prove_options.timeout_text = options.timeout_text;
  Deadline deadline(options.timeout, options.timeout_text);
  std::optional<engine::Certificate> proof = strategy::prove(rules, prove_options);
  deadline.take_output();
  if (!proof) {
    std::cout << "MAYBE\nreason: " << why_not << "\n";
    return 0;
  }
  std::cout << engine::to_string(proof->answer) << "\n";
  engine::PrintContext context;
  context.labelled_rules = engine::check_tiling;
  engine::print_proof(std::cout, *proof, context);
  std::cout.flush();
  if (!options.certificate.empty()) write_certificate(options.certificate, *proof);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app;
  Options options;
  define_options(app, options);
  int parsed = tessivar::ParseCommandLine(app, argc, argv);
  if (parsed >= 0) return parsed;
  try {
    return run(options);
  } catch (const Failure& f) {
    std::cerr << "tessivar-prove: " << tessivar::Printable(f.message) << "\n";
    return f.status;
  }
}

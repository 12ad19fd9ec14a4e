// tessivar-prove PROBLEM [--timeout S] [--certificate FILE] [--verbose]
// [--no-dependency-pairs] [--no-loops]:
// the proof engine on one problem (the text format or the database's XML).
// Prints YES or NO with the proof, or MAYBE; exit 0 for any verdict, 2 for bad
// input or usage, 1 when a file cannot be read or written.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "engine/certificate/json.h"
#include "engine/certificate/print.h"
#include "engine/problem/system_text.h"
#include "engine/strategy/prover.h"
#include "run/problem.h"

using namespace tessivar::engine;

namespace {

constexpr int kExitBadInput = 2;
constexpr int kExitEnvironment = 1;

// A run-time error: its message goes to stderr with the program's name, and
// the program ends with its status.
struct Failure {
  int status;
  std::string message;
};

struct Options {
  std::string problem;
  double timeout = 60;
  std::string certificate;
  bool verbose = false;
  bool dependency_pairs = true;
  bool loops = true;
};

struct OptionSpec {
  const char* name;
  const char* argument;  // nullptr: a flag
  double min, max;       // bounds of a numeric argument
  const char* usage;
};

const OptionSpec kOptions[] = {
    {"--timeout", "S", 0.1, 86400, "seconds for the whole search (default 60)"},
    {"--certificate", "FILE", 0, 0, "also write the proof as a JSON certificate to FILE"},
    {"--verbose", nullptr, 0, 0, "report the search's progress on stderr"},
    {"--no-dependency-pairs", nullptr, 0, 0, "rule removal alone, without the dependency-pair path"},
    {"--no-loops", nullptr, 0, 0, "no search for a loop (the answer is then never NO)"},
    {"--help", nullptr, 0, 0, "this text (also -h)"},
};

std::string usage() {
  std::ostringstream out;
  out << "usage: tessivar-prove PROBLEM [options]\n"
      << "  PROBLEM is a string rewriting system in the text format or the database's XML.\n";
  for (const OptionSpec& o : kOptions) {
    std::string head = std::string(o.name) + (o.argument ? std::string(" ") + o.argument : "");
    out << "  " << head << std::string(head.size() < 20 ? 20 - head.size() : 1, ' ') << o.usage << "\n";
  }
  out << "Prints YES or NO and the proof, or MAYBE. Exit 0 for any of them, 2 for bad input, 1 when a file cannot be read or written.\n";
  return out.str();
}

double numeric_argument(const OptionSpec& o, const std::string& text) {
  char* end = nullptr;
  double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(v >= o.min && v <= o.max)) {
    std::ostringstream m;
    m << o.name << " needs a number from " << o.min << " to " << o.max << ", not \"" << text << "\"";
    throw Failure{kExitBadInput, m.str()};
  }
  return v;
}

// Returns false when only the help was asked for.
bool parse_options(int argc, char** argv, Options* out) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") return false;
    const OptionSpec* spec = nullptr;
    for (const OptionSpec& o : kOptions)
      if (arg == o.name) spec = &o;
    if (!spec) {
      if (arg.size() > 1 && arg[0] == '-') throw Failure{kExitBadInput, "unknown option " + arg + "\n" + usage()};
      if (!out->problem.empty()) throw Failure{kExitBadInput, "more than one problem given\n" + usage()};
      out->problem = arg;
      continue;
    }
    if (!spec->argument) {
      if (arg == "--verbose") out->verbose = true;
      if (arg == "--no-dependency-pairs") out->dependency_pairs = false;
      if (arg == "--no-loops") out->loops = false;
      continue;
    }
    if (i + 1 >= argc) throw Failure{kExitBadInput, std::string(spec->name) + " needs " + spec->argument};
    std::string value = argv[++i];
    if (arg == "--timeout") out->timeout = numeric_argument(*spec, value);
    if (arg == "--certificate") out->certificate = value;
  }
  if (out->problem.empty()) throw Failure{kExitBadInput, "no problem given\n" + usage()};
  return true;
}

// The runner's reader: text read strictly, or XML; a folder, an empty file
// and an unreadable one are refused with the path in the message.
std::vector<NamedRule> read_problem(const std::string& path) {
  try {
    return ReadProblem(path);
  } catch (const ProblemError& e) {
    throw Failure{kExitBadInput, e.what()};
  }
}

void write_certificate(const std::string& path, const Certificate& c) {
  std::ofstream out(path, std::ios::binary);
  out << write_certificate_json(c);
  out.close();
  if (!out) throw Failure{kExitEnvironment, path + ": cannot write the certificate"};
}

int run(int argc, char** argv) {
  Options options;
  if (!parse_options(argc, argv, &options)) {
    std::cout << usage();
    return 0;
  }
  std::vector<NamedRule> rules = read_problem(options.problem);
  strategy::ProveOptions prove_options;
  prove_options.timeout = options.timeout;
  prove_options.progress = options.verbose ? &std::cerr : nullptr;
  prove_options.free_searches = false;
  prove_options.dependency_pairs = options.dependency_pairs;
  prove_options.loop_search = options.loops;
  std::optional<Certificate> proof = strategy::prove(rules, prove_options);
  if (!proof) {
    std::cout << "MAYBE\n";
    return 0;
  }
  if (!options.certificate.empty()) write_certificate(options.certificate, *proof);
  std::cout << to_string(proof->answer) << "\n";
  print_proof(std::cout, *proof);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const Failure& f) {
    std::cerr << "tessivar-prove: " << f.message << "\n";
    return f.status;
  }
}

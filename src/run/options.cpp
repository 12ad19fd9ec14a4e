#include "run/options.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "run/defaults.h"

const char* const kRunUsage =
    "usage: tessivar-run PROBLEM [--prover engine|classic|both] [--timeout SECONDS]\n"
    "                    [--param FILE] [--keep DIR] [--certificate FILE] [--follow]\n"
    "  PROBLEM           a system in the text format, or a database problem in XML\n"
    "  --prover P        engine (tessivar-prove), classic (tessivar) or both side by side,\n"
    "                    the first definite answer wins (default: " DEFAULT_PROVER_NAME ")\n"
    "  --timeout S       stop every prover and solver after S seconds (verdict MAYBE)\n"
    "  --param F         the classic prover's parameter file instead of the built-in settings\n"
    "  --keep D          leave the classic prover's files in folder D: \"srs\" (the system\n"
    "                    left, or YES), \"benchmark\" and \"r\" (the last solver call and its\n"
    "                    answer), \"frm\" (its exchange file, if left)\n"
    "  --certificate F   the engine's proof as a JSON certificate in F (not with classic)\n"
    "  --follow          also copy the provers' output to standard error as it comes\n"
    "  --engine PATH     the engine program (default: tessivar-prove beside tessivar-run)\n"
    "  -h, --help        this text\n"
    "The first line of output is the verdict, YES, NO or MAYBE; the second names the prover.\n"
    "Exit status 0 for every verdict, 2 for a refused problem or command line, 1 when a\n"
    "program cannot be started or fails, 128+N when stopped by signal N.\n";

ProverChoice ParseProverChoice(const std::string& name) {
  if (name == "classic") return ProverChoice::Classic;
  if (name == "engine") return ProverChoice::Engine;
  if (name == "both") return ProverChoice::Both;
  throw UsageError("--prover wants engine, classic or both, not \"" + name + "\"");
}

const char* ProverChoiceName(ProverChoice p) {
  return p == ProverChoice::Classic ? "classic" : p == ProverChoice::Engine ? "engine" : "both";
}

namespace {

double ParseSeconds(const std::string& w) {
  char* end = nullptr;
  double s = std::strtod(w.c_str(), &end);
  if (w.empty() || *end != '\0' || !(s > 0) || !std::isfinite(s))
    throw UsageError("--timeout wants a positive number of seconds, not \"" + w + "\"");
  return s;
}

}  // namespace

Options ParseArguments(int argc, char** argv) {
  Options in;
  in.prover = ParseProverChoice(DEFAULT_PROVER_NAME);
  for (int i = 1; i < argc; i++) {
    std::string a = argv[i];
    std::string inline_value;
    bool has_inline = false;
    if (a.compare(0, 2, "--") == 0 && a.find('=') != std::string::npos) {
      inline_value = a.substr(a.find('=') + 1);
      a = a.substr(0, a.find('='));
      has_inline = true;
    }
    auto Value = [&]() -> std::string {
      if (has_inline) return inline_value;
      if (i + 1 >= argc) throw UsageError(a + " needs a value");
      return argv[++i];
    };
    auto Flag = [&]() {
      if (has_inline) throw UsageError(a + " takes no value");
    };
    if (a == "--timeout") {
      in.limit = ParseSeconds(Value());
    } else if (a == "--param") {
      in.param = Value();
    } else if (a == "--keep") {
      in.keep_dir = Value();
    } else if (a == "--certificate") {
      in.certificate = Value();
    } else if (a == "--prover") {
      in.prover = ParseProverChoice(Value());
      in.prover_given = true;
    } else if (a == "--engine") {
      in.engine = Value();
    } else if (a == "--follow") {
      Flag();
      in.follow = true;
    } else if (a == "-h" || a == "--help") {
      Flag();
      in.help = true;
      return in;
    } else if (a.size() > 1 && a[0] == '-') {
      throw UsageError("unknown option " + a);
    } else if (in.problem.empty()) {
      in.problem = a;
    } else {
      throw UsageError("one problem at a time (tessivar-batch runs many)");
    }
  }
  if (in.problem.empty()) throw UsageError("no problem given");
  if (in.prover == ProverChoice::Classic && !in.certificate.empty())
    throw UsageError("--certificate needs the engine: the classic prover writes no certificate");
  if (in.prover == ProverChoice::Engine && !in.keep_dir.empty())
    throw UsageError("--keep keeps the classic prover's files; the engine leaves none");
  if (in.prover == ProverChoice::Engine && !in.param.empty())
    throw UsageError("--param sets the classic prover; the engine takes no parameter file");
  return in;
}

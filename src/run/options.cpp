#include "run/options.h"

#include <iostream>
#include <vector>

#include "run/defaults.h"

const char* const kToolName = "Tessivar";
const char* const kSrsCategory = "SRS_Standard";

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

// Only termination of plain string rewriting is read: relative rules, other
// strategies and complexity are refused by the readers, so their
// categories are refused here, before the problem is looked at.
void CheckCategory(const std::string& category) {
  if (category.empty() || category == kSrsCategory) return;
  std::string why = category == "SRS_Relative" ? "relative rules are not read"
                                               : "it is not a category of this prover";
  throw UsageError("--category " + category + ": " + why + "; the category answered is " +
                   kSrsCategory);
}

// The settings that only one of the provers takes.
void CheckProverSettings(const Options& in) {
  if (in.prover == ProverChoice::Classic && !in.certificate.empty())
    throw UsageError("--certificate needs the engine: the classic prover writes no certificate");
  if (in.prover == ProverChoice::Engine && !in.keep_dir.empty())
    throw UsageError("--keep keeps the classic prover's files; the engine leaves none");
  if (in.prover == ProverChoice::Engine && !in.param.empty())
    throw UsageError("--param sets the classic prover; the engine takes no parameter file");
  if (in.prover == ProverChoice::Classic && in.verbose)
    throw UsageError("--verbose shows the engine's progress; the classic prover reports none");
  if (in.prover == ProverChoice::Classic && !in.memory.empty())
    throw UsageError("--memory is the engine's ceiling; the classic prover has none");
}

}  // namespace

int ParseArguments(int argc, char** argv, Options* in) {
  CLI::App app;
  tessivar::SetUpCommandLine(
      app, "tessivar-run",
      "One problem, one verdict: YES, NO or MAYBE on the first line of output, the prover on\n"
      "the second, the reason of a MAYBE on the third, then the proof.",
      "Files whose names begin with \"-\" follow \"--\". A competition starts the tool as\n"
      "tessivar-run --timeout=SECONDS --category=" + std::string(kSrsCategory) + " PROBLEM.\n" +
          tessivar::ExitStatusHelp("a verdict: YES, NO or MAYBE"));
  std::vector<std::string> problems;
  std::string prover = DEFAULT_PROVER_NAME, timeout;
  bool name = false;
  app.add_option("PROBLEM", problems,
                 "a system in the text format, or a database problem in XML")
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
      ->type_name("");
  app.add_option("--prover", prover,
                 "engine (tessivar-prove), classic (tessivar) or both side by side, the first\n"
                 "definite answer wins (default: " DEFAULT_PROVER_NAME ")")
      ->type_name("P");
  app.add_option("--timeout", timeout,
                 "stop every prover and solver after S seconds (verdict MAYBE)")
      ->type_name("S");
  app.add_option("--category", in->category,
                 "the competition's category of the problem: " + std::string(kSrsCategory))
      ->type_name("NAME");
  app.add_option("--param", in->param,
                 "the classic prover's parameter file instead of the built-in settings")
      ->type_name("F");
  app.add_option("--keep", in->keep_dir,
                 "leave the classic prover's files in folder D: \"srs\" (the system left, or\n"
                 "YES), \"benchmark\" and \"r\" (the last solver call and its answer), \"frm\"")
      ->type_name("D");
  app.add_option("--certificate", in->certificate,
                 "the engine's proof as a JSON certificate in F (not with classic)")
      ->type_name("F");
  app.add_flag("--verbose", in->verbose, "show the engine's progress on standard error as it comes");
  app.add_option("--memory", in->memory,
                 "the engine gives up an attempt once it holds more than MB megabytes (its default 8192)")
      ->check(CLI::Range(0, 1 << 30))
      ->type_name("MB");
  app.add_flag("--follow", in->follow, "also copy the provers' output to standard error as it comes");
  app.add_option("--engine", in->engine,
                 "the engine program (default: tessivar-prove beside tessivar-run)")
      ->type_name("PATH");
  app.add_flag("--name", name, "print the tool's name and stop");
  std::string error;
  int status = tessivar::ParseCommandLine(app, argc, argv, &error);
  if (status >= 0) {
    if (status != 0) std::cerr << tessivar::UsageErrorText(app, error);
    return status;
  }
  try {
    if (name) {
      std::cout << kToolName << "\n";
      return tessivar::kExitAnswer;
    }
    in->prover = ParseProverChoice(prover);
    in->prover_given = app.count("--prover") > 0;
    if (!timeout.empty() || app.count("--timeout")) in->limit = tessivar::ParseTimeout("--timeout", timeout);
    CheckCategory(in->category);
    if (problems.empty()) throw UsageError("no problem given");
    if (problems.size() > 1) throw UsageError("one problem at a time (tessivar-batch runs many)");
    in->problem = problems[0];
    CheckProverSettings(*in);
  } catch (const UsageError& e) {
    std::cerr << tessivar::UsageErrorText(app, e.what());
    return tessivar::kExitRefused;
  }
  return -1;
}

// tessivar-check CERTIFICATE [PROBLEM]: checks a JSON certificate of the
// proof engine, and with PROBLEM (the text format) that it is about that
// problem. Prints "certificate holds" (exit 0) or why it does not (exit 3);
// a file that cannot be read gives exit 1, one not of its format exit 2.
#include <fstream>
#include <iostream>
#include <sstream>

#include "engine/certificate/json.h"
#include "engine/check/check.h"
#include "engine/problem/system_text.h"
#include "util/command_line.h"

using namespace tessivar::engine;

namespace {

struct BadFile {
  int status;
  std::string message;
};

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw BadFile{tessivar::kExitEnvironment, path + ": cannot read the file"};
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw BadFile{tessivar::kExitEnvironment, path + ": cannot read the file"};
  return text.str();
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app;
  tessivar::SetUpCommandLine(
      app, "tessivar-check",
      "Checks a certificate of tessivar-prove on its own: every step of the proof, from the\n"
      "rules stored in the certificate. With PROBLEM it also checks that those rules are\n"
      "the problem's, in their order; without it, it says that it checked the stored rules.",
      "Prints \"certificate holds\" or \"certificate does not hold: WHY\".\n" +
          tessivar::ExitStatusHelp("the certificate holds", "the certificate does not hold"));
  std::string certificate_path, problem_path;
  app.add_option("CERTIFICATE", certificate_path, "the JSON certificate (tessivar-prove --certificate)")
      ->required()
      ->type_name("");
  app.add_option("PROBLEM", problem_path, "the problem in the text format")->type_name("");
  int status = tessivar::ParseCommandLine(app, argc, argv);
  if (status >= 0) return status;
  Certificate certificate;
  std::vector<NamedRule> problem;
  bool with_problem = app.count("PROBLEM") > 0;
  try {
    try {
      certificate = read_certificate_json(read_file(certificate_path));
    } catch (const CertificateFormatError& e) {
      throw BadFile{tessivar::kExitRefused, certificate_path + ": " + e.what()};
    }
    if (with_problem) {
      try {
        problem = read_system_text(read_file(problem_path));
      } catch (const InputError& e) {
        throw BadFile{tessivar::kExitRefused, problem_path + ": " + e.what()};
      }
    }
  } catch (const BadFile& e) {
    std::cerr << "tessivar-check: " << tessivar::Printable(e.message) << "\n";
    return e.status;
  }
  try {
    check_certificate(certificate);
    if (with_problem) check_input_matches(certificate, problem);
  } catch (const CheckFailure& e) {
    std::cout << "certificate does not hold: " << e.what() << "\n";
    return tessivar::kExitDoesNotHold;
  }
  if (with_problem)
    std::cout << "certificate holds\n";
  else
    std::cout << "certificate holds for the " << certificate.input.size()
              << (certificate.input.size() == 1 ? " rule" : " rules")
              << " stored in it (no problem given to compare them with)\n";
  return tessivar::kExitAnswer;
}

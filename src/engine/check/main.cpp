// tessivar-check CERTIFICATE [PROBLEM]: checks a JSON certificate of the
// proof engine, and with PROBLEM (the text format) that it is about that
// problem. Prints "certificate holds" (exit 0) or why it does not (exit 1);
// a file that cannot be read or is not of its format gives exit 2.
#include <fstream>
#include <iostream>
#include <sstream>

#include "engine/certificate/json.h"
#include "engine/check/check.h"
#include "engine/problem/system_text.h"

using namespace tessivar::engine;

namespace {

struct BadFile {
  std::string message;
};

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw BadFile{path + ": cannot read the file"};
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw BadFile{path + ": cannot read the file"};
  return text.str();
}

}  // namespace

int main(int argc, char** argv) {
  const char* usage = "usage: tessivar-check CERTIFICATE [PROBLEM]\n";
  for (int i = 1; i < argc; i++)
    if (std::string(argv[i]) == "-h" || std::string(argv[i]) == "--help") {
      std::cout << usage;
      return 0;
    }
  if (argc < 2 || argc > 3) {
    std::cerr << usage;
    return 2;
  }
  Certificate certificate;
  std::vector<NamedRule> problem;
  try {
    try {
      certificate = read_certificate_json(read_file(argv[1]));
    } catch (const CertificateFormatError& e) {
      throw BadFile{std::string(argv[1]) + ": " + e.what()};
    }
    if (argc == 3) {
      try {
        problem = read_system_text(read_file(argv[2]));
      } catch (const InputError& e) {
        throw BadFile{std::string(argv[2]) + ": " + e.what()};
      }
    }
  } catch (const BadFile& e) {
    std::cerr << "tessivar-check: " << e.message << "\n";
    return 2;
  }
  try {
    check_certificate(certificate);
    if (argc == 3) check_input_matches(certificate, problem);
  } catch (const CheckFailure& e) {
    std::cout << "certificate does not hold: " << e.what() << "\n";
    return 1;
  }
  std::cout << "certificate holds\n";
  return 0;
}

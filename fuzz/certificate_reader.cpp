// Fuzz target of the reader of the engine's JSON certificates
// (read_certificate_json), which tessivar-check applies to files from
// anywhere. Any text is either refused with a reason or read as a
// certificate that the writer writes as a text reading back to the same
// text; and the checker, given what the reader accepted, either accepts it
// or says why not, never fails in any other way.
#include <string>

#include "engine/certificate/json.h"
#include "engine/check/check.h"
#include "fuzz_util.h"

namespace engine = tessivar::engine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  engine::Certificate certificate;
  try {
    certificate = engine::read_certificate_json(text);
  } catch (const engine::CertificateFormatError& e) {
    if (std::string(e.what()).empty()) fuzz::Broken("a refusal without a reason");
    return 0;
  }
  const std::string written = engine::write_certificate_json(certificate);
  try {
    std::string again = engine::write_certificate_json(engine::read_certificate_json(written));
    if (again != written) fuzz::Broken("the written certificate reads back as another:\n" + written + "\n" + again);
  } catch (const engine::CertificateFormatError& e) {
    fuzz::Broken(std::string("the written certificate does not read back: ") + e.what() + "\n" + written);
  }
  try {
    engine::check_certificate(certificate);
  } catch (const engine::CheckFailure&) {
  }
  return 0;
}

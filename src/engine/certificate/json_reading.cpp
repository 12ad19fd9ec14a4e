// The messages of the certificate readers.
#include "engine/certificate/json_reading.h"

#include "engine/certificate/json.h"

namespace tessivar::engine::json_reading {

void fail(const std::string& where, const std::string& what) { throw CertificateFormatError(where + ": " + what); }

const char* type_name(const nlohmann::json& j) {
  if (j.is_number_integer()) return "an integer";
  if (j.is_number()) return "a fraction or a number too large";
  if (j.is_null()) return "null";
  if (j.is_boolean()) return "a boolean";
  if (j.is_string()) return "a string";
  if (j.is_array()) return "a list";
  return "an object";
}

void wrong_type(const std::string& where, const nlohmann::json& j, const char* wanted) {
  fail(where, std::string("expected ") + wanted + ", found " + type_name(j));
}

}  // namespace tessivar::engine::json_reading

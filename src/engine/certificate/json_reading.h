// What every reader of a part of a certificate says when a value is not of
// the format: the path of the value and what was expected there.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace tessivar::engine::json_reading {

// Throws CertificateFormatError "WHERE: WHAT".
[[noreturn]] void fail(const std::string& where, const std::string& what);

// "an integer", "a string", ... for messages.
const char* type_name(const nlohmann::json& j);

// Throws "WHERE: expected WANTED, found TYPE".
[[noreturn]] void wrong_type(const std::string& where, const nlohmann::json& j, const char* wanted);

}  // namespace tessivar::engine::json_reading

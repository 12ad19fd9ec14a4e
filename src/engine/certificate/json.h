// Certificates as JSON text, format "tessivar-certificate/1", and back.
#pragma once

#include <stdexcept>
#include <string>

#include "engine/certificate/proof.h"

namespace tessivar::engine {

// A text that is not a certificate of this format.
struct CertificateFormatError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::string write_certificate_json(const Certificate& c);
Certificate read_certificate_json(const std::string& text);

}  // namespace tessivar::engine

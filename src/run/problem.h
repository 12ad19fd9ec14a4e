// Problems as users have them: the prover's own text format, or the XML of
// the public termination problem database, turned into that text format.
#pragma once
#include <stdexcept>
#include <string>

// A problem the prover cannot be given: not a plain string rewriting system,
// unreadable, or beyond what the prover's reader takes in. tessivar-run
// reports it and exits with status 2.
struct ProblemError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Bytes the prover keeps of a symbol name.
constexpr size_t MaxNameBytes = 255;

// The system of an XML problem in the prover's text format: "(RULES", the
// rules one a line, separated by ",", and ")".
std::string XmlToSrs(const std::string& path);

// Whether the file is XML: named ".xml", or its first non-blank byte is "<".
bool IsXml(const std::string& path, const std::string& content);

// The problem in the prover's text format, converted when it is XML.
std::string ReadProblem(const std::string& path);

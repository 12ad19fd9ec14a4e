// Problems as users have them: the text format of string rewriting systems,
// read strictly, or the XML of the public termination problem database,
// whose string rules become the same rule lists. The one reader of problem
// files for tessivar-run and tessivar-prove.
#pragma once
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/problem/problem.h"

// A problem that cannot be run as the user meant it: not a plain string
// rewriting system, unreadable, not in the format, or beyond what the
// chosen prover takes in. The programs report it and exit with status 2.
struct ProblemError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A problem file that cannot be read at all (missing, no permission, a read
// error): the environment failed, not the problem. tessivar-run exits with
// status 1 for it; a program that only knows ProblemError still refuses it.
struct UnreadableProblem : ProblemError {
  using ProblemError::ProblemError;
};

// The string rules of an XML problem, in order.
std::vector<tessivar::engine::NamedRule> XmlRules(const std::string& path);

// The system of an XML problem in the text format, a rule a line.
std::string XmlToSrs(const std::string& path);

// Whether the file is XML: named ".xml", or its first non-blank byte is "<".
bool IsXml(const std::string& path, const std::string& content);

// The rules of a problem file, text or XML. Refuses a folder, an empty file,
// and text that is not exactly the format (with its line and column), with
// the path in front of the message.
std::vector<tessivar::engine::NamedRule> ReadProblem(const std::string& path);

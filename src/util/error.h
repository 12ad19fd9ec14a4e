// The one place that reports run-time errors: a message on standard error and
// exit status 42. Nothing is cleaned up; the files are left as they are.
#pragma once
#include <string>

// Stops the run: "tessivar: <kind>: <what>" on standard error, exit 42.
[[noreturn]] void FatalError(const std::string& kind, const std::string& what);

// An index or value outside the bounds of a table.
[[noreturn]] void RangeError(const std::string& what);

// A failed open, read, write or close, reading past the end, or a shell
// command that could not be started or did not end normally.
[[noreturn]] void IoError(const std::string& what);

// The one place that reports run-time errors: a message on standard error and
// exit status 42. Nothing is cleaned up; the files are left as they are.
//
// Built with TESSIVAR_FATAL_ERRORS_THROW (only the fuzz targets are), the
// report is thrown as a StoppedRun instead, so that one process can read
// input after input; nothing else changes.
#pragma once
#include <stdexcept>
#include <string>

// What a fatal error throws in a build with TESSIVAR_FATAL_ERRORS_THROW;
// what() is the line the program would print.
struct StoppedRun : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Stops the run: "tessivar: <kind>: <what>" on standard error, exit 42.
[[noreturn]] void FatalError(const std::string& kind, const std::string& what);

// An index or value outside the bounds of a table.
[[noreturn]] void RangeError(const std::string& what);

// Input that does not have the layout the program reads.
[[noreturn]] void InputError(const std::string& what);

// A failed open, read, write or close, reading past the end, or a shell
// command that could not be started or did not end normally.
[[noreturn]] void IoError(const std::string& what);

// What every program of Tessivar keeps the same on its command line: the
// version line, the exit statuses, how a time limit is read, and how an
// option table (CLI11) is parsed and its errors reported.
//
// Every program takes "--opt value" and "--opt=value", "--" before file
// names that begin with "-", -h/--help and --version.
#pragma once
#include <CLI/CLI.hpp>
#include <stdexcept>
#include <string>

namespace tessivar {

// Exit statuses, the same for every program; 128+N when stopped by signal N.
constexpr int kExitAnswer = 0;       // an answer (a verdict, "certificate holds")
constexpr int kExitEnvironment = 1;  // a file could not be read or written, a program not started
constexpr int kExitRefused = 2;      // refused input or command line
constexpr int kExitDoesNotHold = 3;  // the certificate does not hold (tessivar-check)

// The statuses as the end of a help text says them; `zero` is what status 0
// stands for in that program, and `three` (if any) what 3 does.
std::string ExitStatusHelp(const std::string& zero, const std::string& three = "");

// A message as it may be shown on a terminal: control bytes, bytes that
// are not UTF-8 and the byte-order mark written as \xNN (a tab as \t), line
// feeds and the rest of UTF-8 kept. Input a message quotes goes through it.
std::string Printable(const std::string& message);

// Why an output path given to `option` could not be written when a run
// ends, or "" when it can: a file (a folder, with `folder`) that is there
// and writable, or one that can be made in a writable folder. Programs look
// before they search, so that no answer is lost for want of its file.
std::string WhyNotWritable(const std::string& option, const std::string& path, bool folder);

// "PROGRAM (Tessivar) VERSION".
std::string VersionLine(const std::string& program);

// Wrong use of a command line, found after the table has been parsed:
// reported like a parse error, exit status 2.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The longest time limit any program takes: a day.
constexpr double kMaxTimeoutSeconds = 86400;

// The seconds of a time limit given to `option`: a decimal number above 0,
// at most kMaxTimeoutSeconds. Anything else (0, "1e20", "5s", "") throws
// UsageError naming the option and the text.
double ParseTimeout(const std::string& option, const std::string& text);

// Names the program, sets -h/--help and --version; the help shows the
// usage and the options, then `about` (what the program does) and `footer`.
// An option given twice takes its last value. Call before adding options.
void SetUpCommandLine(CLI::App& app, const std::string& program, const std::string& about,
                      const std::string& footer);

// Parses the command line by the table of `app`. Returns -1 when the
// program goes on; otherwise the status to exit with: 0 once the help or
// the version has been printed on standard output, 2 for a command line
// not of the table, whose reason is then in *error (not printed).
int ParseCommandLine(CLI::App& app, int argc, char** argv, std::string* error);

// The same, with a wrong command line reported on standard error as
// "PROGRAM: reason" and a pointer to --help.
int ParseCommandLine(CLI::App& app, int argc, char** argv);

// The report of a wrong command line: "PROGRAM: reason", then the hint.
std::string UsageErrorText(const CLI::App& app, const std::string& reason);

}  // namespace tessivar

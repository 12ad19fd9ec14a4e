#include "run/param.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "run/defaults.h"
#include "input/problem.h"

namespace {

const char* kLineMeaning[] = {"the solver's command line", "Verbose (1 reports failed attempts)",
                              "Mxr", "the tropical dimension", "the arctic dimension",
                              "Mb (1 tries match bounds)", "the normal dimension"};

// The path as one word for the shell, quoted only when it needs it.
std::string ShellWord(const std::string& s) {
  if (s.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789/._+-") ==
      std::string::npos)
    return s;
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

bool IsExecutableFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// An optionally signed decimal number at the start of the line, alone or
// followed by a blank and a comment.
bool ReadSettingLine(const std::string& line, long long& value) {
  size_t b = line.find_first_not_of(" \t");
  if (b == std::string::npos) return false;
  size_t e = b;
  if (line[e] == '+' || line[e] == '-') e++;
  size_t digits = e;
  while (e < line.size() && line[e] >= '0' && line[e] <= '9') e++;
  if (e == digits) return false;
  if (e < line.size() && line[e] != ' ' && line[e] != '\t') return false;
  errno = 0;
  value = std::strtoll(line.substr(b, e - b).c_str(), nullptr, 10);
  return errno == 0;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    lines.push_back(l);
  }
  while (!lines.empty() && lines.back().find_first_not_of(" \t") == std::string::npos)
    lines.pop_back();
  return lines;
}

}  // namespace

std::string CommandProgram(const std::string& command_line) {
  std::string word;
  size_t i = command_line.find_first_not_of(" \t");
  if (i == std::string::npos) return "";
  for (; i < command_line.size(); i++) {
    char c = command_line[i];
    if (c == ' ' || c == '\t' || c == ';' || c == '|' || c == '&' || c == '<' || c == '>') break;
    if (c == '$' || c == '`' || c == '=' || c == '*' || c == '?' || c == '~') return "";
    if (c == '\\' && i + 1 < command_line.size()) {
      word += command_line[++i];
    } else if (c == '\'' || c == '"') {
      size_t e = command_line.find(c, i + 1);
      if (e == std::string::npos) return "";
      std::string quoted = command_line.substr(i + 1, e - i - 1);
      if (c == '"' && quoted.find_first_of("$`\\") != std::string::npos) return "";
      word += quoted;
      i = e;
    } else {
      word += c;
    }
  }
  return word;
}

void CheckSolverStarts(const std::string& command_line, const std::string& where) {
  std::string program = CommandProgram(command_line);
  if (program.empty()) return;  // the shell decides; nothing to check here
  static const char* builtins[] = {"exec", "command", "eval", "nice", "env", "time", "."};
  for (const char* b : builtins)
    if (program == b) return;
  if (program.find('/') != std::string::npos) {
    if (!IsExecutableFile(program))
      throw EnvironmentError("the solver " + program + " (" + where + ") cannot be started: " +
                             (access(program.c_str(), F_OK) == 0 ? "not an executable file"
                                                                 : "no such file"));
    return;
  }
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path ? path : "/usr/bin:/bin");
  for (std::string d; std::getline(dirs, d, ':');)
    if (IsExecutableFile((d.empty() ? "." : d) + "/" + program)) return;
  throw EnvironmentError("the solver " + program + " (" + where +
                         ") cannot be started: not found in PATH");
}

std::string DefaultParam(const std::string& bin_dir) {
  std::string smt = bin_dir + "/tessivar-smt";
  if (!IsExecutableFile(smt))
    throw EnvironmentError("no solver front end at " + smt + "; build it first (./build.sh)");
  std::string command = ShellWord(smt) + " -t " + std::to_string(DefaultSolverSeconds);
  if (command.size() > MaxSolverCommandBytes)
    throw EnvironmentError("the solver command line " + command + " is longer than " +
                           std::to_string(MaxSolverCommandBytes) +
                           " bytes, which the classic prover keeps; move the build folder");
  std::ostringstream s;
  s << command << "\n0\n"
    << DefaultMxr << "\n"
    << DefaultDimension << "\n"
    << DefaultDimension << "\n"
    << (DefaultMatchBound ? 1 : 0) << "\n"
    << DefaultDimension << "\n";
  return s.str();
}

std::string ReadParam(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0)
    throw EnvironmentError("cannot read the parameter file " + path + ": " + std::strerror(errno));
  if (S_ISDIR(st.st_mode)) throw ProblemError("the parameter file " + path + " is a folder");
  std::ifstream f(path, std::ios::binary);
  std::stringstream content;
  content << f.rdbuf();
  if (!f || f.bad()) throw EnvironmentError("cannot read the parameter file " + path);
  std::vector<std::string> lines = Lines(content.str());
  std::string where = "the parameter file " + path;
  if (lines.size() != 7)
    throw ProblemError(where + " has " + std::to_string(lines.size()) +
                       " lines; it needs seven: the solver's command line, Verbose, Mxr, the "
                       "tropical and arctic dimensions, Mb and the normal dimension");
  std::string command = lines[0];
  if (command.find_first_not_of(" \t") == std::string::npos)
    throw ProblemError(where + ", line 1: no solver command line");
  if (command.size() > MaxSolverCommandBytes)
    throw ProblemError(where + ", line 1: the solver command line is longer than the " +
                       std::to_string(MaxSolverCommandBytes) + " bytes the classic prover keeps");
  std::string out = command + "\n";
  for (size_t i = 1; i < 7; i++) {
    long long value = 0;
    if (!ReadSettingLine(lines[i], value))
      throw ProblemError(where + ", line " + std::to_string(i + 1) + ": \"" + lines[i] +
                         "\" does not start with a number (" + kLineMeaning[i] + ")");
    out += std::to_string(value) + "\n";
  }
  CheckSolverStarts(command, "line 1 of " + path);
  return out;
}

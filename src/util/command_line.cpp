#include "util/command_line.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <sstream>

namespace tessivar {

namespace {

constexpr const char* kVersionNumber = "1.0";

}  // namespace

std::string ExitStatusHelp(const std::string& zero, const std::string& three) {
  std::string s = "Exit status:\n  0      " + zero +
                  "\n  1      the environment failed: a file could not be read or written, a\n"
                  "         program could not be started\n"
                  "  2      refused input or command line\n";
  if (!three.empty()) s += "  3      " + three + "\n";
  return s + "  128+N  stopped by signal N\n";
}

std::string Printable(const std::string& message) {
  std::string out;
  auto escape = [&out](unsigned char byte) {
    const char* hex = "0123456789abcdef";
    out += "\\x";
    out += hex[byte >> 4];
    out += hex[byte & 15];
  };
  const size_t n = message.size();
  for (size_t i = 0; i < n;) {
    unsigned char c = static_cast<unsigned char>(message[i]);
    if (c == '\n' || (c >= 0x20 && c < 0x7f)) {
      out += static_cast<char>(c);
      i++;
      continue;
    }
    if (c == '\t') {
      out += "\\t";
      i++;
      continue;
    }
    // The length of a UTF-8 sequence that starts here, 0 if none does.
    size_t length = c >= 0xc2 && c <= 0xdf ? 2 : c >= 0xe0 && c <= 0xef ? 3 : c >= 0xf0 && c <= 0xf4 ? 4 : 0;
    uint32_t code = length == 2 ? c & 0x1f : length == 3 ? c & 0x0f : c & 0x07;
    for (size_t k = 1; k < length; k++) {
      unsigned char next = i + k < n ? static_cast<unsigned char>(message[i + k]) : 0;
      if ((next & 0xc0) != 0x80) {
        length = 0;
        break;
      }
      code = code << 6 | (next & 0x3f);
    }
    bool shown = length > 0 && code >= (length == 2 ? 0xa0u : length == 3 ? 0x800u : 0x10000u) &&
                 code <= 0x10ffff && !(code >= 0xd800 && code <= 0xdfff) && code != 0xfeff;
    if (shown) {
      out.append(message, i, length);
      i += length;
    } else {
      escape(c);
      i++;
    }
  }
  return out;
}

std::string WhyNotWritable(const std::string& option, const std::string& path, bool folder) {
  const std::string head = option + " " + path;
  struct stat st;
  if (stat(path.c_str(), &st) == 0) {
    if (folder != S_ISDIR(st.st_mode)) return head + (folder ? " is not a folder" : " is a folder");
    if (access(path.c_str(), W_OK | (folder ? X_OK : 0)) != 0)
      return head + " cannot be written: " + std::strerror(errno);
    return "";
  }
  std::string parent = std::filesystem::path(path).parent_path().string();
  if (parent.empty()) parent = ".";
  std::error_code err;
  if (!std::filesystem::is_directory(parent, err)) return head + " cannot be made: there is no folder " + parent;
  if (access(parent.c_str(), W_OK | X_OK) != 0)
    return head + " cannot be made in " + parent + ": " + std::strerror(errno);
  return "";
}

std::string VersionLine(const std::string& program) {
  return program + " (Tessivar) " + kVersionNumber;
}

double ParseTimeout(const std::string& option, const std::string& text) {
  std::ostringstream limit;
  limit << kMaxTimeoutSeconds;
  const std::string wanted = option + " wants a number of seconds above 0 and at most " +
                             limit.str() + ", not \"" + text + "\"";
  // Digits with at most one point, so that "1e20", "inf", "0x10" and " 5"
  // are refused rather than read as the C library would.
  size_t digits = 0, points = 0;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      digits++;
    } else if (c == '.') {
      points++;
    } else {
      throw UsageError(wanted);
    }
  }
  if (digits == 0 || points > 1) throw UsageError(wanted);
  double seconds = std::strtod(text.c_str(), nullptr);
  if (!(seconds > 0) || seconds > kMaxTimeoutSeconds) throw UsageError(wanted);
  return seconds;
}

void SetUpCommandLine(CLI::App& app, const std::string& program, const std::string& about,
                      const std::string& footer) {
  app.name(program);
  app.description("");
  // "usage: PROGRAM ..." first, as the classic prover has it; what the
  // program does after the options.
  app.get_formatter()->label("Usage", "usage");
  app.footer(about + "\n\n" + footer);
  app.set_help_flag("-h,--help", "this text");
  app.set_version_flag("--version", VersionLine(program), "the version");
  // An option given twice counts with its last value, as scripts that add
  // to a command line expect.
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

int ParseCommandLine(CLI::App& app, int argc, char** argv, std::string* error) {
  try {
    app.parse(argc, argv);
    return -1;
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help() << std::flush;
    return kExitAnswer;
  } catch (const CLI::CallForVersion& e) {
    std::cout << e.what() << "\n" << std::flush;
    return kExitAnswer;
  } catch (const CLI::ParseError& e) {
    // CLI11's sentences begin in lower case after the program's name; a
    // name in capitals (CERTIFICATE) stays as it is.
    *error = e.what();
    if (error->size() > 1 && std::isupper(static_cast<unsigned char>((*error)[0])) &&
        std::islower(static_cast<unsigned char>((*error)[1])))
      (*error)[0] = static_cast<char>(std::tolower(static_cast<unsigned char>((*error)[0])));
    return kExitRefused;
  }
}

int ParseCommandLine(CLI::App& app, int argc, char** argv) {
  std::string error;
  int status = ParseCommandLine(app, argc, argv, &error);
  if (status == kExitRefused) std::cerr << UsageErrorText(app, error) << std::flush;
  return status;
}

std::string UsageErrorText(const CLI::App& app, const std::string& reason) {
  return app.get_name() + ": " + reason + "\n" + "(" + app.get_name() +
         " --help lists the options)\n";
}

}  // namespace tessivar

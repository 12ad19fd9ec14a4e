// Where the tests find problems of the public Termination Problem Database.
// A few are copied into tests/tpdb/ (TESSIVAR_SAMPLE_DIR) and are always
// there. The whole database is read only by the tests that go over all of
// it: from the folder named by the environment variable TESSIVAR_TPDB, or
// else from TESSIVAR_TPDB_DIR (../shared/tpdb beside the source tree); when
// neither is there, those tests are skipped and say so.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

// The folder of the whole database, or "" when it is not there. A folder
// named by TESSIVAR_TPDB that does not exist is an error of the caller.
inline std::string DatabaseFolder(std::string* error) {
  const char* named = std::getenv("TESSIVAR_TPDB");
  std::error_code err;
  if (named && *named) {
    if (std::filesystem::is_directory(named, err)) return named;
    *error = std::string("TESSIVAR_TPDB names ") + named + ", which is not a folder";
    return "";
  }
  return std::filesystem::is_directory(TESSIVAR_TPDB_DIR, err) ? TESSIVAR_TPDB_DIR : "";
}

// Declares `dir`, the whole database's folder, or ends the test: skipped
// when the database is not there, failed when TESSIVAR_TPDB is wrong.
#define TESSIVAR_NEED_DATABASE(dir)                                                           \
  std::string dir##_error;                                                                    \
  const std::string dir = DatabaseFolder(&dir##_error);                                      \
  if (!dir##_error.empty()) FAIL() << dir##_error;                                            \
  if (dir.empty())                                                                            \
    GTEST_SKIP() << "skipped: the whole problem database is not there; set TESSIVAR_TPDB to " \
                    "its folder or put it at " TESSIVAR_TPDB_DIR

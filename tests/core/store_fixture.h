// Setting up the store and a working folder for tests that drive the
// prover's procedures in-process.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "../program_run.h"
#include "store/store.h"

// Reads `text` into a fresh store as the program reads standard input;
// returns what the reader printed.
inline std::string ReadSystem(const std::string& text) {
  ClearStore();
  std::FILE* f = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
  testing::internal::CaptureStdout();
  Lees(f);
  std::fclose(f);
  return testing::internal::GetCapturedStdout();
}

// All rules as printed, one per line.
inline std::string RuleLines() {
  std::string t;
  for (int64_t k = 1; k <= Hib; k++) t += Schrijfregel(k) + "\n";
  return t;
}

// A test that runs in a fresh temporary folder, with "frm" as the exchange
// file, and returns to where it was.
class InTempDir : public testing::Test {
 protected:
  TempDir dir;
  std::string previous_dir;

  void SetUp() override {
    char b[4096];
    ASSERT_NE(getcwd(b, sizeof b), nullptr);
    previous_dir = b;
    ASSERT_EQ(chdir(dir.path.c_str()), 0);
    Rr.Bind("frm");
  }
  void TearDown() override {
    Rr.Close();
    ASSERT_EQ(chdir(previous_dir.c_str()), 0);
  }
};

// Setting up the store and a working folder for tests that drive the
// prover's procedures in-process.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "../lauf.h"
#include "store/store.h"

// Reads `tekst` into a fresh store as the program reads standard input;
// returns what the reader printed.
inline std::string Lezen(const std::string& tekst) {
  Wisstore();
  std::FILE* f = fmemopen(const_cast<char*>(tekst.data()), tekst.size(), "r");
  testing::internal::CaptureStdout();
  Lees(f);
  std::fclose(f);
  return testing::internal::GetCapturedStdout();
}

// A test that runs in a fresh temporary folder, with "frm" as the exchange
// file, and returns to where it was.
class Inmap : public testing::Test {
 protected:
  Tijdmap map;
  std::string terug;

  void SetUp() override {
    char b[4096];
    ASSERT_NE(getcwd(b, sizeof b), nullptr);
    terug = b;
    ASSERT_EQ(chdir(map.pad.c_str()), 0);
    Rr.Bind("frm");
  }
  void TearDown() override {
    Rr.Close();
    ASSERT_EQ(chdir(terug.c_str()), 0);
  }
};

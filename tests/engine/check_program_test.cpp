// tessivar-check as a program: its verdicts and exit statuses.
#include <gtest/gtest.h>

#include "engine/certificate/json.h"
#include "program_run.h"
#include "proofs.h"

using namespace tessivar::engine;
using namespace tessivar::engine::test;

namespace {

const std::string program = std::string(TESSIVAR_BIN_DIR) + "/tessivar-check";

ProgramRun check(const TempDir& dir, const std::string& arguments) {
  return RunIn(dir.path, "'" + program + "' " + arguments, "");
}

}  // namespace

TEST(CheckProgram, VerdictsAndExitStatuses) {
  TempDir dir;
  WriteFile(dir / "good.json", write_certificate_json(natural_proof()));
  WriteFile(dir / "same.srs", "(RULES a a -> a b a , b b -> b)");
  WriteFile(dir / "other.srs", "(RULES b b -> b , a a -> a b a)");
  Certificate tampered = natural_proof();
  (*tampered.proof->as<MatrixStep>()).interpretation["a"][0][1] = 0;
  WriteFile(dir / "tampered.json", write_certificate_json(tampered));
  WriteFile(dir / "broken.json", "{\"format\": ");

  ProgramRun holds = check(dir, "good.json same.srs");
  EXPECT_EQ(holds.status, 0) << holds.err;
  EXPECT_EQ(holds.out, "certificate holds\n");
  EXPECT_EQ(check(dir, "good.json").status, 0);

  ProgramRun other = check(dir, "good.json other.srs");
  EXPECT_EQ(other.status, 3);
  EXPECT_NE(other.out.find("rule 1 of the certificate's input"), std::string::npos) << other.out;

  ProgramRun wrong = check(dir, "tampered.json");
  EXPECT_EQ(wrong.status, 3);
  EXPECT_NE(wrong.out.find("certificate does not hold: step 1: matrix step:"), std::string::npos) << wrong.out;

  ProgramRun broken = check(dir, "broken.json");
  EXPECT_EQ(broken.status, 2);
  EXPECT_NE(broken.err.find("tessivar-check: broken.json: not valid JSON"), std::string::npos) << broken.err;
  EXPECT_EQ(check(dir, "missing.json").status, 1);
  WriteFile(dir / "bad.srs", "(RULES a -> )) ");
  EXPECT_EQ(check(dir, "good.json bad.srs").status, 2);
  EXPECT_EQ(check(dir, "").status, 2);
}

// tessivar-check as a program: its verdicts and exit statuses.
#include <gtest/gtest.h>

#include "engine/certificate/json.h"
#include "lauf.h"
#include "proofs.h"

using namespace tessivar::engine;
using namespace tessivar::engine::test;

namespace {

const std::string program = std::string(TESSIVAR_BIN_DIR) + "/tessivar-check";

Lauf check(const Tijdmap& dir, const std::string& arguments) {
  return Draai(dir.pad, "'" + program + "' " + arguments, "");
}

}  // namespace

TEST(CheckProgram, VerdictsAndExitStatuses) {
  Tijdmap dir;
  Schrijfbestand(dir / "good.json", write_certificate_json(natural_proof()));
  Schrijfbestand(dir / "same.srs", "(RULES a a -> a b a , b b -> b)");
  Schrijfbestand(dir / "other.srs", "(RULES b b -> b , a a -> a b a)");
  Certificate tampered = natural_proof();
  tampered.proof->matrix.interpretation["a"][0][1] = 0;
  Schrijfbestand(dir / "tampered.json", write_certificate_json(tampered));
  Schrijfbestand(dir / "broken.json", "{\"format\": ");

  Lauf holds = check(dir, "good.json same.srs");
  EXPECT_EQ(holds.status, 0) << holds.fout;
  EXPECT_EQ(holds.uit, "certificate holds\n");
  EXPECT_EQ(check(dir, "good.json").status, 0);

  Lauf other = check(dir, "good.json other.srs");
  EXPECT_EQ(other.status, 1);
  EXPECT_NE(other.uit.find("rule 1 of the certificate's input"), std::string::npos) << other.uit;

  Lauf wrong = check(dir, "tampered.json");
  EXPECT_EQ(wrong.status, 1);
  EXPECT_NE(wrong.uit.find("certificate does not hold: step 1: matrix step:"), std::string::npos) << wrong.uit;

  Lauf broken = check(dir, "broken.json");
  EXPECT_EQ(broken.status, 2);
  EXPECT_NE(broken.fout.find("tessivar-check: broken.json: not valid JSON"), std::string::npos) << broken.fout;
  EXPECT_EQ(check(dir, "missing.json").status, 2);
  Schrijfbestand(dir / "bad.srs", "(RULES a -> )) ");
  EXPECT_EQ(check(dir, "good.json bad.srs").status, 2);
  EXPECT_EQ(check(dir, "").status, 2);
}

// The program as a whole: parameter file, result file "srs", passes, errors.
#include <gtest/gtest.h>

#include "lauf.h"

namespace {

const std::string Banner = "Tessivar is applied to the string rewriting system\n";

// A solver that must never be called: it leaves a mark and answers nothing.
const std::string Geensolver = "touch solver-was-called; true";

Lauf Bewijzer(Tijdmap& m, const std::string& param, const std::string& invoer) {
  Schrijfbestand(m / "param", param);
  return Draai(m.pad, Prover, invoer);
}

TEST(Driver, ReadsPrintsAndWritesSrs) {
  Tijdmap m;
  Lauf l = Bewijzer(m, Param("x", 0, 0, 1, 1, 0, 1), "(RULES\na b -> b a ,\nb c -> c\n)\n");
  EXPECT_EQ(l.status, 0);
  EXPECT_EQ(l.uit.substr(0, Banner.size() + 24), Banner + "a b  -> b a \nb c  -> c \n");
  EXPECT_EQ(Leesbestand(m / "srs"), "(RULES\na b  -> b a  ,\nb c  -> c  )\n");
  EXPECT_FALSE(Bestaat(m / "frm"));
}

TEST(Driver, EmptySystemMakesNoPass) {
  Tijdmap m;
  Lauf l = Bewijzer(m, Param(Geensolver, 1, 0, 3, 3, 1, 3), "(RULES )");
  EXPECT_EQ(l.status, 0);
  EXPECT_EQ(l.uit, Banner);
  EXPECT_EQ(Leesbestand(m / "srs"), "(RULES\n");
  EXPECT_FALSE(Bestaat(m / "solver-was-called"));
}

TEST(Driver, SrsReadsBackAsTheSameSystem) {
  // Empty sides and a rule far longer than 255 bytes survive the round trip.
  std::string lang;
  for (int i = 0; i < 49; i++) lang += "symbol" + std::to_string(i % 7) + " ";
  std::string invoer = "(RULES a -> , -> b , -> , " + lang + "-> " + lang + ", b a -> a )";
  Tijdmap m;
  Lauf eerst = Bewijzer(m, Param("x", 0, 0, 1, 1, 0, 1), invoer);
  std::string srs = Leesbestand(m / "srs");
  Tijdmap m2;
  Lauf tweede = Bewijzer(m2, Param("x", 0, 0, 1, 1, 0, 1), srs);
  EXPECT_EQ(tweede.status, 0);
  std::string kop = eerst.uit.substr(0, eerst.uit.find("no proof found"));
  EXPECT_EQ(tweede.uit.substr(0, kop.size()), kop);
  EXPECT_EQ(Leesbestand(m2 / "srs"), srs);
  EXPECT_NE(srs.find(lang + " -> " + lang + " ,\n"), std::string::npos);
}

TEST(Driver, ParameterFile) {
  // A comment after a number, an empty line passed over, a signed number.
  Tijdmap m;
  Lauf l = Bewijzer(m, "x\n1 verbose\n\n-3 bound\n7\n+7\n0\n7\n", "(RULES a -> b )");
  EXPECT_EQ(l.status, 0) << l.fout;
  // A line that does not begin with an integer, or a file that ends early.
  for (std::string p : {"x\n1\nzero\n1\n1\n0\n1\n", "x\n1\n0\n1\n1\n0\n", ""}) {
    Tijdmap m2;
    Lauf f = Bewijzer(m2, p, "(RULES a -> b )");
    EXPECT_EQ(f.status, 42) << p;
    EXPECT_EQ(f.uit, "") << p;
    EXPECT_NE(f.fout.find("input/output error"), std::string::npos) << f.fout;
  }
}

TEST(Driver, MissingParamStopsBeforeReading) {
  Tijdmap m;
  Lauf l = Draai(m.pad, Prover, "(RULES a -> b )");
  EXPECT_EQ(l.status, 42);
  EXPECT_EQ(l.uit, "");
  EXPECT_NE(l.fout.find("\"frm\""), std::string::npos) << l.fout;
}

TEST(Driver, ErrorsExit42WithNothingPrinted) {
  std::string zijde50;
  for (int i = 0; i < 50; i++) zijde50 += "a ";
  for (std::string in : {"(RULES " + zijde50 + "-> )", std::string("(RULES a -> b ,"), std::string("")}) {
    Tijdmap m;
    Lauf l = Bewijzer(m, Param("x", 0, 0, 1, 1, 0, 1), in);
    EXPECT_EQ(l.status, 42);
    EXPECT_EQ(l.uit, "");
    EXPECT_FALSE(l.fout.empty());
  }
}

}  // namespace

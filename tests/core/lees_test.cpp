// The reader and the rule printer, driven in-process.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "opzet.h"

namespace {

// All rules as printed, one per line.
std::string Regels() {
  std::string t;
  for (int64_t k = 1; k <= Hib; k++) t += Schrijfregel(k) + "\n";
  return t;
}

const std::string Banner = "Tessivar is applied to the string rewriting system\n";

TEST(Lezer, TypicalSystemAndNumbering) {
  EXPECT_EQ(Lezen("(RULES\na b -> b a ,\nb c -> c\n)\n"), Banner + "a b  -> b a \nb c  -> c \n");
  EXPECT_EQ(Hib, 2);
  EXPECT_EQ(Naamhib, 3);
  Lezen("(RULES b a -> a c )");
  EXPECT_EQ(Naam[1], "b");
  EXPECT_EQ(Naam[2], "a");
  EXPECT_EQ(Naam[3], "c");
  EXPECT_EQ(L[1][1], 1);
  EXPECT_EQ(L[1][2], 2);
  EXPECT_EQ(L[1][3], 0);
  EXPECT_EQ(R[1][1], 2);
  EXPECT_EQ(R[1][2], 3);
  EXPECT_EQ(R[1][3], 0);
}

TEST(Lezer, EmptySystemPrintsOnlyTheBanner) {
  EXPECT_EQ(Lezen("(RULES )"), Banner);
  EXPECT_EQ(Hib, 0);
  EXPECT_EQ(Lezen("(RULES\n)\n"), Banner);
  EXPECT_EQ(Hib, 0);
}

TEST(Lezer, LineEndsJoinNames) {
  Lezen("(RULES\na b -> b\na ,\nc -> c )");
  EXPECT_EQ(Regels(), "a b  -> ba \nc  -> c \n");
  // The first character of the line after "->" is the dropped one.
  Lezen("(RULES\na b ->\nb a ,\nc -> c )");
  EXPECT_EQ(Regels(), "a b  -> a \nc  -> c \n");
}

TEST(Lezer, EmptyLineIsOneBlank) {
  Lezen("(RULES\na\n\nb -> b ,\n\n\nb -> a )");
  EXPECT_EQ(Regels(), "a b  -> b \nb  -> a \n");
}

TEST(Lezer, ArrowAndEmptySides) {
  Lezen("(RULES a -> , b ->, -> a , a->b , a -> b )");
  EXPECT_EQ(Regels(), "a  -> \nb  -> \n -> a \na  -> \na  -> b \n");
  Lezen("(RULES -> )");
  EXPECT_EQ(Regels(), " -> \n");
  // Extra commas where a rule may begin are passed over.
  Lezen("(RULES , , a -> b ,, )");
  EXPECT_EQ(Hib, 1);
}

TEST(Lezer, NameCharacters) {
  Lezen("(RULES a\tb -> c ,\nA -> a )");
  EXPECT_EQ(Naam[1], "a\tb");
  EXPECT_EQ(Naamhib, 4);  // names differing only in case are different symbols
  // ">" and "(" may stand inside names; a lower-case s does not end the header.
  Lezen("(rules s s (RULES x>( -> x>( )");
  EXPECT_EQ(Regels(), "x>(  -> x>( \n");
  EXPECT_EQ(Naamhib, 1);
}

TEST(Lezer, LongNamesKeepTheirFirst255Bytes) {
  std::string a(300, 'a'), b = std::string(255, 'a') + "b";
  Lezen("(RULES " + a + " -> " + b + " )");
  EXPECT_EQ(Naamhib, 1);
  EXPECT_EQ(Naam[1], std::string(255, 'a'));
}

TEST(Lezer, LongLinesAreReadWhole) {
  // Many rules on one line far beyond 255 bytes: none is lost.
  std::string t = "(RULES";
  for (int i = 0; i < 60; i++)
    t += " s" + std::to_string(i) + " s" + std::to_string(i + 1) + " -> s" + std::to_string(i + 1) + " ,";
  Lezen(t + " )");
  EXPECT_EQ(Hib, 60);
  EXPECT_EQ(Naamhib, 61);
}

TEST(Lezer, RuleTextIsNeverCut) {
  std::string n(200, 'x');
  Lezen("(RULES " + n + " " + n + " -> " + n + " )");
  EXPECT_EQ(Schrijfregel(1), n + " " + n + "  -> " + n + " ");
}

std::string Zijdevan(int n) {
  std::string t;
  for (int i = 0; i < n; i++) t += "a ";
  return t;
}

// Limits stop the run with exit 42 and "value out of range", before anything
// is printed.
TEST(LezerDeathTest, Limits) {
  Lezen("(RULES " + Zijdevan(49) + "-> " + Zijdevan(49) + ")");
  EXPECT_EQ(L[1][49], 1);
  EXPECT_EQ(L[1][50], 0);
  EXPECT_EXIT(Lezen("(RULES " + Zijdevan(50) + "-> a )"), testing::ExitedWithCode(42),
              "value out of range");
  EXPECT_EXIT(Lezen("(RULES a -> " + Zijdevan(50) + ")"), testing::ExitedWithCode(42),
              "value out of range");
  std::string namen;
  for (int i = 1; i <= 100; i++) namen += "n" + std::to_string(i) + " -> ,";
  Lezen("(RULES " + namen + ")");
  EXPECT_EQ(Naamhib, 100);
  EXPECT_EXIT(Lezen("(RULES " + namen + "extra -> )"), testing::ExitedWithCode(42),
              "value out of range");
  std::string regels;
  for (int i = 0; i < 1000; i++) regels += "a -> ,";
  Lezen("(RULES " + regels + ")");
  EXPECT_EQ(Hib, 1000);
  EXPECT_EXIT(Lezen("(RULES " + regels + "a -> )"), testing::ExitedWithCode(42),
              "value out of range");
}

TEST(LezerDeathTest, EndOfInputBeforeTheSystemEnds) {
  EXPECT_EXIT(Lezen(""), testing::ExitedWithCode(42), "read past the end of standard input");
  EXPECT_EXIT(Lezen("(rules a -> b )\n"), testing::ExitedWithCode(42), "past the end");
  EXPECT_EXIT(Lezen("(RULES a -> b ,\n"), testing::ExitedWithCode(42), "past the end");
}

TEST(Store, WorkingCopyEqualsStoreIncludingStaleRows) {
  Lezen("(RULES a b -> b , b -> a )");
  L[7][1] = 2;  // a stale row
  Srstow();
  EXPECT_EQ(Whib, 2);
  EXPECT_EQ(Nwhib, 2);
  EXPECT_EQ(Naamw[2], "b");
  EXPECT_EQ(Lw[7][1], 2);
  EXPECT_EQ(Rw[2][1], 1);
}

TEST(StoreDeathTest, EveryIndexIsChecked) {
  Wisstore();
  EXPECT_EXIT(L[0][1] = 1, testing::ExitedWithCode(42), "value out of range");
  EXPECT_EXIT(R[1][51] = 1, testing::ExitedWithCode(42), "value out of range");
  EXPECT_EXIT(Naam[101] = "x", testing::ExitedWithCode(42), "value out of range");
}

}  // namespace

// The reader and the rule printer, driven in-process.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "store_fixture.h"

namespace {

// All rules as printed, one per line.
std::string RuleLines() {
  std::string t;
  for (int64_t k = 1; k <= Hib; k++) t += Schrijfregel(k) + "\n";
  return t;
}

const std::string Banner = "Tessivar is applied to the string rewriting system\n";

TEST(Reader, TypicalSystemAndNumbering) {
  EXPECT_EQ(ReadSystem("(RULES\na b -> b a ,\nb c -> c\n)\n"),
            Banner + "a b  -> b a \nb c  -> c \n");
  EXPECT_EQ(Hib, 2);
  EXPECT_EQ(Naamhib, 3);
  ReadSystem("(RULES b a -> a c )");
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

TEST(Reader, EmptySystemPrintsOnlyTheBanner) {
  EXPECT_EQ(ReadSystem("(RULES )"), Banner);
  EXPECT_EQ(Hib, 0);
  EXPECT_EQ(ReadSystem("(RULES\n)\n"), Banner);
  EXPECT_EQ(Hib, 0);
}

TEST(Reader, LineEndsJoinNames) {
  ReadSystem("(RULES\na b -> b\na ,\nc -> c )");
  EXPECT_EQ(RuleLines(), "a b  -> ba \nc  -> c \n");
  // The first character of the line after "->" is the dropped one.
  ReadSystem("(RULES\na b ->\nb a ,\nc -> c )");
  EXPECT_EQ(RuleLines(), "a b  -> a \nc  -> c \n");
}

TEST(Reader, EmptyLineIsOneBlank) {
  ReadSystem("(RULES\na\n\nb -> b ,\n\n\nb -> a )");
  EXPECT_EQ(RuleLines(), "a b  -> b \nb  -> a \n");
}

TEST(Reader, ArrowAndEmptySides) {
  ReadSystem("(RULES a -> , b ->, -> a , a->b , a -> b )");
  EXPECT_EQ(RuleLines(), "a  -> \nb  -> \n -> a \na  -> \na  -> b \n");
  ReadSystem("(RULES -> )");
  EXPECT_EQ(RuleLines(), " -> \n");
  // Extra commas where a rule may begin are passed over.
  ReadSystem("(RULES , , a -> b ,, )");
  EXPECT_EQ(Hib, 1);
}

TEST(Reader, NameCharacters) {
  ReadSystem("(RULES a\tb -> c ,\nA -> a )");
  EXPECT_EQ(Naam[1], "a\tb");
  EXPECT_EQ(Naamhib, 4);  // names differing only in case are different symbols
  // ">" and "(" may stand inside names; a lower-case s does not end the header.
  ReadSystem("(rules s s (RULES x>( -> x>( )");
  EXPECT_EQ(RuleLines(), "x>(  -> x>( \n");
  EXPECT_EQ(Naamhib, 1);
}

TEST(Reader, LongNamesKeepTheirFirst255Bytes) {
  std::string a(300, 'a'), b = std::string(255, 'a') + "b";
  ReadSystem("(RULES " + a + " -> " + b + " )");
  EXPECT_EQ(Naamhib, 1);
  EXPECT_EQ(Naam[1], std::string(255, 'a'));
}

TEST(Reader, LongLinesAreReadWhole) {
  // Many rules on one line far beyond 255 bytes: none is lost.
  std::string t = "(RULES";
  for (int i = 0; i < 60; i++)
    t += " s" + std::to_string(i) + " s" + std::to_string(i + 1) + " -> s" + std::to_string(i + 1) +
         " ,";
  ReadSystem(t + " )");
  EXPECT_EQ(Hib, 60);
  EXPECT_EQ(Naamhib, 61);
}

TEST(Reader, RuleTextIsNeverCut) {
  std::string n(200, 'x');
  ReadSystem("(RULES " + n + " " + n + " -> " + n + " )");
  EXPECT_EQ(Schrijfregel(1), n + " " + n + "  -> " + n + " ");
}

std::string SideOf(int n) {
  std::string t;
  for (int i = 0; i < n; i++) t += "a ";
  return t;
}

// Limits stop the run with exit 42 and "value out of range", before anything
// is printed.
TEST(ReaderDeathTest, Limits) {
  ReadSystem("(RULES " + SideOf(49) + "-> " + SideOf(49) + ")");
  EXPECT_EQ(L[1][49], 1);
  EXPECT_EQ(L[1][50], 0);
  EXPECT_EXIT(ReadSystem("(RULES " + SideOf(50) + "-> a )"), testing::ExitedWithCode(42),
              "value out of range");
  EXPECT_EXIT(ReadSystem("(RULES a -> " + SideOf(50) + ")"), testing::ExitedWithCode(42),
              "value out of range");
  std::string names;
  for (int i = 1; i <= 100; i++) names += "n" + std::to_string(i) + " -> ,";
  ReadSystem("(RULES " + names + ")");
  EXPECT_EQ(Naamhib, 100);
  EXPECT_EXIT(ReadSystem("(RULES " + names + "extra -> )"), testing::ExitedWithCode(42),
              "value out of range");
  std::string rules;
  for (int i = 0; i < 1000; i++) rules += "a -> ,";
  ReadSystem("(RULES " + rules + ")");
  EXPECT_EQ(Hib, 1000);
  EXPECT_EXIT(ReadSystem("(RULES " + rules + "a -> )"), testing::ExitedWithCode(42),
              "value out of range");
}

// A rule that ends before its arrow, or a "-" where a right-hand side's name
// should begin, would otherwise repeat the name read before it (or add an
// empty name, which "srs" cannot hold).
TEST(ReaderDeathTest, MalformedRulesStopTheRun) {
  for (std::string t : {"(RULES a b , c -> d )", "(RULES a b )", "(RULES a -> b , c d , e -> f )"})
    EXPECT_EXIT(ReadSystem(t), testing::ExitedWithCode(42), "input error: rule [12] ends at") << t;
  for (std::string t : {"(RULES a -> b -c )", "(RULES a -> a -> b )", "(RULES x -> y , ->  -> b )"})
    EXPECT_EXIT(ReadSystem(t), testing::ExitedWithCode(42), "input error: rule [12] has a \"-\" in its right-hand side")
        << t;
  // Still read as before: the two characters after "-" are not looked at,
  // and a left-hand side may be empty.
  ReadSystem("(RULES a->b , c->, -> e )");
  EXPECT_EQ(Hib, 3);
  EXPECT_EQ(Schrijfregel(1) + "|" + Schrijfregel(2) + "|" + Schrijfregel(3), "a  -> |c  -> | -> e ");
}

TEST(ReaderDeathTest, EndOfInputBeforeTheSystemEnds) {
  EXPECT_EXIT(ReadSystem(""), testing::ExitedWithCode(42), "read past the end of standard input");
  EXPECT_EXIT(ReadSystem("(rules a -> b )\n"), testing::ExitedWithCode(42), "past the end");
  EXPECT_EXIT(ReadSystem("(RULES a -> b ,\n"), testing::ExitedWithCode(42), "past the end");
}

TEST(Store, WorkingCopyEqualsStoreIncludingStaleRows) {
  ReadSystem("(RULES a b -> b , b -> a )");
  L[7][1] = 2;  // a stale row
  Srstow();
  EXPECT_EQ(Whib, 2);
  EXPECT_EQ(Nwhib, 2);
  EXPECT_EQ(Naamw[2], "b");
  EXPECT_EQ(Lw[7][1], 2);
  EXPECT_EQ(Rw[2][1], 1);
}

TEST(StoreDeathTest, EveryIndexIsChecked) {
  ClearStore();
  EXPECT_EXIT(L[0][1] = 1, testing::ExitedWithCode(42), "value out of range");
  EXPECT_EXIT(R[1][51] = 1, testing::ExitedWithCode(42), "value out of range");
  EXPECT_EXIT(Naam[101] = "x", testing::ExitedWithCode(42), "value out of range");
}

}  // namespace

// The reader and the rule printer, driven in-process.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "store_fixture.h"

namespace {

std::string SideOf(int n) {
  std::string t;
  for (int i = 0; i < n; i++) t += "a ";
  return t;
}

TEST(Reader, SymbolsAreNumberedInOrderOfFirstUse) {
  ReadSystem("(RULES b a -> a c )");
  EXPECT_EQ(Naamhib, 3);
  EXPECT_EQ(Naam[1] + Naam[2] + Naam[3], "bac");
  EXPECT_EQ((std::vector<int>{L[1][1], L[1][2], L[1][3]}), (std::vector<int>{1, 2, 0}));
  EXPECT_EQ((std::vector<int>{R[1][1], R[1][2], R[1][3]}), (std::vector<int>{2, 3, 0}));
}

// Line ends join names, an empty line is one blank, the arrow is "-" and two
// characters not looked at, and extra commas where a rule may begin are
// passed over.
TEST(Reader, LinesArrowsAndEmptySides) {
  ReadSystem("(RULES\na b -> b\na ,\nc -> c )");
  EXPECT_EQ(RuleLines(), "a b  -> ba \nc  -> c \n");
  ReadSystem("(RULES\na b ->\nb a ,\nc -> c )");  // the line's first character is dropped
  EXPECT_EQ(RuleLines(), "a b  -> a \nc  -> c \n");
  ReadSystem("(RULES\na\n\nb -> b ,\n\n\nb -> a )");
  EXPECT_EQ(RuleLines(), "a b  -> b \nb  -> a \n");
  ReadSystem("(RULES , a -> , b ->, -> a , a->b ,, -> )");
  EXPECT_EQ(RuleLines(), "a  -> \nb  -> \n -> a \na  -> \n -> \n");
}

TEST(Reader, NameCharacters) {
  ReadSystem("(RULES a\tb -> c ,\nA -> a )");
  EXPECT_EQ(Naam[1], "a\tb");
  EXPECT_EQ(Naamhib, 4);  // names differing only in case are different symbols
  // ">" and "(" may stand inside names; a lower-case s does not end the header.
  ReadSystem("(rules s s (RULES x>( -> x>( )");
  EXPECT_EQ(RuleLines(), "x>(  -> x>( \n");
  // A long name keeps its first 255 bytes, and so names alike in those are one.
  std::string a(300, 'a'), b = std::string(255, 'a') + "b";
  ReadSystem("(RULES " + a + " -> " + b + " )");
  EXPECT_EQ(Naamhib, 1);
  EXPECT_EQ(Naam[1], std::string(255, 'a'));
}

// Limits stop the run with exit 42 and "value out of range": one beyond 49
// symbols of a side, 100 names, 1000 rules.
TEST(ReaderDeathTest, Limits) {
  ReadSystem("(RULES " + SideOf(49) + "-> " + SideOf(49) + ")");
  EXPECT_EQ(L[1][49], 1);
  EXPECT_EQ(L[1][50], 0);
  EXPECT_EXIT(ReadSystem("(RULES " + SideOf(50) + "-> a )"), testing::ExitedWithCode(42),
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
// empty name, which "srs" cannot hold). Input that ends before the system
// does stops the run too.
TEST(ReaderDeathTest, MalformedOrUnfinishedInputStopsTheRun) {
  for (std::string t : {"(RULES a b )", "(RULES a -> b , c d , e -> f )"})
    EXPECT_EXIT(ReadSystem(t), testing::ExitedWithCode(42), "input error: rule [12] ends at") << t;
  for (std::string t : {"(RULES a -> b -c )", "(RULES x -> y , ->  -> b )"})
    EXPECT_EXIT(ReadSystem(t), testing::ExitedWithCode(42),
                "input error: rule [12] has a \"-\" in its right-hand side")
        << t;
  EXPECT_EXIT(ReadSystem(""), testing::ExitedWithCode(42), "read past the end of standard input");
  EXPECT_EXIT(ReadSystem("(rules a -> b )\n"), testing::ExitedWithCode(42), "past the end");
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

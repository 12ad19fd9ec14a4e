// The strict reader: texts that loose readers misread must be refused with
// their place, and the normalised text must read back to the same rules.
#include <gtest/gtest.h>

#include "engine/problem/system_text.h"

using namespace tessivar::engine;

namespace {

std::string error_of(const std::string& text) {
  try {
    read_system_text(text);
  } catch (const InputError& e) {
    return e.what();
  }
  return "";
}

}  // namespace

TEST(SystemText, ReadsRulesCommentsAndLineEnds) {
  auto rules = read_system_text("(COMMENT see (below))\r\n(RULES\r\n a a -> b ,\r\n b b -> \r\n)\r\n(COMMENT x)");
  ASSERT_EQ(rules.size(), 2u);
  EXPECT_EQ(rules[0].lhs, (NamedWord{"a", "a"}));
  EXPECT_EQ(rules[0].rhs, (NamedWord{"b"}));
  EXPECT_EQ(rules[1].lhs, (NamedWord{"b", "b"}));
  EXPECT_TRUE(rules[1].rhs.empty());
  EXPECT_TRUE(read_system_text("(RULES )").empty());
  EXPECT_EQ(read_system_text("(RULES a -> b,b -> a)").size(), 2u);
}

TEST(SystemText, RefusesWhatLooseReadersMisread) {
  EXPECT_EQ(error_of("(RULES\n a -> b\n c c -> c c\n)\n"),
            "line 3, column 6: a second \"->\" in the rule whose \"->\" is at line 2; "
            "is a \",\" missing between two rules?");
  EXPECT_EQ(error_of("(COMMENT See below\n(RULES\n a -> a\n)\n"),
            "line 1, column 2: the COMMENT section opened here is never closed");
  EXPECT_EQ(error_of("(VAR x)(RULES a -> b)"),
            "line 1, column 2: section VAR is not supported; only RULES and COMMENT are");
  EXPECT_EQ(error_of("(RULES a ->= b)"), "line 1, column 10: relative rules (\"->=\") are not supported");
  EXPECT_EQ(error_of("(RULES a -> b"), "line 1, column 2: the RULES section opened here is never closed");
  EXPECT_EQ(error_of(""), "no (RULES ...) section");
  EXPECT_EQ(error_of("(RULES a -> b)(RULES b -> a)"), "line 1, column 16: a second RULES section");
  EXPECT_EQ(error_of("(RULES a->b)"),
            "line 1, column 8: \"->\" inside the token \"a->b\"; put blanks around the arrow");
  EXPECT_EQ(error_of("(RULES a b)"), "line 1, column 11: expected \"->\" in the rule that starts at line 1, found \")\"");
  EXPECT_EQ(error_of("(RULES a -> b) x"), "line 1, column 16: expected \"(\" to open a section, found \"x\"");
}

TEST(SystemText, NormalisedTextReadsBackTheSameRules) {
  std::vector<NamedRule> rules{{{"a", "b"}, {}}, {{}, {"c"}}, {{"x1"}, {"y", "y"}}};
  EXPECT_EQ(read_system_text(write_system_text(rules)), rules);
}

TEST(SystemText, NamesThatTheFormatCannotHold) {
  for (const char* good : {"a", "x'", "f>", "-", "a-b", "\xc3\xa9"}) EXPECT_NO_THROW(check_symbol_name(good)) << good;
  for (const char* bad : {"", "a b", "a\tb", "f(", "f)", "a,b", "a->b", "->=", "\x01"})
    EXPECT_THROW(check_symbol_name(bad), InputError) << bad;
}

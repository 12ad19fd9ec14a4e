// The XML converter: every database problem against the text file beside it,
// problems that are not string rewriting systems, and rules too long for one
// line of the prover's reader.
#include <gtest/gtest.h>

#include <filesystem>

#include "hulp.h"
#include "run/oordeel.h"
#include "run/probleem.h"

namespace fs = std::filesystem;

namespace {

std::string Xml(const std::string& regels, const std::string& rest = "<strategy>FULL</strategy>") {
  return "<?xml version=\"1.0\"?>\n<problem type=\"termination\"><trs><rules>" + regels +
         "</rules></trs>" + rest + "</problem>\n";
}

std::string Term(const std::vector<std::string>& namen, const std::string& var = "x1") {
  std::string t = "<var>" + var + "</var>";
  for (auto i = namen.rbegin(); i != namen.rend(); ++i)
    t = "<funapp><name>" + *i + "</name><arg>" + t + "</arg></funapp>";
  return t;
}

std::string Rule(const std::vector<std::string>& l, const std::vector<std::string>& r) {
  return "<rule><lhs>" + Term(l) + "</lhs><rhs>" + Term(r) + "</rhs></rule>";
}

std::string Omzetten(const std::string& xml) {
  Tijdmap m;
  Schrijfbestand(m / "p.xml", xml);
  return Xmlnaarsrs(m / "p.xml");
}

TEST(Xml, EveryDatabaseProblemReadsAsTheTextBesideIt) {
  int n = 0;
  for (const auto& e : fs::recursive_directory_iterator(TESSIVAR_TPDB_DIR)) {
    if (e.path().extension() != ".xml") continue;
    std::string xml = e.path().string();
    std::string srs = e.path().parent_path() / (e.path().stem().string() + ".srs");
    std::string tekst = Xmlnaarsrs(xml);
    EXPECT_EQ(Regelsvan(tekst), Regelsvan(Leesbestand(srs))) << xml;
    EXPECT_EQ(Regelsvan(Leesprobleem(xml)), Regelsvan(Leesprobleem(srs))) << xml;
    n++;
  }
  EXPECT_GT(n, 100);
}

TEST(Xml, EmptySidesAndEmptySystem) {
  std::string t = Omzetten(Xml(Rule({"a", "b"}, {}) + Rule({}, {"c"})));
  EXPECT_EQ(Regelsvan(t), (std::vector<Regel>{{{"a", "b"}, {}}, {{}, {"c"}}}));
  EXPECT_TRUE(Regelsvan(Omzetten(Xml(""))).empty());
  EXPECT_NE(Omzetten(Xml("")).find(')'), std::string::npos);
}

TEST(Xml, LongRulesStayWhole) {
  std::vector<std::string> l, r;
  for (int i = 0; i < 60; i++) l.push_back("symbol" + std::to_string(i % 7) + "'x");
  for (int i = 0; i < 45; i++) r.push_back("s" + std::string(i % 30 + 1, 'q'));
  std::string t = Omzetten(Xml(Rule(l, r) + Rule(r, l) + Rule({"a"}, {"b"})));
  EXPECT_EQ(Regelsvan(t), (std::vector<Regel>{{l, r}, {r, l}, {{"a"}, {"b"}}}));
}

TEST(Xml, ProblemsThatAreNotStringRewritingSystems) {
  const std::string binair =
      "<rule><lhs><funapp><name>f</name><arg><var>x</var></arg><arg><var>x</var></arg></funapp>"
      "</lhs><rhs><var>x</var></rhs></rule>";
  const std::string constante =
      "<rule><lhs><funapp><name>c</name></funapp></lhs><rhs><funapp><name>c</name></funapp></rhs>"
      "</rule>";
  const std::string sig =
      "</rules><signature><funcsym><name>g</name><arity>2</arity></funcsym></signature><rules>";
  struct Geval {
    std::string xml, reden;
  };
  std::vector<Geval> gevallen = {
      {Xml(binair), "applied to 2 arguments"},
      {Xml(constante), "applied to 0 arguments"},
      {Xml(Rule({"a"}, {"b"}) + sig), "arity 2"},
      {Xml(Rule({"a"}, {"b"}) + "<relrules>" + Rule({"b"}, {"a"}) + "</relrules>"), "relative"},
      {Xml(Rule({"a"}, {"b"}), "<strategy>INNERMOST</strategy>"), "INNERMOST"},
      {Xml(Rule({"a b"}, {"b"})), "a blank"},
      {Xml(Rule({"a"}, {"f)"})), "\")\""},
      {Xml(Rule({"a,"}, {"b"})), "\",\""},
      {Xml(Rule({"a-b"}, {"b"})), "\"-\""},
      {Xml("<rule><lhs>" + Term({"a"}, "x") + "</lhs><rhs>" + Term({"a"}, "y") + "</rhs></rule>"),
       "different variables"},
      {Xml("<rule><lhs>" + Term({"a"}) + "</lhs></rule>"), "side is missing"},
      {"<problem><trs><rules>" + Rule({"a"}, {"b"}) + "</trs></problem>", "not well-formed"},
      {"<problem type=\"termination\"><strategy>FULL</strategy></problem>", "no <trs>"},
  };
  for (const Geval& g : gevallen) {
    try {
      Omzetten(g.xml);
      ADD_FAILURE() << "accepted: " << g.xml;
    } catch (const Probleemfout& f) {
      EXPECT_NE(std::string(f.what()).find(g.reden), std::string::npos)
          << f.what() << " lacks " << g.reden;
    }
  }
}

TEST(Xml, RunnerRefusesWithTheReasonAndStatus2) {
  Tijdmap m;
  Schrijfbestand(m / "bin.xml", Xml(Rule({"a"}, {"b"}), "<strategy>OUTERMOST</strategy>"));
  Lauf l = Draai(m.pad, Runner + " bin.xml", "");
  EXPECT_EQ(l.status, 2);
  EXPECT_EQ(l.uit, "");
  EXPECT_NE(l.fout.find("strategy OUTERMOST: only FULL"), std::string::npos) << l.fout;
  // A name the prover would cut to 255 bytes is refused.
  Schrijfbestand(m / "lang.xml", Xml(Rule({std::string(256, 'a')}, {"b"})));
  l = Draai(m.pad, Runner + " lang.xml", "");
  EXPECT_EQ(l.status, 2);
  EXPECT_NE(l.fout.find("longer than 255 bytes"), std::string::npos) << l.fout;
}

TEST(Oordeel, OnlyWholeClosingLinesMeanYes) {
  EXPECT_EQ(Oordeel("x\nremove rule 1\ntermination has been proved\n"), "YES");
  EXPECT_EQ(Oordeel("\nTerminating due to match bound 12,\nproved by the graph\n"), "YES");
  EXPECT_EQ(Oordeel("a b  -> b a \nno proof found\n"), "MAYBE");
  // Symbol names may spell the same words; a rule line always has its arrow.
  EXPECT_EQ(Oordeel("termination has been proved  -> a \nno proof found\n"), "MAYBE");
  EXPECT_EQ(Oordeel("Terminating due to match bound 1, -> \n"), "MAYBE");
  EXPECT_EQ(Oordeel("Terminating due to match bound ,\n"), "MAYBE");
  EXPECT_EQ(Oordeel(""), "MAYBE");
}

}  // namespace

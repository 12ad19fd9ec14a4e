// Reading problems: every database problem in XML against the text file
// beside it, problems that are not string rewriting systems; what the
// classic prover cannot take, and the text it is given read back by it.
#include "input/problem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "run/classic_input.h"
#include "run/verdict.h"
#include "problem_database.h"
#include "runner_helpers.h"

using tessivar::engine::NamedRule;

namespace fs = std::filesystem;

namespace {

std::string Xml(const std::string& rules) {
  return "<?xml version=\"1.0\"?>\n<problem type=\"termination\"><trs><rules>" + rules +
         "</rules></trs><strategy>FULL</strategy></problem>\n";
}

std::string Term(const std::vector<std::string>& names, const std::string& var = "x1") {
  std::string t = "<var>" + var + "</var>";
  for (auto i = names.rbegin(); i != names.rend(); ++i)
    t = "<funapp><name>" + *i + "</name><arg>" + t + "</arg></funapp>";
  return t;
}

std::string XmlRule(const std::vector<std::string>& l, const std::vector<std::string>& r) {
  return "<rule><lhs>" + Term(l) + "</lhs><rhs>" + Term(r) + "</rhs></rule>";
}

std::vector<NamedRule> Convert(const std::string& xml) {
  TempDir m;
  WriteFile(m / "p.xml", xml);
  return XmlRules(m / "p.xml");
}

// Each XML problem under `dir` reads as the text beside it, which passes
// the strict reader with the same rules; returns how many there were.
int CompareXmlWithText(const std::string& dir) {
  int n = 0;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    if (e.path().extension() != ".xml") continue;
    std::string xml = e.path().string();
    std::string srs = e.path().parent_path() / (e.path().stem().string() + ".srs");
    EXPECT_EQ(XmlRules(xml), ReadProblem(srs)) << xml;
    EXPECT_EQ(ReadProblem(xml), ReadProblem(srs)) << xml;
    n++;
  }
  return n;
}

TEST(Xml, SampleProblemsReadAsTheTextBesideThem) {
  EXPECT_GE(CompareXmlWithText(TESSIVAR_SAMPLE_DIR), 16);
}

TEST(Xml, EveryDatabaseProblemReadsAsTheTextBesideIt) {
  TESSIVAR_NEED_DATABASE(database);
  EXPECT_GT(CompareXmlWithText(database), 100);
}

TEST(Xml, EmptySidesAndEmptySystem) {
  EXPECT_EQ(Convert(Xml(XmlRule({"a", "b"}, {}) + XmlRule({}, {"c"}))),
            (std::vector<NamedRule>{{{"a", "b"}, {}}, {{}, {"c"}}}));
  EXPECT_TRUE(Convert(Xml("")).empty());
}

TEST(Xml, ProblemsThatAreNotStringRewritingSystems) {
  const std::string binary =
      "<rule><lhs><funapp><name>f</name><arg><var>x</var></arg><arg><var>x</var></arg></funapp>"
      "</lhs><rhs><var>x</var></rhs></rule>";
  const std::string constant =
      "<rule><lhs><funapp><name>c</name></funapp></lhs><rhs><funapp><name>c</name></funapp></rhs>"
      "</rule>";
  const std::string sig =
      "</rules><signature><funcsym><name>g</name><arity>2</arity></funcsym></signature><rules>";
  struct Case {
    std::string xml, reason;
  };
  std::vector<Case> cases = {
      {Xml(binary), "applied to 2 arguments"},
      {Xml(constant), "applied to 0 arguments"},
      {Xml(XmlRule({"a"}, {"b"}) + sig), "arity 2"},
      {Xml(XmlRule({"a"}, {"b"}) + "<relrules>" + XmlRule({"b"}, {"a"}) + "</relrules>"),
       "relative"},
      {Xml(XmlRule({"a b"}, {"b"})), "a blank"},
      {Xml("<rule><lhs>" + Term({"a"}, "x") + "</lhs><rhs>" + Term({"a"}, "y") + "</rhs></rule>"),
       "different variables"},
      {"<problem><trs><rules>" + XmlRule({"a"}, {"b"}) + "</trs></problem>", "not well-formed"},
  };
  for (const Case& g : cases) {
    try {
      Convert(g.xml);
      ADD_FAILURE() << "accepted: " << g.xml;
    } catch (const ProblemError& f) {
      EXPECT_NE(std::string(f.what()).find(g.reason), std::string::npos)
          << f.what() << " lacks " << g.reason;
    }
  }
}

std::string CapacityError(const std::vector<NamedRule>& rules) {
  try {
    CheckClassicCapacity(rules);
  } catch (const ProblemError& e) {
    return e.what();
  }
  return "";
}

TEST(Classic, RefusesWhatItsTablesOrReaderCannotHold) {
  std::vector<NamedRule> many(1001, NamedRule{{"a"}, {"b"}});
  EXPECT_EQ(CapacityError(many).substr(0, 50), "the system has 1001 rules; the classic prover take");
  many.pop_back();
  EXPECT_EQ(CapacityError(many), "");
  NamedRule wide{std::vector<std::string>(49, "a"), std::vector<std::string>(50, "b")};
  EXPECT_EQ(CapacityError({wide}).substr(0, 43), "rule 1 has 50 symbols on its right side; th");
  wide.rhs.pop_back();
  EXPECT_EQ(CapacityError({wide}), "");
  std::vector<NamedRule> symbols;
  for (int i = 0; i < 101; i++) symbols.push_back(NamedRule{{"s" + std::to_string(i)}, {}});
  EXPECT_EQ(CapacityError(symbols).substr(0, 33), "the system has 101 symbols; the c");
  EXPECT_NE(CapacityError(symbols).find("tessivar-prove"), std::string::npos);
  symbols.pop_back();
  EXPECT_EQ(CapacityError(symbols), "");
  for (const char* bad : {"a-b", "a)", "a,", "a b", "a\x7f"})
    EXPECT_NE(CapacityError({NamedRule{{bad}, {}}}), "") << bad;
  EXPECT_NE(CapacityError({NamedRule{{std::string(256, 'n')}, {}}}).find("longer than 255"),
            std::string::npos);
  EXPECT_EQ(CapacityError({NamedRule{{std::string(255, 'n'), "(", "x>"}, {}}}), "");
}

// The classic prover itself reads the text it is given: its result file
// holds the rules as it took them in.
std::vector<NamedRule> AsClassicProverReadsIt(const std::vector<NamedRule>& rules) {
  TempDir m;
  WriteFile(m / "param", Param("/bin/false", 0, 0, 1, 1, 0, 1));
  RunIn(m.path, "cp param frm; " + Prover + " > /dev/null", ClassicText(rules));
  return RulesOf(ReadFile(m / "srs"));
}

TEST(Classic, ItsReaderTakesTheTextAsMeant) {
  std::vector<std::string> l, r;
  for (int i = 0; i < 49; i++) l.push_back("symbol" + std::to_string(i % 7) + "'x>(");
  for (int i = 0; i < 45; i++) r.push_back("s" + std::string(i % 30 + 1, 'q'));
  std::string longest(255, 'n'), almost(254, 'm');
  std::vector<NamedRule> rules{{l, r},
                               {{longest, almost, "a"}, {almost, longest}},
                               {{}, {"b"}},
                               {{"a", "b"}, {}},
                               {{"a"}, {longest}}};
  EXPECT_EQ(AsClassicProverReadsIt(rules), rules);
  std::istringstream text(ClassicText(rules));
  for (std::string line; std::getline(text, line);) EXPECT_LE(line.size(), 255u);
}

TEST(Verdict, OnlyWholeClosingLinesMeanYes) {
  EXPECT_EQ(Verdict("x\nremove rule 1\ntermination has been proved\n"), "YES");
  EXPECT_EQ(Verdict("\nTerminating due to match bound 12,\nproved by the graph\n"), "YES");
  EXPECT_EQ(Verdict("a b  -> b a \nno proof found\n"), "MAYBE");
  // Symbol names may spell the same words; a rule line always has its arrow.
  EXPECT_EQ(Verdict("termination has been proved  -> a \nno proof found\n"), "MAYBE");
  EXPECT_EQ(Verdict("Terminating due to match bound 1, -> \n"), "MAYBE");
}

}  // namespace

// tessivar-batch on a small folder: the CSV, the proofs, the refused problem;
// and the methods column read from proofs as the prover prints them.
#include <gtest/gtest.h>

#include <sstream>

#include "hulp.h"

namespace {

std::vector<std::vector<std::string>> Csv(const std::string& tekst) {
  std::vector<std::vector<std::string>> rijen;
  std::istringstream in(tekst);
  for (std::string r; std::getline(in, r);) {
    std::vector<std::string> velden;
    size_t p = 0;
    if (!r.empty() && r[0] == '"') {
      size_t e = r.find("\",");
      velden.push_back(r.substr(1, e - 1));
      p = e + 2;
    }
    std::string veld;
    std::istringstream rest(r.substr(p));
    while (std::getline(rest, veld, ',')) velden.push_back(veld);
    if (!r.empty() && r.back() == ',') velden.push_back("");
    rijen.push_back(velden);
  }
  return rijen;
}

TEST(Batch, SmallFolder) {
  Tijdmap m;
  std::system(("mkdir -p " + m / "dir/sub").c_str());
  Schrijfscript(m / "unsat", "echo unsat\n");
  std::string param = Fakeparam(m / "unsat");
  Schrijfbestand(m / "param", param);
  const std::string a = "(RULES\na a -> a b\n)\n", c = "(RULES\nc -> d d ,\nd d d -> c\n)\n";
  Schrijfbestand(m / "dir/a.srs", a);
  Schrijfbestand(m / "dir/sub/c.srs", c);
  Schrijfbestand(m / "dir/sub/c.xml", "not even XML: the text beside it is run");
  const std::string funapp = "<funapp><name>f</name><arg><var>x</var></arg></funapp>";
  Schrijfbestand(m / "dir/sub/b.xml",
                 "<problem><trs><rules><rule><lhs><funapp><name>f</name><arg>" + funapp +
                     "</arg></funapp></lhs><rhs>" + funapp +
                     "</rhs></rule></rules></trs><strategy>FULL</strategy></problem>");
  Schrijfbestand(m / "dir/bad.xml",
                 "<problem><trs><rules><rule><lhs><funapp><name>g</name><arg><var>x</var></arg>"
                 "<arg><var>x</var></arg></funapp></lhs><rhs><var>x</var></rhs></rule></rules>"
                 "</trs></problem>");
  Lauf l = Draai(m.pad, Batch + " -j 2 --timeout 20 --param param --out uit dir", "");
  ASSERT_EQ(l.status, 0) << l.fout;

  auto rijen = Csv(Leesbestand(m / "uit/results.csv"));
  ASSERT_EQ(rijen.size(), 5u);
  EXPECT_EQ(rijen[0], (std::vector<std::string>{"problem", "verdict", "seconds", "methods",
                                                 "max_dimension", "end"}));
  std::vector<std::string> namen;
  for (size_t i = 1; i < rijen.size(); i++) {
    ASSERT_EQ(rijen[i].size(), 6u) << i;
    namen.push_back(rijen[i][0]);
    EXPECT_GE(std::stod(rijen[i][2]), 0.0);
    EXPECT_LT(std::stod(rijen[i][2]), 20.0);
  }
  EXPECT_EQ(namen, (std::vector<std::string>{"dir/a.srs", "dir/bad.xml", "dir/sub/b.xml",
                                              "dir/sub/c.srs"}));
  EXPECT_EQ(rijen[2][1], "ERROR");
  EXPECT_EQ(rijen[2][5], "error");
  EXPECT_NE(Leesbestand(m / "uit/proofs/dir/bad.txt").find("applied to 2 arguments"),
            std::string::npos);

  // The others as the prover answers them alone; with a solver that finds
  // nothing, only a match-bound proof can say YES.
  struct Geval {
    size_t rij;
    std::string systeem, proof;
  };
  for (const Geval& g : {Geval{1, a, "dir/a.txt"}, Geval{3, "(RULES\nf f -> f\n)\n", "dir/sub/b.txt"},
                         Geval{4, c, "dir/sub/c.txt"}}) {
    std::string verwacht = Verwacht(g.systeem, param);
    bool ja = verwacht.compare(0, 4, "YES\n") == 0;
    EXPECT_EQ(Leesbestand(m / ("uit/proofs/" + g.proof)), verwacht);
    EXPECT_EQ(rijen[g.rij][1], ja ? "YES" : "MAYBE");
    EXPECT_EQ(rijen[g.rij][3], ja ? "match-bound" : "");
    EXPECT_EQ(rijen[g.rij][4], "");
    EXPECT_EQ(rijen[g.rij][5], ja ? "proved" : "no-proof");
  }
  EXPECT_FALSE(Bestaat(m / "uit/proofs/dir/sub/c.xml.txt"));
  EXPECT_NE(l.uit.find("\nall                         4 "), std::string::npos) << l.uit;
  EXPECT_EQ(Leesbestand(m / "uit/summary.txt"), l.uit.substr(0, l.uit.find("results: ")));
}

TEST(Batch, ProblemsOfOneNameFromTwoFoldersKeepTheirProofs) {
  Tijdmap m;
  std::system(("mkdir -p " + m / "x" + " " + m / "y").c_str());
  Schrijfscript(m / "unsat", "echo unsat\n");
  Schrijfbestand(m / "param", Fakeparam(m / "unsat"));
  Schrijfbestand(m / "x/p.srs", "(RULES\na a -> a b\n)\n");
  Schrijfbestand(m / "y/p.srs", "(RULES\nc c -> c d\n)\n");
  Lauf l = Draai(m.pad, Batch + " --timeout 20 --param param --out uit x/p.srs y/p.srs", "");
  ASSERT_EQ(l.status, 0) << l.fout;
  EXPECT_NE(Leesbestand(m / "uit/proofs/x/p.txt").find("a a  -> a b"), std::string::npos);
  EXPECT_NE(Leesbestand(m / "uit/proofs/y/p.txt").find("c c  -> c d"), std::string::npos);
}

TEST(Batch, MethodsThatRemovedRules) {
  Tijdmap m;
  // Passes as the prover prints them: a tropical interpretation of dimension
  // 1 (no header), an arctic one of dimension 2, a normal one of dimension 3
  // that removed nothing, and a match-bound proof to end.
  Schrijfbestand(m / "proof",
                 "YES\nTessivar is applied to the string rewriting system\n"
                 "a a  -> a b \ninterpretation of a: 2\ninterpretation of b: 0\nremove rule 1\n"
                 "continue with:\nb b  -> b a \n"
                 "Arctic matrix interpretation\ninterpretation of a:\n/ 1 - \\\n\\ 0 3 /\n"
                 "interpretation of b:\n/ 0 0 \\\n\\ - 1 /\nremove rule 2\n"
                 "continue with:\nb  -> a \n"
                 "Normal matrix interpretation\ninterpretation of a:\n/ 1 0 0 \\\n| 0 0 0 |\n"
                 "\\ 0 0 1 /\n"
                 "\nTerminating due to match bound 1,\nproved by the graph consisting of the "
                 "following edges:\nfrom 1 to 1, label: a0\n");
  Lauf l = Draai(m.pad, Batch + " --methods proof", "");
  EXPECT_EQ(l.uit, "tropical-1d arctic-2d match-bound,2\n");
  // A dimension-1 interpretation with a rule of names that spell a header.
  Schrijfbestand(m / "proof",
                 "interpretation of a: 1\nremove rule 1\ncontinue with:\n"
                 "Normal matrix interpretation  -> a \n"
                 "Normal matrix interpretation\ninterpretation of a:\n/ 1 0 0 \\\n| 0 0 0 |\n"
                 "\\ 0 0 1 /\nremove rule 1\ntermination has been proved\n");
  l = Draai(m.pad, Batch + " --methods proof", "");
  EXPECT_EQ(l.uit, "tropical-1d normal-3d,3\n");
}

}  // namespace

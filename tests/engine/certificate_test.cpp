// Certificates as JSON and as the printed proof: every step kind survives
// the round trip, texts outside the format are refused with their place, and
// the printed proof shows what a reader needs.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "engine/certificate/json.h"
#include "engine/certificate/print.h"
#include "proofs.h"

using namespace tessivar::engine;
using namespace tessivar::engine::test;

namespace {

std::string json_error(const std::string& text) {
  try {
    read_certificate_json(text);
  } catch (const CertificateFormatError& e) {
    return e.what();
  }
  return "";
}

// A certificate with a proof `step` (JSON text) of the system {a -> b}.
std::string with_proof(const std::string& step) {
  return R"({"format": "tessivar-certificate/1", "input": {"rules": [["a", "b"]]}, "answer": "YES", "proof": )" +
         step + "}";
}

// The names of every kind a proof may hold.
template <typename... Kinds>
std::set<std::string> kind_names(std::variant<Kinds...>*) {
  return {Kinds::kName...};
}

void collect_kinds(const Step& s, std::set<std::string>& seen) {
  seen.insert(s.name());
  if (const GraphStep* g = s.as<GraphStep>())
    for (const GraphComponent& c : g->components) collect_kinds(*c.next, seen);
  if (s.next) collect_kinds(*s.next, seen);
}

std::string printed(const Certificate& c) {
  std::ostringstream out;
  print_proof(out, c);
  return out.str();
}

}  // namespace

TEST(CertificateJson, EveryStepKindSurvivesTheRoundTrip) {
  Certificate c = dependency_pair_proof();
  // Put a reverse and a tropical step with infinities in front.
  MatrixStep tropical = matrix(Semiring::Tropical, 2, {{"a", {{1, inf}, {0, inf}}}, {"b", {{0, 0}, {inf, inf}}}}, {});
  c.proof = Step::reverse(Step::matrix_step(tropical, std::move(c.proof)));
  std::vector<Certificate> all;
  all.push_back(natural_proof());
  all.push_back(loop_proof());
  all.push_back(tiling_proof());
  all.push_back(match_bounds_proof());
  std::set<std::string> seen;
  for (const Certificate* original : {&c, &all[0], &all[1], &all[2], &all[3]}) {
    collect_kinds(*original->proof, seen);
    std::string text = write_certificate_json(*original);
    Certificate back = read_certificate_json(text);
    EXPECT_EQ(write_certificate_json(back), text);
    EXPECT_EQ(back.input, original->input);
    EXPECT_EQ(back.answer, original->answer);
    EXPECT_EQ(write_certificate_json(Certificate{original->input, original->answer, clone(*original->proof)}), text);
  }
  // A kind added to the step type needs a place in these proofs.
  EXPECT_EQ(seen, kind_names(static_cast<StepNode*>(nullptr)));
  Certificate back = read_certificate_json(write_certificate_json(c));
  const MatrixStep& m = (*back.proof->next->as<MatrixStep>());
  EXPECT_EQ(m.semiring, Semiring::Tropical);
  EXPECT_EQ(m.interpretation.at("a"), (Matrix{{1, inf}, {0, inf}}));
  const Step& graph = *back.proof->next->next->next;
  ASSERT_EQ(std::string(graph.name()), "graph");
  EXPECT_EQ(graph.as<GraphStep>()->components[0].pairs[1], rule("a# a", "a#"));
  EXPECT_EQ((*graph.as<GraphStep>()->components[0].next->as<MatrixStep>()).interpretation.at("a#"), (Matrix{{0}}));
  Certificate natural = read_certificate_json(write_certificate_json(natural_proof()));
  EXPECT_EQ((*natural.proof->as<MatrixStep>()).strict_entry, std::make_pair(1, 1));
  Certificate loop = read_certificate_json(write_certificate_json(loop_proof()));
  EXPECT_EQ((*loop.proof->as<LoopStep>()).start, word("a b"));
  EXPECT_EQ((*loop.proof->as<LoopStep>()).steps[0].rule, rule("a b", "b a b"));
}

TEST(CertificateJson, ReadsTheFormatAsWritten) {
  Certificate c = read_certificate_json(R"({"format": "tessivar-certificate/1",
    "input": {"rules": [["a a b", "b a"], ["b", ""]]}, "answer": "NO",
    "proof": {"step": "loop", "start": "b", "steps": [[0, ["b", ""]]]}})");
  EXPECT_EQ(c.input, (std::vector<NamedRule>{rule("a a b", "b a"), rule("b", "")}));
  EXPECT_EQ(c.answer, Answer::No);
  EXPECT_EQ((*c.proof->as<LoopStep>()).steps[0].position, 0u);
  Certificate m = read_certificate_json(with_proof(
      R"({"step": "matrix", "semiring": "arctic", "dimension": 2, "interpretation": {"a": [[0, null], [1, 2]]},
          "remove": [], "next": {"step": "empty"}})"));
  EXPECT_EQ((*m.proof->as<MatrixStep>()).interpretation.at("a"), (Matrix{{0, inf}, {1, 2}}));
  EXPECT_FALSE((*m.proof->as<MatrixStep>()).strict_entry.has_value());
}

TEST(CertificateJson, RefusesTextsOutsideTheFormat) {
  const std::string empty = R"({"step": "empty"})";
  auto matrix_with = [](const std::string& entries, const std::string& extra = "") {
    return with_proof(R"({"step": "matrix", "semiring": "natural", "dimension": 1, "interpretation": {"a": )" +
                      entries + R"(}, "remove": [["a", "b"]], "next": {"step": "empty"})" + extra + "}");
  };
  struct Case {
    std::string text, message;
  };
  std::vector<Case> cases = {
      {"{", "not valid JSON"},
      {with_proof(R"({"step": "empty", "extra": 1})"), "proof: unknown key \"extra\""},
      {with_proof(R"({"step": "shrink", "next": {"step": "empty"}})"), "proof.step: unknown step \"shrink\""},
      {with_proof(R"({"step": "reverse"})"), "proof: the key \"next\" is missing"},
      {with_proof(R"({"step": "empty", "step": "empty"})"), "occurs twice"},
      {matrix_with("[[-1]]"), "interpretation.a[0][0]: expected a natural number, found a negative one"},
      {matrix_with("[[1.5]]"), "expected a natural number, found a fraction"},
      {matrix_with("[[\"1\"]]"), "expected a natural number, found a string"},
      {matrix_with("[[1]]", R"(, "strict_entry": [1, 2])"), "strict_entry: p and q must lie between 1"},
      {matrix_with("[1]"), "interpretation.a[0]: expected a list, found an integer"},
      {matrix_with("[[99999999999999999999]]"), "a fraction or a number too large"},
      {R"({"format": "tessivar-certificate/2", "input": {"rules": []}, "answer": "YES", "proof": )" + empty + "}",
       "format: expected"},
      {R"({"format": "tessivar-certificate/1", "input": {"rules": []}, "answer": "MAYBE", "proof": )" + empty + "}",
       "answer: expected \"YES\" or \"NO\""},
      {R"({"format": "tessivar-certificate/1", "input": {"rules": [["a  b", "b"]]}, "answer": "YES", "proof": )" +
           empty + "}",
       "input.rules[0][0]: the symbols of a word must be separated by single blanks"},
      {R"({"format": "tessivar-certificate/1", "input": {"rules": [["a", " b"]]}, "answer": "YES", "proof": )" +
           empty + "}",
       "single blanks"},
      {R"({"format": "tessivar-certificate/1", "input": {"rules": [["a\tb", "b"]]}, "answer": "YES", "proof": )" +
           empty + "}",
       "white space"},
      {R"({"format": "tessivar-certificate/1", "input": {"rules": [["a"]]}, "answer": "YES", "proof": )" + empty + "}",
       "a rule is a list [lhs, rhs]"},
      {R"({"format": "tessivar-certificate/1", "input": {"rules": []}, "answer": "YES"})", "\"proof\" is missing"},
      {with_proof(R"({"step": "loop", "start": "a", "steps": [[-1, ["a", "b"]]]})"), "negative"},
      {with_proof(R"({"step": "graph", "components": [{"pairs": []}]})"), "components[0]: the key \"next\""},
      {std::string(20000, '[') + std::string(20000, ']'), "nested too deeply"},
  };
  for (const Case& c : cases) {
    std::string error = json_error(c.text);
    EXPECT_NE(error.find(c.message), std::string::npos) << c.text.substr(0, 200) << "\n  gave: " << error;
  }
}

TEST(CertificateJson, LeavesShapesToTheChecker) {
  // A non-square matrix is read as it stands; only the checker refuses it.
  Certificate c = read_certificate_json(with_proof(
      R"({"step": "matrix", "semiring": "natural", "dimension": 2, "interpretation": {"a": [[1, 2, 3]]},
          "remove": [], "next": {"step": "empty"}})"));
  EXPECT_EQ((*c.proof->as<MatrixStep>()).interpretation.at("a"), (Matrix{{1, 2, 3}}));
}

TEST(PrintProof, ShowsInterpretationsRemovalsAndTheLoop) {
  std::string natural = printed(natural_proof());
  EXPECT_NE(natural.find("strict decrease in entry (1,1)"), std::string::npos) << natural;
  EXPECT_NE(natural.find("a = [ 1 1 ]\n"), std::string::npos) << natural;
  EXPECT_NE(natural.find("    [ 1 1 ]\n"), std::string::npos) << natural;
  EXPECT_NE(natural.find("removed (1):\n     a a -> a b a\n"), std::string::npos) << natural;
  EXPECT_NE(natural.find("Left: 1 strict rule, 0 weak rules:\n     b b -> b\n"), std::string::npos) << natural;

  std::string pairs = printed(dependency_pair_proof());
  EXPECT_NE(pairs.find("a# a -> a# b a"), std::string::npos) << pairs;
  EXPECT_NE(pairs.find("Component 2.1 (2 pairs)"), std::string::npos) << pairs;
  EXPECT_NE(pairs.find("a# = [ 1 0 ]"), std::string::npos) << pairs;
  EXPECT_NE(pairs.find("No pair is left."), std::string::npos) << pairs;

  std::string loop = printed(loop_proof());
  EXPECT_NE(loop.find("Start: a b\n"), std::string::npos) << loop;
  EXPECT_NE(loop.find("by a b -> b a b at position 0:  b a b\n"), std::string::npos) << loop;
  EXPECT_NE(loop.find("Final: b [a b]"), std::string::npos) << loop;
}

TEST(PrintProof, LargeSystemsShowCountsNotEveryRule) {
  Certificate c;
  std::map<std::string, Matrix> interpretation;
  for (int i = 0; i < 100; ++i) {
    std::string name = "s" + std::to_string(i);
    c.input.push_back(rule(name + " " + name, name));
    interpretation[name] = {{2}};
  }
  MatrixStep m = matrix(Semiring::Natural, 1, interpretation, {rule("s7 s7", "s7")});
  c.proof = Step::matrix_step(m, Step::empty());
  std::string text = printed(c);
  EXPECT_NE(text.find("s7 s7 -> s7"), std::string::npos);
  EXPECT_EQ(text.find("s8 s8 -> s8"), std::string::npos) << "the system left is listed in full";
  EXPECT_NE(text.find("Left: 99 strict rules, 0 weak rules.\n"), std::string::npos);
}

// The proof search end to end: its certificates pass the independent check,
// name the input's rules in order, and undo reversals correctly; and
// tessivar-prove as a program.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "engine/certificate/json.h"
#include "engine/check/check.h"
#include "engine/problem/system_text.h"
#include "engine/processors/loop_search.h"
#include "engine/strategy/prover.h"
#include "problem_database.h"
#include "program_run.h"

using namespace tessivar::engine;
using tessivar::engine::encodings::MatrixSettings;
using tessivar::engine::encodings::Shape;

namespace {

std::vector<NamedRule> rules_of(const std::string& text) { return read_system_text(text); }

std::string file_text(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The problems a list beside this file names (a path of the database a
// line, # for comments), each with its text.
std::vector<std::pair<std::string, std::string>> listed_problems(const std::string& database, const std::string& list) {
  std::istringstream lines(file_text(std::string(TESSIVAR_SOURCE_DIR) + "/tests/engine/" + list));
  std::vector<std::pair<std::string, std::string>> problems;
  for (std::string name; std::getline(lines, name);)
    if (!name.empty() && name[0] != '#') problems.emplace_back(name, file_text(database + "/" + name));
  return problems;
}

// Every step kind along the main chain, in order.
std::vector<std::string> kinds(const Certificate& c) {
  std::vector<std::string> out;
  for (const Step* s = c.proof.get(); s; s = s->next.get()) out.push_back(s->name());
  return out;
}

// The engine's answer on `input` with the default schedule and `seconds`.
std::optional<Certificate> prove_within(const std::vector<NamedRule>& input, double seconds) {
  strategy::ProveOptions options;
  options.timeout = seconds;
  return strategy::prove(input, options);
}

// A 5 s search for full matrices of dimension 2 over `s`, order-encoded
// entries of at most 8.
strategy::Attempt matrix_attempt(Semiring s, strategy::Orientation o) {
  return strategy::Attempt{strategy::Technique::Matrices, o, 5, MatrixSettings{s, 2, 2, 8, Shape::Full, false, true}};
}

void expect_holds(const Certificate& c, const std::vector<NamedRule>& input) {
  EXPECT_EQ(c.input, input);
  EXPECT_NO_THROW(check_certificate(c));
  EXPECT_NO_THROW(check_input_matches(c, input));
  // The JSON text says the same.
  Certificate again = read_certificate_json(write_certificate_json(c));
  EXPECT_NO_THROW(check_certificate(again));
  EXPECT_EQ(again.input, input);
}

}  // namespace

TEST(Prove, ProofsOfDatabaseProblemsPassTheCheck) {
  for (const char* name : {"Bouchare_06/01.srs", "Zantema_04/z009.srs", "Zantema_04/z022.srs",
                           "Zantema_04/z103.srs", "Secret_06_SRS/10.srs"}) {
    SCOPED_TRACE(name);
    auto input = rules_of(file_text(std::string(TESSIVAR_SAMPLE_DIR) + "/" + name));
    auto proof = prove_within(input, 20);
    ASSERT_TRUE(proof.has_value());
    EXPECT_EQ(proof->answer, Answer::Yes);
    expect_holds(*proof, input);
  }
}

// Every problem of the database that a prover here has proved terminating
// (proved_terminating.txt beside this file, from the runs kept in bench/):
// the loop search, which runs beside the proof, must find no loop on any.
TEST(Prove, NoLoopInProblemsProvedTerminating) {
  TESSIVAR_NEED_DATABASE(database);
  auto problems = listed_problems(database, "proved_terminating.txt");
  for (const auto& [name, text] : problems) {
    SCOPED_TRACE(name);
    ASSERT_FALSE(text.empty());
    LoopSearchOptions options;
    options.deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
    EXPECT_FALSE(find_loop(problem_of(rules_of(text)), options).has_value());
  }
  EXPECT_GE(problems.size(), 40u);
}

// Every problem of the database that a prover here has answered NO
// (answered_nonterminating.txt beside this file): with the loop search off
// and tilings the only attempts, the engine must find no proof of
// termination of any, whatever the labelled systems look like.
TEST(Prove, NoProofOfProblemsAnsweredNonterminating) {
  TESSIVAR_NEED_DATABASE(database);
  auto problems = listed_problems(database, "answered_nonterminating.txt");
  for (const auto& [name, text] : problems) {
    SCOPED_TRACE(name);
    ASSERT_FALSE(text.empty());
    strategy::ProveOptions options;
    options.timeout = 1;
    options.selection = strategy::Selection::of({"tiling", "reverse"}, {});
    auto proof = strategy::prove(rules_of(text), options);
    EXPECT_FALSE(proof.has_value() && proof->answer == Answer::Yes);
  }
  EXPECT_GE(problems.size(), 20u);
}

// No interpretation in the schedule orients this system's pairs as given,
// but its reversal's pairs are removed by small arctic matrices: the
// dependency-pair path must also run on the reversal.
TEST(Prove, DependencyPairsOfTheReversal) {
  auto input = rules_of("(RULES a -> , a a -> b , b -> a , b c -> c c b a)");
  auto proof = prove_within(input, 30);
  ASSERT_TRUE(proof.has_value());
  EXPECT_EQ(proof->answer, Answer::Yes);
  auto k = kinds(*proof);
  ASSERT_GE(k.size(), 2u);
  EXPECT_EQ(k[0], "reverse");
  EXPECT_EQ(k[1], "dependency-pairs");
  expect_holds(*proof, input);
}

TEST(Prove, LoopsAnswerNoWithACheckedLoop) {
  // A swap and its inverse; a rule whose right side holds its left side
  // inside; one whose loop needs a word on the right of the start.
  for (const char* text : {"(RULES a b -> b a , b a -> a b)", "(RULES a b -> b a b b a , a a -> )",
                           "(RULES a -> b c , c d -> a d , b -> )"}) {
    SCOPED_TRACE(text);
    auto input = rules_of(text);
    auto proof = prove_within(input, 10);
    ASSERT_TRUE(proof.has_value());
    EXPECT_EQ(proof->answer, Answer::No);
    EXPECT_EQ(kinds(*proof), std::vector<std::string>{"loop"});
    expect_holds(*proof, input);
  }
}

TEST(Prove, CertificateNamesTheInputRulesInTheirOrder) {
  // A repeated rule, an empty side, and symbols first met in later rules.
  auto input = rules_of("(RULES b a -> a b , c -> , b a -> a b , a a c -> c a)");
  auto proof = prove_within(input, 20);
  ASSERT_TRUE(proof.has_value());
  ASSERT_EQ(proof->input.size(), 4u);
  expect_holds(*proof, input);
}

TEST(Prove, ReversedStepsAreUndoneInTheProof) {
  // One thread that only searches the reversed system, then one that
  // alternates: every matrix step must meet the rules in its orientation.
  auto input = rules_of("(RULES a b b -> a , a a -> b b b , b b a -> a b a)");
  auto reversed_arctic = matrix_attempt(Semiring::Arctic, strategy::Orientation::Reversed);
  auto tropical = matrix_attempt(Semiring::Tropical, strategy::Orientation::AsGiven);
  auto reversed_tropical = matrix_attempt(Semiring::Tropical, strategy::Orientation::Reversed);
  auto arctic = matrix_attempt(Semiring::Arctic, strategy::Orientation::AsGiven);
  for (const auto& list : std::vector<std::vector<strategy::Attempt>>{{reversed_arctic, reversed_tropical},
                                                                      {reversed_arctic, tropical, arctic}}) {
    strategy::ProveOptions options;
    options.timeout = 20;
    options.schedule = {list};
    auto proof = strategy::prove(input, options);
    ASSERT_TRUE(proof.has_value());
    auto k = kinds(*proof);
    ASSERT_GE(k.size(), 3u);
    EXPECT_EQ(k[0], "reverse");
    EXPECT_EQ(k[1], "matrix");
    EXPECT_EQ(k.back(), "empty");
    expect_holds(*proof, input);
  }
}

// An attempt whose technique refuses its settings (a local search of
// tropical matrices) must not end the process: it is given up, and the
// attempts after it on the same thread still prove the system.
TEST(Prove, AnAttemptThatThrowsIsGivenUp) {
  auto input = rules_of("(RULES a b b -> a , a a -> b b b , b b a -> a b a)");
  MatrixSettings refused;
  refused.semiring = Semiring::Tropical;
  refused.dimension = 2;
  refused.shape = Shape::Full;
  refused.local_search = true;
  strategy::Attempt throws{strategy::Technique::Matrices, strategy::Orientation::AsGiven, 1, refused};
  strategy::ProveOptions options;
  options.timeout = 20;
  auto reversed = strategy::Orientation::Reversed;
  options.schedule = {{throws, matrix_attempt(Semiring::Arctic, reversed), matrix_attempt(Semiring::Tropical, reversed)}};
  auto proof = strategy::prove(input, options);
  ASSERT_TRUE(proof.has_value());
  EXPECT_EQ(proof->answer, Answer::Yes);
  expect_holds(*proof, input);
}

TEST(Prove, NothingFoundIsNoProof) {
  // Not terminating: a b -> b a and back; the loop search is off.
  strategy::ProveOptions options;
  options.timeout = 2;
  options.selection.disallow(strategy::Technique::Loops);
  EXPECT_FALSE(strategy::prove(rules_of("(RULES a b -> b a , b a -> a b)"), options).has_value());
}

TEST(ProveProgram, VerdictsCertificatesAndExitStatuses) {
  const std::string program = std::string(TESSIVAR_BIN_DIR) + "/tessivar-prove";
  const std::string checker = std::string(TESSIVAR_BIN_DIR) + "/tessivar-check";
  TempDir dir;
  WriteFile(dir / "p.srs", "(RULES a a -> b , b b b -> a)");
  ProgramRun yes = RunIn(dir.path, "'" + program + "' p.srs --timeout 20 --certificate c.json", "");
  EXPECT_EQ(yes.status, 0) << yes.err;
  EXPECT_EQ(yes.out.substr(0, 4), "YES\n");
  EXPECT_EQ(yes.err, "");  // progress only with --verbose
  EXPECT_EQ(RunIn(dir.path, "'" + checker + "' c.json p.srs", "").status, 0);

  ProgramRun verbose = RunIn(dir.path, "'" + program + "' p.srs --verbose", "");
  EXPECT_EQ(verbose.out.substr(0, 4), "YES\n");
  // Progress lines name the thread; which attempt wins depends on the load.
  EXPECT_NE(verbose.err.find("thread "), std::string::npos);

  std::string xml = file_text(std::string(TESSIVAR_SAMPLE_DIR) + "/Zantema_04/z009.xml");
  WriteFile(dir / "z.xml", xml);
  ProgramRun from_xml = RunIn(dir.path, "'" + program + "' z.xml --timeout 20", "");
  EXPECT_EQ(from_xml.out.substr(0, 4), "YES\n") << from_xml.err;

  WriteFile(dir / "loop.srs", "(RULES a -> a)");
  ProgramRun no = RunIn(dir.path, "'" + program + "' loop.srs --timeout 5 --certificate n.json", "");
  EXPECT_EQ(no.status, 0);
  EXPECT_EQ(no.out.substr(0, 3), "NO\n");
  EXPECT_NE(no.out.find("Loop"), std::string::npos) << no.out;
  EXPECT_EQ(RunIn(dir.path, "'" + checker + "' n.json loop.srs", "").status, 0);

  // Not terminating, and without the loop search nothing answers: the
  // search goes on until the limit.
  WriteFile(dir / "hard.srs", "(RULES a b -> b a , b a -> a b , a a b -> b b a a)");
  ProgramRun maybe = RunIn(dir.path, "'" + program + "' hard.srs --timeout 1 --no-loops", "");
  EXPECT_EQ(maybe.status, 0);
  EXPECT_EQ(maybe.out.rfind("MAYBE\nreason: time limit of 1 s reached", 0), 0u) << maybe.out;

  WriteFile(dir / "bad.srs", "(RULES a -> b\n  b -> a)");
  ProgramRun bad = RunIn(dir.path, "'" + program + "' bad.srs", "");
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.err.rfind("tessivar-prove: bad.srs: line 2, column", 0), 0u) << bad.err;

  // A file that cannot be read is the environment's failure, as in tessivar-run.
  ProgramRun missing = RunIn(dir.path, "'" + program + "' missing.srs", "");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err.rfind("tessivar-prove: cannot read missing.srs", 0), 0u) << missing.err;
  EXPECT_EQ(RunIn(dir.path, "'" + program + "' p.srs --timeout 0", "").status, 2);
  EXPECT_EQ(RunIn(dir.path, "'" + program + "' p.srs --timeout", "").status, 2);
  EXPECT_EQ(RunIn(dir.path, "'" + program + "' p.srs --frobnicate", "").status, 2);
  EXPECT_EQ(RunIn(dir.path, "'" + program + "'", "").status, 2);
  EXPECT_EQ(RunIn(dir.path, "'" + program + "' p.srs --certificate /nonexistent/dir/c.json", "").status, 1);
  ProgramRun help = RunIn(dir.path, "'" + program + "' --help", "");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--timeout"), std::string::npos);
}

TEST(ProveProgram, TechniquesChosenByName) {
  std::string program = std::string(TESSIVAR_BIN_DIR) + "/tessivar-prove";
  TempDir dir;
  WriteFile(dir / "-loop.srs", "(RULES a b -> b a b)");
  ProgramRun list = RunIn(dir.path, "'" + program + "' --list", "");
  EXPECT_EQ(list.status, 0);
  for (const char* name : {"reverse", "matrices", "dependency-pairs", "loops", "tiling", "match-bounds"})
    EXPECT_NE(list.out.find(std::string("  ") + name + " "), std::string::npos) << list.out;
  // Without the loop search a looping system has no answer; with it alone,
  // the loop is found. Both spellings of an option's value, and "--" before
  // a file whose name starts with a dash.
  ProgramRun without = RunIn(dir.path, "'" + program + "' --timeout=2 --without=loops -- -loop.srs", "");
  EXPECT_EQ(without.out.rfind("MAYBE\n", 0), 0u) << without.out << without.err;
  ProgramRun old_spelling = RunIn(dir.path, "'" + program + "' --timeout 2 --no-loops -- -loop.srs", "");
  EXPECT_EQ(old_spelling.out.rfind("MAYBE\n", 0), 0u) << old_spelling.out;
  ProgramRun only = RunIn(dir.path, "'" + program + "' --only loops,reverse -- -loop.srs", "");
  EXPECT_EQ(only.out.rfind("NO\n", 0), 0u) << only.out << only.err;
  for (const char* option : {"--only", "--without"}) {
    ProgramRun unknown = RunIn(dir.path, "'" + program + "' " + option + " loops,tiles -- -loop.srs", "");
    EXPECT_EQ(unknown.status, 2) << option;
    EXPECT_NE(unknown.err.find("unknown technique \"tiles\"; the techniques are reverse, matrices"),
              std::string::npos)
        << unknown.err;
  }
}

TEST(Prove, PlansAgainForTheProblemLeft) {
  // The long rule goes first, by a local search planned for long sides;
  // what is left is a b -> b a, which only the natural matrices planned
  // for short sides prove.
  std::string rule = "a b";
  for (int i = 1; i < 10; ++i) rule += " a b";
  auto input = rules_of("(RULES a b -> b a , " + rule + " -> b b b)");
  strategy::ProveOptions options;
  options.timeout = 30;
  options.selection.disallow(strategy::Technique::Loops);
  auto proof = strategy::prove(input, options);
  ASSERT_TRUE(proof.has_value());
  expect_holds(*proof, input);
}

TEST(Prove, TilingsAndMatchBoundsGiveCheckedProofs) {
  struct Case {
    const char* system;
    std::vector<std::string> only;
    std::vector<std::string> steps;
  };
  // a a b -> b a a has a natural interpretation once labelled by tiles of
  // width 2; a b -> b b a is match-bounded, its reversal b a -> a b b (with
  // exponentially long derivations) is not, but its reversal is.
  std::vector<Case> cases = {
      {"(RULES a a b -> b a a)", {"tiling"}, {"tiling", "matrix", "empty"}},
      {"(RULES a b -> b b a)", {"match-bounds"}, {"match-bounds"}},
      {"(RULES b a -> a b b)", {"match-bounds", "reverse"}, {"reverse", "match-bounds"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.system);
    auto input = rules_of(c.system);
    strategy::ProveOptions options;
    options.timeout = 20;
    options.selection = strategy::Selection::of(c.only, {});
    auto proof = strategy::prove(input, options);
    ASSERT_TRUE(proof.has_value());
    EXPECT_EQ(kinds(*proof), c.steps);
    expect_holds(*proof, input);
    EXPECT_NO_THROW(check_certificate(read_certificate_json(write_certificate_json(*proof))));
  }
}

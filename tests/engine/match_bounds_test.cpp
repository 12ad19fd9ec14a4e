// Match bounds: the automata the search finds pass the independent check
// and prove only terminating systems; the check refuses tampered automata;
// the JSON form reads back exactly and refuses malformed input.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "engine/certificate/match_bounds_json.h"
#include "engine/check/match_bounds.h"
#include "engine/problem/system_text.h"
#include "engine/processors/loop_search.h"
#include "engine/processors/match_bounds.h"

using namespace tessivar::engine;
using processors::find_match_bound_automaton;
using processors::MatchBoundLimits;
using processors::MatchBoundResult;
using Transition = MatchBoundAutomaton::Transition;

namespace {

std::vector<NamedRule> rules_of(const std::string& text) { return read_system_text("(RULES " + text + ")"); }

std::vector<NamedRule> reversed_rules(std::vector<NamedRule> rules) {
  for (NamedRule& r : rules) {
    std::reverse(r.lhs.begin(), r.lhs.end());
    std::reverse(r.rhs.begin(), r.rhs.end());
  }
  return rules;
}

encodings::StopCondition within(double seconds) {
  encodings::StopCondition s;
  s.deadline = encodings::Clock::now() +
               std::chrono::duration_cast<encodings::Clock::duration>(std::chrono::duration<double>(seconds));
  return s;
}

MatchBoundResult search(const std::vector<NamedRule>& rules, MatchBoundLimits limits = {}, double seconds = 5) {
  return find_match_bound_automaton(problem_of(rules), limits, within(seconds));
}

std::string check_failure(const std::vector<NamedRule>& rules, const MatchBoundAutomaton& a) {
  try {
    check_match_bounds(rules, a);
  } catch (const CheckFailure& e) {
    return e.what();
  }
  return "";
}

// For a b -> b b a: the start word b b a $ on 0 4 3 2 1, and a path from 3
// and from 5 to 1 reading b b a $ at height 1 for the extension rule
// a $ -> b b a $ (every a is read into 2, which reads only $ into 1).
MatchBoundAutomaton bba_automaton() {
  MatchBoundAutomaton a;
  a.states = 7;
  a.initial = {0};
  a.final = {1};
  a.transitions = {{0, "b", 0, 4}, {4, "b", 0, 3}, {3, "a", 0, 2}, {2, std::nullopt, 0, 1},
                   {3, "b", 1, 6}, {6, "b", 1, 5}, {5, "a", 1, 2}, {5, "b", 1, 6}};
  return a;
}

std::string sample_text(const std::string& name) {
  std::ifstream in(std::string(TESSIVAR_SAMPLE_DIR) + "/" + name);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

TEST(MatchBoundsCheck, HandWrittenAutomatonHolds) {
  EXPECT_EQ(check_failure(rules_of("a b -> b b a"), bba_automaton()), "");
  EXPECT_EQ(match_bound_of(bba_automaton()), 1u);
}

TEST(MatchBoundsCheck, EveryTransitionOfTheHandWrittenAutomatonIsNeeded) {
  auto rules = rules_of("a b -> b b a");
  for (size_t i = 0; i < bba_automaton().transitions.size(); ++i) {
    MatchBoundAutomaton a = bba_automaton();
    a.transitions.erase(a.transitions.begin() + static_cast<std::ptrdiff_t>(i));
    EXPECT_NE(check_failure(rules, a), "") << "without transition " << i;
  }
}

TEST(MatchBoundsCheck, RefusesTamperedAutomata) {
  auto rules = rules_of("a b -> b b a");
  MatchBoundAutomaton lowered = bba_automaton();
  lowered.transitions[4].height = 0;  // 3 --b/0--> 6: the extension rule's b b a $ at height 1 is gone
  EXPECT_NE(check_failure(rules, lowered).find("height 1"), std::string::npos) << check_failure(rules, lowered);

  MatchBoundAutomaton end_high = bba_automaton();
  end_high.transitions[3].height = 1;
  EXPECT_NE(check_failure(rules, end_high).find("end marker at height 1"), std::string::npos);

  MatchBoundAutomaton start_high = bba_automaton();
  start_high.transitions[0].height = 1;  // the start word is no longer read at height 0
  EXPECT_NE(check_failure(rules, start_high).find("does not accept"), std::string::npos);

  MatchBoundAutomaton not_final = bba_automaton();
  not_final.final = {2};
  EXPECT_NE(check_failure(rules, not_final), "");

  MatchBoundAutomaton out_of_range = bba_automaton();
  out_of_range.transitions.push_back({7, "a", 0, 0});
  EXPECT_NE(check_failure(rules, out_of_range).find("names state 7"), std::string::npos);
  MatchBoundAutomaton initial_out = bba_automaton();
  initial_out.initial = {9};
  EXPECT_NE(check_failure(rules, initial_out).find("names state 9"), std::string::npos);

  MatchBoundAutomaton unknown = bba_automaton();
  unknown.transitions.push_back({0, "c", 0, 0});
  EXPECT_NE(check_failure(rules, unknown).find("not a symbol of the rules"), std::string::npos);

  // A left side read from 0: a/0 then b/0 leads from 0 to 3, and b b a at
  // height 1 must then lead from 0 to 3 too.
  MatchBoundAutomaton redex = bba_automaton();
  redex.transitions.push_back({0, "a", 0, 0});
  redex.transitions.push_back({0, "b", 0, 3});
  EXPECT_NE(check_failure(rules, redex).find("rule 0 (a b -> b b a)"), std::string::npos);
}

TEST(MatchBoundsCheck, RefusesAnEmptyLeftSide) {
  MatchBoundAutomaton a;
  a.states = 1;
  a.initial = a.final = {0};
  EXPECT_NE(check_failure(rules_of("-> a"), a).find("empty left side"), std::string::npos);
}

TEST(MatchBoundsCheck, EmptyRightSidesNeedTheTransitionsIntoTheirStart) {
  // a b -> (empty): reading a b from 0 to 2 needs 2 to take every
  // transition into 0 and to be initial as 0 is.
  auto rules = rules_of("a b ->");
  MatchBoundAutomaton a;
  a.states = 3;
  a.initial = {0, 2};
  a.final = {2};
  a.transitions = {{0, std::nullopt, 0, 2}, {0, "a", 0, 1}, {1, "b", 0, 2}};
  EXPECT_EQ(check_failure(rules, a), "");
  a.initial = {0};  // "a b $" is accepted, its rewrite "$" not
  EXPECT_NE(check_failure(rules, a), "");
  a.initial = {0, 2};
  a.transitions.push_back({1, "a", 0, 0});  // a a b $ is accepted, a $ would not be
  EXPECT_NE(check_failure(rules, a).find("lacks a transition"), std::string::npos);
  a.transitions.push_back({1, "a", 0, 2});
  EXPECT_NE(check_failure(rules, a).find("extension rule a $ -> $"), std::string::npos);  // a a $ -> a $
  a.transitions.push_back({1, std::nullopt, 0, 2});
  EXPECT_EQ(check_failure(rules, a), "");
}

TEST(MatchBoundsSearch, ProvesSmallTerminatingSystems) {
  struct Case {
    const char* rules;
    uint32_t bound;  // 0: not followed by hand
  };
  for (const Case& c : {Case{"a b -> b b a", 1}, Case{"a b -> b a", 1}, Case{"a a b -> b a a", 0},
                        Case{"a a b b -> b b b a a a", 0}, Case{"a b -> , b a -> a b", 0},
                        Case{"a b -> c, c -> b", 0}}) {
    auto rules = rules_of(c.rules);
    MatchBoundResult r = search(rules);
    ASSERT_TRUE(r.automaton) << c.rules << ": " << r.why_not;
    EXPECT_EQ(check_failure(rules, *r.automaton), "") << c.rules;
    if (c.bound) {
      EXPECT_EQ(match_bound_of(*r.automaton), c.bound) << c.rules;
    }
    EXPECT_EQ(r.states, r.automaton->states);
    EXPECT_EQ(r.transitions, r.automaton->transitions.size());
  }
}

TEST(MatchBoundsSearch, RefusesProblemsOutsideTheMethod) {
  Problem relative = problem_of(rules_of("a b -> b a"));
  relative.weak.push_back(relative.strict[0]);
  EXPECT_FALSE(find_match_bound_automaton(relative, {}, within(1)).automaton);
  Problem top = problem_of(rules_of("a b -> b a"));
  top.top = true;
  EXPECT_FALSE(find_match_bound_automaton(top, {}, within(1)).automaton);
  MatchBoundResult empty_left = search(rules_of("-> a, a b -> b"));
  EXPECT_FALSE(empty_left.automaton);
  EXPECT_NE(empty_left.why_not.find("empty left side"), std::string::npos);
}

TEST(MatchBoundsSearch, StopsAtItsLimits) {
  auto looping = rules_of("a b -> b a b");
  MatchBoundLimits low;
  low.max_height = 2;
  MatchBoundResult r = search(looping, low);
  EXPECT_FALSE(r.automaton);
  EXPECT_TRUE(r.height_exceeded);
  EXPECT_LE(r.height, 2u);
  MatchBoundLimits small;
  small.max_height = 1000;
  small.max_states = 50;
  r = search(looping, small);
  EXPECT_FALSE(r.automaton);
  EXPECT_LE(r.states, 50u);
  small.max_states = 1u << 30;
  small.max_obligations = 100;
  r = search(looping, small);
  EXPECT_FALSE(r.automaton);
  EXPECT_NE(r.why_not.find("more than 100 obligations"), std::string::npos) << r.why_not;
  small.max_obligations = 1u << 30;
  small.max_transitions = 1u << 30;
  auto started = encodings::Clock::now();
  r = search(looping, small, 0.3);
  EXPECT_FALSE(r.automaton);
  EXPECT_LT(std::chrono::duration<double>(encodings::Clock::now() - started).count(), 3.0);
}

// Systems that loop (the loop search shows it) never get an automaton,
// either way round, with generous limits.
TEST(MatchBoundsSearch, NoAutomatonForLoopingSystems) {
  std::vector<std::vector<NamedRule>> systems = {
      rules_of("a b -> b a b"), rules_of("a b -> b b a a b"), rules_of("a b -> c, c -> b a b"),
      rules_of("a a -> a b a, b a b -> a a"), rules_of("a b -> b a, b a -> a b")};
  for (const char* name : {"Zantema_06/loop1.srs", "Zantema_04/z042.srs", "Gebhardt_06/03.srs"})
    systems.push_back(read_system_text(sample_text(name)));
  MatchBoundLimits generous;
  generous.max_height = 12;
  for (const auto& rules : systems) {
    LoopSearchOptions options;
    options.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    auto loop = find_loop(problem_of(rules), options);
    ASSERT_TRUE(loop) << write_system_text(rules);
    EXPECT_FALSE(search(rules, generous, 0.5).automaton) << write_system_text(rules);
    EXPECT_FALSE(search(reversed_rules(rules), generous, 0.5).automaton) << write_system_text(rules);
  }
}

// Random small systems: whenever the search proves one, the loop search
// must find no loop on it.
TEST(MatchBoundsSearch, RandomSystemsItProvesHaveNoLoop) {
  std::mt19937 rng(20261208);
  auto word = [&](size_t min, size_t max) {
    NamedWord w;
    size_t n = min + rng() % (max - min + 1);
    for (size_t i = 0; i < n; ++i) w.push_back(rng() % 2 ? "a" : "b");
    return w;
  };
  MatchBoundLimits limits;
  limits.max_states = 1000;
  int proved = 0;
  for (int i = 0; i < 300; ++i) {
    std::vector<NamedRule> rules;
    size_t n = 1 + rng() % 2;
    for (size_t k = 0; k < n; ++k) rules.push_back({word(1, 3), word(0, 4)});
    MatchBoundResult r = search(rules, limits, 0.1);
    if (!r.automaton) continue;
    ++proved;
    ASSERT_EQ(check_failure(rules, *r.automaton), "") << write_system_text(rules);
    LoopSearchOptions options;
    options.deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(30);
    EXPECT_FALSE(find_loop(problem_of(rules), options)) << write_system_text(rules);
  }
  EXPECT_GT(proved, 30);  // the property is tested on enough proofs
}

TEST(MatchBoundsJson, RoundTripAndPrint) {
  MatchBoundAutomaton a = bba_automaton();
  nlohmann::json j = nlohmann::json::parse(match_bounds_automaton_json(a).dump());
  EXPECT_EQ(read_match_bounds_automaton(j, "proof.automaton"), a);
  EXPECT_EQ(j["transitions"][3], nlohmann::json::parse("[2, null, 0, 1]"));

  std::ostringstream out;
  print_match_bounds(out, a);
  EXPECT_NE(out.str().find("Match bound 1"), std::string::npos);
  EXPECT_NE(out.str().find("7 states and 8 transitions"), std::string::npos);
  EXPECT_NE(out.str().find("2 --$/0--> 1"), std::string::npos);
  std::ostringstream few;
  print_match_bounds(few, a, 5);
  EXPECT_EQ(few.str().find("-->"), std::string::npos);
}

TEST(MatchBoundsJson, RefusesMalformedAutomata) {
  auto error = [](const std::string& text) {
    try {
      read_match_bounds_automaton(nlohmann::json::parse(text), "proof.automaton");
    } catch (const CertificateFormatError& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  const std::string ok = R"({"states": 2, "initial": [0], "final": [1], "transitions": [[0, "a", 0, 1]]})";
  EXPECT_EQ(error(ok), "");
  EXPECT_NE(error(R"({"states": 2, "initial": [0], "final": [1], "transitions": [[0, "a", -1, 1]]})")
                .find("proof.automaton.transitions[0][2]: expected a natural number, found a negative one"),
            std::string::npos);
  EXPECT_NE(error(R"({"states": 2, "initial": [0.5], "final": [1], "transitions": []})").find("initial[0]"),
            std::string::npos);
  EXPECT_NE(error(R"({"states": 2, "initial": [0], "final": [1], "transitions": [[0, 7, 0, 1]]})")
                .find("transitions[0][1]: expected a symbol name or null"),
            std::string::npos);
  EXPECT_NE(error(R"({"states": 2, "initial": [0], "final": [1], "transitions": [[0, "a", 0]]})")
                .find("transitions[0]: a transition is a list"),
            std::string::npos);
  EXPECT_NE(error(R"({"states": 2, "initial": [0], "final": [1], "transitions": [], "bound": 1})")
                .find("unknown key \"bound\""),
            std::string::npos);
  EXPECT_NE(error(R"({"states": 2, "initial": [0], "transitions": []})").find("\"final\" is missing"),
            std::string::npos);
  EXPECT_NE(error(R"({"states": 2, "initial": [0], "final": [1], "transitions": [[0, "a", 4294967296, 1]]})")
                .find("too large"),
            std::string::npos);
}

// Semantic labelling by tiles: the least covering T and its labelled rules,
// the independent check of a tiling (tampered tilings are refused), and the
// JSON payload of the step.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <set>

#include "engine/certificate/tiling.h"
#include "engine/certificate/tiling_json.h"
#include "engine/check/tiling.h"
#include "engine/problem/system_text.h"
#include "engine/processors/tiling.h"

using namespace tessivar::engine;
using processors::tile_problem;
using processors::TilingLimits;
using processors::TilingResult;

namespace {

std::vector<NamedRule> rules_of(const std::string& text) { return read_system_text("(RULES " + text + ")"); }

// "< a b" as a tile.
NamedTile tile(const std::string& text) {
  NamedTile t;
  size_t from = 0;
  while (from < text.size()) {
    size_t end = text.find(' ', from);
    if (end == std::string::npos) end = text.size();
    std::string s = text.substr(from, end - from);
    t.push_back(s == "<" ? TileLetter::left_border() : s == ">" ? TileLetter::right_border() : TileLetter::symbol(s));
    from = end + 1;
  }
  return t;
}

TilingResult tiled(const std::vector<NamedRule>& rules, int width, const TilingLimits& limits = {}) {
  return tile_problem(problem_of(rules), width, limits, encodings::StopCondition{});
}

Tiling tiling_of(const std::vector<NamedRule>& rules, int width) {
  TilingResult r = tiled(rules, width);
  EXPECT_TRUE(r.applies()) << r.refusal;
  return r.applies() ? *r.tiling : Tiling{};
}

std::set<std::string> tile_texts(const Tiling& t) {
  std::set<std::string> out;
  for (const LabelledTile& lt : t.tiles) out.insert(tile_text(lt.tile));
  return out;
}

Tiling without(Tiling t, const std::string& gone) {
  auto it = std::find_if(t.tiles.begin(), t.tiles.end(), [&](const LabelledTile& lt) { return tile_text(lt.tile) == gone; });
  EXPECT_NE(it, t.tiles.end()) << gone;
  if (it != t.tiles.end()) t.tiles.erase(it);
  return t;
}

std::string check_failure(const std::vector<NamedRule>& rules, const Tiling& t) {
  try {
    check_tiling(rules, t);
  } catch (const CheckFailure& e) {
    return e.what();
  }
  return "";
}

// Every word over `symbols` of length at most `n`.
void for_words(const std::vector<std::string>& symbols, size_t n, const std::function<void(const NamedWord&)>& f) {
  NamedWord w;
  std::function<void()> go = [&] {
    f(w);
    if (w.size() == n) return;
    for (const std::string& s : symbols) {
      w.push_back(s);
      go();
      w.pop_back();
    }
  };
  go();
}

// The labels of w by T: the name of the tile ending at each position of
// the padded word, or nullopt if some tile of the padded word is not in T.
std::optional<NamedWord> labelled_word(const Tiling& t, const NamedWord& w) {
  std::map<NamedTile, std::optional<std::string>> names;
  for (const LabelledTile& lt : t.tiles) names[lt.tile] = lt.label;
  const size_t k = static_cast<size_t>(t.width);
  NamedTile padded(k - 1, TileLetter::left_border());
  for (const std::string& s : w) padded.push_back(TileLetter::symbol(s));
  padded.insert(padded.end(), k - 1, TileLetter::right_border());
  NamedWord out;
  for (size_t end = k; end <= padded.size(); ++end) {
    NamedTile window(padded.begin() + static_cast<long>(end - k), padded.begin() + static_cast<long>(end));
    auto it = names.find(window);
    if (it == names.end()) return std::nullopt;
    if (it->second) out.push_back(*it->second);
  }
  return out;
}

bool one_step(const std::vector<NamedRule>& rules, const NamedWord& from, const NamedWord& to) {
  for (const NamedRule& r : rules)
    for (size_t at = 0; at + r.lhs.size() <= from.size(); ++at) {
      if (!std::equal(r.lhs.begin(), r.lhs.end(), from.begin() + static_cast<long>(at))) continue;
      NamedWord w(from.begin(), from.begin() + static_cast<long>(at));
      w.insert(w.end(), r.rhs.begin(), r.rhs.end());
      w.insert(w.end(), from.begin() + static_cast<long>(at + r.lhs.size()), from.end());
      if (w == to) return true;
    }
  return false;
}

}  // namespace

// ---------------------------------------------------------------- the fixpoint

TEST(TilingFixpoint, SwapAtWidthTwoByHand) {
  // The closure of a b -> b a is b^n a: no word in it has a factor a b.
  // (a) gives < b, b a, a >; (c) on the prefix a of "a b" in "b a" gives b b.
  Tiling t = tiling_of(rules_of("a b -> b a"), 2);
  EXPECT_EQ(tile_texts(t), (std::set<std::string>{"< b", "b a", "a >", "b b"}));
  EXPECT_TRUE(tiled(rules_of("a b -> b a"), 2).labelled.strict.empty());
}

TEST(TilingFixpoint, TileNamesAreReadableAndDistinct) {
  TilingResult r = tiled(rules_of("a a b -> b a a"), 3);
  ASSERT_TRUE(r.applies()) << r.refusal;
  std::set<std::string> names;
  for (const LabelledTile& lt : r.tiling->tiles)
    if (lt.label) {
      EXPECT_NO_THROW(check_symbol_name(*lt.label));
      EXPECT_TRUE(names.insert(*lt.label).second) << *lt.label;
    }
  EXPECT_TRUE(names.count("b[<<]")) << "the right side starts with b after two left borders";
  // Longer names get a separator, and R_T reads back from the text format.
  TilingResult longer = tiled(rules_of("aa aa bb -> bb aa aa"), 2);
  ASSERT_TRUE(longer.applies()) << longer.refusal;
  EXPECT_TRUE(longer.labelled.alphabet->contains("bb[<]"));
  std::vector<NamedRule> named;
  for (const Rule& rule : longer.labelled.strict) named.push_back(longer.labelled.named(rule));
  EXPECT_EQ(read_system_text(write_system_text(named)), named);
}

TEST(TilingFixpoint, RefusesWhatItCannotTile) {
  Problem weak = problem_of(rules_of("a b -> b a"));
  weak.weak.push_back(weak.strict[0]);
  EXPECT_EQ(tile_problem(weak, 2, {}, {}).refusal, "weak rules");
  Problem top = problem_of(rules_of("a b -> b a"));
  top.top = true;
  EXPECT_EQ(tile_problem(top, 2, {}, {}).refusal, "top mode");
  EXPECT_EQ(tiled(rules_of("-> a, a a -> a"), 2).refusal, "a rule with an empty left side");
  EXPECT_EQ(tiled(rules_of("a b -> b a"), 1).refusal, "a width below 2");
  EXPECT_EQ(tiled(rules_of("a b -> b a"), 2, TilingLimits{3, 100}).refusal, "more than 3 tiles");
  EXPECT_EQ(tiled(rules_of("a a b -> b a a"), 2, TilingLimits{1000, 1}).refusal, "more than 1 labelled rules");
  std::string many;  // 40 symbols: 42 letters to the power 12 pass 2^63
  for (int i = 0; i < 40; ++i) many += (i ? " s" : "s") + std::to_string(i);
  EXPECT_EQ(tiled(rules_of(many + " -> s0"), 12).refusal, "too many symbols for width 12");
  EXPECT_TRUE(tiled(rules_of(many + " -> s0"), 11).applies());
  encodings::StopCondition past;
  past.deadline = encodings::Clock::now() - std::chrono::seconds(1);
  EXPECT_EQ(tile_problem(problem_of(rules_of("a a b -> b a a")), 3, {}, past).refusal, "stopped");
}

// Labelling agrees with rewriting: every rewrite step between words whose
// tiles are all in T stays among such words and is a step of R_T between
// the labelled words.
TEST(TilingFixpoint, EveryRewriteIsALabelledStep) {
  // (a a b -> b a a has no redex in its closure from width 3 on: R_T is empty.)
  size_t steps = 0;
  const std::vector<std::string> systems = {"a a b -> b a a", "a b -> b b a , b a -> a", "a b a -> b a a b",
                                            "a b -> c , c c -> a b a , b -> ", "a -> b c , b c b -> a a"};
  for (const std::string& text : systems)
    for (int k : {2, 3, 4}) {
      SCOPED_TRACE(text + " width " + std::to_string(k));
      std::vector<NamedRule> rules = rules_of(text);
      TilingResult r = tiled(rules, k);
      ASSERT_TRUE(r.applies()) << r.refusal;
      std::vector<NamedRule> labelled;
      for (const Rule& rule : r.labelled.strict) labelled.push_back(r.labelled.named(rule));
      std::vector<std::string> symbols;
      for (Symbol s : problem_of(rules).symbols()) symbols.push_back(problem_of(rules).alphabet->name(s));
      for_words(symbols, 8, [&](const NamedWord& w) {
        std::optional<NamedWord> lw = labelled_word(*r.tiling, w);
        if (!lw) return;
        for (const NamedRule& rule : rules)
          for (size_t at = 0; at + rule.lhs.size() <= w.size(); ++at) {
            if (!std::equal(rule.lhs.begin(), rule.lhs.end(), w.begin() + static_cast<long>(at))) continue;
            NamedWord v(w.begin(), w.begin() + static_cast<long>(at));
            v.insert(v.end(), rule.rhs.begin(), rule.rhs.end());
            v.insert(v.end(), w.begin() + static_cast<long>(at + rule.lhs.size()), w.end());
            std::optional<NamedWord> lv = labelled_word(*r.tiling, v);
            ASSERT_TRUE(lv) << to_text(w) << " => " << to_text(v) << " leaves T";
            ASSERT_TRUE(one_step(labelled, *lw, *lv)) << to_text(*lw) << " => " << to_text(*lv) << " is no step of R_T";
            ++steps;
          }
      });
      // Every right side is covered, so the closure is not empty.
      for (const NamedRule& rule : rules) EXPECT_TRUE(labelled_word(*r.tiling, rule.rhs)) << to_text(rule.rhs);
    }
  EXPECT_GT(steps, 1000u);
}

// ---------------------------------------------------------------- the check

TEST(TilingCheck, RefusesATileMissingFromARewrite) {
  // Left sides of length 1 have no proper prefix, so every tile beyond the
  // right sides' comes from a rewrite: "< a" and "a a" allow a -> c in
  // "< a a" and "a a a", which needs "c a".
  std::vector<NamedRule> rules = rules_of("a -> c , b -> a a");
  Tiling t = tiling_of(rules, 2);
  ASSERT_TRUE(tile_texts(t).count("c a"));
  EXPECT_EQ(check_failure(rules, t), "");
  std::string why = check_failure(rules, without(t, "c a"));
  EXPECT_NE(why.find("not closed under rewriting"), std::string::npos) << why;
  EXPECT_NE(why.find("[c a]"), std::string::npos) << why;
}

TEST(TilingCheck, RefusesATileMissingFromAPrefix) {
  // "b b" comes only from the prefix a of "a b" standing at the end of "b a".
  std::vector<NamedRule> rules = rules_of("a b -> b a");
  Tiling t = tiling_of(rules, 2);
  EXPECT_EQ(check_failure(rules, t), "");
  std::string why = check_failure(rules, without(t, "b b"));
  EXPECT_NE(why.find("not closed under the prefixes of left sides"), std::string::npos) << why;
  why = check_failure(rules, without(t, "a >"));
  EXPECT_NE(why.find("of the right side"), std::string::npos) << why;
}

// T is the least closed set, so no tile of it can go.
TEST(TilingCheck, EveryTileOfTheLeastSetIsNeeded) {
  for (std::string text : {"a a b -> b a a", "a b -> b b a , b a -> a", "a b -> c , c c -> a b a , b -> "})
    for (int k : {2, 3}) {
      std::vector<NamedRule> rules = rules_of(text);
      Tiling t = tiling_of(rules, k);
      for (const LabelledTile& lt : t.tiles)
        EXPECT_NE(check_failure(rules, without(t, tile_text(lt.tile))), "")
            << text << " width " << k << " without [" << tile_text(lt.tile) << "]";
    }
}

TEST(TilingCheck, ComputesTheLabelledRulesItself) {
  // a a b -> b a a at width 2: the right side gives < b, b a, a a, a >;
  // the prefix a (or a a) at the end after a or b gives a b and b b. Then
  // a a b stands after a or b and before a or b: four labelled rules, named
  // by whatever names T gives.
  std::vector<NamedRule> rules = rules_of("a a b -> b a a");
  Tiling t;
  t.width = 2;
  auto add = [&](const std::string& text, std::optional<std::string> name) { t.tiles.push_back({tile(text), name}); };
  add("< b", "B0");
  add("b a", "Ab");
  add("a a", "Aa");
  add("a >", std::nullopt);
  add("a b", "Ba");
  add("b b", "Bb");
  std::vector<NamedRule> got = check_tiling(rules, t);
  std::set<std::pair<std::string, std::string>> as_text;
  for (const NamedRule& r : got) as_text.insert({to_text(r.lhs), to_text(r.rhs)});
  EXPECT_EQ(as_text, (std::set<std::pair<std::string, std::string>>{
                         {"Ab Aa Ba Ab", "Bb Ab Aa Aa"},  // after b, then a
                         {"Ab Aa Ba Bb", "Bb Ab Aa Ba"},  // after b, then b
                         {"Aa Aa Ba Ab", "Ba Ab Aa Aa"},  // after a, then a
                         {"Aa Aa Ba Bb", "Ba Ab Aa Ba"}}));
}

TEST(TilingCheck, RefusesMalformedTilings) {
  std::vector<NamedRule> rules = rules_of("a b -> b a");
  Tiling good = tiling_of(rules, 2);
  auto with = [&](const std::function<void(Tiling&)>& f) {
    Tiling t = good;
    f(t);
    return check_failure(rules, t);
  };
  auto expect = [](const std::string& why, const std::string& part) {
    EXPECT_NE(why.find(part), std::string::npos) << "\"" << why << "\" lacks \"" << part << "\"";
  };
  expect(with([](Tiling& t) { t.width = 1; }), "at least 2");
  expect(with([](Tiling& t) { t.tiles.push_back({tile("b b a"), "x"}); }), "has 3 letters");
  expect(with([](Tiling& t) { t.tiles.push_back({tile("> b"), "x"}); }), "border between symbols");
  expect(with([](Tiling& t) { t.tiles.push_back({tile("< <"), "x"}); }), "borders of one kind");
  expect(with([](Tiling& t) { t.tiles.push_back({tile("b c"), "x"}); }), "no symbol of the rules");
  expect(with([](Tiling& t) { t.tiles.push_back({tile("a a"), std::nullopt}); }), "has no name");
  expect(with([](Tiling& t) { t.tiles.push_back({tile("b >"), "x"}); }), "has a name");
  expect(with([](Tiling& t) { t.tiles.push_back({tile("a a"), *t.tiles[0].label}); }), "of another tile");
  expect(with([](Tiling& t) { t.tiles.push_back({tile("a a"), "x y"}); }), "white space");
  expect(with([](Tiling& t) { t.tiles.push_back(t.tiles[0]); t.tiles.back().label = "x"; }), "occurs twice");
  expect(check_failure(rules_of("a b -> b a , -> a"), good), "empty left side");
  // A tile of the empty word (borders only) is well formed.
  expect(with([](Tiling& t) { t.tiles.push_back({tile("< >"), std::nullopt}); }), "");
}

// ---------------------------------------------------------------- JSON

TEST(TilingJson, RoundTrip) {
  Tiling t = tiling_of(rules_of("a b -> c , c c -> a b a , b -> "), 3);
  nlohmann::ordered_json j = tiling_json(t);
  EXPECT_EQ(j.begin().key(), "width");
  j["step"] = "tiling";
  j["next"] = {{"step", "empty"}};
  nlohmann::json parsed = nlohmann::json::parse(j.dump());
  EXPECT_EQ(read_tiling(parsed, "proof"), t);
  // Borders are 0 and 1, and a tile at the right end has no name.
  nlohmann::json small = nlohmann::json::parse(tiling_json(tiling_of(rules_of("a b -> b a"), 2)).dump());
  EXPECT_NE(std::find(small["tiles"].begin(), small["tiles"].end(), nlohmann::json::parse(R"([["a", 1], null])")),
            small["tiles"].end())
      << small.dump();
}

TEST(TilingJson, RefusesBadPayloads) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {R"({"width": "2", "tiles": []})", "proof.width: expected a natural number"},
      {R"({"width": -2, "tiles": []})", "proof.width: expected a natural number, found a negative one"},
      {R"({"width": 2.5, "tiles": []})", "proof.width"},
      {R"({"tiles": []})", "the key \"width\" is missing"},
      {R"({"width": 2, "tiles": [], "names": []})", "unknown key \"names\""},
      {R"({"width": 2, "tiles": {}})", "proof.tiles: expected a list"},
      {R"({"width": 2, "tiles": [[["a", "b"]]]})", "proof.tiles[0]: a tile is a list [letters, name]"},
      {R"({"width": 2, "tiles": [["a b", "x"]]})", "proof.tiles[0][0]: expected a list of letters"},
      {R"({"width": 2, "tiles": [[[0, 2], null]]})", "proof.tiles[0][0][1]: a border is 0 (left) or 1 (right)"},
      {R"({"width": 2, "tiles": [[[0, -1], null]]})", "proof.tiles[0][0][1]: a border is 0"},
      {R"({"width": 2, "tiles": [[[0, {}], null]]})", "proof.tiles[0][0][1]: expected a symbol name or a border"},
      {R"({"width": 2, "tiles": [[[0, ""], "x"]]})", "proof.tiles[0][0][1]: a name is empty"},
      {R"({"width": 2, "tiles": [[[0, "a"], "x y"]]})", "proof.tiles[0][1]: the name \"x y\" contains white space"},
      {R"({"width": 2, "tiles": [[[0, "a"], 3]]})", "proof.tiles[0][1]: expected a name"},
      {R"([2])", "proof: expected an object"},
  };
  for (const auto& [text, message] : cases) {
    try {
      read_tiling(nlohmann::json::parse(text), "proof");
      ADD_FAILURE() << text << " was read";
    } catch (const CertificateFormatError& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << text << ": " << e.what();
    }
  }
}

TEST(TilingPrint, ShowsWidthCountsAndLabels) {
  Tiling t = tiling_of(rules_of("a b -> b a"), 2);
  std::ostringstream out;
  print_tiling(out, t, 2, 2);
  std::string text = out.str();
  EXPECT_NE(text.find("width 2: 4 tiles"), std::string::npos) << text;
  EXPECT_NE(text.find("3 labelled symbols, 2 labelled rules."), std::string::npos) << text;
  EXPECT_NE(text.find("b[<]  is b after <"), std::string::npos) << text;
  EXPECT_NE(text.find("[a >]"), std::string::npos) << text;

  // A certificate read without its rules cannot say how many labelled rules
  // there are: the count is left out rather than shown as 0.
  std::ostringstream unknown;
  print_tiling(unknown, t, std::nullopt, 2);
  EXPECT_NE(unknown.str().find("3 labelled symbols.\n"), std::string::npos) << unknown.str();
  EXPECT_EQ(unknown.str().find("labelled rule"), std::string::npos) << unknown.str();
}

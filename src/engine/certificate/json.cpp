// Certificates as JSON, format "tessivar-certificate/1", and back.
//
// The writer keeps the keys in the order a person expects ("format" first,
// "next" last). The reader takes exactly the format: it refuses unknown or
// duplicate keys, unknown step names, values of the wrong type, negative or
// fractional entries and badly spaced words, each with the path of the
// offending value. Whether a step is sound (shapes of matrices, which rules
// exist) is the checker's question, not the reader's.
#include "engine/certificate/json.h"

#include <cctype>
#include <limits>
#include <set>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/certificate/json_reading.h"
#include "engine/certificate/match_bounds_json.h"
#include "engine/certificate/tiling_json.h"

namespace tessivar::engine {

namespace {

using nlohmann::json;
using nlohmann::ordered_json;

constexpr const char* kFormat = "tessivar-certificate/1";
// Deeper texts are refused before the recursive reader could exhaust the stack.
constexpr int kMaxDepth = 10000;

// ---------------------------------------------------------------- writing

ordered_json word_json(const NamedWord& w) { return to_text(w); }

ordered_json rule_json(const NamedRule& r) { return ordered_json::array({word_json(r.lhs), word_json(r.rhs)}); }

ordered_json rules_json(const std::vector<NamedRule>& rules) {
  ordered_json out = ordered_json::array();
  for (const NamedRule& r : rules) out.push_back(rule_json(r));
  return out;
}

ordered_json matrix_json(const Matrix& m) {
  ordered_json rows = ordered_json::array();
  for (const auto& row : m) {
    ordered_json entries = ordered_json::array();
    for (const Entry& e : row) entries.push_back(e ? ordered_json(*e) : ordered_json(nullptr));
    rows.push_back(std::move(entries));
  }
  return rows;
}

ordered_json step_json(const Step& s);

ordered_json node_json(const EmptyStep&) { return ordered_json::object(); }
ordered_json node_json(const ReverseStep&) { return ordered_json::object(); }
ordered_json node_json(const DependencyPairsStep&) { return ordered_json::object(); }

ordered_json node_json(const MatrixStep& m) {
  ordered_json out;
  out["semiring"] = to_string(m.semiring);
  out["dimension"] = m.dimension;
  if (m.strict_entry) out["strict_entry"] = {m.strict_entry->first, m.strict_entry->second};
  ordered_json interpretation = ordered_json::object();
  for (const auto& [name, matrix] : m.interpretation) interpretation[name] = matrix_json(matrix);
  out["interpretation"] = std::move(interpretation);
  out["remove"] = rules_json(m.remove);
  return out;
}

ordered_json node_json(const GraphStep& g) {
  ordered_json components = ordered_json::array();
  for (const GraphComponent& c : g.components) {
    if (!c.next) throw CertificateFormatError("a graph component has no proof");
    ordered_json comp;
    comp["pairs"] = rules_json(c.pairs);
    comp["next"] = step_json(*c.next);
    components.push_back(std::move(comp));
  }
  return {{"components", std::move(components)}};
}

ordered_json node_json(const LoopStep& l) {
  ordered_json steps = ordered_json::array();
  for (const LoopRewrite& r : l.steps) steps.push_back(ordered_json::array({r.position, rule_json(r.rule)}));
  ordered_json out;
  out["start"] = word_json(l.start);
  out["steps"] = std::move(steps);
  return out;
}

ordered_json node_json(const TilingStep& t) { return tiling_json(t.tiling); }

ordered_json node_json(const MatchBoundsStep& m) {
  return {{"automaton", match_bounds_automaton_json(m.automaton)}};
}

// "step" first, then the kind's own keys, then "next".
ordered_json step_json(const Step& s) {
  ordered_json out;
  out["step"] = s.name();
  ordered_json own = std::visit([](const auto& kind) { return node_json(kind); }, s.node);
  for (auto& [key, value] : own.items()) out[key] = std::move(value);
  if (s.has_next()) {
    if (!s.next) throw CertificateFormatError(std::string("a \"") + s.name() + "\" step has no next step");
    out["next"] = step_json(*s.next);
  }
  return out;
}

// ---------------------------------------------------------------- reading

using json_reading::fail;
using json_reading::wrong_type;

// The object's keys must be among `allowed` and include `required`.
void expect_keys(const json& j, const std::string& where, const std::set<std::string>& required,
                 const std::set<std::string>& optional = {}) {
  if (!j.is_object()) wrong_type(where, j, "an object");
  for (const auto& [key, value] : j.items())
    if (!required.count(key) && !optional.count(key)) fail(where, "unknown key \"" + key + "\"");
  for (const auto& key : required)
    if (!j.contains(key)) fail(where, "the key \"" + key + "\" is missing");
}

const std::string& get_string(const json& j, const std::string& where) {
  if (!j.is_string()) wrong_type(where, j, "a string");
  return j.get_ref<const std::string&>();
}

const json& get_array(const json& j, const std::string& where) {
  if (!j.is_array()) wrong_type(where, j, "a list");
  return j;
}

// A natural number that fits in 63 bits.
int64_t get_natural(const json& j, const std::string& where) {
  if (j.is_number_unsigned()) {
    auto v = j.get<uint64_t>();
    if (v > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) fail(where, "the number is too large");
    return static_cast<int64_t>(v);
  }
  if (j.is_number_integer()) fail(where, "expected a natural number, found a negative one");
  wrong_type(where, j, "a natural number");
}

NamedWord get_word(const json& j, const std::string& where) {
  const std::string& text = get_string(j, where);
  NamedWord w;
  if (text.empty()) return w;
  size_t begin = 0;
  while (true) {
    size_t end = text.find(' ', begin);
    std::string symbol = text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
    if (symbol.empty()) fail(where, "the symbols of a word must be separated by single blanks");
    for (unsigned char ch : symbol)
      if (std::isspace(ch)) fail(where, "a symbol contains white space other than a single blank");
    w.push_back(std::move(symbol));
    if (end == std::string::npos) return w;
    begin = end + 1;
  }
}

NamedRule get_rule(const json& j, const std::string& where) {
  if (!j.is_array() || j.size() != 2) fail(where, "a rule is a list [lhs, rhs]");
  return {get_word(j[0], where + "[0]"), get_word(j[1], where + "[1]")};
}

std::vector<NamedRule> get_rules(const json& j, const std::string& where) {
  std::vector<NamedRule> rules;
  size_t i = 0;
  for (const json& r : get_array(j, where)) rules.push_back(get_rule(r, where + "[" + std::to_string(i++) + "]"));
  return rules;
}

Entry get_entry(const json& j, const std::string& where) {
  if (j.is_null()) return std::nullopt;
  return get_natural(j, where);
}

Matrix get_matrix(const json& j, const std::string& where) {
  Matrix m;
  size_t i = 0;
  for (const json& row : get_array(j, where)) {
    std::string at = where + "[" + std::to_string(i++) + "]";
    std::vector<Entry> entries;
    size_t k = 0;
    for (const json& e : get_array(row, at)) entries.push_back(get_entry(e, at + "[" + std::to_string(k++) + "]"));
    m.push_back(std::move(entries));
  }
  return m;
}

Semiring get_semiring(const json& j, const std::string& where) {
  const std::string& s = get_string(j, where);
  if (s == "natural") return Semiring::Natural;
  if (s == "arctic") return Semiring::Arctic;
  if (s == "tropical") return Semiring::Tropical;
  fail(where, "unknown semiring \"" + s + "\"");
}

StepPtr get_step(const json& j, const std::string& where);

// Each kind's reader checks the keys it knows (the "step" and, for a kind
// with a successor, "next" keys are added by get_step).
using Keys = std::set<std::string>;

void expect_step_keys(const json& j, const std::string& where, bool with_next, Keys required, const Keys& optional = {}) {
  required.insert("step");
  if (with_next) required.insert("next");
  expect_keys(j, where, required, optional);
}

template <typename Kind>
Kind read_node(const json& j, const std::string& where);

template <>
EmptyStep read_node<EmptyStep>(const json& j, const std::string& where) {
  expect_step_keys(j, where, false, {});
  return {};
}

template <>
ReverseStep read_node<ReverseStep>(const json& j, const std::string& where) {
  expect_step_keys(j, where, true, {});
  return {};
}

template <>
DependencyPairsStep read_node<DependencyPairsStep>(const json& j, const std::string& where) {
  expect_step_keys(j, where, true, {});
  return {};
}

template <>
MatrixStep read_node<MatrixStep>(const json& j, const std::string& where) {
  expect_step_keys(j, where, true, {"semiring", "dimension", "interpretation", "remove"}, {"strict_entry"});
  MatrixStep m;
  m.semiring = get_semiring(j["semiring"], where + ".semiring");
  int64_t d = get_natural(j["dimension"], where + ".dimension");
  if (d < 1 || d > std::numeric_limits<int>::max()) fail(where + ".dimension", "the dimension must be at least 1");
  m.dimension = static_cast<int>(d);
  if (j.contains("strict_entry")) {
    std::string at = where + ".strict_entry";
    const json& e = j["strict_entry"];
    if (!e.is_array() || e.size() != 2) fail(at, "expected a list [p, q]");
    int64_t p = get_natural(e[0], at + "[0]"), q = get_natural(e[1], at + "[1]");
    if (p < 1 || q < 1 || p > d || q > d) fail(at, "p and q must lie between 1 and the dimension");
    if (m.semiring != Semiring::Natural) fail(at, "only a natural interpretation has a strict entry");
    m.strict_entry = {static_cast<int>(p), static_cast<int>(q)};
  }
  const json& interpretation = j["interpretation"];
  if (!interpretation.is_object()) wrong_type(where + ".interpretation", interpretation, "an object");
  for (const auto& [name, matrix] : interpretation.items())
    m.interpretation[name] = get_matrix(matrix, where + ".interpretation." + name);
  m.remove = get_rules(j["remove"], where + ".remove");
  return m;
}

template <>
GraphStep read_node<GraphStep>(const json& j, const std::string& where) {
  expect_step_keys(j, where, false, {"components"});
  GraphStep g;
  size_t i = 0;
  for (const json& c : get_array(j["components"], where + ".components")) {
    std::string at = where + ".components[" + std::to_string(i++) + "]";
    expect_keys(c, at, {"pairs", "next"});
    GraphComponent comp;
    comp.pairs = get_rules(c["pairs"], at + ".pairs");
    comp.next = get_step(c["next"], at + ".next");
    g.components.push_back(std::move(comp));
  }
  return g;
}

template <>
LoopStep read_node<LoopStep>(const json& j, const std::string& where) {
  expect_step_keys(j, where, false, {"start", "steps"});
  LoopStep loop;
  loop.start = get_word(j["start"], where + ".start");
  size_t i = 0;
  for (const json& s : get_array(j["steps"], where + ".steps")) {
    std::string at = where + ".steps[" + std::to_string(i++) + "]";
    if (!s.is_array() || s.size() != 2) fail(at, "a loop step is a list [position, [lhs, rhs]]");
    LoopRewrite r;
    r.position = static_cast<size_t>(get_natural(s[0], at + "[0]"));
    r.rule = get_rule(s[1], at + "[1]");
    loop.steps.push_back(std::move(r));
  }
  return loop;
}

template <>
TilingStep read_node<TilingStep>(const json& j, const std::string& where) {
  expect_step_keys(j, where, true, {"width", "tiles"});
  return TilingStep{read_tiling(j, where)};
}

template <>
MatchBoundsStep read_node<MatchBoundsStep>(const json& j, const std::string& where) {
  expect_step_keys(j, where, false, {"automaton"});
  return MatchBoundsStep{read_match_bounds_automaton(j["automaton"], where + ".automaton")};
}

template <typename Kind>
bool read_if_named(const std::string& name, const json& j, const std::string& where, StepPtr* out) {
  if (name != Kind::kName) return false;
  Kind node = read_node<Kind>(j, where);
  StepPtr next;
  if constexpr (has_successor<Kind>) next = get_step(j["next"], where + ".next");
  *out = Step::make(std::move(node), std::move(next));
  return true;
}

// Tries the reader of every kind of StepNode in turn.
template <typename... Kinds>
StepPtr read_named(std::variant<Kinds...>*, const std::string& name, const json& j, const std::string& where) {
  StepPtr out;
  if (!(read_if_named<Kinds>(name, j, where, &out) || ...)) fail(where + ".step", "unknown step \"" + name + "\"");
  return out;
}

StepPtr get_step(const json& j, const std::string& where) {
  if (!j.is_object()) wrong_type(where, j, "a proof step (an object)");
  if (!j.contains("step")) fail(where, "the key \"step\" is missing");
  const std::string& name = get_string(j["step"], where + ".step");
  return read_named(static_cast<StepNode*>(nullptr), name, j, where);
}

// Parses JSON, refusing duplicate keys (which a plain parse would silently
// resolve to the last) and nesting too deep to read safely.
json parse_strictly(const std::string& text) {
  std::vector<std::set<std::string>> keys;
  auto callback = [&keys](int depth, json::parse_event_t event, json& parsed) {
    if (depth > kMaxDepth) throw CertificateFormatError("the certificate is nested too deeply");
    switch (event) {
      case json::parse_event_t::object_start:
        keys.emplace_back();
        break;
      case json::parse_event_t::object_end:
        keys.pop_back();
        break;
      case json::parse_event_t::key: {
        const auto& key = parsed.get_ref<const std::string&>();
        if (!keys.back().insert(key).second)
          throw CertificateFormatError("the key \"" + key + "\" occurs twice in one object");
        break;
      }
      default:
        break;
    }
    return true;
  };
  try {
    return json::parse(text, callback);
  } catch (const json::exception& e) {
    throw CertificateFormatError(std::string("not valid JSON: ") + e.what());
  }
}

}  // namespace

std::string write_certificate_json(const Certificate& c) {
  if (!c.proof) throw CertificateFormatError("the certificate has no proof");
  ordered_json out;
  out["format"] = kFormat;
  out["input"] = {{"rules", rules_json(c.input)}};
  out["answer"] = to_string(c.answer);
  out["proof"] = step_json(*c.proof);
  try {
    return out.dump() + "\n";
  } catch (const ordered_json::exception& e) {
    throw CertificateFormatError(std::string("cannot write the certificate: ") + e.what());
  }
}

Certificate read_certificate_json(const std::string& text) {
  json j = parse_strictly(text);
  expect_keys(j, "certificate", {"format", "input", "answer", "proof"});
  if (get_string(j["format"], "format") != kFormat)
    fail("format", std::string("expected \"") + kFormat + "\"");
  Certificate c;
  expect_keys(j["input"], "input", {"rules"});
  c.input = get_rules(j["input"]["rules"], "input.rules");
  const std::string& answer = get_string(j["answer"], "answer");
  if (answer == "YES")
    c.answer = Answer::Yes;
  else if (answer == "NO")
    c.answer = Answer::No;
  else
    fail("answer", "expected \"YES\" or \"NO\"");
  c.proof = get_step(j["proof"], "proof");
  return c;
}

}  // namespace tessivar::engine

#include "input/problem.h"

#include <sys/stat.h>

#include <strings.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <pugixml.hpp>
#include <sstream>
#include <vector>

#include "engine/problem/system_text.h"

using tessivar::engine::NamedRule;

namespace {

std::string Trimmed(const std::string& s) {
  const char* blanks = " \t\r\n";
  size_t b = s.find_first_not_of(blanks);
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(blanks) - b + 1);
}

std::string TextOf(const pugi::xml_node& n) { return Trimmed(n.text().get()); }

void CheckName(const std::string& name, const std::string& path = "") {
  try {
    tessivar::engine::check_symbol_name(name);
  } catch (const tessivar::engine::InputError& e) {
    throw ProblemError((path.empty() ? "" : path + ": ") + e.what());
  }
}

// One side of a string rule: a tower of unary applications around one
// variable, outermost symbol first. Walked in a loop, since towers are tall.
std::vector<std::string> ReadSide(const pugi::xml_node& side, const std::string& where,
                                  std::string& var) {
  std::vector<std::string> names;
  pugi::xml_node t = side.first_child();
  while (t && t.type() != pugi::node_element) t = t.next_sibling();
  while (true) {
    if (!t) throw ProblemError(where + ": a term ends without a variable");
    std::string kind = t.name();
    if (kind == "var") {
      var = TextOf(t);
      return names;
    }
    if (kind != "funapp")
      throw ProblemError(where + ": unexpected element <" + kind + "> in a term");
    std::string name = TextOf(t.child("name"));
    CheckName(name);
    pugi::xml_node arg;
    int args = 0;
    for (pugi::xml_node a : t.children("arg")) {
      args++;
      arg = a;
    }
    if (args != 1)
      throw ProblemError(where + ": symbol \"" + name + "\" is applied to " + std::to_string(args) +
                         " arguments; a string rewriting system has only unary symbols");
    names.push_back(name);
    t = arg.first_child();
    while (t && t.type() != pugi::node_element) t = t.next_sibling();
  }
}

}  // namespace

std::vector<NamedRule> XmlRules(const std::string& path) {
  pugi::xml_document doc;
  pugi::xml_parse_result r = doc.load_file(path.c_str());
  if (r.status == pugi::status_file_not_found || r.status == pugi::status_io_error)
    throw UnreadableProblem("cannot read " + path);
  if (!r)
    throw ProblemError(path + " is not well-formed XML: " + r.description() + " at byte " +
                       std::to_string(r.offset));
  pugi::xml_node problem = doc.child("problem");
  if (!problem) throw ProblemError(path + " has no <problem> element");
  std::string type = problem.attribute("type").value();
  if (!type.empty() && type != "termination")
    throw ProblemError("a problem of type " + type + ": only termination is answered");
  pugi::xml_node strategy = problem.child("strategy");
  if (strategy && TextOf(strategy) != "FULL")
    throw ProblemError("strategy " + TextOf(strategy) + ": only FULL rewriting is supported");
  if (problem.child("startterm")) throw ProblemError("start terms are not supported");
  pugi::xml_node trs = problem.child("trs");
  if (!trs) throw ProblemError(path + " has no <trs> element: not a rewriting problem");
  for (pugi::xml_node n : trs.children()) {
    std::string s = n.name();
    if (n.type() == pugi::node_element && s != "rules" && s != "signature" && s != "comment")
      throw ProblemError("unsupported element <" + s + "> in <trs>");
  }

  for (pugi::xml_node f : trs.child("signature").children()) {
    if (f.type() != pugi::node_element) continue;
    if (std::string(f.name()) != "funcsym")
      throw ProblemError("unsupported element <" + std::string(f.name()) + "> in <signature>");
    std::string ar = TextOf(f.child("arity"));
    if (ar != "1")
      throw ProblemError("symbol \"" + TextOf(f.child("name")) + "\" has arity " + ar +
                         "; a string rewriting system has only unary symbols");
  }

  pugi::xml_node rules = trs.child("rules");
  if (!rules) throw ProblemError(path + " has no <rules> element");
  std::vector<NamedRule> out;
  int number = 0;
  std::vector<pugi::xml_node> rule_nodes;
  for (pugi::xml_node n : rules.children()) {
    if (n.type() != pugi::node_element) continue;
    std::string s = n.name();
    if (s == "relrules")
      throw ProblemError("relative rules (<relrules>): only plain rewriting is supported");
    if (s != "rule") throw ProblemError("unsupported element <" + s + "> in <rules>");
    rule_nodes.push_back(n);
  }
  for (pugi::xml_node n : rule_nodes) {
    number++;
    std::string where = "rule " + std::to_string(number);
    for (pugi::xml_node d : n.children()) {
      std::string s = d.name();
      if (d.type() != pugi::node_element || s == "lhs" || s == "rhs") continue;
      if (s == "conditions") throw ProblemError(where + ": conditional rules are not supported");
      throw ProblemError(where + ": unsupported element <" + s + ">");
    }
    if (!n.child("lhs") || !n.child("rhs")) throw ProblemError(where + ": a side is missing");
    std::string left_var, right_var;
    std::vector<std::string> l = ReadSide(n.child("lhs"), where, left_var);
    std::vector<std::string> rr = ReadSide(n.child("rhs"), where, right_var);
    if (left_var != right_var)
      throw ProblemError(where + ": the sides end in different variables \"" + left_var +
                         "\" and \"" + right_var + "\"; not a string rule");
    out.push_back(NamedRule{l, rr});
  }
  return out;
}

std::string XmlToSrs(const std::string& path) {
  return tessivar::engine::write_system_text(XmlRules(path));
}

bool IsXml(const std::string& path, const std::string& content) {
  if (path.size() >= 4 && strcasecmp(path.c_str() + path.size() - 4, ".xml") == 0) return true;
  size_t b = content.find_first_not_of(" \t\r\n");
  return b != std::string::npos && content[b] == '<';
}

std::vector<NamedRule> ReadProblem(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0)
    throw UnreadableProblem("cannot read " + path + ": " + std::strerror(errno));
  if (S_ISDIR(st.st_mode))
    throw ProblemError(path + " is a folder, not a problem (tessivar-batch runs folders)");
  std::ifstream f(path, std::ios::binary);
  if (!f) throw UnreadableProblem("cannot read " + path + ": " + std::strerror(errno));
  std::stringstream s;
  s << f.rdbuf();
  if (f.bad()) throw UnreadableProblem("cannot read " + path);
  std::string content = s.str();
  if (content.find_first_not_of(" \t\r\n") == std::string::npos)
    throw ProblemError(path + " is empty: a system is \"(RULES l -> r , ... )\"");
  // XML may begin with a byte-order mark; the text format may not.
  bool mark = content.compare(0, 3, "\xef\xbb\xbf") == 0;
  if (IsXml(path, mark ? content.substr(3) : content)) return XmlRules(path);
  if (mark)
    throw ProblemError(path + " begins with a byte-order mark (\xef\xbb\xbf); the text format wants "
                       "plain text without one");
  std::vector<NamedRule> rules;
  try {
    rules = tessivar::engine::read_system_text(content);
  } catch (const tessivar::engine::InputError& e) {
    throw ProblemError(path + ": " + e.what());
  }
  // The reader lets control bytes other than blanks into names, which the
  // normalised text handed to the provers must not hold.
  for (const NamedRule& r : rules)
    for (const std::vector<std::string>* side : {&r.lhs, &r.rhs})
      for (const std::string& name : *side) CheckName(name, path);
  return rules;
}

#include "run/probleem.h"

#include <pugixml.hpp>
#include <strings.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

std::string Bijgesneden(const std::string& s) {
  const char* wit = " \t\r\n";
  size_t b = s.find_first_not_of(wit);
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(wit) - b + 1);
}

std::string Tekst(const pugi::xml_node& n) { return Bijgesneden(n.text().get()); }

// A name must survive the prover's reader: it ends names at a blank, ")",
// "," and "-", and joins lines, so no byte of those or any control byte.
void Keurnaam(const std::string& naam) {
  if (naam.empty()) throw Probleemfout("a symbol has an empty name");
  for (unsigned char c : naam) {
    std::string waarom;
    if (c == ' ')
      waarom = "a blank";
    else if (c < ' ' || c == 127)
      waarom = "a control character";
    else if (c == ')' || c == ',' || c == '-')
      waarom = std::string("\"") + char(c) + "\"";
    if (!waarom.empty())
      throw Probleemfout("symbol name \"" + naam + "\" contains " + waarom +
                         ", which the prover's text format cannot hold");
  }
  // The prover keeps 255 bytes of a name: two longer names could merge.
  if (naam.size() > Maxnaam)
    throw Probleemfout("symbol name \"" + naam.substr(0, 20) + "...\" is longer than " +
                       std::to_string(Maxnaam) + " bytes");
}

// One side of a string rule: a tower of unary applications around one
// variable, outermost symbol first. Walked in a loop, since towers are tall.
std::vector<std::string> Zijde(const pugi::xml_node& kant, const std::string& waar,
                               std::string& var) {
  std::vector<std::string> namen;
  pugi::xml_node t = kant.first_child();
  while (t && t.type() != pugi::node_element) t = t.next_sibling();
  while (true) {
    if (!t) throw Probleemfout(waar + ": a term ends without a variable");
    std::string soort = t.name();
    if (soort == "var") {
      var = Tekst(t);
      return namen;
    }
    if (soort != "funapp")
      throw Probleemfout(waar + ": unexpected element <" + soort + "> in a term");
    std::string naam = Tekst(t.child("name"));
    Keurnaam(naam);
    pugi::xml_node arg;
    int args = 0;
    for (pugi::xml_node a : t.children("arg")) {
      args++;
      arg = a;
    }
    if (args != 1)
      throw Probleemfout(waar + ": symbol \"" + naam + "\" is applied to " + std::to_string(args) +
                         " arguments; a string rewriting system has only unary symbols");
    namen.push_back(naam);
    t = arg.first_child();
    while (t && t.type() != pugi::node_element) t = t.next_sibling();
  }
}

}  // namespace

std::string Xmlnaarsrs(const std::string& pad) {
  pugi::xml_document doc;
  pugi::xml_parse_result r = doc.load_file(pad.c_str());
  if (r.status == pugi::status_file_not_found || r.status == pugi::status_io_error)
    throw Probleemfout("cannot read " + pad);
  if (!r)
    throw Probleemfout(pad + " is not well-formed XML: " + r.description() + " at byte " +
                       std::to_string(r.offset));
  pugi::xml_node prob = doc.child("problem");
  if (!prob) throw Probleemfout(pad + " has no <problem> element");
  pugi::xml_node strat = prob.child("strategy");
  if (strat && Tekst(strat) != "FULL")
    throw Probleemfout("strategy " + Tekst(strat) + ": only FULL rewriting is supported");
  if (prob.child("startterm")) throw Probleemfout("start terms are not supported");
  pugi::xml_node trs = prob.child("trs");
  if (!trs) throw Probleemfout(pad + " has no <trs> element: not a rewriting problem");
  for (pugi::xml_node n : trs.children()) {
    std::string s = n.name();
    if (n.type() == pugi::node_element && s != "rules" && s != "signature" && s != "comment")
      throw Probleemfout("unsupported element <" + s + "> in <trs>");
  }

  for (pugi::xml_node f : trs.child("signature").children()) {
    if (f.type() != pugi::node_element) continue;
    if (std::string(f.name()) != "funcsym")
      throw Probleemfout("unsupported element <" + std::string(f.name()) + "> in <signature>");
    std::string ar = Tekst(f.child("arity"));
    if (ar != "1")
      throw Probleemfout("symbol \"" + Tekst(f.child("name")) + "\" has arity " + ar +
                         "; a string rewriting system has only unary symbols");
  }

  pugi::xml_node regels = trs.child("rules");
  if (!regels) throw Probleemfout(pad + " has no <rules> element");
  std::string uit = "(RULES\n";
  int nr = 0;
  std::vector<pugi::xml_node> lijst;
  for (pugi::xml_node n : regels.children()) {
    if (n.type() != pugi::node_element) continue;
    std::string s = n.name();
    if (s == "relrules")
      throw Probleemfout("relative rules (<relrules>): only plain rewriting is supported");
    if (s != "rule") throw Probleemfout("unsupported element <" + s + "> in <rules>");
    lijst.push_back(n);
  }
  for (pugi::xml_node n : lijst) {
    nr++;
    std::string waar = "rule " + std::to_string(nr);
    for (pugi::xml_node d : n.children()) {
      std::string s = d.name();
      if (d.type() != pugi::node_element || s == "lhs" || s == "rhs") continue;
      if (s == "conditions") throw Probleemfout(waar + ": conditional rules are not supported");
      throw Probleemfout(waar + ": unsupported element <" + s + ">");
    }
    if (!n.child("lhs") || !n.child("rhs")) throw Probleemfout(waar + ": a side is missing");
    std::string vl, vr;
    std::vector<std::string> l = Zijde(n.child("lhs"), waar, vl);
    std::vector<std::string> rr = Zijde(n.child("rhs"), waar, vr);
    if (vl != vr)
      throw Probleemfout(waar + ": the sides end in different variables \"" + vl + "\" and \"" +
                         vr + "\"; not a string rule");
    for (const std::string& s : l) uit += s + " ";
    uit += "-> ";
    for (const std::string& s : rr) uit += s + " ";
    uit += nr < static_cast<int>(lijst.size()) ? ",\n" : ")\n";
  }
  if (lijst.empty()) uit += ")\n";
  return uit;
}

bool Isxml(const std::string& pad, const std::string& inhoud) {
  if (pad.size() >= 4 && strcasecmp(pad.c_str() + pad.size() - 4, ".xml") == 0) return true;
  size_t b = inhoud.find_first_not_of(" \t\r\n");
  return b != std::string::npos && inhoud[b] == '<';
}

std::string Leesprobleem(const std::string& pad) {
  std::ifstream f(pad, std::ios::binary);
  if (!f) throw Probleemfout("cannot read " + pad + ": " + std::strerror(errno));
  std::stringstream s;
  s << f.rdbuf();
  if (f.bad()) throw Probleemfout("cannot read " + pad);
  std::string inhoud = s.str();
  if (Isxml(pad, inhoud)) return Xmlnaarsrs(pad);
  return inhoud;
}

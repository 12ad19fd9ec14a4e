// The proof as a person reads it.
//
// The printer follows the proof's state (strict rules, weak rules, top
// mode) step by step so it can say what each step leaves. Small systems are
// shown in full after every step; large ones by their counts, with the
// rules each step removes always listed. Matrices are laid out a row a line
// with aligned columns. The printer trusts nothing: a step that does not
// fit its state (the proof was not checked) is shown as it stands.
#include "engine/certificate/print.h"

#include <algorithm>
#include <sstream>

namespace tessivar::engine {

namespace {

// Systems with at most this many rules are shown in full after each step.
constexpr size_t kShowRules = 24;
// Loops whose words stay this short are shown word by word.
constexpr size_t kShowWordLength = 120;
constexpr size_t kShowLoopSteps = 200;

// Tilings and automata with more lines than this are shown by their first
// lines and a count.
constexpr size_t kShowLines = 60;

struct PrintState {
  std::vector<NamedRule> strict, weak;
  bool top = false;
  bool known = true;  // false after a tiling whose labelled rules were not given
};

std::string rule_text(const NamedRule& r) {
  std::string l = to_text(r.lhs), rhs = to_text(r.rhs);
  return (l.empty() ? "(empty)" : l) + " -> " + (rhs.empty() ? "(empty)" : rhs);
}

std::string pad(int indent) { return std::string(static_cast<size_t>(indent), ' '); }

void print_rules(std::ostream& out, const std::vector<NamedRule>& rules, int indent) {
  for (const NamedRule& r : rules) out << pad(indent) << rule_text(r) << "\n";
}

// "2 strict rules, 1 weak rule" (pairs in top mode), then the rules if few.
void print_left(std::ostream& out, const PrintState& s, int indent) {
  if (!s.known) return;
  const char* strict_name = s.top ? "pair" : "strict rule";
  out << pad(indent) << "Left: " << s.strict.size() << " " << strict_name << (s.strict.size() == 1 ? "" : "s");
  out << ", " << s.weak.size() << " weak rule" << (s.weak.size() == 1 ? "" : "s");
  if (s.strict.size() + s.weak.size() > kShowRules || s.strict.size() + s.weak.size() == 0) {
    out << ".\n";
    return;
  }
  out << ":\n";
  print_rules(out, s.strict, indent + 2);
  for (const NamedRule& r : s.weak) out << pad(indent + 2) << rule_text(r) << "   (weak)\n";
}

std::string entry_text(const Entry& e, Semiring s) {
  if (e) return std::to_string(*e);
  return s == Semiring::Arctic ? "-inf" : s == Semiring::Tropical ? "+inf" : "?";
}

void print_matrix(std::ostream& out, const std::string& name, const Matrix& m, Semiring s, int indent) {
  std::vector<size_t> width;
  for (const auto& row : m)
    for (size_t j = 0; j < row.size(); ++j) {
      if (width.size() <= j) width.push_back(0);
      width[j] = std::max(width[j], entry_text(row[j], s).size());
    }
  std::string head = pad(indent) + name + " = ";
  std::string blank(head.size(), ' ');
  if (m.empty()) out << head << "[ ]\n";
  for (size_t i = 0; i < m.size(); ++i) {
    out << (i == 0 ? head : blank) << "[";
    for (size_t j = 0; j < m[i].size(); ++j) {
      std::string t = entry_text(m[i][j], s);
      out << " " << std::string(width[j] - t.size(), ' ') << t;
    }
    out << " ]\n";
  }
}

void remove_rules(std::vector<NamedRule>& rules, const std::vector<NamedRule>& gone) {
  rules.erase(std::remove_if(rules.begin(), rules.end(),
                             [&](const NamedRule& r) { return std::find(gone.begin(), gone.end(), r) != gone.end(); }),
              rules.end());
}

// The pairs as the format defines them, for display only.
std::vector<NamedRule> pairs_for_display(const std::vector<NamedRule>& rules) {
  std::vector<std::string> defined;
  for (const NamedRule& r : rules)
    if (!r.lhs.empty()) defined.push_back(r.lhs[0]);
  std::vector<NamedRule> pairs;
  for (const NamedRule& r : rules) {
    if (r.lhs.empty()) continue;
    for (size_t i = 0; i < r.rhs.size(); ++i) {
      if (std::find(defined.begin(), defined.end(), r.rhs[i]) == defined.end()) continue;
      NamedRule p{r.lhs, NamedWord(r.rhs.begin() + static_cast<long>(i), r.rhs.end())};
      p.lhs[0] += "#";
      p.rhs[0] += "#";
      if (std::find(pairs.begin(), pairs.end(), p) == pairs.end()) pairs.push_back(std::move(p));
    }
  }
  return pairs;
}

void print_chain(std::ostream& out, PrintState s, const Step* step, const std::string& label, int indent,
                 const PrintContext& context);

void print_matrix_step(std::ostream& out, PrintState& s, const MatrixStep& m, int indent) {
  out << "Matrix interpretation over the ";
  switch (m.semiring) {
    case Semiring::Natural: {
      auto [p, q] = m.strict_entry.value_or(std::make_pair(1, m.dimension));
      out << "natural numbers, dimension " << m.dimension;
      if (s.top)
        out << ", strict decrease in the last entry of the row";
      else
        out << ", strict decrease in entry (" << p << "," << q << ")";
      break;
    }
    case Semiring::Arctic:
      out << "arctic semiring (max, +), dimension " << m.dimension;
      break;
    case Semiring::Tropical:
      out << "tropical semiring (min, +), dimension " << m.dimension;
      break;
  }
  out << (s.top ? "; marked symbols get rows, a pair side is its row times the rest:\n" : ":\n");
  size_t width = 0;
  for (const auto& [name, matrix] : m.interpretation) width = std::max(width, name.size());
  for (const auto& [name, matrix] : m.interpretation)
    print_matrix(out, name + std::string(width - name.size(), ' '), matrix, m.semiring, indent + 2);
  out << pad(indent) << "Strictly decreasing, so removed (" << m.remove.size() << "):\n";
  print_rules(out, m.remove, indent + 2);
  out << pad(indent) << "Every other rule decreases weakly.\n";
  remove_rules(s.strict, m.remove);
  remove_rules(s.weak, m.remove);
  print_left(out, s, indent);
}

void print_dependency_pairs(std::ostream& out, PrintState& s, int indent) {
  std::vector<NamedRule> pairs = pairs_for_display(s.strict);
  out << "Dependency pairs: " << pairs.size() << " pair" << (pairs.size() == 1 ? "" : "s")
      << "; the rules become weak and pairs are rewritten at the top only.\n";
  s.weak = std::move(s.strict);
  s.strict = std::move(pairs);
  s.top = true;
  if (s.strict.size() <= kShowRules) print_rules(out, s.strict, indent + 2);
}

void print_graph(std::ostream& out, const PrintState& s, const GraphStep& step, const std::string& label, int indent,
                 const PrintContext& context) {
  size_t kept = 0;
  for (const GraphComponent& c : step.components) kept += c.pairs.size();
  out << "Dependency graph by head symbols: " << step.components.size() << " component"
      << (step.components.size() == 1 ? "" : "s") << " with cycles; " << (s.strict.size() - std::min(kept, s.strict.size()))
      << " pair(s) on no cycle dropped.\n";
  for (size_t i = 0; i < step.components.size(); ++i) {
    const GraphComponent& c = step.components[i];
    std::string sub = label + "." + std::to_string(i + 1);
    out << pad(indent) << "Component " << sub << " (" << c.pairs.size() << " pair" << (c.pairs.size() == 1 ? "" : "s")
        << "):\n";
    print_rules(out, c.pairs, indent + 2);
    PrintState part{c.pairs, s.weak, true};
    print_chain(out, std::move(part), c.next.get(), sub, indent + 2, context);
  }
}

// The word with [ ] around its factor of length `n` at `at`.
std::string marked_word(const NamedWord& w, size_t at, size_t n) {
  std::vector<std::string> tokens(w.begin(), w.end());
  if (n == 0) {
    tokens.insert(tokens.begin() + static_cast<long>(at), "[]");
  } else {
    tokens[at] = "[" + tokens[at];
    tokens[at + n - 1] += "]";
  }
  return to_text(tokens);
}

void print_loop(std::ostream& out, const LoopStep& l, int indent) {
  out << "Loop: the start word rewrites to a word that contains it, so there is an infinite rewrite.\n";
  out << pad(indent) << "Start: " << (l.start.empty() ? "(empty)" : to_text(l.start)) << "\n";
  NamedWord w = l.start;
  bool show_words = l.steps.size() <= kShowLoopSteps;
  for (const LoopRewrite& r : l.steps) {
    size_t at = r.position;
    bool fits = at <= w.size() && w.size() - at >= r.rule.lhs.size() &&
                std::equal(r.rule.lhs.begin(), r.rule.lhs.end(), w.begin() + static_cast<long>(at));
    if (!fits) {
      out << pad(indent) << "  the rule " << rule_text(r.rule) << " does not apply at position " << at << "\n";
      return;
    }
    w.erase(w.begin() + static_cast<long>(at), w.begin() + static_cast<long>(at + r.rule.lhs.size()));
    w.insert(w.begin() + static_cast<long>(at), r.rule.rhs.begin(), r.rule.rhs.end());
    show_words = show_words && w.size() <= kShowWordLength;
    out << pad(indent) << "  by " << rule_text(r.rule) << " at position " << at;
    if (show_words) out << ":  " << (w.empty() ? "(empty)" : to_text(w));
    out << "\n";
  }
  auto it = std::search(w.begin(), w.end(), l.start.begin(), l.start.end());
  if (it == w.end() && !l.start.empty()) {
    out << pad(indent) << "Final: " << to_text(w) << "  (does not contain the start word)\n";
    return;
  }
  out << pad(indent) << "Final: " << marked_word(w, static_cast<size_t>(it - w.begin()), l.start.size())
      << "  (the start word in brackets)\n";
}

void print_reverse(std::ostream& out, PrintState& s, int indent) {
  out << "Reverse every rule (a system terminates if and only if its reversal does).\n";
  for (auto* rules : {&s.strict, &s.weak})
    for (NamedRule& r : *rules) {
      std::reverse(r.lhs.begin(), r.lhs.end());
      std::reverse(r.rhs.begin(), r.rhs.end());
    }
  print_left(out, s, indent);
}

// `text` with every line after the first indented, cut after kShowLines
// lines.
void print_block(std::ostream& out, const std::string& text, int indent) {
  std::istringstream lines(text);
  std::string line;
  size_t n = 0, total = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
  while (std::getline(lines, line)) {
    if (n == kShowLines) {
      out << pad(indent) << "... " << (total - n) << " more lines\n";
      return;
    }
    out << (n++ == 0 ? "" : pad(indent)) << line << "\n";
  }
}

void print_tiling_step(std::ostream& out, PrintState& s, const TilingStep& t, int indent, const PrintContext& context) {
  std::vector<NamedRule> labelled;
  bool known = s.known && context.labelled_rules;
  if (known) labelled = context.labelled_rules(s.strict, t.tiling);
  std::ostringstream text;
  print_tiling(text, t.tiling, known ? std::optional<size_t>(labelled.size()) : std::nullopt);
  std::string shown = text.str();
  print_block(out, shown, indent);
  s = PrintState{std::move(labelled), {}, false, known};
  print_left(out, s, indent);
}

void print_match_bounds_step(std::ostream& out, const MatchBoundsStep& m, int indent) {
  std::ostringstream text;
  print_match_bounds(text, m.automaton);
  print_block(out, text.str() + "Every derivation from a right side of a forward closure keeps its heights below the bound, so the system terminates.\n", indent);
}

void print_chain(std::ostream& out, PrintState s, const Step* step, const std::string& label, int indent,
                 const PrintContext& context) {
  for (int n = 1; step; ++n) {
    std::string here = label.empty() ? std::to_string(n) : label + "." + std::to_string(n);
    out << pad(indent) << here << ". ";
    int inner = indent + 3;
    std::visit(Visitor{
                   [&](const EmptyStep&) {
                     out << (s.top ? "No pair is left" : "No strict rule is left")
                         << (s.strict.empty() ? "." : " (but some are).") << "\n";
                   },
                   [&](const ReverseStep&) { print_reverse(out, s, inner); },
                   [&](const MatrixStep& m) { print_matrix_step(out, s, m, inner); },
                   [&](const DependencyPairsStep&) { print_dependency_pairs(out, s, inner); },
                   [&](const GraphStep& g) { print_graph(out, s, g, here, inner, context); },
                   [&](const LoopStep& l) { print_loop(out, l, inner); },
                   [&](const TilingStep& t) { print_tiling_step(out, s, t, inner, context); },
                   [&](const MatchBoundsStep& m) { print_match_bounds_step(out, m, inner); },
               },
               step->node);
    step = step->has_next() ? step->next.get() : nullptr;
  }
}

}  // namespace

void print_proof(std::ostream& out, const Certificate& c, const PrintContext& context) {
  out << "The system has " << c.input.size() << " rule" << (c.input.size() == 1 ? "" : "s");
  if (c.input.size() <= kShowRules) {
    out << ":\n";
    print_rules(out, c.input, 2);
  } else {
    out << ".\n";
  }
  out << (c.answer == Answer::Yes ? "It terminates:\n" : "It does not terminate:\n");
  print_chain(out, PrintState{c.input, {}, false}, c.proof.get(), "", 0, context);
}

}  // namespace tessivar::engine

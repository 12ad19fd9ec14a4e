// SMT-LIB 2 text of a benchmark, for running other solvers on the same
// problem. Printing is iterative, and subterms with more than one parent
// are named once by define-fun, so the text stays linear in the DAG.
#include "smt/backend.h"

namespace tessivar::smt {

namespace {

const char* op_name(Kind k) {
  switch (k) {
    case Kind::Not: return "not";
    case Kind::And: return "and";
    case Kind::Or: return "or";
    case Kind::Implies: return "=>";
    case Kind::Xor: return "xor";
    case Kind::Iff:
    case Kind::Eq: return "=";
    case Kind::Distinct: return "distinct";
    case Kind::Lt: return "<";
    case Kind::Le: return "<=";
    case Kind::Gt: return ">";
    case Kind::Ge: return ">=";
    case Kind::Ite: return "ite";
    case Kind::Add: return "+";
    case Kind::Sub:
    case Kind::Neg: return "-";
    case Kind::Mul: return "*";
    default: return "";
  }
}

class Printer {
 public:
  explicit Printer(const Benchmark& b) : b_(b), t_(b.terms) {
    TermId root = b.problem;
    std::vector<uint32_t> parents(root + 1, 0);
    std::vector<char> needed(root + 1, 0);
    needed[root] = 1;
    for (TermId id = root + 1; id-- > 0;) {
      if (!needed[id]) continue;
      for (uint32_t i = 0; i < t_.node(id).num_args; ++i) {
        TermId a = t_.arg(id, i);
        needed[a] = 1;
        ++parents[a];
      }
    }
    named_.assign(root + 1, 0);
    for (TermId id = 0; id <= root; ++id)
      named_[id] = needed[id] && parents[id] > 1 && !leaf(id);
  }

  std::string run() {
    std::string out = "(set-logic ALL)\n";
    for (const Symbol& s : b_.symbols) {
      out += "(declare-fun |" + s.name + "| (";
      for (size_t i = 0; i < s.arg_sorts.size(); ++i) out += i ? " Int" : "Int";
      out += s.result == Sort::Bool ? ") Bool)\n" : ") Int)\n";
    }
    for (TermId id = 0; id < named_.size(); ++id) {
      if (!named_[id]) continue;
      out += "(define-fun t" + std::to_string(id) + " () ";
      out += t_.sort(id) == Sort::Bool ? "Bool " : "Int ";
      print(id, out, true);
      out += ")\n";
    }
    TermId root = b_.problem;
    if (t_.kind(root) == Kind::And && !named_[root]) {
      for (uint32_t i = 0; i < t_.node(root).num_args; ++i) assert_(t_.arg(root, i), out);
    } else {
      assert_(root, out);
    }
    out += "(check-sat)\n";
    return out;
  }

 private:
  bool leaf(TermId id) const {
    return t_.node(id).num_args == 0 || t_.is_ground_app(id);
  }
  void assert_(TermId id, std::string& out) {
    out += "(assert ";
    print(id, out, false);
    out += ")\n";
  }

  // Prints the term; a named subterm stands for itself by name, except the
  // top one when its definition is being printed.
  void print(TermId top, std::string& out, bool expand_top) {
    struct Item { TermId id; uint32_t next; };
    std::vector<Item> stack{{top, 0}};
    while (!stack.empty()) {
      Item& it = stack.back();
      const Node& n = t_.node(it.id);
      if (it.next == 0) {
        bool expand = it.id == top ? expand_top || !named_[it.id] : !named_[it.id];
        if (!expand) {
          out += "t" + std::to_string(it.id);
          stack.pop_back();
          continue;
        }
        if (n.kind == Kind::True || n.kind == Kind::False || n.kind == Kind::Num ||
            (n.kind == Kind::App && n.num_args == 0) ||
            ((n.kind == Kind::And || n.kind == Kind::Or) && n.num_args == 0)) {
          if (n.kind == Kind::Num) out += std::to_string(n.value);
          else if (n.kind == Kind::App) out += "|" + b_.symbols[n.symbol].name + "|";
          else out += n.kind == Kind::True || n.kind == Kind::And ? "true" : "false";
          stack.pop_back();
          continue;
        }
        out += '(';
        out += n.kind == Kind::App ? "|" + b_.symbols[n.symbol].name + "|" : op_name(n.kind);
      }
      if (it.next < n.num_args) {
        out += ' ';
        TermId child = t_.arg(it.id, it.next++);
        stack.push_back({child, 0});  // invalidates it
        continue;
      }
      out += ')';
      stack.pop_back();
    }
  }

  const Benchmark& b_;
  const TermTable& t_;
  std::vector<char> named_;
};

}  // namespace

std::string to_smt2(const Benchmark& b) { return Printer(b).run(); }

}  // namespace tessivar::smt

// Formula representation of tessivar-smt, shared by the parser, the model
// checker and every solver back end.
//
// A benchmark is held as a hash-consed DAG: every distinct term or formula is
// stored once in a TermTable and named by a TermId. Children are always
// created before their parents, so TermIds are a topological order of the
// DAG: a back end can translate or evaluate a formula by one loop over
// increasing ids, without recursion. let and flet are resolved by the parser
// (a bound variable stands for the node of its definition), so no variable
// nodes exist.
//
// Everything here is plain data plus a few functions; nothing depends on a
// solver library.
#pragma once

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tessivar::smt {

using TermId = uint32_t;
using SymbolId = uint32_t;
// Exact integers of the evaluator and of models. Numerals of the input must
// fit 64 bits; intermediate values use 128 bits with overflow checks.
using Int = __int128;

enum class Sort : uint8_t { Bool, Int };

enum class Kind : uint8_t {
  // Leaves.
  True,      // Bool
  False,     // Bool
  Num,       // Int, value in Node::value (a non-negative numeral of the input)
  // Application of a declared symbol (Node::symbol) to its arguments.
  // Declared constants and 0-ary predicates are applications with no
  // arguments. Sort is the symbol's result sort.
  App,
  // Boolean connectives, all of sort Bool and Bool arguments.
  Not,       // 1 argument
  And,       // n >= 0 arguments (0: true)
  Or,        // n >= 0 arguments (0: false)
  Implies,   // 2 arguments: a -> b
  Xor,       // n >= 2, left-associative
  Iff,       // n >= 2, chained: a <=> b <=> c means (a<=>b) and (b<=>c)
  // if-then-else, 3 arguments (condition, then, else); sort of the branches.
  // Covers both if_then_else on formulas and ite on terms.
  Ite,
  // Atoms, sort Bool. Eq and Distinct take arguments of one sort (Int or
  // Bool); the comparisons take Int arguments.
  Eq,        // n >= 2, chained: all equal
  Distinct,  // n >= 2, pairwise different
  Lt, Le, Gt, Ge,  // n >= 2, chained: a < b < c
  // Integer arithmetic, sort Int, Int arguments.
  Add,       // n >= 2
  Sub,       // n >= 2, left-associative: a - b - c
  Mul,       // n >= 2 (linear when at most one argument is not a numeral)
  Neg,       // 1 argument: ~a and unary -a
};

// One node of the DAG. Arguments are stored in TermTable::args_ from
// first_arg on.
struct Node {
  Kind kind;
  Sort sort;
  uint32_t num_args = 0;
  uint32_t first_arg = 0;
  SymbolId symbol = 0;  // App only
  int64_t value = 0;    // Num only
};

// A declared function (result Int), predicate (result Bool) or constant.
struct Symbol {
  std::string name;
  std::vector<Sort> arg_sorts;
  Sort result;
  bool is_predicate() const { return result == Sort::Bool; }
};

// The hash-consing store. make() returns the existing id for a node that is
// equal in kind, sort, symbol, value and argument list.
class TermTable {
 public:
  TermTable();
  TermId make(Kind kind, Sort sort, const TermId* args, uint32_t num_args,
              SymbolId symbol = 0, int64_t value = 0);
  TermId make(Kind kind, Sort sort, const std::vector<TermId>& args,
              SymbolId symbol = 0) {
    return make(kind, sort, args.data(), static_cast<uint32_t>(args.size()),
                symbol);
  }
  TermId num(int64_t value);
  TermId mk_true() const { return true_id_; }
  TermId mk_false() const { return false_id_; }

  size_t size() const { return nodes_.size(); }
  const Node& node(TermId t) const { return nodes_[t]; }
  const TermId* args(TermId t) const { return args_.data() + nodes_[t].first_arg; }
  TermId arg(TermId t, uint32_t i) const { return args_[nodes_[t].first_arg + i]; }
  Kind kind(TermId t) const { return nodes_[t].kind; }
  Sort sort(TermId t) const { return nodes_[t].sort; }

  // True for an App whose arguments are all numerals (constants included):
  // such an application is a plain integer or Boolean unknown.
  bool is_ground_app(TermId t) const;

 private:
  uint64_t hash_of(Kind, Sort, const TermId*, uint32_t, SymbolId, int64_t) const;
  void grow();
  std::vector<Node> nodes_;
  std::vector<TermId> args_;
  // Open addressing: high 32 bits of the hash, low 32 bits id + 1; 0 = empty.
  std::vector<uint64_t> slots_;
  static constexpr int64_t kSmallNums = 1 << 16;
  std::vector<uint32_t> small_nums_;  // numeral value -> id + 1, 0 = not yet
  TermId true_id_, false_id_;
};

// A parsed benchmark. The problem to decide is the conjunction of the
// assumptions and the formula.
struct Benchmark {
  std::string name;
  std::string logic;
  std::string status;            // "sat", "unsat", "unknown" or empty
  std::vector<Symbol> symbols;   // in order of declaration
  TermTable terms;
  std::vector<TermId> assumptions;
  TermId formula = 0;            // and of every :formula (true if none)
  TermId problem = 0;            // and of the assumptions and the formula
};

// Raised for every input that cannot be read: syntax errors, unknown or
// redeclared symbols, wrong sorts or argument counts, unsupported sorts,
// numerals beyond 64 bits, nesting deeper than the parser's limit. what()
// is one line, starting with "line N: " where a position is known.
struct ParseError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Raised by the parser when its deadline passes before the end of the text.
struct DeadlinePassed : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Parses an SMT-LIB 1.2 benchmark. Linear in the size of the text; nesting
// is handled with an explicit stack (limit max_depth open parentheses).
// Past the deadline it stops with DeadlinePassed.
Benchmark parse_benchmark(std::string_view text, size_t max_depth = 1000000,
                          std::chrono::steady_clock::time_point deadline =
                              std::chrono::steady_clock::time_point::max());
// Reads the file and parses it; a file that cannot be read is a ParseError.
Benchmark parse_file(const std::string& path, size_t max_depth = 1000000,
                     std::chrono::steady_clock::time_point deadline =
                         std::chrono::steady_clock::time_point::max());

// ---------------------------------------------------------------------------
// Models and exact evaluation.

// The value of a term: an integer, or a truth value stored as 0 / 1.
struct Value {
  Sort sort = Sort::Int;
  Int v = 0;
  bool as_bool() const { return v != 0; }
  static Value of_bool(bool b) { return {Sort::Bool, b ? 1 : 0}; }
  static Value of_int(Int i) { return {Sort::Int, i}; }
};

// A model is a table: (symbol, argument values) -> value. Ground applications
// (all arguments numerals) are its ordinary entries; uninterpreted functions
// applied to other terms are looked up with their evaluated arguments.
class Model {
 public:
  // Sets the value of symbol applied to args. Returns false (and keeps the
  // old entry) if a different value is already set for the same key.
  bool set(SymbolId symbol, const std::vector<Int>& args, Value value);
  // Sets the value of a ground application term of the table.
  bool set(const TermTable& terms, TermId ground_app, Value value);
  const Value* get(SymbolId symbol, const std::vector<Int>& args) const;

 private:
  struct Key {
    SymbolId symbol;
    std::vector<Int> args;
    bool operator==(const Key& o) const { return symbol == o.symbol && args == o.args; }
  };
  struct KeyHash { size_t operator()(const Key& k) const; };
  std::unordered_map<Key, Value, KeyHash> table_;
};

// Result of evaluating one term: ok with a value, or the reason why not
// (a missing model entry, an integer overflow beyond 128 bits).
struct EvalResult {
  bool ok = false;
  Value value;
  std::string error;
};

// Evaluates term t of the benchmark under the model with exact integers.
// Iterative over the DAG (no recursion), linear in the number of nodes below
// t. A failure inside a branch that ite does not select does not matter.
EvalResult evaluate(const Benchmark& b, TermId t, const Model& m);

// True if the model makes the whole problem true; otherwise false with the
// reason in *why.
bool check_model(const Benchmark& b, const Model& m, std::string* why);

// Text of the model in the answer format: one line per distinct application
// of a declared symbol, in order of first occurrence, each " (= (f 1 2) 5)",
// " (= x -3)" or " (= (p 4) true)". Applications to non-numerals are listed
// with their evaluated arguments; applications the model gives no value for
// (possible only outside the problem, e.g. in an unused let) are left out.
std::string format_model(const Benchmark& b, const Model& m);

// Decimal text of an exact integer.
std::string to_string(Int v);

}  // namespace tessivar::smt

// Tokenizer and parser for SMT-LIB 1.2 benchmarks (QF_UFLIA, QF_LIA and
// their sub-logics). One pass over the text; terms are built bottom-up into
// the hash-consed table as their closing parenthesis is read. Nesting is kept
// on an explicit stack so that deep formulas cannot overflow the C++ stack.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "smt/ast.h"

namespace tessivar::smt {

namespace {

enum class Tok { LParen, RParen, Symbol, Numeral, Attribute, Var, FVar, UserValue, String, End };

struct Token {
  Tok type;
  std::string_view text;
  size_t line;
};

// Operators a "(" can open, and the atoms true / false.
enum class Op : uint8_t {
  Not, And, Or, Implies, Xor, Iff, Ite, Eq, Distinct, Lt, Le, Gt, Ge,
  Add, Sub, Mul, Tilde, True, False, Let, Flet, App
};

struct Entry {
  Op op;
  SymbolId symbol;
};

struct Frame {
  Op op;
  SymbolId symbol;
  size_t base;       // first operand on the operand stack
  size_t line;
  std::string_view var;  // let / flet: the bound variable
  bool in_body;          // let / flet: the definition is read
};

std::string quoted(std::string_view s) {
  std::string r = "'";
  r.append(s.substr(0, 60));
  if (s.size() > 60) r += "...";
  return r + "'";
}

class Parser {
 public:
  Parser(std::string_view text, size_t max_depth, std::chrono::steady_clock::time_point deadline)
      : s_(text), max_depth_(max_depth), deadline_(deadline) {
    const std::pair<const char*, Op> builtins[] = {
        {"not", Op::Not}, {"and", Op::And}, {"or", Op::Or}, {"implies", Op::Implies},
        {"xor", Op::Xor}, {"iff", Op::Iff}, {"if_then_else", Op::Ite}, {"ite", Op::Ite},
        {"=", Op::Eq}, {"distinct", Op::Distinct}, {"<", Op::Lt}, {"<=", Op::Le},
        {">", Op::Gt}, {">=", Op::Ge}, {"+", Op::Add}, {"-", Op::Sub}, {"*", Op::Mul},
        {"~", Op::Tilde}, {"true", Op::True}, {"false", Op::False}, {"let", Op::Let},
        {"flet", Op::Flet}};
    for (auto& [name, op] : builtins) names_.emplace(name, Entry{op, 0});
  }

  Benchmark run() {
    expect(Tok::LParen, "'(benchmark'");
    Token t = next();
    if (t.type != Tok::Symbol || t.text != "benchmark")
      fail(t.line, "expected 'benchmark' after the first '('");
    t = next();
    if (t.type != Tok::Symbol) fail(t.line, "expected the benchmark's name");
    b_.name = std::string(t.text);
    std::vector<TermId> formulas;
    for (;;) {
      t = next();
      if (t.type == Tok::RParen) break;
      if (t.type != Tok::Attribute) fail(t.line, "expected an attribute such as :formula, found " + describe(t));
      std::string_view a = t.text;
      if (a == ":logic") {
        Token v = next();
        if (v.type != Tok::Symbol) fail(v.line, "expected a logic name after :logic");
        b_.logic = std::string(v.text);
      } else if (a == ":extrasorts") {
        expect(Tok::LParen, "'(' after :extrasorts");
        for (Token v = next(); v.type != Tok::RParen; v = next()) {
          if (v.type != Tok::Symbol) fail(v.line, "expected a sort name in :extrasorts");
          sorts_.insert(v.text);
        }
      } else if (a == ":extrafuns") {
        declarations(false);
      } else if (a == ":extrapreds") {
        declarations(true);
      } else if (a == ":assumption" || a == ":formula") {
        size_t line = peek().line;
        TermId f = expr();
        if (b_.terms.sort(f) != Sort::Bool) fail(line, std::string(a) + " needs a formula, not a term");
        (a == ":formula" ? formulas : b_.assumptions).push_back(f);
      } else if (a == ":status") {
        Token v = next();
        if (v.type != Tok::Symbol) fail(v.line, "expected sat, unsat or unknown after :status");
        b_.status = std::string(v.text);
      } else {
        // :notes, :source, :category, user attributes: the value, if any,
        // is skipped.
        Tok p = peek().type;
        if (p == Tok::String || p == Tok::UserValue || p == Tok::Symbol || p == Tok::Numeral) next();
      }
    }
    if (next().type != Tok::End) fail(line_, "text after the end of the benchmark");
    TermTable& tt = b_.terms;
    b_.formula = formulas.size() == 1 ? formulas[0] : tt.make(Kind::And, Sort::Bool, formulas);
    std::vector<TermId> all = b_.assumptions;
    all.push_back(b_.formula);
    b_.problem = all.size() == 1 ? all[0] : tt.make(Kind::And, Sort::Bool, all);
    return std::move(b_);
  }

 private:
  [[noreturn]] void fail(size_t line, const std::string& msg) {
    throw ParseError("line " + std::to_string(line) + ": " + msg);
  }

  static std::string describe(const Token& t) {
    switch (t.type) {
      case Tok::LParen: return "'('";
      case Tok::RParen: return "')'";
      case Tok::End: return "the end of the file";
      case Tok::UserValue: return "a '{' value";
      case Tok::String: return "a string";
      default: return quoted(t.text);
    }
  }

  // --- tokenizer ----------------------------------------------------------

  static bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
  }
  static bool is_delim(char c) {
    return is_space(c) || c == '(' || c == ')' || c == ';' || c == '{' || c == '}' || c == '"';
  }

  Token lex() {
    // A look at the clock every few thousand tokens costs nothing that shows.
    if ((++tokens_ & 4095) == 0 && std::chrono::steady_clock::now() > deadline_)
      throw DeadlinePassed("time limit reached while parsing, at line " + std::to_string(line_));
    for (;;) {
      while (pos_ < s_.size() && is_space(s_[pos_])) {
        if (s_[pos_] == '\n') ++line_;
        ++pos_;
      }
      if (pos_ < s_.size() && s_[pos_] == ';') {
        while (pos_ < s_.size() && s_[pos_] != '\n') ++pos_;
        continue;
      }
      break;
    }
    if (pos_ >= s_.size()) return {Tok::End, {}, line_};
    size_t start = pos_;
    char c = s_[pos_];
    if (c == '(') return ++pos_, Token{Tok::LParen, s_.substr(start, 1), line_};
    if (c == ')') return ++pos_, Token{Tok::RParen, s_.substr(start, 1), line_};
    if (c == '}') fail(line_, "'}' without '{'");
    if (c == '{' || c == '"') {
      size_t line = line_;
      char close = c == '{' ? '}' : '"';
      for (++pos_; pos_ < s_.size() && s_[pos_] != close; ++pos_) {
        if (s_[pos_] == '\\' && pos_ + 1 < s_.size()) ++pos_;
        if (s_[pos_] == '\n') ++line_;
      }
      if (pos_ >= s_.size()) fail(line, std::string("unterminated ") + (c == '{' ? "'{' value" : "string"));
      ++pos_;
      return {c == '{' ? Tok::UserValue : Tok::String, s_.substr(start, pos_ - start), line};
    }
    while (pos_ < s_.size() && !is_delim(s_[pos_])) ++pos_;
    std::string_view w = s_.substr(start, pos_ - start);
    Tok type = Tok::Symbol;
    if (c >= '0' && c <= '9') {
      for (char d : w)
        if (d < '0' || d > '9') fail(line_, "unsupported numeral " + quoted(w) + " (only integers are supported)");
      type = Tok::Numeral;
    } else if (c == ':') {
      type = Tok::Attribute;
    } else if (c == '?') {
      type = Tok::Var;
    } else if (c == '$') {
      type = Tok::FVar;
    }
    return {type, w, line_};
  }

  Token next() {
    if (has_peek_) {
      has_peek_ = false;
      return peek_;
    }
    return lex();
  }
  const Token& peek() {
    if (!has_peek_) {
      peek_ = lex();
      has_peek_ = true;
    }
    return peek_;
  }
  void expect(Tok type, const char* what) {
    Token t = next();
    if (t.type != type) fail(t.line, std::string("expected ") + what + ", found " + describe(t));
  }
  void skip_annotations() {
    while (peek().type == Tok::Attribute) {
      next();
      if (peek().type == Tok::UserValue) next();
    }
  }

  // --- declarations -------------------------------------------------------

  Sort sort_of(const Token& t) {
    if (t.type == Tok::Symbol && t.text == "Int") return Sort::Int;
    if (t.type == Tok::Symbol && (sorts_.count(t.text) || t.text == "Real" || t.text == "Bool" ||
                                  t.text == "Array" || t.text.substr(0, 2) == "BV"))
      fail(t.line, "unsupported sort " + quoted(t.text) + " (only Int is supported)");
    fail(t.line, "unknown sort " + describe(t));
  }

  void declarations(bool preds) {
    expect(Tok::LParen, preds ? "'(' after :extrapreds" : "'(' after :extrafuns");
    for (Token t = next(); t.type != Tok::RParen; t = next()) {
      if (t.type != Tok::LParen) fail(t.line, "expected '(' to open a declaration, found " + describe(t));
      Token name = next();
      if (name.type != Tok::Symbol) fail(name.line, "expected a symbol name to declare, found " + describe(name));
      Symbol sym;
      sym.name = std::string(name.text);
      std::vector<Sort> sorts;
      for (Token s = next(); s.type != Tok::RParen; s = next()) {
        if (s.type == Tok::Attribute) {
          if (peek().type == Tok::UserValue) next();
          continue;
        }
        sorts.push_back(sort_of(s));
      }
      if (preds) {
        sym.result = Sort::Bool;
      } else {
        if (sorts.empty()) fail(name.line, "function " + quoted(name.text) + " has no sort");
        sym.result = sorts.back();
        sorts.pop_back();
      }
      sym.arg_sorts = std::move(sorts);
      if (names_.count(name.text)) fail(name.line, "symbol " + quoted(name.text) + " is declared twice or is predefined");
      names_.emplace(name.text, Entry{Op::App, static_cast<SymbolId>(b_.symbols.size())});
      b_.symbols.push_back(std::move(sym));
    }
  }

  // --- terms and formulas -------------------------------------------------

  TermId atom(const Token& t) {
    TermTable& tt = b_.terms;
    switch (t.type) {
      case Tok::Numeral: {
        int64_t v = 0;
        for (char d : t.text)
          if (__builtin_mul_overflow(v, 10, &v) || __builtin_add_overflow(v, d - '0', &v))
            fail(t.line, "numeral " + quoted(t.text) + " does not fit in 64 bits");
        return tt.num(v);
      }
      case Tok::Var:
      case Tok::FVar: {
        auto it = env_.find(t.text);
        if (it == env_.end() || it->second.empty()) fail(t.line, "unbound variable " + quoted(t.text));
        return it->second.back();
      }
      case Tok::Symbol: {
        auto it = names_.find(t.text);
        if (it == names_.end()) fail(t.line, "unknown symbol " + quoted(t.text));
        const Entry& e = it->second;
        if (e.op == Op::True) return tt.mk_true();
        if (e.op == Op::False) return tt.mk_false();
        if (e.op != Op::App) fail(t.line, quoted(t.text) + " needs arguments");
        const Symbol& sym = b_.symbols[e.symbol];
        if (!sym.arg_sorts.empty())
          fail(t.line, quoted(t.text) + " needs " + std::to_string(sym.arg_sorts.size()) + " arguments");
        return tt.make(Kind::App, sym.result, nullptr, 0, e.symbol);
      }
      default:
        fail(t.line, "expected a term or formula, found " + describe(t));
    }
  }

  // Reads one term or formula.
  TermId expr() {
    const size_t floor = frames_.size();
    for (;;) {
      // Read tokens until a complete value is available.
      Token t = next();
      TermId value;
      if (t.type == Tok::LParen) {
        Token h = next();
        if (h.type != Tok::Symbol) fail(h.line, "expected an operator after '(', found " + describe(h));
        auto it = names_.find(h.text);
        if (it == names_.end()) fail(h.line, "unknown symbol " + quoted(h.text));
        if (frames_.size() >= max_depth_)
          fail(h.line, "nesting deeper than " + std::to_string(max_depth_) + " levels");
        Entry e = it->second;
        if (e.op == Op::True || e.op == Op::False) fail(h.line, quoted(h.text) + " takes no arguments");
        if (e.op == Op::Let || e.op == Op::Flet) {
          expect(Tok::LParen, "'(' after let or flet");
          Token v = next();
          Tok want = e.op == Op::Let ? Tok::Var : Tok::FVar;
          if (v.type != want)
            fail(v.line, std::string("expected a ") + (want == Tok::Var ? "?variable" : "$variable") +
                             " to bind, found " + describe(v));
          frames_.push_back({e.op, 0, operands_.size(), h.line, v.text, false});
          continue;
        }
        frames_.push_back({e.op, e.symbol, operands_.size(), h.line, {}, false});
        if (peek().type != Tok::RParen) continue;
        next();
        value = build(frames_.back());
        frames_.pop_back();
      } else {
        value = atom(t);
      }
      // Hand the value to the open frames, closing every one that ends.
      bool more = false;
      while (frames_.size() > floor && !more) {
        Frame& f = frames_.back();
        if (f.op == Op::Let || f.op == Op::Flet) {
          if (!f.in_body) {
            Sort want = f.op == Op::Let ? Sort::Int : Sort::Bool;
            if (b_.terms.sort(value) != want)
              fail(f.line, f.op == Op::Let ? "let binds a formula; use flet" : "flet binds a term; use let");
            expect(Tok::RParen, "')' after the binding");
            env_[f.var].push_back(value);
            f.in_body = true;
            more = true;
          } else {
            skip_annotations();
            expect(Tok::RParen, "')' to close let or flet");
            env_[f.var].pop_back();
            frames_.pop_back();
          }
          continue;
        }
        operands_.push_back(value);
        skip_annotations();
        if (peek().type != Tok::RParen) {
          more = true;
          continue;
        }
        next();
        value = build(f);
        operands_.resize(f.base);
        frames_.pop_back();
      }
      if (!more) return value;
    }
  }

  // Makes the node of a closed frame from its operands, checking sorts.
  TermId build(const Frame& f) {
    TermTable& tt = b_.terms;
    const TermId* a = operands_.data() + f.base;
    uint32_t n = static_cast<uint32_t>(operands_.size() - f.base);
    auto need = [&](bool ok, const std::string& what) {
      if (!ok) fail(f.line, what);
    };
    auto all = [&](Sort s) {
      for (uint32_t i = 0; i < n; ++i)
        if (tt.sort(a[i]) != s) return false;
      return true;
    };
    auto same = [&]() {
      for (uint32_t i = 1; i < n; ++i)
        if (tt.sort(a[i]) != tt.sort(a[0])) return false;
      return true;
    };
    const char* fmla = "needs formulas as arguments";
    const char* term = "needs integer terms as arguments";
    switch (f.op) {
      case Op::Not:
        need(n == 1 && all(Sort::Bool), "not needs one formula");
        return tt.make(Kind::Not, Sort::Bool, a, n);
      case Op::And:
      case Op::Or:
        need(all(Sort::Bool), std::string(f.op == Op::And ? "and " : "or ") + fmla);
        return tt.make(f.op == Op::And ? Kind::And : Kind::Or, Sort::Bool, a, n);
      case Op::Implies:
        need(n == 2 && all(Sort::Bool), "implies needs two formulas");
        return tt.make(Kind::Implies, Sort::Bool, a, n);
      case Op::Xor:
      case Op::Iff:
        need(n >= 2 && all(Sort::Bool), std::string(f.op == Op::Xor ? "xor" : "iff") + " needs two or more formulas");
        return tt.make(f.op == Op::Xor ? Kind::Xor : Kind::Iff, Sort::Bool, a, n);
      case Op::Ite:
        need(n == 3 && tt.sort(a[0]) == Sort::Bool && tt.sort(a[1]) == tt.sort(a[2]),
             "ite needs a formula and two terms (or formulas) of one sort");
        return tt.make(Kind::Ite, tt.sort(a[1]), a, n);
      case Op::Eq:
      case Op::Distinct:
        need(n >= 2 && same(), std::string(f.op == Op::Eq ? "=" : "distinct") + " needs two or more arguments of one sort");
        return tt.make(f.op == Op::Eq ? Kind::Eq : Kind::Distinct, Sort::Bool, a, n);
      case Op::Lt:
      case Op::Le:
      case Op::Gt:
      case Op::Ge: {
        need(n >= 2 && all(Sort::Int), std::string("comparison ") + term);
        Kind k = f.op == Op::Lt ? Kind::Lt : f.op == Op::Le ? Kind::Le : f.op == Op::Gt ? Kind::Gt : Kind::Ge;
        return tt.make(k, Sort::Bool, a, n);
      }
      case Op::Add:
      case Op::Mul:
        need(n >= 1 && all(Sort::Int), std::string(f.op == Op::Add ? "+ " : "* ") + term);
        if (n == 1) return a[0];
        return tt.make(f.op == Op::Add ? Kind::Add : Kind::Mul, Sort::Int, a, n);
      case Op::Sub:
        need(n >= 1 && all(Sort::Int), std::string("- ") + term);
        return tt.make(n == 1 ? Kind::Neg : Kind::Sub, Sort::Int, a, n);
      case Op::Tilde:
        need(n == 1 && all(Sort::Int), "~ needs one integer term");
        return tt.make(Kind::Neg, Sort::Int, a, n);
      case Op::App: {
        const Symbol& sym = b_.symbols[f.symbol];
        need(n == sym.arg_sorts.size(), sym.name + " needs " + std::to_string(sym.arg_sorts.size()) +
                                            " arguments, not " + std::to_string(n));
        for (uint32_t i = 0; i < n; ++i) need(tt.sort(a[i]) == sym.arg_sorts[i], sym.name + " " + term);
        return tt.make(Kind::App, sym.result, a, n, f.symbol);
      }
      default:
        fail(f.line, "internal: bad operator");
    }
  }

  std::string_view s_;
  size_t pos_ = 0;
  size_t line_ = 1;
  size_t max_depth_;
  std::chrono::steady_clock::time_point deadline_;
  uint64_t tokens_ = 0;
  Token peek_{Tok::End, {}, 0};
  bool has_peek_ = false;
  Benchmark b_;
  std::unordered_map<std::string_view, Entry> names_;
  std::unordered_set<std::string_view> sorts_;
  std::unordered_map<std::string_view, std::vector<TermId>> env_;
  std::vector<Frame> frames_;
  std::vector<TermId> operands_;
};

}  // namespace

Benchmark parse_benchmark(std::string_view text, size_t max_depth,
                          std::chrono::steady_clock::time_point deadline) {
  return Parser(text, max_depth, deadline).run();
}

Benchmark parse_file(const std::string& path, size_t max_depth,
                     std::chrono::steady_clock::time_point deadline) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) throw ParseError("cannot open " + path + ": " + std::strerror(errno));
  std::string text;
  if (std::fseek(f, 0, SEEK_END) == 0) {
    long size = std::ftell(f);
    if (size > 0) text.reserve(static_cast<size_t>(size));
    std::rewind(f);
  }
  char buf[1 << 16];
  size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, got);
  bool bad = std::ferror(f);
  std::fclose(f);
  if (bad) throw ParseError("cannot read " + path);
  return parse_benchmark(text, max_depth, deadline);
}

}  // namespace tessivar::smt

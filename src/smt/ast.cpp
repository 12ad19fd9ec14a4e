#include "smt/ast.h"

#include <algorithm>

namespace tessivar::smt {

namespace {

size_t mix(size_t h, uint64_t v) {
  h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
  return h;
}

// Spreads every input bit over the whole word, so that the low bits that
// pick a slot are well mixed.
uint64_t finish(uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ULL;
  h ^= h >> 33;
  return h;
}

}  // namespace

TermTable::TermTable() : slots_(1024, 0) {
  true_id_ = make(Kind::True, Sort::Bool, nullptr, 0);
  false_id_ = make(Kind::False, Sort::Bool, nullptr, 0);
}

uint64_t TermTable::hash_of(Kind k, Sort s, const TermId* a, uint32_t n,
                          SymbolId sym, int64_t value) const {
  uint64_t h = mix(static_cast<size_t>(k) * 31 + static_cast<size_t>(s), sym);
  h = mix(h, static_cast<uint64_t>(value));
  for (uint32_t i = 0; i < n; ++i) h = mix(h, a[i]);
  return finish(h);
}

void TermTable::grow() {
  std::vector<uint64_t> bigger(slots_.size() * 2, 0);
  size_t mask = bigger.size() - 1;
  for (TermId t = 0; t < nodes_.size(); ++t) {
    const Node& n = nodes_[t];
    uint64_t h = hash_of(n.kind, n.sort, args(t), n.num_args, n.symbol, n.value);
    size_t i = h & mask;
    while (bigger[i] != 0) i = (i + 1) & mask;
    bigger[i] = (h >> 32 << 32) | (t + 1);
  }
  slots_.swap(bigger);
}

TermId TermTable::make(Kind kind, Sort sort, const TermId* a, uint32_t n,
                       SymbolId symbol, int64_t value) {
  size_t mask = slots_.size() - 1;
  uint64_t h = hash_of(kind, sort, a, n, symbol, value);
  uint64_t tag = h >> 32 << 32;
  size_t i = h & mask;
  while (slots_[i] != 0) {
    if ((slots_[i] & 0xffffffff00000000ULL) != tag) {
      i = (i + 1) & mask;
      continue;
    }
    TermId t = static_cast<TermId>(slots_[i] & 0xffffffffu) - 1;
    const Node& o = nodes_[t];
    if (o.kind == kind && o.sort == sort && o.symbol == symbol &&
        o.value == value && o.num_args == n &&
        std::equal(a, a + n, args_.begin() + o.first_arg))
      return t;
    i = (i + 1) & mask;
  }
  if (nodes_.size() >= 0xfffffff0u) throw std::length_error("formula too large");
  Node node{kind, sort, n, static_cast<uint32_t>(args_.size()), symbol, value};
  args_.insert(args_.end(), a, a + n);
  TermId t = static_cast<TermId>(nodes_.size());
  nodes_.push_back(node);
  slots_[i] = tag | (t + 1);
  if (nodes_.size() * 2 > slots_.size()) grow();
  return t;
}

TermId TermTable::num(int64_t value) {
  // Small numerals are most of a benchmark's tokens: look them up directly.
  // The table grows with the largest value seen: a full table up front is
  // a quarter megabyte of page faults on every start.
  if (value >= 0 && value < kSmallNums) {
    size_t need = static_cast<size_t>(value) + 1;
    if (need > small_nums_.size())
      small_nums_.resize(std::min<size_t>(std::max<size_t>(need, 2 * small_nums_.size()), kSmallNums), 0);
    uint32_t& slot = small_nums_[value];
    if (slot == 0) slot = make(Kind::Num, Sort::Int, nullptr, 0, 0, value) + 1;
    return slot - 1;
  }
  return make(Kind::Num, Sort::Int, nullptr, 0, 0, value);
}

bool TermTable::is_ground_app(TermId t) const {
  const Node& n = nodes_[t];
  if (n.kind != Kind::App) return false;
  for (uint32_t i = 0; i < n.num_args; ++i)
    if (nodes_[arg(t, i)].kind != Kind::Num) return false;
  return true;
}

// ---------------------------------------------------------------------------

size_t Model::KeyHash::operator()(const Key& k) const {
  size_t h = mix(0, k.symbol);
  for (Int v : k.args) {
    h = mix(h, static_cast<uint64_t>(v));
    h = mix(h, static_cast<uint64_t>(v >> 64));
  }
  return h;
}

bool Model::set(SymbolId symbol, const std::vector<Int>& args, Value value) {
  auto [it, fresh] = table_.emplace(Key{symbol, args}, value);
  if (fresh) return true;
  return it->second.sort == value.sort && it->second.v == value.v;
}

bool Model::set(const TermTable& terms, TermId app, Value value) {
  std::vector<Int> args;
  const Node& n = terms.node(app);
  for (uint32_t i = 0; i < n.num_args; ++i) args.push_back(terms.node(terms.arg(app, i)).value);
  return set(n.symbol, args, value);
}

const Value* Model::get(SymbolId symbol, const std::vector<Int>& args) const {
  auto it = table_.find(Key{symbol, args});
  return it == table_.end() ? nullptr : &it->second;
}

std::string to_string(Int v) {
  if (v == 0) return "0";
  bool neg = v < 0;
  // Work with negative values so that the smallest Int has no overflow.
  std::string s;
  Int x = neg ? v : -v;
  while (x != 0) {
    s.push_back(static_cast<char>('0' - static_cast<int>(x % 10)));
    x /= 10;
  }
  if (neg) s.push_back('-');
  std::reverse(s.begin(), s.end());
  return s;
}

namespace {

// Evaluates every node below root in increasing id order (children first).
// A node whose value cannot be computed gets a failure mark; the mark only
// matters if a parent actually uses that value.
class Evaluator {
 public:
  Evaluator(const Benchmark& b, const Model& m) : b_(b), t_(b.terms), m_(m) {}

  EvalResult run(TermId root) {
    // Mark the nodes below root, walking ids downwards: parents come after
    // their children, so one pass suffices.
    std::vector<char> needed(root + 1, 0);
    needed[root] = 1;
    for (TermId t = root + 1; t-- > 0;) {
      if (!needed[t]) continue;
      const TermId* a = t_.args(t);
      for (uint32_t i = 0; i < t_.node(t).num_args; ++i) needed[a[i]] = 1;
    }
    val_.assign(root + 1, 0);
    fail_.assign(root + 1, -1);
    for (TermId t = 0; t <= root; ++t)
      if (needed[t]) eval(t);
    return result(root);
  }

  // Evaluates every node of the table; result() then answers for any id.
  void run_all() {
    val_.assign(t_.size(), 0);
    fail_.assign(t_.size(), -1);
    for (TermId t = 0; t < t_.size(); ++t) eval(t);
  }

  EvalResult result(TermId t) const {
    EvalResult r;
    if (fail_[t] >= 0) {
      r.error = errors_[fail_[t]];
      return r;
    }
    r.ok = true;
    r.value = Value{t_.sort(t), val_[t]};
    return r;
  }

 private:
  void fail(TermId t, std::string why) {
    fail_[t] = static_cast<int>(errors_.size());
    errors_.push_back(std::move(why));
  }
  bool inherit(TermId t, TermId child) {
    if (fail_[child] < 0) return false;
    fail_[t] = fail_[child];
    return true;
  }
  std::string text(TermId t) const {
    const Node& n = t_.node(t);
    if (n.kind != Kind::App) return "term";
    std::string s = b_.symbols[n.symbol].name;
    if (n.num_args == 0) return s;
    s = "(" + s;
    for (uint32_t i = 0; i < n.num_args; ++i) {
      TermId a = t_.arg(t, i);
      s += " " + (t_.kind(a) == Kind::Num ? to_string(t_.node(a).value) : std::string("..."));
    }
    return s + ")";
  }

  void eval(TermId t) {
    const Node& n = t_.node(t);
    const TermId* a = t_.args(t);
    uint32_t k = n.num_args;
    Int& out = val_[t];
    // ite only needs the branch it selects.
    if (n.kind == Kind::Ite) {
      if (inherit(t, a[0])) return;
      TermId pick = val_[a[0]] ? a[1] : a[2];
      if (!inherit(t, pick)) out = val_[pick];
      return;
    }
    for (uint32_t i = 0; i < k; ++i)
      if (inherit(t, a[i])) return;
    auto v = [&](uint32_t i) { return val_[a[i]]; };
    switch (n.kind) {
      case Kind::True: out = 1; break;
      case Kind::False: out = 0; break;
      case Kind::Num: out = n.value; break;
      case Kind::App: {
        std::vector<Int> args(k);
        for (uint32_t i = 0; i < k; ++i) args[i] = v(i);
        const Value* mv = m_.get(n.symbol, args);
        if (!mv) return fail(t, "the model gives no value for " + text(t));
        out = mv->v;
        break;
      }
      case Kind::Not: out = !v(0); break;
      case Kind::And:
        out = 1;
        for (uint32_t i = 0; i < k; ++i) out = out && v(i);
        break;
      case Kind::Or:
        out = 0;
        for (uint32_t i = 0; i < k; ++i) out = out || v(i);
        break;
      case Kind::Implies: out = !v(0) || v(1); break;
      case Kind::Xor:
        out = 0;
        for (uint32_t i = 0; i < k; ++i) out = (out != 0) != (v(i) != 0);
        break;
      case Kind::Iff:
      case Kind::Eq:
        out = 1;
        for (uint32_t i = 1; i < k; ++i) out = out && v(i - 1) == v(i);
        break;
      case Kind::Distinct:
        out = 1;
        for (uint32_t i = 0; i < k; ++i)
          for (uint32_t j = i + 1; j < k; ++j) out = out && v(i) != v(j);
        break;
      case Kind::Lt:
      case Kind::Le:
      case Kind::Gt:
      case Kind::Ge:
        out = 1;
        for (uint32_t i = 1; i < k; ++i) {
          Int x = v(i - 1), y = v(i);
          bool r = n.kind == Kind::Lt ? x < y : n.kind == Kind::Le ? x <= y
                 : n.kind == Kind::Gt ? x > y : x >= y;
          out = out && r;
        }
        break;
      case Kind::Add:
      case Kind::Sub:
      case Kind::Mul: {
        Int acc = v(0);
        for (uint32_t i = 1; i < k; ++i) {
          bool over = n.kind == Kind::Add   ? __builtin_add_overflow(acc, v(i), &acc)
                      : n.kind == Kind::Sub ? __builtin_sub_overflow(acc, v(i), &acc)
                                            : __builtin_mul_overflow(acc, v(i), &acc);
          if (over) return fail(t, "integer overflow beyond 128 bits while evaluating");
        }
        out = acc;
        break;
      }
      case Kind::Neg:
        if (__builtin_sub_overflow(static_cast<Int>(0), v(0), &out))
          return fail(t, "integer overflow beyond 128 bits while evaluating");
        break;
      case Kind::Ite: break;  // handled above
    }
  }

  const Benchmark& b_;
  const TermTable& t_;
  const Model& m_;
  std::vector<Int> val_;
  std::vector<int> fail_;
  std::vector<std::string> errors_;
};

}  // namespace

EvalResult evaluate(const Benchmark& b, TermId t, const Model& m) {
  return Evaluator(b, m).run(t);
}

bool check_model(const Benchmark& b, const Model& m, std::string* why) {
  EvalResult r = evaluate(b, b.problem, m);
  if (!r.ok) {
    if (why) *why = r.error;
    return false;
  }
  if (!r.value.as_bool()) {
    if (why) *why = "the model makes the formula false";
    return false;
  }
  return true;
}

std::string format_model(const Benchmark& b, const Model& m) {
  const TermTable& t = b.terms;
  bool all_ground = true;
  for (TermId id = 0; id < t.size() && all_ground; ++id)
    if (t.kind(id) == Kind::App && !t.is_ground_app(id)) all_ground = false;
  Evaluator ev(b, m);
  if (!all_ground) ev.run_all();
  std::string out;
  // Hash-consing makes ground applications unique already; only
  // applications to other terms can meet another one under the model.
  std::unordered_map<std::string, char> seen;
  std::vector<Int> args;
  for (TermId id = 0; id < t.size(); ++id) {
    const Node& n = t.node(id);
    if (n.kind != Kind::App) continue;
    args.resize(n.num_args);
    bool ok = true;
    for (uint32_t i = 0; i < n.num_args && ok; ++i) {
      TermId a = t.arg(id, i);
      if (t.kind(a) == Kind::Num) {
        args[i] = t.node(a).value;
      } else {
        EvalResult r = ev.result(a);
        ok = r.ok;
        args[i] = r.value.v;
      }
    }
    const Value* v = ok ? m.get(n.symbol, args) : nullptr;
    if (!v) continue;
    std::string app = b.symbols[n.symbol].name;
    if (n.num_args > 0) {
      app = "(" + app;
      for (Int a : args) app += " " + to_string(a);
      app += ")";
    }
    if (!all_ground && !seen.emplace(app, 1).second) continue;
    out += " (= ";
    out += app;
    out += ' ';
    out += v->sort == Sort::Bool ? (v->v ? "true" : "false") : to_string(v->v);
    out += ")\n";
  }
  return out;
}

}  // namespace tessivar::smt

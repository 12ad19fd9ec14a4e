// The z3 back end: translates the DAG in one loop over increasing ids, so
// every child's expression exists before its parent's.
#include <condition_variable>
#include <mutex>
#include <thread>
#include <z3++.h>

#include "smt/backend.h"

namespace tessivar::smt {

const char* z3_configs() { return "default lia tactic pb"; }

namespace {

// Calls ctx.interrupt() when the deadline passes, unless stopped before.
class Watchdog {
 public:
  Watchdog(z3::context& ctx, Clock::time_point deadline) : ctx_(ctx) {
    if (deadline == Clock::time_point::max()) return;
    thread_ = std::thread([this, deadline] {
      std::unique_lock<std::mutex> lock(mu_);
      if (!cv_.wait_until(lock, deadline, [this] { return done_; })) {
        fired_ = true;
        ctx_.interrupt();
      }
    });
  }
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(mu_);
      done_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();
  }
  bool fired() {
    std::lock_guard<std::mutex> lock(mu_);
    return fired_;
  }

 private:
  z3::context& ctx_;
  std::mutex mu_;
  std::condition_variable cv_;
  bool done_ = false, fired_ = false;
  std::thread thread_;
};

z3::sort z3_sort(z3::context& c, Sort s) { return s == Sort::Bool ? c.bool_sort() : c.int_sort(); }

// Reads an integer value of the model; false if it does not fit.
bool read_int(const z3::expr& e, Int* out) {
  if (!e.is_numeral()) return false;
  std::string s = Z3_get_numeral_string(e.ctx(), e);
  size_t i = 0;
  bool neg = !s.empty() && s[0] == '-';
  if (neg) i = 1;
  if (i >= s.size()) return false;
  Int v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    if (__builtin_mul_overflow(v, 10, &v) || __builtin_sub_overflow(v, s[i] - '0', &v)) return false;
  }
  if (!neg && __builtin_sub_overflow(static_cast<Int>(0), v, &v)) return false;
  *out = v;
  return true;
}

}  // namespace

namespace {

Outcome solve(const Benchmark& b, const SolveOptions& opts) {
  const TermTable& t = b.terms;
  Outcome out;
  Clock::time_point phase = Clock::now();
  auto lap = [&](const char* name) {
    Clock::time_point now = Clock::now();
    out.phases.emplace_back(name, std::chrono::duration<double>(now - phase).count());
    phase = now;
  };
  z3::config cfg;
  cfg.set("model", true);
  z3::context c(cfg);
  lap("z3-context");

  // Symbols applied only to numerals become constants, one per application.
  std::vector<char> as_constants(b.symbols.size(), 1);
  for (TermId id = 0; id < t.size(); ++id)
    if (t.kind(id) == Kind::App && !t.is_ground_app(id)) as_constants[t.node(id).symbol] = 0;
  std::vector<z3::func_decl> funcs;
  for (size_t s = 0; s < b.symbols.size(); ++s) {
    const Symbol& sym = b.symbols[s];
    z3::sort_vector dom(c);
    for (Sort a : sym.arg_sorts) dom.push_back(z3_sort(c, a));
    funcs.push_back(c.function(sym.name.c_str(), dom, z3_sort(c, sym.result)));
  }

  std::vector<z3::expr> e;
  e.reserve(t.size());
  z3::expr_vector av(c);
  std::string name;
  for (TermId id = 0; id < t.size(); ++id) {
    const Node& n = t.node(id);
    const TermId* a = t.args(id);
    uint32_t k = n.num_args;
    av.resize(0);
    for (uint32_t i = 0; i < k; ++i) av.push_back(e[a[i]]);
    auto chain = [&](auto rel) {
      z3::expr_vector parts(c);
      for (uint32_t i = 1; i < k; ++i) parts.push_back(rel(e[a[i - 1]], e[a[i]]));
      return parts.size() == 1 ? parts[0] : z3::mk_and(parts);
    };
    switch (n.kind) {
      case Kind::True: e.push_back(c.bool_val(true)); break;
      case Kind::False: e.push_back(c.bool_val(false)); break;
      case Kind::Num: e.push_back(c.int_val(n.value)); break;
      case Kind::App:
        if (as_constants[n.symbol]) {
          name = b.symbols[n.symbol].name;
          for (uint32_t i = 0; i < k; ++i) name += " " + std::to_string(t.node(a[i]).value);
          e.push_back(c.constant(name.c_str(), z3_sort(c, n.sort)));
        } else {
          e.push_back(funcs[n.symbol](av));
        }
        break;
      case Kind::Not: e.push_back(!e[a[0]]); break;
      case Kind::And: e.push_back(z3::mk_and(av)); break;
      case Kind::Or: e.push_back(z3::mk_or(av)); break;
      case Kind::Implies: e.push_back(z3::implies(e[a[0]], e[a[1]])); break;
      case Kind::Xor: {
        z3::expr x = e[a[0]];
        for (uint32_t i = 1; i < k; ++i) x = x ^ e[a[i]];
        e.push_back(x);
        break;
      }
      case Kind::Iff:
      case Kind::Eq: e.push_back(chain([](const z3::expr& x, const z3::expr& y) { return x == y; })); break;
      case Kind::Distinct: e.push_back(z3::distinct(av)); break;
      case Kind::Lt: e.push_back(chain([](const z3::expr& x, const z3::expr& y) { return x < y; })); break;
      case Kind::Le: e.push_back(chain([](const z3::expr& x, const z3::expr& y) { return x <= y; })); break;
      case Kind::Gt: e.push_back(chain([](const z3::expr& x, const z3::expr& y) { return x > y; })); break;
      case Kind::Ge: e.push_back(chain([](const z3::expr& x, const z3::expr& y) { return x >= y; })); break;
      case Kind::Ite: e.push_back(z3::ite(e[a[0]], e[a[1]], e[a[2]])); break;
      case Kind::Add: e.push_back(z3::sum(av)); break;
      case Kind::Sub: {
        std::vector<Z3_ast> raw(av.size());
        for (unsigned i = 0; i < av.size(); ++i) raw[i] = av[i];
        Z3_ast r = Z3_mk_sub(c, static_cast<unsigned>(raw.size()), raw.data());
        c.check_error();
        e.push_back(z3::expr(c, r));
        break;
      }
      case Kind::Mul: {
        z3::expr x = e[a[0]];
        for (uint32_t i = 1; i < k; ++i) x = x * e[a[i]];
        e.push_back(x);
        break;
      }
      case Kind::Neg: e.push_back(-e[a[0]]); break;
    }
  }

  lap("translate");
  bool uf = false;
  for (char x : as_constants) uf = uf || !x;
  z3::solver s(c);
  if (opts.z3_config == "lia") {
    s = z3::solver(c, uf ? "QF_UFLIA" : "QF_LIA");
  } else if (opts.z3_config == "tactic") {
    z3::tactic tac = z3::tactic(c, "simplify") & z3::tactic(c, "propagate-values") &
                     z3::tactic(c, "solve-eqs") & z3::tactic(c, "elim-uncnstr") &
                     z3::tactic(c, "simplify") & z3::tactic(c, "smt");
    s = tac.mk_solver();
  } else if (opts.z3_config == "pb") {
    // Bounded integers as pseudo-Boolean constraints, then bits and SAT;
    // where some integer has no bounds, the ordinary solver.
    z3::tactic pre = z3::tactic(c, "simplify") & z3::tactic(c, "propagate-values") &
                     z3::tactic(c, "solve-eqs") & z3::tactic(c, "elim-uncnstr") &
                     z3::tactic(c, "propagate-ineqs");
    z3::tactic bits = z3::tactic(c, "lia2pb") & z3::tactic(c, "pb2bv") & z3::tactic(c, "bit-blast") &
                      z3::tactic(c, "sat");
    s = (pre & (bits | z3::tactic(c, "smt"))).mk_solver();
  } else if (opts.z3_config != "default") {
    out.reason = "unknown z3 configuration " + opts.z3_config;
    return out;
  }

  // Top-level conjuncts become separate assertions.
  TermId root = b.problem;
  if (t.kind(root) == Kind::And) {
    for (uint32_t i = 0; i < t.node(root).num_args; ++i) s.add(e[t.arg(root, i)]);
  } else {
    s.add(e[root]);
  }
  if (opts.deadline != Clock::time_point::max()) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(opts.deadline - Clock::now()).count();
    if (left <= 0) {
      out.reason = "time limit reached before solving";
      return out;
    }
    s.set("timeout", static_cast<unsigned>(left));
  }

  lap("z3-setup");
  z3::check_result r;
  bool fired;
  {
    Watchdog dog(c, opts.deadline);
    r = s.check();
    fired = dog.fired();
  }
  lap("solve");
  if (r == z3::unsat) {
    out.answer = Answer::Unsat;
    return out;
  }
  if (r == z3::unknown) {
    out.reason = fired ? "time limit reached" : "z3: " + s.reason_unknown();
    return out;
  }

  z3::model m = s.get_model();
  std::vector<Int> args;
  for (TermId id = 0; id < t.size(); ++id) {
    const Node& n = t.node(id);
    if (n.kind != Kind::App) continue;
    args.resize(n.num_args);
    for (uint32_t i = 0; i < n.num_args; ++i) {
      TermId a = t.arg(id, i);
      if (t.kind(a) == Kind::Num) {
        args[i] = t.node(a).value;
      } else if (!read_int(m.eval(e[a], true), &args[i])) {
        out.reason = "z3 gave a model value beyond 128 bits";
        return out;
      }
    }
    z3::expr v = m.eval(e[id], true);
    Value val;
    if (n.sort == Sort::Bool) {
      if (!v.is_true() && !v.is_false()) {
        out.reason = "z3 gave no truth value for " + b.symbols[n.symbol].name;
        return out;
      }
      val = Value::of_bool(v.is_true());
    } else {
      val.sort = Sort::Int;
      if (!read_int(v, &val.v)) {
        out.reason = "z3 gave no integer value (or one beyond 128 bits) for " + b.symbols[n.symbol].name;
        return out;
      }
    }
    if (!out.model.set(n.symbol, args, val)) {
      out.reason = "z3 gave two values for one application of " + b.symbols[n.symbol].name;
      return out;
    }
  }
  out.answer = Answer::Sat;
  lap("model");
  return out;
}

}  // namespace

Outcome solve_z3(const Benchmark& b, const SolveOptions& opts) {
  try {
    return solve(b, opts);
  } catch (const z3::exception& e) {
    Outcome out;
    out.reason = std::string("z3 failed: ") + e.msg();
    return out;
  }
}

}  // namespace tessivar::smt

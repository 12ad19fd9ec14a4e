// The z3 back end: translates the DAG in one loop over increasing ids, so
// every child's expression exists before its parent's.
#include <condition_variable>
#include <mutex>
#include <thread>
#include <z3++.h>

#include "smt/backend.h"

namespace tessivar::smt {

namespace {

// Interrupts the context when the deadline passes or a stop is requested,
// unless ended before; again every few milliseconds, as an interrupt that
// comes just before z3 starts a check may be lost.
class Watchdog {
 public:
  Watchdog(z3::context& ctx, Clock::time_point deadline, const std::atomic<bool>* stop) : ctx_(ctx) {
    if (deadline == Clock::time_point::max() && !stop) return;
    thread_ = std::thread([this, deadline, stop] {
      std::unique_lock<std::mutex> lock(mu_);
      while (!done_) {
        bool due = Clock::now() >= deadline;
        if (due || stop_requested(stop)) {
          fired_ = fired_ || due;
          ctx_.interrupt();
        }
        cv_.wait_for(lock, std::chrono::milliseconds(5), [this] { return done_; });
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
    if (opts.on_phase) opts.on_phase(name, out.phases.back().second);
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

  // Built with the C API on plain arrays: the C++ wrappers allocate a vector
  // and check for errors on every call, which shows on big benchmarks. Sorts
  // are right by construction; errors are checked once at the end.
  std::vector<z3::expr> e;
  e.reserve(t.size());
  std::vector<Z3_ast> raw, parts;
  Z3_sort int_sort = c.int_sort(), bool_sort = c.bool_sort();
  for (TermId id = 0; id < t.size(); ++id) {
    if ((id & 4095) == 0 && (stop_requested(opts.stop) || Clock::now() > opts.deadline)) {
      out.reason = stop_requested(opts.stop) ? "stopped" : "time limit reached while translating";
      return out;
    }
    const Node& n = t.node(id);
    const TermId* a = t.args(id);
    uint32_t k = n.num_args;
    raw.resize(k);
    for (uint32_t i = 0; i < k; ++i) raw[i] = e[a[i]];
    // Chained relations: (< a b c) is (and (< a b) (< b c)). The parts are
    // kept alive by the expression vector until the conjunction holds them.
    auto chain = [&](Z3_ast (*rel)(Z3_context, Z3_ast, Z3_ast)) -> z3::expr {
      if (k == 2) return z3::expr(c, rel(c, raw[0], raw[1]));
      z3::expr_vector keep(c);
      for (uint32_t i = 1; i < k; ++i) keep.push_back(z3::expr(c, rel(c, raw[i - 1], raw[i])));
      parts.assign(keep.size(), nullptr);
      for (unsigned i = 0; i < keep.size(); ++i) parts[i] = keep[i];
      return z3::expr(c, Z3_mk_and(c, static_cast<unsigned>(parts.size()), parts.data()));
    };
    Z3_ast r = nullptr;
    switch (n.kind) {
      case Kind::True: r = Z3_mk_true(c); break;
      case Kind::False: r = Z3_mk_false(c); break;
      case Kind::Num: r = Z3_mk_int64(c, n.value, int_sort); break;
      case Kind::App:
        if (as_constants[n.symbol]) {
          // Numbered, not named: z3 interns names, which costs time on big
          // benchmarks. The model is read back through the same expressions.
          r = Z3_mk_const(c, Z3_mk_int_symbol(c, static_cast<int>(id)), n.sort == Sort::Int ? int_sort : bool_sort);
        } else {
          r = Z3_mk_app(c, funcs[n.symbol], k, raw.data());
        }
        break;
      case Kind::Not: r = Z3_mk_not(c, raw[0]); break;
      case Kind::And: r = k == 0 ? Z3_mk_true(c) : Z3_mk_and(c, k, raw.data()); break;
      case Kind::Or: r = k == 0 ? Z3_mk_false(c) : Z3_mk_or(c, k, raw.data()); break;
      case Kind::Implies: r = Z3_mk_implies(c, raw[0], raw[1]); break;
      case Kind::Xor: {
        z3::expr x = e[a[0]];
        for (uint32_t i = 1; i < k; ++i) x = z3::expr(c, Z3_mk_xor(c, x, raw[i]));
        e.push_back(x);
        continue;
      }
      case Kind::Iff:
      case Kind::Eq: e.push_back(chain(Z3_mk_eq)); continue;
      case Kind::Distinct: r = Z3_mk_distinct(c, k, raw.data()); break;
      case Kind::Lt: e.push_back(chain(Z3_mk_lt)); continue;
      case Kind::Le: e.push_back(chain(Z3_mk_le)); continue;
      case Kind::Gt: e.push_back(chain(Z3_mk_gt)); continue;
      case Kind::Ge: e.push_back(chain(Z3_mk_ge)); continue;
      case Kind::Ite: r = Z3_mk_ite(c, raw[0], raw[1], raw[2]); break;
      case Kind::Add: r = Z3_mk_add(c, k, raw.data()); break;
      case Kind::Sub: r = Z3_mk_sub(c, k, raw.data()); break;
      case Kind::Mul: r = Z3_mk_mul(c, k, raw.data()); break;
      case Kind::Neg: r = Z3_mk_unary_minus(c, raw[0]); break;
    }
    e.push_back(z3::expr(c, r));
  }
  c.check_error();

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
    Watchdog dog(c, opts.deadline, opts.stop);
    r = s.check();
    fired = dog.fired();
  }
  lap("solve");
  if (r == z3::unsat) {
    out.answer = Answer::Unsat;
    return out;
  }
  if (r == z3::unknown) {
    out.reason = fired ? "time limit reached" : stop_requested(opts.stop) ? "stopped" : "z3: " + s.reason_unknown();
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

namespace {

Outcome solve_caught(const Benchmark& b, const SolveOptions& opts) {
  try {
    return solve(b, opts);
  } catch (const z3::exception& e) {
    Outcome out;
    out.reason = std::string("z3 failed: ") + e.msg();
    return out;
  }
}

}  // namespace

Outcome solve_z3(const Benchmark& b, const SolveOptions& opts) { return solve_caught(b, opts); }

}  // namespace tessivar::smt

// The entry point when this back end is loaded as a module by the program.
extern "C" void tessivar_solve_z3(const tessivar::smt::Benchmark* b, const tessivar::smt::SolveOptions* opts,
                                  tessivar::smt::Outcome* out) {
  try {
    // Not solve_z3: in the program that name is the loader's.
    *out = tessivar::smt::solve_caught(*b, *opts);
  } catch (const std::exception& e) {
    *out = tessivar::smt::Outcome{};
    out->reason = std::string("z3 failed: ") + e.what();
  }
}

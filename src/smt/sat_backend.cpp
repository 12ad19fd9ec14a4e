#include "smt/sat_backend.h"

#include <cadical.hpp>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "smt/bitblast.h"
#include "smt/bounds.h"

namespace tessivar::smt {

namespace {

double seconds_since(Clock::time_point t) {
  return std::chrono::duration<double>(Clock::now() - t).count();
}

class DeadlineStop : public CaDiCaL::Terminator {
 public:
  DeadlineStop(Clock::time_point d, const std::atomic<bool>* stop, const std::atomic<bool>* halt)
      : deadline_(d), stop_(stop), halt_(halt) {}
  bool terminate() override {
    return stop_requested(stop_) || stop_requested(halt_) || Clock::now() > deadline_;
  }

 private:
  Clock::time_point deadline_;
  const std::atomic<bool>* stop_;
  const std::atomic<bool>* halt_;
};

// Widest word allowed: values must stay inside the 128-bit integers of the
// model checker.
constexpr int kMaxWidth = 126;

class Encoder {
 public:
  Encoder(const Benchmark& b, const Bounds& bounds, Circuit& c)
      : b_(b), t_(b.terms), bounds_(bounds), c_(c) {}

  // Returns "" or the reason the formula is not supported.
  std::string check_supported() const {
    for (TermId t = 0; t < t_.size(); ++t) {
      if (!bounds_.reachable[t]) continue;
      const Node& n = t_.node(t);
      if (n.kind == Kind::App && !t_.is_ground_app(t))
        return "uninterpreted function " + b_.symbols[n.symbol].name + " applied to a non-numeral";
    }
    return "";
  }

  // Top-level structure: the conjuncts, the nodes they need, definitions
  // x = t of integer unknowns (x then takes t's word instead of a fresh
  // word and an equation), and an order of the needed nodes in which every
  // node comes after its arguments and every defined unknown after its
  // definition. Definitions that would form a cycle are dropped.
  void prepare() {
    size_t n = t_.size();
    std::vector<TermId> stack{b_.problem};
    std::vector<char> top(n, 0);
    needed_.assign(n, 0);
    def_.assign(n, kNone);
    while (!stack.empty()) {
      TermId t = stack.back();
      stack.pop_back();
      if (top[t]) continue;
      top[t] = 1;
      const Node& nd = t_.node(t);
      if (nd.kind == Kind::And) {
        for (uint32_t i = 0; i < nd.num_args; ++i) stack.push_back(t_.arg(t, i));
        continue;
      }
      conjuncts_.push_back(t);
      if (nd.kind == Kind::Or) {
        for (uint32_t i = 0; i < nd.num_args; ++i) needed_[t_.arg(t, i)] = 1;
        continue;
      }
      needed_[t] = 1;
      if (nd.kind == Kind::Eq && nd.num_args == 2 && t_.sort(t_.arg(t, 0)) == Sort::Int) {
        TermId x = t_.arg(t, 0), y = t_.arg(t, 1);
        if (is_var(x) && def_[x] == kNone && x != y) def_[x] = y;
        else if (is_var(y) && def_[y] == kNone) def_[y] = x;
      }
    }
    for (TermId t = n; t-- > 0;) {
      if (!needed_[t]) continue;
      for (uint32_t i = 0; i < t_.node(t).num_args; ++i) needed_[t_.arg(t, i)] = 1;
    }
    // Kahn's algorithm over arguments and definition edges.
    std::vector<uint32_t> waiting(n, 0), start(n + 1, 0);
    auto deps = [&](TermId t, auto&& f) {
      for (uint32_t i = 0; i < t_.node(t).num_args; ++i) f(t_.arg(t, i));
      if (def_[t] != kNone) f(def_[t]);
    };
    for (TermId t = 0; t < n; ++t)
      if (needed_[t]) deps(t, [&](TermId d) { ++start[d + 1]; ++waiting[t]; });
    for (size_t i = 0; i < n; ++i) start[i + 1] += start[i];
    std::vector<TermId> users(start[n]);
    std::vector<uint32_t> fill(start.begin(), start.end() - 1);
    for (TermId t = 0; t < n; ++t)
      if (needed_[t]) deps(t, [&](TermId d) { users[fill[d]++] = t; });
    std::vector<TermId> ready, defined;
    for (TermId t = 0; t < n; ++t) {
      if (!needed_[t]) continue;
      if (waiting[t] == 0) ready.push_back(t);
      if (def_[t] != kNone) defined.push_back(t);
    }
    std::vector<char> done(n, 0);
    size_t next_drop = 0, total = 0;
    for (TermId t = 0; t < n; ++t) total += needed_[t];
    order_.clear();
    while (order_.size() < total) {
      if (ready.empty()) {
        // A cycle through definitions: give one defined unknown a word of its own.
        while (next_drop < defined.size() && done[defined[next_drop]]) ++next_drop;
        if (next_drop == defined.size()) throw std::logic_error("cycle in the term graph");
        TermId x = defined[next_drop++];
        def_[x] = kNone;
        ready.push_back(x);  // its only dependency was the definition
      }
      TermId t = ready.back();
      ready.pop_back();
      if (done[t]) continue;
      done[t] = 1;
      order_.push_back(t);
      for (uint32_t i = start[t]; i < start[t + 1]; ++i)
        if (--waiting[users[i]] == 0) ready.push_back(users[i]);
    }
  }

  // Variables' boxes as the bounds give them (term_intervals cuts them).
  void set_boxes() {
    box_.assign(t_.size(), Interval{});
    for (TermId t = 0; t < t_.size(); ++t) {
      if (!needed_[t] || !is_var(t)) continue;
      Interval iv = bounds_.box[t];
      if (iv.empty()) iv = {0, 0};  // a free variable whose value never matters
      box_[t] = iv;
    }
  }

  // Exact intervals of every integer term; "" or why they are too wide.
  // A variable still without a finite interval (after its definition, if
  // any) is cut to +-(2^width - 1); *exact tells whether none was.
  std::string term_intervals(int width, int* max_width, bool* exact, size_t* unbounded) {
    Int cap = (static_cast<Int>(1) << width) - 1;
    *max_width = 0;
    *exact = true;
    *unbounded = 0;
    for (TermId t : order_) {
      if (t_.sort(t) != Sort::Int) continue;
      const Node& n = t_.node(t);
      const TermId* a = t_.args(t);
      Interval& r = box_[t];
      switch (n.kind) {
        case Kind::Num: r = {n.value, n.value}; break;
        case Kind::App:
          if (def_[t] != kNone) r = iv_meet(r, box_[def_[t]]);
          if (!r.finite()) {
            *exact = false;
            ++*unbounded;
            r = iv_meet(r, {-cap, cap});
          }
          break;
        case Kind::Add:
          r = {0, 0};
          for (uint32_t i = 0; i < n.num_args; ++i) r = iv_add(r, box_[a[i]]);
          break;
        case Kind::Sub:
          r = box_[a[0]];
          for (uint32_t i = 1; i < n.num_args; ++i) r = iv_add(r, iv_neg(box_[a[i]]));
          break;
        case Kind::Neg: r = iv_neg(box_[a[0]]); break;
        case Kind::Mul: {
          Int k;
          TermId x;
          if (!split_product(t, &k, &x)) return "product of two non-constants or beyond 120 bits";
          r = x == kNone ? Interval{k, k} : iv_mul(box_[x], k);
          break;
        }
        case Kind::Ite: r = iv_hull(box_[a[1]], box_[a[2]]); break;
        default: return "unexpected integer term";
      }
      if (r.empty()) {
        // No value in the box: the encoding is unsatisfiable.
        no_model_ = true;
        r = {0, 0};
      }
      if (!r.finite()) return "values beyond 120 bits";
      int w = width_for(r.lo, r.hi);
      if (w > kMaxWidth) return "values beyond 126 bits";
      *max_width = std::max(*max_width, w);
    }
    return "";
  }

  // Encodes the problem; false if the deadline passed.
  bool encode(Clock::time_point deadline, const std::atomic<bool>* stop, const std::atomic<bool>* halt) {
    size_t n = t_.size();
    lit_.assign(n, 0);
    word_.assign(n, Word{});
    if (no_model_) c_.clause({});
    auto over = [&] { return Clock::now() > deadline || stop_requested(stop) || stop_requested(halt); };
    // Terms of the prover's normal mode cost up to a millisecond each.
    for (size_t i = 0; i < order_.size(); ++i) {
      if ((i & 63) == 0 && over()) return false;
      TermId t = order_[i];
      if (t_.sort(t) == Sort::Int) word_[t] = int_term(t);
      else lit_[t] = bool_term(t);
    }
    for (TermId t : conjuncts_) {
      if (t_.kind(t) == Kind::Or) {
        std::vector<Lit> cl;
        bool sat = false;
        for (uint32_t i = 0; i < t_.node(t).num_args; ++i) {
          Lit l = lit_[t_.arg(t, i)];
          if (c_.is_true(l)) sat = true;
          if (!c_.is_const(l)) cl.push_back(l);
        }
        if (!sat) c_.clause(cl);
      } else if (!c_.is_true(lit_[t])) {
        c_.assert_lit(lit_[t]);
      }
    }
    return !over();
  }

  // The model: every ground application of the table. Those the problem
  // does not use get 0 / false.
  Model model() const {
    Model m;
    for (TermId t = 0; t < t_.size(); ++t) {
      if (t_.kind(t) != Kind::App || !t_.is_ground_app(t)) continue;
      bool known = t < lit_.size() && (t_.sort(t) == Sort::Int ? !word_[t].empty() : lit_[t] != 0);
      Value v = t_.sort(t) == Sort::Int ? Value::of_int(known ? c_.value(word_[t]) : 0)
                                        : Value::of_bool(known && c_.value(lit_[t]));
      m.set(t_, t, v);
    }
    return m;
  }

 private:
  int width(TermId t) const { return width_for(box_[t].lo, box_[t].hi); }

  // A product as constant * x (x = kNone if all factors are constants).
  // Factors whose interval is one point are constants; false if two
  // factors are not, or the constant leaves 120 bits.
  bool split_product(TermId t, Int* k, TermId* x) const {
    *k = 1;
    *x = kNone;
    for (uint32_t i = 0; i < t_.node(t).num_args; ++i) {
      TermId a = t_.arg(t, i);
      const Interval& iv = box_[a];
      if (iv.lo == iv.hi) {
        if (__builtin_mul_overflow(*k, iv.lo, k) || *k >= kInf || *k <= -kInf) return false;
      } else {
        if (*x != kNone) return false;
        *x = a;
      }
    }
    return true;
  }
  bool is_var(TermId t) const {
    return t_.kind(t) == Kind::App && t_.sort(t) == Sort::Int && t_.is_ground_app(t);
  }

  Word int_term(TermId t) {
    const Node& n = t_.node(t);
    const TermId* a = t_.args(t);
    switch (n.kind) {
      case Kind::Num: return c_.word_const(n.value, width(t));
      case Kind::App: {
        // The definition's word or a fresh word, held inside the box where
        // its width allows more.
        Interval iv = box_[t];
        Word w = def_[t] != kNone ? word_[def_[t]] : c_.fresh_word(width(t));
        Int top = static_cast<Int>(1) << (w.size() - 1);
        if (iv.lo > -top) c_.assert_lit(c_.le(c_.word_const(iv.lo, w.size()), w));
        if (iv.hi < top - 1) c_.assert_lit(c_.le(w, c_.word_const(iv.hi, w.size())));
        return c_.resize(w, width(t));
      }
      case Kind::Add:
      case Kind::Sub: {
        Word acc = word_[a[0]];
        Interval r = box_[a[0]];
        for (uint32_t i = 1; i < n.num_args; ++i) {
          Interval x = n.kind == Kind::Add ? box_[a[i]] : iv_neg(box_[a[i]]);
          r = iv_add(r, x);
          int w = width_for(r.lo, r.hi);
          acc = n.kind == Kind::Add ? c_.add(acc, word_[a[i]], w) : c_.sub(acc, word_[a[i]], w);
        }
        return acc;
      }
      case Kind::Neg: return c_.neg(word_[a[0]], width(t));
      case Kind::Mul: {
        Int k;
        TermId x;
        split_product(t, &k, &x);  // succeeded in term_intervals
        if (x == kNone) return c_.word_const(k, width(t));
        return c_.mul_const(word_[x], k, width(t));
      }
      case Kind::Ite: return c_.mux(lit_[a[0]], word_[a[1]], word_[a[2]], width(t));
      default: return c_.word_const(0, 1);  // excluded by term_intervals
    }
  }

  Lit bool_term(TermId t) {
    const Node& n = t_.node(t);
    const TermId* a = t_.args(t);
    uint32_t k = n.num_args;
    auto lits = [&] {
      std::vector<Lit> v(k);
      for (uint32_t i = 0; i < k; ++i) v[i] = lit_[a[i]];
      return v;
    };
    // Equal values of two arguments, of either sort.
    auto same = [&](TermId x, TermId y) {
      return t_.sort(x) == Sort::Int ? c_.eq(word_[x], word_[y]) : c_.iff2(lit_[x], lit_[y]);
    };
    switch (n.kind) {
      case Kind::True: return c_.lit_true();
      case Kind::False: return c_.lit_false();
      case Kind::App: return c_.fresh();
      case Kind::Not: return -lit_[a[0]];
      case Kind::And: return c_.and_n(lits());
      case Kind::Or: return c_.or_n(lits());
      case Kind::Implies: return c_.or2(-lit_[a[0]], lit_[a[1]]);
      case Kind::Xor: {
        Lit x = lit_[a[0]];
        for (uint32_t i = 1; i < k; ++i) x = c_.xor2(x, lit_[a[i]]);
        return x;
      }
      case Kind::Ite: return c_.ite(lit_[a[0]], lit_[a[1]], lit_[a[2]]);
      case Kind::Iff:
      case Kind::Eq: {
        std::vector<Lit> v;
        for (uint32_t i = 1; i < k; ++i) v.push_back(same(a[i - 1], a[i]));
        return c_.and_n(v);
      }
      case Kind::Distinct: {
        std::vector<Lit> v;
        for (uint32_t i = 0; i < k; ++i)
          for (uint32_t j = i + 1; j < k; ++j) v.push_back(-same(a[i], a[j]));
        return c_.and_n(v);
      }
      case Kind::Lt:
      case Kind::Le:
      case Kind::Gt:
      case Kind::Ge: {
        std::vector<Lit> v;
        for (uint32_t i = 1; i < k; ++i) {
          const Word &x = word_[a[i - 1]], &y = word_[a[i]];
          v.push_back(n.kind == Kind::Lt   ? c_.lt(x, y)
                      : n.kind == Kind::Le ? c_.le(x, y)
                      : n.kind == Kind::Gt ? c_.lt(y, x)
                                           : c_.le(y, x));
        }
        return c_.and_n(v);
      }
      default: return c_.lit_false();  // no other Boolean kinds
    }
  }

  const Benchmark& b_;
  const TermTable& t_;
  const Bounds& bounds_;
  Circuit& c_;
  static constexpr TermId kNone = static_cast<TermId>(-1);
  std::vector<char> needed_;
  std::vector<TermId> def_, conjuncts_, order_;
  bool no_model_ = false;
  std::vector<Interval> box_;
  std::vector<Lit> lit_;
  std::vector<Word> word_;
};

}  // namespace

const char* to_string(SatOutcome o) {
  switch (o) {
    case SatOutcome::Sat: return "sat";
    case SatOutcome::Unsat: return "unsat";
    case SatOutcome::Unknown: return "unknown";
    case SatOutcome::Unsupported: return "unsupported";
  }
  return "?";
}

namespace {

// One encoding with unbounded integers cut to a width, and its own solver.
// `halt` ends it early like the caller's stop flag.
class Lane {
 public:
  Lane(const Benchmark& b, const Bounds& bounds, const SatOptions& opts, int width, const std::atomic<bool>* halt)
      : b_(b), opts_(opts), width_(width), halt_(halt), solver_(std::make_unique<CaDiCaL::Solver>()),
        circuit_(solver_.get()), enc_(b, bounds, circuit_) {
    solver_->set("quiet", 1);  // standard output carries only the answer
  }

  int width() const { return width_; }

  // Encodes; Sat when done, Unknown with st.reason if the deadline or a
  // stop came first, Unsupported with the reason.
  SatOutcome build(SatStats& st) {
    Clock::time_point t1 = Clock::now();
    if (opts_.sat_config != "default" && !solver_->configure(opts_.sat_config.c_str())) {
      st.reason = "unknown SAT configuration " + opts_.sat_config;
      return SatOutcome::Unsupported;
    }
    st.reason = enc_.check_supported();
    if (!st.reason.empty()) return SatOutcome::Unsupported;
    enc_.prepare();
    enc_.set_boxes();
    st.reason = enc_.term_intervals(width_, &st.max_width, &st.exact, &st.unbounded);
    if (!st.reason.empty()) return SatOutcome::Unsupported;
    exact_ = st.exact;
    unbounded_ = st.unbounded;
    if (opts_.on_exactness) opts_.on_exactness(st.exact);
    bool done = enc_.encode(opts_.deadline, opts_.stop, halt_);
    st.blast_seconds = seconds_since(t1);
    if (opts_.on_phase) opts_.on_phase("bitblast", st.blast_seconds);
    if (!done) {
      st.reason = stop_requested(opts_.stop) ? "stopped" : "time limit reached while encoding";
      return SatOutcome::Unknown;
    }
    st.variables = circuit_.variables();
    st.clauses = circuit_.clauses();
    if (opts_.on_phase) {
      // The size of the encoding, in the same list.
      opts_.on_phase("exact", st.exact);
      opts_.on_phase("width", st.max_width);
      opts_.on_phase("vars", static_cast<double>(st.variables));
      opts_.on_phase("clauses", static_cast<double>(st.clauses));
    }
    solver_->reserve(static_cast<int>(circuit_.variables()));
    return SatOutcome::Sat;
  }

  // Solves until the deadline or a stop. Unknown with st.exhausted: no
  // model within the width.
  SatOutcome run(Model* out, SatStats& st) {
    st.exhausted = false;
    Clock::time_point t2 = Clock::now();
    DeadlineStop stop(opts_.deadline, opts_.stop, halt_);
    if (stop.terminate()) {
      st.reason = stop_requested(opts_.stop) ? "stopped" : "time limit reached";
      return SatOutcome::Unknown;
    }
    solver_->connect_terminator(&stop);
    int res = solver_->solve();
    solver_->disconnect_terminator();
    double secs = seconds_since(t2);
    st.sat_seconds += secs;
    if (opts_.on_phase) opts_.on_phase("sat", secs);
    if (res == 10) {
      Model m = enc_.model();
      std::string why;
      if (!check_model(b_, m, &why)) {
        st.reason = "the SAT model fails the check: " + why;
        return SatOutcome::Unknown;
      }
      if (out) *out = std::move(m);
      return SatOutcome::Sat;
    }
    if (res == 20) {
      if (exact_) return SatOutcome::Unsat;
      st.exhausted = true;
      st.reason = "no model with values below 2^" + std::to_string(width_) + " (" +
                  std::to_string(unbounded_) + " integers without bounds)";
      return SatOutcome::Unknown;
    }
    st.reason = stop_requested(opts_.stop) ? "stopped" : "time limit reached";
    return SatOutcome::Unknown;
  }

 private:
  const Benchmark& b_;
  const SatOptions& opts_;
  int width_;
  const std::atomic<bool>* halt_;
  bool exact_ = false;
  size_t unbounded_ = 0;
  std::unique_ptr<CaDiCaL::Solver> solver_;
  Circuit circuit_;
  Encoder enc_;
};

}  // namespace

SatOutcome solve_with_sat(const Benchmark& b, const SatOptions& opts, Model* out, SatStats* stats) {
  SatStats local;
  SatStats& st = stats ? *stats : local;
  st = SatStats{};
  if (opts.width < 1 || opts.width > 120) {
    st.reason = "width must be 1..120";
    return SatOutcome::Unsupported;
  }

  Clock::time_point t0 = Clock::now();
  Bounds bounds = infer_bounds(b, opts.deadline);
  st.bound_rounds = bounds.rounds;
  st.bounds_seconds = seconds_since(t0);
  if (opts.on_phase) opts.on_phase("bounds", st.bounds_seconds);
  if (bounds.infeasible) {
    // Every model lies in the bounds, so no bounds means no model.
    st.exact = true;
    return SatOutcome::Unsat;
  }

  std::vector<int> widths{opts.width};
  if (opts.widen) {
    for (int w : {2, opts.width, 2 * opts.width, 4 * opts.width}) widths.push_back(std::min(w, 60));
    std::sort(widths.begin(), widths.end());
    widths.erase(std::unique(widths.begin(), widths.end()), widths.end());
  }
  std::atomic<bool> halt{false};
  auto first = std::make_unique<Lane>(b, bounds, opts, widths[0], &halt);
  auto settled = [&](SatOutcome r) {
    static const Model kNoModel;
    if (opts.before_teardown) opts.before_teardown(r, r == SatOutcome::Sat && out ? *out : kNoModel, st);
    return r;
  };
  SatOutcome r = first->build(st);
  if (r != SatOutcome::Sat) return settled(r);
  if (st.exact || widths.size() == 1) return settled(first->run(out, st));

  // Widening: two widths at a time, each in its own thread (a solver
  // stopped and resumed in turns lost up to 4x on the prover's benchmarks), the
  // narrowest first: a narrow search finds small models fast and soon shows
  // there are none, a wider one finds the models that need larger values.
  // A width without a model makes room for the next.
  std::mutex mu;
  size_t next = 1;
  bool found = false;
  int widest_exhausted = 0;
  std::string exhausted_why;
  size_t exhausted = 0;
  // The last lane of each thread is kept to the end: freeing it waits until
  // the outcome has been given.
  std::vector<std::unique_ptr<Lane>> finished;
  auto track = [&](std::unique_ptr<Lane>& lane, SatStats& ts) {
    for (;;) {
      if (!lane) {
        {
          std::lock_guard<std::mutex> lock(mu);
          if (next == widths.size() || found) return;
          lane = std::make_unique<Lane>(b, bounds, opts, widths[next++], &halt);
        }
        if (lane->build(ts) != SatOutcome::Sat) return;
      }
      Model m;
      SatOutcome lr = lane->run(&m, ts);
      std::lock_guard<std::mutex> lock(mu);
      if (lr == SatOutcome::Sat) {
        if (!found && out) *out = std::move(m);
        found = true;
        halt = true;
        return;
      }
      if (!ts.exhausted) return;
      ++exhausted;
      if (lane->width() > widest_exhausted) {
        widest_exhausted = lane->width();
        exhausted_why = ts.reason;
      }
      lane.reset();
    }
  };
  // Both searches run below the normal priority: where z3 runs beside
  // them, it keeps a core and they share the other.
  SatStats other;
  std::string failed[2];
  auto start = [&](std::unique_ptr<Lane> lane, SatStats* ts, std::string* why) {
    return std::thread([&track, &mu, &finished, ts, why, lane = std::move(lane)]() mutable {
      setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 5);
      try {
        track(lane, *ts);
      } catch (const std::exception& e) {
        *why = e.what();
      }
      std::lock_guard<std::mutex> lock(mu);
      finished.push_back(std::move(lane));
    });
  };
  std::thread narrow = start(std::move(first), &st, &failed[0]);
  try {
    std::thread wide = start(nullptr, &other, &failed[1]);
    wide.join();
  } catch (...) {
    halt = true;
    narrow.join();
    throw;
  }
  narrow.join();
  if (found) return settled(SatOutcome::Sat);
  if (exhausted == widths.size()) {
    st.exhausted = true;
    st.reason = exhausted_why;
  } else {
    // Some width was cut off: say why, not which width had no model.
    if (st.exhausted) st.reason = other.reason;
    st.exhausted = false;
    for (const std::string& why : failed)
      if (!why.empty()) st.reason = "the search failed: " + why;
  }
  return settled(SatOutcome::Unknown);
}

namespace {

// The outcome in the program's terms.
Outcome outcome_of(SatOutcome r, const SatStats& st) {
  Outcome out;
  switch (r) {
    case SatOutcome::Sat: out.answer = Answer::Sat; break;
    case SatOutcome::Unsat: out.answer = Answer::Unsat; break;
    case SatOutcome::Unknown: out.reason = st.reason; break;
    case SatOutcome::Unsupported: out.reason = "not supported by the SAT back end: " + st.reason; break;
  }
  return out;
}

// `settle` is given the outcome before the encoding is freed (see
// SatOptions::before_teardown).
Outcome sat_outcome(const Benchmark& b, const SolveOptions& opts, int width, bool widen,
                    std::function<void(bool)> on_exactness = nullptr,
                    std::function<void(const Outcome&)> settle = nullptr) {
  SatOptions so;
  so.on_exactness = std::move(on_exactness);
  if (settle)
    so.before_teardown = [&settle](SatOutcome r, const Model& m, const SatStats& st) {
      Outcome o = outcome_of(r, st);
      if (r == SatOutcome::Sat) o.model = m;
      settle(o);
    };
  so.width = width;
  so.deadline = opts.deadline;
  so.stop = opts.stop;
  so.sat_config = opts.sat_config;
  so.widen = widen;
  so.on_phase = opts.on_phase;
  SatStats st;
  Model m;
  Outcome out = outcome_of(solve_with_sat(b, so, &m, &st), st);
  if (out.answer == Answer::Sat) out.model = std::move(m);
  return out;
}

}  // namespace

Outcome solve_sat_backend(const Benchmark& b, const SolveOptions& opts, int width, bool race) {
  // Alone, its outcome is the answer: given before the encoding is freed.
  if (!race) return sat_outcome(b, opts, width, false, nullptr, opts.on_answer);

  // Both back ends, each stopped when the other has the answer: the SAT
  // back end is far quicker where every integer is bounded, z3 where the
  // answer rests on linear arithmetic over unbounded integers. Running at
  // once slows both (measured: up to half), so z3 starts at once only for
  // a bounded search; on an exact encoding it waits a grace period, which
  // most such benchmarks never reach.
  using namespace std::chrono;
  double limit = opts.deadline == Clock::time_point::max()
                     ? 10.0
                     : duration<double>(opts.deadline - Clock::now()).count();
  // Formulas of sums alone (no integer if-then-else: the tropical and
  // arctic benchmarks) are the exception. z3's simplex often answers them
  // first, and CaDiCaL struggles with long chains of adders: on the
  // prover's tropical dimension-1 calls for ICFP_2010/132611 it took 0.5 to
  // 9 s where z3 took 0.1 to 0.3 s. There z3 waits only 20 ms, which
  // spares small benchmarks, answered within milliseconds, the cost of
  // loading it.
  bool sums_only = true;
  for (TermId t = 0; t < b.terms.size() && sums_only; ++t)
    sums_only = !(b.terms.kind(t) == Kind::Ite && b.terms.sort(t) == Sort::Int);
  auto grace = duration_cast<Clock::duration>(duration<double>(std::clamp(limit / 10, 0.0, sums_only ? 0.02 : 1.0)));
  std::atomic<bool> stop_sat{false}, stop_z3{false};
  std::mutex mu;
  std::condition_variable wake;
  bool answered = false, z3_go = false;
  // The reasons of the back ends that gave up, and which did; with both, the
  // answer is unknown.
  std::string sat_why, z3_why;
  bool sat_done = false, z3_done = false;
  auto start_z3 = [&] {
    {
      std::lock_guard<std::mutex> lock(mu);
      z3_go = true;
    }
    wake.notify_all();
  };
  auto both_unknown = [&] {
    Outcome out;
    out.reason = "SAT: " + sat_why + "; z3: " + z3_why;
    return out;
  };
  // Each back end's outcome is settled once, before its encoding is freed
  // where it can be.
  auto settle = [&](const Outcome& o, std::atomic<bool>& stop_other, bool from_sat) {
    {
      std::lock_guard<std::mutex> lock(mu);
      bool& done = from_sat ? sat_done : z3_done;
      if (answered || done) return;
      done = true;
      if (o.answer == Answer::Unknown) {
        (from_sat ? sat_why : z3_why) = o.reason;
        if (!sat_done || !z3_done) return;
        answered = true;
        if (opts.on_answer) opts.on_answer(both_unknown());
        return;
      }
      answered = true;
      if (opts.on_answer) opts.on_answer(o);
      stop_other = true;
    }
    wake.notify_all();
  };
  SolveOptions zo = opts, so = opts;
  zo.stop = &stop_z3;
  so.stop = &stop_sat;
  // Neither thread may let an exception escape: the other must be joined.
  auto guarded = [](auto&& solve, const char* who) {
    try {
      return solve();
    } catch (const std::exception& e) {
      Outcome o;
      o.reason = std::string(who) + " failed: " + e.what();
      return o;
    }
  };
  Outcome z;
  std::thread z3_thread([&] {
    {
      std::unique_lock<std::mutex> lock(mu);
      wake.wait_for(lock, grace, [&] { return z3_go || answered; });
      if (answered) {
        z.reason = "not needed";
        return;
      }
    }
    z = guarded([&] { return solve_z3(b, zo); }, "z3");
    settle(z, stop_sat, false);
  });
  Outcome s = guarded(
      [&] {
        return sat_outcome(
            b, so, width, true, [&](bool exact) { if (!exact) start_z3(); },
            [&](const Outcome& o) { settle(o, stop_z3, true); });
      },
      "the SAT back end");
  settle(s, stop_z3, true);
  start_z3();  // the SAT back end is done: no reason to wait
  z3_thread.join();
  if (s.answer != Answer::Unknown) return s;
  if (z.answer != Answer::Unknown) return z;
  if (!z3_done) z3_why = z.reason;  // not needed after all
  return both_unknown();
}

}  // namespace tessivar::smt

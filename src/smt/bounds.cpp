#include "smt/bounds.h"

#include <algorithm>

namespace tessivar::smt {

namespace {

const Interval kFull{};
const Interval kEmpty{1, 0};

Int clamp_inf(Int v) { return v <= -kInf ? -kInf : v >= kInf ? kInf : v; }

Int sat_mul(Int x, Int c) {
  if (x == 0 || c == 0) return 0;
  bool negative = (x < 0) != (c < 0);
  if (x == kInf || x == -kInf) return negative ? -kInf : kInf;
  Int r;
  if (__builtin_mul_overflow(x, c, &r)) return negative ? -kInf : kInf;
  return clamp_inf(r);
}

Int floor_div(Int a, Int c) {  // c > 0
  Int q = a / c;
  return (a % c != 0 && a < 0) ? q - 1 : q;
}
Int ceil_div(Int a, Int c) {  // c > 0
  Int q = a / c;
  return (a % c != 0 && a > 0) ? q + 1 : q;
}

// The x with x * c in t (c != 0).
Interval iv_div(Interval t, Int c) {
  if (t.empty()) return kEmpty;
  if (c < 0) return iv_div(iv_neg(t), -c);
  Interval r;
  r.lo = t.lo == -kInf ? -kInf : ceil_div(t.lo, c);
  r.hi = t.hi == kInf ? kInf : floor_div(t.hi, c);
  return r;
}

bool is_comparison(Kind k) {
  return k == Kind::Lt || k == Kind::Le || k == Kind::Gt || k == Kind::Ge || k == Kind::Eq;
}

struct Lit2 {
  TermId t;
  bool pos;
};

// One disjunct of a top-level disjunction, as a conjunction of comparisons
// and Boolean unknowns set true or false. Parts of other shapes are left
// out, which only weakens the disjunct.
struct Disjunct {
  std::vector<Lit2> atoms;
  std::vector<TermId> trues, falses;
  bool dead = false;      // cannot hold in any model
  bool promoted = false;  // its atoms were made top-level facts
};

// Where a term is looked at: the whole problem, or inside one disjunct
// (with the narrowings found there kept locally).
struct Ctx {
  bool global = true;
  const Disjunct* d = nullptr;
  std::vector<std::pair<TermId, Interval>> local;
  bool dead = false;
};

constexpr int kMaxDepth = 48;
constexpr int kMaxRounds = 64;

class Propagator {
 public:
  Propagator(const Benchmark& b, Bounds& out, std::chrono::steady_clock::time_point deadline)
      : t_(b.terms), root_(b.problem), out_(out), deadline_(deadline) {}

  void run() {
    size_t n = t_.size();
    out_.box.assign(n, kFull);
    out_.guard.assign(n, kNoGuard);
    fixed_.assign(n, -1);
    mark_reachable();
    collect_facts();
    find_guards();
    for (int round = 0; round < kMaxRounds && !out_.infeasible; ++round) {
      if (std::chrono::steady_clock::now() > deadline_) break;
      changed_ = false;
      out_.rounds = round + 1;
      Ctx global;
      for (size_t i = 0; i < atoms_.size() && !out_.infeasible; ++i)
        if (!revise(atoms_[i], global)) out_.infeasible = true;
      for (auto& ds : ors_) {
        if (out_.infeasible) break;
        construct(ds);
      }
      if (!changed_) break;
    }
    // A variable whose guard holds in every model may take any value.
    for (TermId v = 0; v < n; ++v) {
      TermId g = out_.guard[v];
      if (g != kNoGuard && fixed_[g] == 1) out_.box[v] = kEmpty;
    }
  }

 private:
  bool is_var(TermId t) const {
    return t_.kind(t) == Kind::App && t_.sort(t) == Sort::Int && t_.is_ground_app(t);
  }
  bool is_bool_unknown(TermId t) const {
    return t_.kind(t) == Kind::App && t_.sort(t) == Sort::Bool && t_.is_ground_app(t);
  }

  void mark_reachable() {
    auto& r = out_.reachable;
    r.assign(t_.size(), 0);
    r[root_] = 1;
    for (TermId t = root_ + 1; t-- > 0;) {
      if (!r[t]) continue;
      const TermId* a = t_.args(t);
      for (uint32_t i = 0; i < t_.node(t).num_args; ++i) r[a[i]] = 1;
    }
  }

  // --- Don't-care analysis -------------------------------------------------

  // True if node p is constant whenever g is true.
  bool cuts(TermId p, TermId g) const {
    const Node& n = t_.node(p);
    if (n.num_args > 256) return false;  // a large conjunction: not worth the scan
    const TermId* a = t_.args(p);
    for (uint32_t i = 0; i < n.num_args; ++i) {
      if (n.kind == Kind::And && t_.kind(a[i]) == Kind::Not && t_.arg(a[i], 0) == g) return true;
      if (n.kind == Kind::Or && a[i] == g) return true;
    }
    return false;
  }

  // True if every path from v to the root passes a node that g makes constant.
  bool free_when(TermId v, TermId g) {
    ++epoch_;
    std::vector<TermId> queue{v};
    stamp_[v] = epoch_;
    for (size_t q = 0; q < queue.size(); ++q) {
      TermId u = queue[q];
      if (u == root_ || queue.size() > 4096) return false;
      for (uint32_t i = pstart_[u]; i < pstart_[u + 1]; ++i) {
        TermId p = parents_[i];
        if (stamp_[p] == epoch_) continue;
        stamp_[p] = epoch_;
        if (!cuts(p, g)) queue.push_back(p);
      }
    }
    return true;
  }

  void find_guards() {
    size_t n = t_.size();
    pstart_.assign(n + 1, 0);
    for (TermId t = 0; t < n; ++t) {
      if (!out_.reachable[t]) continue;
      const TermId* a = t_.args(t);
      for (uint32_t i = 0; i < t_.node(t).num_args; ++i) ++pstart_[a[i] + 1];
    }
    for (size_t i = 0; i < n; ++i) pstart_[i + 1] += pstart_[i];
    parents_.assign(pstart_[n], 0);
    std::vector<uint32_t> fill(pstart_.begin(), pstart_.end() - 1);
    for (TermId t = 0; t < n; ++t) {
      if (!out_.reachable[t]) continue;
      const TermId* a = t_.args(t);
      for (uint32_t i = 0; i < t_.node(t).num_args; ++i) parents_[fill[a[i]]++] = t;
    }
    stamp_.assign(n, 0);
    for (TermId v = 0; v < n; ++v) {
      if (!out_.reachable[v] || !is_var(v)) continue;
      // Candidates come from the first Boolean node above v.
      TermId f = kNoGuard;
      std::vector<TermId> up{v};
      for (size_t q = 0; q < up.size() && q < 256 && f == kNoGuard; ++q)
        for (uint32_t i = pstart_[up[q]]; i < pstart_[up[q] + 1]; ++i) {
          TermId p = parents_[i];
          if (t_.sort(p) == Sort::Bool) {
            f = p;
            break;
          }
          up.push_back(p);
        }
      if (f == kNoGuard) continue;
      std::vector<TermId> cands;
      for (uint32_t i = pstart_[f]; i < pstart_[f + 1] && cands.size() < 8; ++i) {
        TermId p = parents_[i];
        const Node& pn = t_.node(p);
        if (pn.num_args > 256) continue;
        for (uint32_t j = 0; j < pn.num_args; ++j) {
          TermId c = t_.arg(p, j);
          if (pn.kind == Kind::And && t_.kind(c) == Kind::Not && is_bool_unknown(t_.arg(c, 0)))
            cands.push_back(t_.arg(c, 0));
          if (pn.kind == Kind::Or && is_bool_unknown(c)) cands.push_back(c);
        }
      }
      // Try first a guard the facts make true (v is then never needed),
      // then a flag with v's own arguments (an entry's "infinite" flag).
      auto rank = [&](TermId g) {
        if (fixed_[g] == 1) return 0;
        const Node &gn = t_.node(g), &vn = t_.node(v);
        bool same = gn.num_args == vn.num_args &&
                    std::equal(t_.args(g), t_.args(g) + gn.num_args, t_.args(v));
        return same ? 1 : 2;
      };
      std::sort(cands.begin(), cands.end(), [&](TermId a, TermId b) {
        return std::make_pair(rank(a), a) < std::make_pair(rank(b), b);
      });
      cands.erase(std::unique(cands.begin(), cands.end()), cands.end());
      for (TermId g : cands)
        // A guard that the facts make false frees nothing.
        if (fixed_[g] != 0 && free_when(v, g)) {
          out_.guard[v] = g;
          break;
        }
    }
  }

  // --- Facts ---------------------------------------------------------------

  void fix(TermId g, bool value) {
    int8_t want = value ? 1 : 0;
    if (fixed_[g] == want) return;
    if (fixed_[g] != -1) {
      out_.infeasible = true;
      return;
    }
    fixed_[g] = want;
    changed_ = true;
  }

  void add_to_disjunct(Disjunct& d, TermId t, bool pos, int depth) {
    if (depth > 8) return;
    const Node& n = t_.node(t);
    if ((n.kind == Kind::And && pos) || (n.kind == Kind::Or && !pos)) {
      for (uint32_t i = 0; i < n.num_args; ++i) add_to_disjunct(d, t_.arg(t, i), pos, depth + 1);
    } else if (n.kind == Kind::Not) {
      add_to_disjunct(d, t_.arg(t, 0), !pos, depth + 1);
    } else if (n.kind == Kind::True || n.kind == Kind::False) {
      if ((n.kind == Kind::True) != pos) d.dead = true;
    } else if (is_bool_unknown(t)) {
      (pos ? d.trues : d.falses).push_back(t);
    } else if (is_comparison(n.kind) && t_.sort(t_.arg(t, 0)) == Sort::Int) {
      d.atoms.push_back({t, pos});
    }
  }

  void collect_facts() {
    std::vector<Lit2> stack{{root_, true}};
    std::vector<char> seen(2 * t_.size(), 0);
    while (!stack.empty()) {
      Lit2 l = stack.back();
      stack.pop_back();
      char& s = seen[2 * l.t + l.pos];
      if (s) continue;
      s = 1;
      const Node& n = t_.node(l.t);
      const TermId* a = t_.args(l.t);
      if ((n.kind == Kind::And && l.pos) || (n.kind == Kind::Or && !l.pos)) {
        // Pushed backwards so that facts keep the order of the text, in
        // which definitions mostly come before their uses: one round then
        // carries bounds along a whole chain of definitions.
        for (uint32_t i = n.num_args; i-- > 0;) stack.push_back({a[i], l.pos});
      } else if (n.kind == Kind::Not) {
        stack.push_back({a[0], !l.pos});
      } else if (n.kind == Kind::True || n.kind == Kind::False) {
        if ((n.kind == Kind::True) != l.pos) out_.infeasible = true;
      } else if (is_bool_unknown(l.t)) {
        fix(l.t, l.pos);
      } else if (is_comparison(n.kind) && t_.sort(a[0]) == Sort::Int) {
        atoms_.push_back(l);
      } else if ((n.kind == Kind::Or && l.pos) || (n.kind == Kind::And && !l.pos)) {
        std::vector<Disjunct> ds(n.num_args);
        for (uint32_t i = 0; i < n.num_args; ++i) add_to_disjunct(ds[i], a[i], l.pos, 0);
        ors_.push_back(std::move(ds));
      } else if (n.kind == Kind::Implies && l.pos) {
        std::vector<Disjunct> ds(2);
        add_to_disjunct(ds[0], a[0], false, 0);
        add_to_disjunct(ds[1], a[1], true, 0);
        ors_.push_back(std::move(ds));
      } else if (n.kind == Kind::Implies) {
        stack.push_back({a[0], true});
        stack.push_back({a[1], false});
      }
    }
  }

  // --- Intervals in a context ------------------------------------------------

  bool usable(TermId v, const Ctx& c) const {
    TermId g = out_.guard[v];
    if (g == kNoGuard || fixed_[g] == 0) return true;
    return c.d && std::find(c.d->falses.begin(), c.d->falses.end(), g) != c.d->falses.end();
  }

  Interval get(TermId v, const Ctx& c) const {
    for (const auto& [u, iv] : c.local)
      if (u == v) return iv;
    return usable(v, c) ? out_.box[v] : kFull;
  }

  // Narrows v to t; false if nothing is left.
  bool set(TermId v, Interval t, Ctx& c) {
    if (c.global) {
      Interval n = iv_meet(out_.box[v], t);
      if (n == out_.box[v]) return true;
      out_.box[v] = n;
      changed_ = true;
      if (n.empty() && out_.guard[v] == kNoGuard) return false;
      return !n.empty() || !usable(v, c);
    }
    Interval n = iv_meet(get(v, c), t);
    for (auto& [u, iv] : c.local)
      if (u == v) {
        iv = n;
        return !n.empty();
      }
    c.local.push_back({v, n});
    return !n.empty();
  }

  // The constant factor and the one factor that is not a constant (kNoGuard
  // if none) of a product; false if two factors are not constants or the
  // constant overflows. A constant is a factor whose interval is one point.
  bool split_product(TermId t, const Ctx& c, int depth, Int* k, TermId* x) const {
    *k = 1;
    *x = kNoGuard;
    for (uint32_t i = 0; i < t_.node(t).num_args; ++i) {
      TermId a = t_.arg(t, i);
      Interval iv = eval(a, c, depth + 1);
      if (!iv.empty() && iv.lo == iv.hi) {
        if (__builtin_mul_overflow(*k, iv.lo, k) || *k >= kInf || *k <= -kInf) return false;
      } else {
        if (*x != kNoGuard) return false;
        *x = a;
      }
    }
    return true;
  }

  Interval eval(TermId t, const Ctx& c, int depth) const {
    if (depth > kMaxDepth) return kFull;
    const Node& n = t_.node(t);
    const TermId* a = t_.args(t);
    switch (n.kind) {
      case Kind::Num: return {n.value, n.value};
      case Kind::App: return t_.is_ground_app(t) ? get(t, c) : kFull;
      case Kind::Add: {
        Interval s{0, 0};
        for (uint32_t i = 0; i < n.num_args; ++i) s = iv_add(s, eval(a[i], c, depth + 1));
        return s;
      }
      case Kind::Sub: {
        Interval s = eval(a[0], c, depth + 1);
        for (uint32_t i = 1; i < n.num_args; ++i) s = iv_add(s, iv_neg(eval(a[i], c, depth + 1)));
        return s;
      }
      case Kind::Neg: return iv_neg(eval(a[0], c, depth + 1));
      case Kind::Mul: {
        Int k;
        TermId x;
        if (!split_product(t, c, depth, &k, &x)) return kFull;
        if (x == kNoGuard) return {k, k};
        return iv_mul(eval(x, c, depth + 1), k);
      }
      case Kind::Ite: {
        TermId cond = a[0];
        if (is_bool_unknown(cond) && fixed_[cond] != -1) return eval(fixed_[cond] ? a[1] : a[2], c, depth + 1);
        return iv_hull(eval(a[1], c, depth + 1), eval(a[2], c, depth + 1));
      }
      default: return kFull;
    }
  }

  // Narrows term t to the interval target, down to its variables.
  bool narrow(TermId t, Interval target, Ctx& c, int depth) {
    Interval now = eval(t, c, 0);
    if (iv_meet(now, target).empty()) return false;
    if (depth > kMaxDepth) return true;
    const Node& n = t_.node(t);
    const TermId* a = t_.args(t);
    switch (n.kind) {
      case Kind::App:
        return t_.is_ground_app(t) ? set(t, target, c) : true;
      case Kind::Add:
      case Kind::Sub: {
        // t = sum of sign_i * a_i
        std::vector<Interval> iv(n.num_args);
        for (uint32_t i = 0; i < n.num_args; ++i) {
          iv[i] = eval(a[i], c, 0);
          if (n.kind == Kind::Sub && i > 0) iv[i] = iv_neg(iv[i]);
        }
        for (uint32_t i = 0; i < n.num_args; ++i) {
          Interval rest{0, 0};
          for (uint32_t j = 0; j < n.num_args; ++j)
            if (j != i) rest = iv_add(rest, iv[j]);
          Interval want = iv_add(target, iv_neg(rest));
          if (n.kind == Kind::Sub && i > 0) want = iv_neg(want);
          if (!narrow(a[i], want, c, depth + 1)) return false;
        }
        return true;
      }
      case Kind::Neg: return narrow(a[0], iv_neg(target), c, depth + 1);
      case Kind::Mul: {
        Int k;
        TermId x;
        if (!split_product(t, c, 0, &k, &x) || x == kNoGuard || k == 0) return true;
        return narrow(x, iv_div(target, k), c, depth + 1);
      }
      default: return true;
    }
  }

  bool relate(TermId x, Kind op, TermId y, Ctx& c) {
    Interval ix = eval(x, c, 0), iy = eval(y, c, 0);
    Interval lo_y{ix.lo, kInf}, hi_x{-kInf, iy.hi};
    switch (op) {
      case Kind::Eq: return narrow(x, iy, c, 0) && narrow(y, eval(x, c, 0), c, 0);
      case Kind::Le: return narrow(x, hi_x, c, 0) && narrow(y, lo_y, c, 0);
      case Kind::Lt:
        return narrow(x, iv_add(hi_x, {-1, -1}), c, 0) && narrow(y, iv_add(lo_y, {1, 1}), c, 0);
      case Kind::Ge: return relate(y, Kind::Le, x, c);
      case Kind::Gt: return relate(y, Kind::Lt, x, c);
      default: return true;
    }
  }

  bool revise(Lit2 atom, Ctx& c) {
    const Node& n = t_.node(atom.t);
    const TermId* a = t_.args(atom.t);
    Kind op = n.kind;
    if (!atom.pos) {
      if (n.num_args != 2 || op == Kind::Eq) return true;  // x != y bounds nothing
      op = op == Kind::Lt ? Kind::Ge : op == Kind::Le ? Kind::Gt : op == Kind::Gt ? Kind::Le : Kind::Lt;
    }
    for (uint32_t i = 1; i < n.num_args; ++i)
      if (!relate(a[i - 1], op, a[i], c)) return false;
    return true;
  }

  static bool contains(const std::vector<TermId>& v, TermId x) {
    return std::find(v.begin(), v.end(), x) != v.end();
  }

  // Narrows each variable to the hull of what the possible disjuncts allow.
  void construct(std::vector<Disjunct>& ds) {
    std::vector<Ctx> ctx(ds.size());
    std::vector<size_t> live;
    for (size_t i = 0; i < ds.size(); ++i) {
      Disjunct& d = ds[i];
      for (TermId g : d.trues)
        if (fixed_[g] == 0 || contains(d.falses, g)) d.dead = true;
      for (TermId g : d.falses)
        if (fixed_[g] == 1) d.dead = true;
      if (d.dead) continue;
      Ctx& c = ctx[i];
      c.global = false;
      c.d = &d;
      for (int r = 0; r < 2 && !c.dead; ++r)
        for (const Lit2& l : d.atoms)
          if (!revise(l, c)) {
            c.dead = true;
            break;
          }
      // Boxes only shrink, so a disjunct once impossible stays impossible.
      if (c.dead) d.dead = true;
      else live.push_back(i);
    }
    if (live.empty()) {
      out_.infeasible = true;
      return;
    }
    if (live.size() == 1 && !ds[live[0]].promoted) {
      Disjunct& d = ds[live[0]];
      d.promoted = true;
      for (TermId g : d.trues) fix(g, true);
      for (TermId g : d.falses) fix(g, false);
      atoms_.insert(atoms_.end(), d.atoms.begin(), d.atoms.end());
      changed_ = true;
    }
    std::vector<TermId> vars;
    for (size_t i : live)
      for (const auto& e : ctx[i].local) vars.push_back(e.first);
    std::sort(vars.begin(), vars.end());
    vars.erase(std::unique(vars.begin(), vars.end()), vars.end());
    Ctx global;
    for (TermId v : vars) {
      Interval hull = kEmpty;
      TermId g = out_.guard[v];
      for (size_t i : live) {
        // Where the guard is true the value does not matter.
        if (g != kNoGuard && contains(ds[i].trues, g)) continue;
        hull = iv_hull(hull, get(v, ctx[i]));
      }
      if (!set(v, hull, global)) out_.infeasible = true;
    }
  }

  const TermTable& t_;
  TermId root_;
  Bounds& out_;
  std::chrono::steady_clock::time_point deadline_;
  std::vector<int8_t> fixed_;
  std::vector<Lit2> atoms_;
  std::vector<std::vector<Disjunct>> ors_;
  std::vector<uint32_t> pstart_, parents_, stamp_;
  uint32_t epoch_ = 0;
  bool changed_ = false;
};

}  // namespace

Interval iv_add(Interval a, Interval b) {
  if (a.empty() || b.empty()) return kEmpty;
  Interval r;
  r.lo = (a.lo == -kInf || b.lo == -kInf) ? -kInf : clamp_inf(a.lo + b.lo);
  r.hi = (a.hi == kInf || b.hi == kInf) ? kInf : clamp_inf(a.hi + b.hi);
  return r;
}

Interval iv_neg(Interval a) {
  if (a.empty()) return kEmpty;
  return {-a.hi, -a.lo};
}

Interval iv_mul(Interval a, Int c) {
  if (a.empty()) return kEmpty;
  if (c >= 0) return {sat_mul(a.lo, c), sat_mul(a.hi, c)};
  return {sat_mul(a.hi, c), sat_mul(a.lo, c)};
}

Interval iv_meet(Interval a, Interval b) {
  if (a.empty() || b.empty()) return kEmpty;
  return {std::max(a.lo, b.lo), std::min(a.hi, b.hi)};
}

Interval iv_hull(Interval a, Interval b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return {std::min(a.lo, b.lo), std::max(a.hi, b.hi)};
}

Bounds infer_bounds(const Benchmark& b, std::chrono::steady_clock::time_point deadline) {
  Bounds out;
  Propagator(b, out, deadline).run();
  return out;
}

}  // namespace tessivar::smt

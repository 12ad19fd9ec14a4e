// Unfolding of closures: a rewrite inside the current word, or a left side
// that overlaps one of its ends or encloses it.
#include "engine/processors/closures.h"

#include <algorithm>

namespace tessivar::engine::loops {

std::vector<LetterStep> steps_of(const Closure& c) {
  std::vector<LetterStep> steps;
  size_t moved = 0;  // letters put in front by the later steps
  for (const Trail* t = c.trail.get(); t != nullptr; t = t->before.get()) {
    steps.push_back({t->position + moved, t->rule});
    moved += t->shift;
  }
  std::reverse(steps.begin(), steps.end());
  return steps;
}

bool is_loop(const Closure& c) { return c.strict && c.current.find(c.start) != Letters::npos; }

Unfolder::Unfolder(std::vector<LetterRule> rules, unsigned overlaps)
    : rules_(std::move(rules)), overlaps_(overlaps) {}

std::vector<Closure> Unfolder::seeds() const {
  std::vector<Closure> out;
  for (size_t i = 0; i < rules_.size(); ++i) {
    Closure c;
    c.start = rules_[i].lhs;
    c.current = rules_[i].rhs;
    c.trail = std::make_shared<const Trail>(Trail{nullptr, 0, i, 0});
    c.strict = rules_[i].strict;
    c.steps = 1;
    out.push_back(std::move(c));
  }
  return out;
}

namespace {

// The child of `parent` by one more step, with its new words.
Closure child_of(const Closure& parent, const LetterRule& rule, size_t rule_index, size_t position,
                 size_t shift, Letters start, Letters current) {
  Closure c;
  c.start = std::move(start);
  c.current = std::move(current);
  c.trail = std::make_shared<const Trail>(Trail{parent.trail, position, rule_index, shift});
  c.strict = parent.strict || rule.strict;
  c.steps = parent.steps + 1;
  return c;
}

}  // namespace

bool Unfolder::expand(const Closure& c, size_t max_length, std::vector<Closure>& out) const {
  bool complete = true;
  for (size_t i = 0; i < rules_.size(); ++i) {
    complete &= rewrite_inside(c, i, max_length, out);
    if (overlaps_ & kRightEnd) complete &= overlap_right_end(c, i, max_length, out);
    if (overlaps_ & kLeftEnd) {
      complete &= overlap_left_end(c, i, max_length, out);
      complete &= enclose(c, i, max_length, out);
    }
  }
  return complete;
}

// t = u l v gives s ->+ u r v.
bool Unfolder::rewrite_inside(const Closure& c, size_t rule, size_t max_length, std::vector<Closure>& out) const {
  const LetterRule& r = rules_[rule];
  const Letters& t = c.current;
  if (r.lhs.size() > t.size()) return true;
  if (t.size() - r.lhs.size() + r.rhs.size() > max_length) return t.find(r.lhs) == Letters::npos;
  for (size_t p = t.find(r.lhs); p != Letters::npos; p = t.find(r.lhs, p + 1)) {
    Letters next = t.substr(0, p) + r.rhs + t.substr(p + r.lhs.size());
    out.push_back(child_of(c, r, rule, p, 0, c.start, std::move(next)));
  }
  return true;
}

// t = u x and l = x y, x and y not empty: s y ->+ u x y = u l ->  u r.
bool Unfolder::overlap_right_end(const Closure& c, size_t rule, size_t max_length, std::vector<Closure>& out) const {
  const LetterRule& r = rules_[rule];
  const Letters& t = c.current;
  bool complete = true;
  size_t longest = std::min(r.lhs.size() - std::min<size_t>(r.lhs.size(), 1), t.size());
  for (size_t k = 1; k <= longest; ++k) {
    if (t.compare(t.size() - k, k, r.lhs, 0, k) != 0) continue;
    size_t added = r.lhs.size() - k;
    if (c.start.size() + added > max_length || t.size() - k + r.rhs.size() > max_length) {
      complete = false;
      continue;
    }
    out.push_back(child_of(c, r, rule, t.size() - k, 0, c.start + r.lhs.substr(k),
                           t.substr(0, t.size() - k) + r.rhs));
  }
  return complete;
}

// t = x v and l = y x, x and y not empty: y s ->+ y x v = l v -> r v.
bool Unfolder::overlap_left_end(const Closure& c, size_t rule, size_t max_length, std::vector<Closure>& out) const {
  const LetterRule& r = rules_[rule];
  const Letters& t = c.current;
  bool complete = true;
  size_t longest = std::min(r.lhs.size() - std::min<size_t>(r.lhs.size(), 1), t.size());
  for (size_t k = 1; k <= longest; ++k) {
    if (t.compare(0, k, r.lhs, r.lhs.size() - k, k) != 0) continue;
    size_t added = r.lhs.size() - k;
    if (c.start.size() + added > max_length || t.size() - k + r.rhs.size() > max_length) {
      complete = false;
      continue;
    }
    out.push_back(child_of(c, r, rule, 0, added, r.lhs.substr(0, added) + c.start, r.rhs + t.substr(k)));
  }
  return complete;
}

// l = y t z, y and z not empty: y s z ->+ y t z = l -> r.
bool Unfolder::enclose(const Closure& c, size_t rule, size_t max_length, std::vector<Closure>& out) const {
  const LetterRule& r = rules_[rule];
  const Letters& t = c.current;
  if (t.empty() || t.size() + 2 > r.lhs.size()) return true;
  bool complete = true;
  for (size_t p = r.lhs.find(t, 1); p != Letters::npos && p + t.size() < r.lhs.size(); p = r.lhs.find(t, p + 1)) {
    size_t added = r.lhs.size() - t.size();
    if (c.start.size() + added > max_length || r.rhs.size() > max_length) {
      complete = false;
      continue;
    }
    out.push_back(child_of(c, r, rule, 0, p, r.lhs.substr(0, p) + c.start + r.lhs.substr(p + t.size()), r.rhs));
  }
  return complete;
}

}  // namespace tessivar::engine::loops

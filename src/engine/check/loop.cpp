// The replay of a loop: every step must apply a given rule exactly where it
// says, and the final word must contain the start word as a factor.
#include <algorithm>

#include "engine/check/check.h"
#include "engine/check/rules.h"

namespace tessivar::engine {

using checking::rule_text;

void check_loop(const std::vector<NamedRule>& rules, const LoopStep& loop) {
  if (loop.steps.empty()) throw CheckFailure("loop: there is no step");
  NamedWord w = loop.start;
  for (size_t n = 0; n < loop.steps.size(); ++n) {
    const LoopRewrite& step = loop.steps[n];
    std::string where = "loop: step " + std::to_string(n + 1) + ": ";
    if (!checking::contains(rules, step.rule)) throw CheckFailure(where + "the rule " + rule_text(step.rule) + " is not a rule of the problem");
    size_t at = step.position, length = step.rule.lhs.size();
    if (at > w.size() || w.size() - at < length ||
        !std::equal(step.rule.lhs.begin(), step.rule.lhs.end(), w.begin() + static_cast<long>(at)))
      throw CheckFailure(where + "the left side of " + rule_text(step.rule) + " does not occur at position " +
                         std::to_string(at) + " of \"" + to_text(w) + "\"");
    w.erase(w.begin() + static_cast<long>(at), w.begin() + static_cast<long>(at + length));
    w.insert(w.begin() + static_cast<long>(at), step.rule.rhs.begin(), step.rule.rhs.end());
  }
  if (std::search(w.begin(), w.end(), loop.start.begin(), loop.start.end()) == w.end() && !loop.start.empty())
    throw CheckFailure("loop: the final word \"" + to_text(w) + "\" does not contain the start word \"" +
                       to_text(loop.start) + "\"");
}

}  // namespace tessivar::engine

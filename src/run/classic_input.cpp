#include "run/classic_input.h"

#include <set>

#include "engine/problem/system_text.h"

using tessivar::engine::NamedRule;

namespace {

const char* kNoLimit = "; tessivar-prove (--prover engine) has no such limit";

void CheckClassicName(const std::string& name) {
  std::string shown = name.size() > 40 ? name.substr(0, 40) + "..." : name;
  for (unsigned char c : name) {
    std::string why = tessivar::engine::why_not_in_name(c, "),-");
    if (!why.empty())
      throw ProblemError("the symbol name \"" + shown + "\" contains " + why +
                         ", which the classic prover reads as the end of a name" + kNoLimit);
  }
  if (name.size() > ClassicMaxNameBytes)
    throw ProblemError("the symbol name \"" + shown + "\" is longer than " +
                       std::to_string(ClassicMaxNameBytes) +
                       " bytes, which the classic prover keeps of a name" + kNoLimit);
}

void CheckSide(const std::vector<std::string>& side, size_t rule, const char* which) {
  if (side.size() > ClassicMaxSide)
    throw ProblemError("rule " + std::to_string(rule) + " has " + std::to_string(side.size()) +
                       " symbols on its " + which + " side; the classic prover takes at most " +
                       std::to_string(ClassicMaxSide) + kNoLimit);
}

// Lines of tokens separated by blanks, each starting and ending with a
// blank; a name too long for that stands alone on its line, followed by an
// empty line, which the reader takes as a blank.
class LineWriter {
 public:
  void Token(const std::string& t) {
    if (t.size() + 2 > ClassicMaxLineBytes) {
      Flush();
      text_ += t + "\n\n";
      return;
    }
    if (line_.size() + t.size() + 1 > ClassicMaxLineBytes) Flush();
    if (line_.empty()) line_ = " ";
    line_ += t + " ";
  }
  std::string Finish() {
    Flush();
    return text_;
  }

 private:
  void Flush() {
    if (!line_.empty()) text_ += line_ + "\n";
    line_.clear();
  }
  std::string text_ = "(RULES\n", line_;
};

}  // namespace

void CheckClassicCapacity(const std::vector<NamedRule>& rules) {
  if (rules.size() > ClassicMaxRules)
    throw ProblemError("the system has " + std::to_string(rules.size()) +
                       " rules; the classic prover takes at most " +
                       std::to_string(ClassicMaxRules) + kNoLimit);
  std::set<std::string> names;
  for (size_t i = 0; i < rules.size(); i++) {
    CheckSide(rules[i].lhs, i + 1, "left");
    CheckSide(rules[i].rhs, i + 1, "right");
    for (const auto* side : {&rules[i].lhs, &rules[i].rhs})
      for (const std::string& n : *side)
        if (names.insert(n).second) CheckClassicName(n);
  }
  if (names.size() > ClassicMaxSymbols)
    throw ProblemError("the system has " + std::to_string(names.size()) +
                       " symbols; the classic prover takes at most " +
                       std::to_string(ClassicMaxSymbols) + kNoLimit);
}

std::string ClassicText(const std::vector<NamedRule>& rules) {
  LineWriter w;
  for (size_t i = 0; i < rules.size(); i++) {
    for (const std::string& n : rules[i].lhs) w.Token(n);
    w.Token("->");
    for (const std::string& n : rules[i].rhs) w.Token(n);
    w.Token(i + 1 < rules.size() ? "," : ")");
  }
  if (rules.empty()) w.Token(")");
  return w.Finish();
}

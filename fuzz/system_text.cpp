// Fuzz target of the strict reader of the text format (read_system_text),
// which tessivar-run, tessivar-batch and tessivar-prove share. Any text is
// either refused with a reason, placed at a line and column inside the
// text where one is given, or read as rules whose names can stand in the
// format and whose written text reads back as the same rules.
#include <algorithm>
#include <string>
#include <vector>

#include "engine/problem/system_text.h"
#include "fuzz_util.h"

namespace engine = tessivar::engine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<engine::NamedRule> rules;
  try {
    rules = engine::read_system_text(text);
  } catch (const engine::InputError& e) {
    const std::string what = e.what();
    if (what.empty()) fuzz::Broken("a refusal without a reason");
    if (e.line < 0 || e.column < 0 || (e.line == 0) != (e.column == 0))
      fuzz::Broken("a refusal at line " + std::to_string(e.line) + ", column " + std::to_string(e.column));
    // Line ends: LF, CRLF and a lone CR; the place may be just past the end.
    size_t lines = 1;
    for (size_t i = 0; i < size; i++)
      if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == size || text[i + 1] != '\n'))) lines++;
    if (static_cast<size_t>(e.line) > lines)
      fuzz::Broken("a refusal at line " + std::to_string(e.line) + " of a text of " + std::to_string(lines) + " lines");
    if (e.line > 0 && what.rfind("line " + std::to_string(e.line) + ", column " + std::to_string(e.column) + ": ", 0) != 0)
      fuzz::Broken("a refusal whose message does not begin with its place: " + what);
    return 0;
  }
  for (const engine::NamedRule& r : rules)
    for (const std::vector<std::string>* side : {&r.lhs, &r.rhs})
      for (const std::string& name : *side) {
        try {
          engine::check_symbol_name(name);
        } catch (const engine::InputError& e) {
          fuzz::Broken("a name read that cannot stand in the format: \"" + name + "\": " + e.what());
        }
      }
  const std::string written = engine::write_system_text(rules);
  try {
    if (engine::read_system_text(written) != rules) fuzz::Broken("the written text reads back as other rules:\n" + written);
  } catch (const engine::InputError& e) {
    fuzz::Broken(std::string("the written text does not read back: ") + e.what() + "\n" + written);
  }
  return 0;
}

// The checker's view of rule lists: membership, removal, the text of a rule
// in messages, and the shape of a top-mode state (which symbols are marked).
#pragma once

#include <set>
#include <string>
#include <vector>

#include "engine/check/check.h"

namespace tessivar::engine::checking {

bool contains(const std::vector<NamedRule>& rules, const NamedRule& r);
// Every copy of every rule of `gone` leaves `rules`.
void remove_all(std::vector<NamedRule>& rules, const std::vector<NamedRule>& gone);
std::string rule_text(const NamedRule& r);
std::set<std::string> symbols_of(const std::vector<NamedRule>& rules);

// The marked symbols of a top-mode state: the first symbols of the pairs'
// sides. Throws CheckFailure unless every pair has two non-empty sides whose
// marked symbol stands first and nowhere else, and no weak rule holds a
// marked symbol.
std::set<std::string> marked_symbols(const CheckState& state);

}  // namespace tessivar::engine::checking

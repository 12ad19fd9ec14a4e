// The strict reader of the text format of string rewriting systems, shared
// by tessivar-run, tessivar-batch and tessivar-prove.
//
// The format is the problem database's old string rewriting format:
//   (RULES a b -> b a , b -> )   plus any number of (COMMENT ...) sections
// before or after. Symbols are tokens separated by blanks; "," separates
// rules; "(" , ")" and "," always end a symbol; "->" is the arrow. CRLF and
// CR line ends count as line ends. Everything else is refused with its line
// and column: a missing comma, an unknown section, a relative rule "->=",
// unbalanced parentheses. The writer gives a normalised text that any
// reader of the format, the classic prover's included, takes as meant.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "engine/problem/problem.h"

namespace tessivar::engine {

// A text that is not a system of this format. what() is the whole message,
// "line L, column C: ..." where a place is known.
struct InputError : std::runtime_error {
  InputError(int line, int column, const std::string& message);
  explicit InputError(const std::string& message);
  int line = 0, column = 0;  // 1-based; 0 where the text as a whole is at fault
};

// The rules of a system in the text format, in their order.
std::vector<NamedRule> read_system_text(const std::string& text);

// "(RULES\n  l -> r ,\n  ...\n)\n", a rule a line. Every name must pass
// check_symbol_name, or the text would not read back as the same rules.
std::string write_system_text(const std::vector<NamedRule>& rules);

// Throws InputError (without a place) unless the name can stand in the text
// format as one symbol: not empty, no blank or control byte, no "(", ")" or
// ",", no "->" inside. Names from other formats (XML) go through this.
void check_symbol_name(const std::string& name);

// What keeps a byte out of a symbol name, as a phrase ("a blank", "a control
// character", or the byte quoted when it is one of `separators`), or "" when
// nothing does.
std::string why_not_in_name(unsigned char byte, const std::string& separators);

}  // namespace tessivar::engine

// Fuzz target of the SMT-LIB 1.2 parser of tessivar-smt. Any text is either
// refused with a one-line reason, or parsed into a benchmark that the
// SMT-LIB 2 writer and the exact evaluator of models go through.
#include <string>
#include <string_view>

#include "fuzz_util.h"
#include "smt/ast.h"
#include "smt/backend.h"

using namespace tessivar::smt;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  Benchmark b;
  try {
    b = parse_benchmark(text);
  } catch (const ParseError& e) {
    std::string why = e.what();
    if (why.empty() || why.find('\n') != std::string::npos) fuzz::Broken("not a one-line reason: " + why);
    return 0;
  }
  if (b.terms.sort(b.problem) != Sort::Bool) fuzz::Broken("the problem is not a formula");
  to_smt2(b);
  // The empty model: evaluation fails or gives a truth value, never more.
  std::string why;
  check_model(b, Model{}, &why);
  return 0;
}

// Fuzz target of the prover's reader of solver answers (Find). The input is
// one byte of mode and dimension, one byte of entry bound, a system, a NUL
// byte and the answer. Any answer either stops the run with the program's
// error report, or fails the attempt, or removes rules; then the printed
// interpretation must pass the proof engine's independent check of the
// removal, and the rules left must be exactly the others.
#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/check/check.h"
#include "fuzz_util.h"
#include "matrix/attempt_state.h"
#include "store/store.h"
#include "util/error.h"

namespace {

namespace engine = tessivar::engine;

const char* const kLeftovers[] = {"frm", "srs", nullptr};

std::vector<engine::NamedRule> CurrentRules() {
  std::vector<engine::NamedRule> rules;
  for (int64_t k = 1; k <= Hib; k++) {
    engine::NamedRule r;
    for (int64_t p = 1; L[k][p] != 0; p++) r.lhs.push_back(Naam[L[k][p]]);
    for (int64_t p = 1; R[k][p] != 0; p++) r.rhs.push_back(Naam[R[k][p]]);
    rules.push_back(r);
  }
  return rules;
}

// A cursor over the printed proof; every expectation that fails is a fault.
struct Printed {
  const std::string& s;
  size_t p = 0;

  bool Next(const std::string& t) {
    if (s.compare(p, t.size(), t) != 0) return false;
    p += t.size();
    return true;
  }
  void Expect(const std::string& t) {
    if (!Next(t)) fuzz::Broken("expected \"" + t + "\" at byte " + std::to_string(p) + " of:\n" + s);
  }
  int64_t Number() {
    int64_t v = 0;
    auto r = std::from_chars(s.data() + p, s.data() + s.size(), v);
    if (r.ec != std::errc() || r.ptr == s.data() + p) fuzz::Broken("expected a number at byte " + std::to_string(p) + " of:\n" + s);
    p = static_cast<size_t>(r.ptr - s.data());
    return v;
  }
  engine::Entry Entry() {
    Expect(" ");
    if (Next("-")) return std::nullopt;
    return Number();
  }
};

engine::Matrix ReadMatrix(Printed& out, int64_t d) {
  engine::Matrix m(static_cast<size_t>(d));
  if (d == 1) {
    m[0].push_back(out.Entry());
    out.Expect("\n");
    return m;
  }
  out.Expect("\n");
  for (int64_t i = 1; i <= d; i++) {
    out.Expect(i == 1 ? "/" : i == d ? "\\" : "|");
    for (int64_t j = 1; j <= d; j++) m[i - 1].push_back(out.Entry());
    out.Expect(i == 1 ? " \\\n" : i == d ? " /\n" : " |\n");
  }
  return m;
}

// Checks a removal by the printed interpretation with the proof engine.
void CheckRemoval(const std::string& text, int64_t d, const std::vector<engine::NamedRule>& before) {
  Printed out{text};
  engine::MatrixStep step;
  step.semiring = Mp ? engine::Semiring::Natural : Trop ? engine::Semiring::Tropical : engine::Semiring::Arctic;
  step.dimension = static_cast<int>(d);
  if (Mp) step.strict_entry = std::make_pair(1, 1);
  if (d >= 2) out.Expect(Mp ? "Normal matrix interpretation\n" : Trop ? "Tropical matrix interpretation\n" : "Arctic matrix interpretation\n");
  for (int64_t k = 1; k <= Naamhib; k++) {
    out.Expect("interpretation of " + Naam[k] + ":");
    step.interpretation[Naam[k]] = ReadMatrix(out, d);
  }
  std::vector<engine::NamedRule> kept;
  size_t next_removed = 0;
  std::vector<size_t> removed;
  while (out.Next("remove rule ")) {
    removed.push_back(static_cast<size_t>(out.Number()));
    out.Expect("\n");
  }
  for (size_t r = 1; r <= before.size(); r++) {
    if (next_removed < removed.size() && removed[next_removed] == r) {
      step.remove.push_back(before[r - 1]);
      next_removed++;
    } else {
      kept.push_back(before[r - 1]);
    }
  }
  if (next_removed != removed.size()) fuzz::Broken("rule numbers out of order or range:\n" + text);
  if (kept.empty()) out.Expect("termination has been proved\n");
  if (out.p != text.size()) fuzz::Broken("unexpected text after the removed rules:\n" + text);
  if (CurrentRules() != kept) fuzz::Broken("the rules left are not the ones not removed:\n" + text);
  engine::CheckState state;
  state.strict = before;
  try {
    engine::check_matrix_step(state, step);
  } catch (const engine::CheckFailure& e) {
    fuzz::Broken(std::string("a removal that does not hold: ") + e.what() + "\n" + text);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::WorkInTempDir(kLeftovers);
  Rr.Bind("frm");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  std::string input(reinterpret_cast<const char*>(data) + 2, size - 2);
  size_t split = input.find('\0');
  if (split == std::string::npos) return 0;
  const int64_t d = 1 + (data[0] / 3) % MaxDimension;
  ClearStore();
  Mp = data[0] % 3 == 0;
  Trop = data[0] % 3 == 1;
  Mxr = data[1] % 16;
  Verbose = data[1] & 16;
  Rr.Bind("frm");
  std::string system = input.substr(0, split);
  std::FILE* in = fmemopen(system.data(), system.size(), "r");
  if (!in) fuzz::Broken("fmemopen failed");
  try {
    fuzz::CaughtStdout quiet;
    Lees(in);
  } catch (const StoppedRun&) {
    std::fclose(in);
    return 0;  // the system reader has a target of its own
  }
  std::fclose(in);
  std::vector<engine::NamedRule> before = CurrentRules();
  std::string printed;
  bool unsat = false;
  try {
    Rr.Rewrite();
    Rr.Write(input.substr(split + 1));
    Rr.Reset();
    Attempt attempt;
    attempt.d = d;
    attempt.answer = Rr.ReadLine().substr(0, 255);
    unsat = attempt.answer == "unsat";  // the attempt reports this failure itself
    if (!unsat) {
      fuzz::CaughtStdout out;
      try {
        attempt.Find();
      } catch (...) {
        printed = out.Text();
        throw;
      }
      printed = out.Text();
    }
    Rr.Close();
  } catch (const StoppedRun& e) {
    if (std::string(e.what()).rfind("tessivar: ", 0) != 0) fuzz::Broken(std::string("report without the program's prefix: ") + e.what());
    if (Hib != static_cast<int64_t>(before.size())) fuzz::Broken("rules removed before the run stopped");
    return 0;
  }
  if (Hib == static_cast<int64_t>(before.size())) {
    std::string failed = Verbose && !unsat ? "attempt failed for dimension " + std::to_string(d) + "\n" : "";
    if (printed != failed) fuzz::Broken("a failed attempt printed:\n" + printed);
    return 0;
  }
  CheckRemoval(printed, d, before);
  return 0;
}

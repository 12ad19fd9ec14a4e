#include "run/provers.h"

#include "run/verdict.h"

namespace {

std::string FirstLine(const std::string& s) {
  size_t b = s.find_first_not_of(" \n");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find('\n', b) - b);
}

std::string HowItEnded(const JobOutcome& o) {
  if (o.status == 127) return "could not be started";
  if (o.status >= 0) return "stopped with exit status " + std::to_string(o.status);
  return "was killed by signal " + std::to_string(o.signal_number);
}

ProverEnd JudgeClassic(const JobOutcome& o) {
  ProverEnd e;
  e.proof = o.out;
  if (o.stopped || o.status == 0) {
    e.verdict = Verdict(o.out);
  } else {
    e.failure = std::string(ProverTitle(ProverKind::Classic)) + " " + HowItEnded(o) +
                (o.status == 42 ? " (a run-time error)" : "");
    e.failure_status = 1;
  }
  return e;
}

ProverEnd JudgeEngine(const JobOutcome& o, const std::string& errors) {
  ProverEnd e;
  std::string verdict = EngineVerdict(o.out);
  if (!verdict.empty()) e.proof = o.out.substr(o.out.find('\n') + 1);
  if (o.stopped) {
    e.verdict = verdict.empty() ? "MAYBE" : verdict;
    if (verdict.empty()) e.proof = o.out;
  } else if (o.status == 0 && !verdict.empty()) {
    e.verdict = verdict;
    // "MAYBE", then "reason: ..." on the line after it.
    const std::string key = "reason: ";
    if (verdict == "MAYBE" && e.proof.compare(0, key.size(), key) == 0) {
      size_t end = e.proof.find('\n');
      e.reason = e.proof.substr(key.size(), end == std::string::npos ? end : end - key.size());
      e.proof = end == std::string::npos ? "" : e.proof.substr(end + 1);
    }
  } else if (o.status == 0) {
    e.failure = std::string(ProverTitle(ProverKind::Engine)) +
                " ended without a verdict: its first line is \"" + FirstLine(o.out) + "\"";
    e.failure_status = 1;
  } else {
    std::string reason = FirstLine(errors);
    e.failure = std::string(ProverTitle(ProverKind::Engine)) +
                (o.status == 2 ? " refused the problem" : " " + HowItEnded(o)) +
                (reason.empty() ? "" : ": " + reason);
    e.failure_status = o.status == 2 ? 2 : 1;
    e.proof = o.out;
  }
  return e;
}

}  // namespace

const char* ProverName(ProverKind k) { return k == ProverKind::Classic ? "classic" : "engine"; }

const char* ProverTitle(ProverKind k) {
  return k == ProverKind::Classic ? "the classic prover (tessivar)" : "the engine (tessivar-prove)";
}

ProverEnd JudgeEnd(ProverKind k, const JobOutcome& o, const std::string& errors) {
  return k == ProverKind::Classic ? JudgeClassic(o) : JudgeEngine(o, errors);
}

bool IsDefinite(const std::string& verdict) { return verdict == "YES" || verdict == "NO"; }

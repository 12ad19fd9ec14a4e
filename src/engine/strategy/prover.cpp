// The threads of the proof search, the problem they share, and the loop
// search beside them.
#include "engine/strategy/prover.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

#include "engine/check/check.h"
#include "engine/problem/measures.h"
#include "engine/processors/loop_search.h"

// In a build with AddressSanitizer the searches let go of at exit are told
// to its leak check, which would report them otherwise.
#if defined(__SANITIZE_ADDRESS__)
#define TESSIVAR_LEAK_CHECK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TESSIVAR_LEAK_CHECK 1
#endif
#endif
#ifdef TESSIVAR_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

namespace tessivar::engine::strategy {

namespace {

using encodings::Clock;
using processors::Result;
using processors::Verdict;

// The loop search runs in slices of 1, 2, 4, ... seconds, each followed
// by a pause this many times as long while the removal threads search.
constexpr double kFirstLoopSlice = 1.0;
constexpr double kLoopPauseFactor = 4.0;

// A thread keeps stopped searches for the next round up to this many
// clauses in all (memory: CaDiCaL takes some 100 bytes a clause).
constexpr uint64_t kKeptClauses = 4'000'000;

// The current problem (in the input's orientation), the chain of checked
// steps that led to it, and the flags that stop the threads' attempts once
// their problem is out of date.
class SharedSearch {
 public:
  SharedSearch(Problem start, size_t threads, Clock::time_point deadline, size_t memory_limit, std::ostream* progress)
      : current_(std::move(start)),
        stale_(threads),
        deadline_(deadline),
        memory_limit_(memory_limit),
        progress_(progress) {
    for (auto& f : stale_) f = std::make_unique<std::atomic<bool>>(false);
    finished_ = current_.strict.empty();
    answered_ = finished_;
  }

  struct Snapshot {
    Problem problem;
    uint64_t version = 0;
    bool finished = false;
  };

  Snapshot snapshot(size_t thread) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (seen_[thread] != version_) {
      seen_[thread] = version_;
      stale_[thread]->store(false);
    }
    return {current_, version_, finished_ || Clock::now() >= deadline_};
  }

  const std::atomic<bool>* stale_flag(size_t thread) const { return stale_[thread].get(); }
  Clock::time_point deadline() const { return deadline_; }
  size_t memory_limit() const { return memory_limit_; }

  // A checked step found on `version` of the problem (reversed or not),
  // leaving `rest`; false if another thread changed the problem first.
  bool apply(uint64_t version, bool reversed, StepNode step, const Problem& rest);
  // A checked proof of the rest found on `version`: it ends the chain.
  bool finish_with(uint64_t version, bool reversed, StepPtr tail);
  // A checked loop of the input: the answer is NO, whatever the version.
  bool finish_with_loop(LoopStep loop);

  // Waits until the problem changes, the search ends or the time is up.
  void wait_for_change(uint64_t version);
  // Waits until `until`, the deadline, or the end of the removal threads'
  // search; false if the answer is known by then.
  bool pause_loop_search(Clock::time_point until);
  void finish();
  // Raised once the answer is known: ends the loop search.
  const std::atomic<bool>* answered_flag() const { return &answered_; }

  void report(const std::string& line) {
    if (!progress_) return;
    std::lock_guard<std::mutex> lock(log_mutex_);
    double t = std::chrono::duration<double>(Clock::now() - start_).count();
    *progress_ << "[" << static_cast<int>(t * 1000) / 1000.0 << "s] " << line << std::endl;
  }

  std::vector<StepNode> take_chain() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::move(chain_);
  }
  bool proved() {
    std::lock_guard<std::mutex> lock(mutex_);
    return current_.strict.empty() || tail_;
  }
  // What a thread is trying, for the reason of a MAYBE.
  void trying(size_t thread, const std::string& what) {
    std::lock_guard<std::mutex> lock(mutex_);
    trying_[thread] = what;
  }
  // "time limit of 60 s reached (trying ...)" or "every method exhausted".
  std::string maybe_reason(const std::string& limit) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (all_tried_) return "every method exhausted";
    std::string out = "time limit of " + limit + " s reached";
    std::string tried;
    for (const auto& [thread, what] : trying_) tried += (tried.empty() ? "" : "; ") + what;
    return tried.empty() ? out : out + " (trying " + tried + ")";
  }

  std::optional<LoopStep> loop() {
    std::lock_guard<std::mutex> lock(mutex_);
    return loop_;
  }
  StepPtr take_tail() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::move(tail_);
  }

 private:
  void stop_all() {
    for (auto& f : stale_) f->store(true);
  }
  // A reversal step ends the chain where a step found in the other
  // orientation follows.
  void turn_chain_to(bool reversed) {
    if (reversed == chain_reversed_) return;
    chain_.emplace_back(std::in_place_type<ReverseStep>);
    chain_reversed_ = reversed;
  }
  void answer_found() {
    finished_ = true;
    answered_ = true;
    stop_all();
    changed_.notify_all();
  }

  std::mutex mutex_, log_mutex_;
  std::condition_variable changed_;
  Problem current_;
  std::vector<StepNode> chain_;
  bool chain_reversed_ = false;  // orientation after the chain
  StepPtr tail_;                 // the rest of the proof, if found at once
  std::optional<LoopStep> loop_;
  std::atomic<bool> answered_{false};
  uint64_t version_ = 0;
  size_t idle_ = 0;  // threads with nothing left to try on this version
  bool finished_ = false;
  std::vector<std::unique_ptr<std::atomic<bool>>> stale_;
  std::map<size_t, uint64_t> seen_;
  std::map<size_t, std::string> trying_;
  bool all_tried_ = false;
  Clock::time_point deadline_, start_ = Clock::now();
  size_t memory_limit_;
  std::ostream* progress_;
};

bool SharedSearch::apply(uint64_t version, bool reversed, StepNode step, const Problem& rest) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (version != version_ || finished_) return false;
  turn_chain_to(reversed);
  chain_.push_back(std::move(step));
  current_ = reversed ? engine::reversed(rest) : rest;
  ++version_;
  idle_ = 0;
  if (current_.strict.empty()) {
    answer_found();
    return true;
  }
  stop_all();
  changed_.notify_all();
  return true;
}

bool SharedSearch::finish_with(uint64_t version, bool reversed, StepPtr tail) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (version != version_ || finished_) return false;
  turn_chain_to(reversed);
  tail_ = std::move(tail);
  answer_found();
  return true;
}

bool SharedSearch::finish_with_loop(LoopStep loop) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (answered_) return false;
  loop_ = std::move(loop);
  answer_found();
  return true;
}

bool SharedSearch::pause_loop_search(Clock::time_point until) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait_until(lock, std::min(until, deadline_), [&] { return finished_; });
  return !answered_;
}

void SharedSearch::wait_for_change(uint64_t version) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (version == version_ && ++idle_ == stale_.size()) {
    finished_ = true;  // every thread has tried everything on this problem
    all_tried_ = Clock::now() < deadline_;
    changed_.notify_all();
    return;
  }
  changed_.wait_until(lock, deadline_, [&] { return version_ != version || finished_; });
}

void SharedSearch::finish() {
  std::lock_guard<std::mutex> lock(mutex_);
  finished_ = true;
  stop_all();
  changed_.notify_all();
}

std::string rule_count(const Problem& p) {
  return std::to_string(p.strict.size()) + " strict, " + std::to_string(p.weak.size()) + " weak";
}

// One thread: its list of attempts, over and over, on the newest problem,
// planned anew for each problem.
class Worker {
 public:
  Worker(SharedSearch& shared, size_t index, const Selection& selection, const std::vector<Attempt>* fixed)
      : shared_(shared), index_(index), selection_(selection), fixed_(fixed) {}

  void run();

 private:
  void plan(const Problem& problem);
  // Runs one attempt; false when there is nothing left to try on this
  // version of the problem.
  bool try_next(const SharedSearch::Snapshot& s);
  void run_attempt(const SharedSearch::Snapshot& s, size_t i, double budget);
  void keep_or_drop(size_t i, Verdict verdict);
  std::string outcome_text(const SharedSearch::Snapshot& s, size_t i, Result& r);
  void give_up_on(size_t i, const std::string& why);

  SharedSearch& shared_;
  size_t index_;
  Selection selection_;
  const std::vector<Attempt>* fixed_;  // the caller's list, or none
  Plan plan_;
  std::vector<Attempt> attempts_;
  uint64_t version_ = static_cast<uint64_t>(-1);
  Problem reversed_;  // the current problem reversed, if an attempt needs it
  size_t next_ = 0;
  int round_ = 0;
  std::vector<bool> exhausted_;
  // Processors of this version of the problem, kept so that a search
  // stopped by its budget resumes in the next round with what it learnt.
  std::vector<std::unique_ptr<processors::Processor>> processors_;
  bool stopped_in_round_ = false;
};

void Worker::plan(const Problem& problem) {
  plan_ = plan_for(problem, selection_);
  attempts_ = fixed_ ? *fixed_ : plan_.threads.at(index_);
  next_ = 0;
  round_ = 0;
  exhausted_.assign(attempts_.size(), false);
  processors_.clear();
  processors_.resize(attempts_.size());
  stopped_in_round_ = false;
  bool any_reversed = std::any_of(attempts_.begin(), attempts_.end(),
                                  [](const Attempt& a) { return a.orientation == Orientation::Reversed; });
  reversed_ = any_reversed ? reversed(problem) : Problem{};
}

void Worker::run() {
  for (;;) {
    SharedSearch::Snapshot s = shared_.snapshot(index_);
    if (s.finished) return;
    if (s.version != version_) {
      version_ = s.version;
      plan(s.problem);
      shared_.report("thread " + std::to_string(index_) + ": " + std::to_string(attempts_.size()) +
                     " attempts planned for " + rule_count(s.problem) + ", longest side " +
                     std::to_string(longest_side(s.problem)));
    }
    if (!try_next(s)) shared_.wait_for_change(s.version);
  }
}

bool Worker::try_next(const SharedSearch::Snapshot& s) {
  if (attempts_.empty()) return false;
  if (next_ >= attempts_.size()) {
    if (!stopped_in_round_) return false;  // every attempt was exhausted
    next_ = 0;
    ++round_;
    stopped_in_round_ = false;
  }
  size_t i = next_++;
  if (exhausted_[i]) return true;
  double budget = attempts_[i].budget * static_cast<double>(1u << std::min(round_, 20));
  run_attempt(s, i, budget);
  return true;
}

// A stopped processor with a search to resume keeps it for the next round
// while the kept searches stay within kKeptClauses; any other is made anew
// for its next turn, with that round's budget.
void Worker::keep_or_drop(size_t i, Verdict verdict) {
  uint64_t total = 0;
  for (size_t j = 0; j < processors_.size(); ++j)
    if (j != i && processors_[j]) total += processors_[j]->kept_clauses();
  const processors::Processor& p = *processors_[i];
  if (verdict != Verdict::Stopped || !p.resumable() || total + p.kept_clauses() > kKeptClauses) processors_[i].reset();
}

// An attempt that throws (settings its technique refuses, a failed
// allocation) is an internal error: it is reported and not made again, and
// the other attempts go on.
void Worker::give_up_on(size_t i, const std::string& why) {
  processors_[i].reset();
  exhausted_[i] = true;
  std::cerr << "tessivar-prove: internal error: " << describe(attempts_[i]) << " failed: " << why << std::endl;
  shared_.report("thread " + std::to_string(index_) + ": " + describe(attempts_[i]) + ": failed: " + why);
}

// Matrix searches count their budget in solver time (an encoding cut short
// is thrown away); every other technique in time on the clock. The
// dependency-pair path's own attempts are scaled by the round.
void Worker::run_attempt(const SharedSearch::Snapshot& s, size_t i, double budget) {
  const Attempt& a = attempts_[i];
  encodings::StopCondition stop;
  stop.deadline = shared_.deadline();
  stop.cancel = shared_.stale_flag(index_);
  stop.memory_limit = shared_.memory_limit();
  if (a.technique == Technique::Matrices) {
    stop.budget_seconds = budget;
  } else {
    stop = stop.within(budget);
  }
  shared_.trying(index_, describe(a));
  shared_.report("thread " + std::to_string(index_) + ": trying " + describe(a));
  bool reversed = a.orientation == Orientation::Reversed;
  Result r;
  try {
    if (!processors_[i]) processors_[i] = make_processor(a, plan_, budget / a.budget);
    r = processors_[i]->apply(reversed ? reversed_ : s.problem, stop);
  } catch (const std::exception& e) {
    give_up_on(i, e.what());
    return;
  }
  keep_or_drop(i, r.verdict);
  std::string line = "thread " + std::to_string(index_) + ": " + describe(a) +
                     (r.figures.empty() ? "" : " (" + r.figures + ")") + ": " + outcome_text(s, i, r);
  shared_.report(line);
}

std::string Worker::outcome_text(const SharedSearch::Snapshot& s, size_t i, Result& r) {
  const Attempt& a = attempts_[i];
  bool reversed = a.orientation == Orientation::Reversed;
  switch (r.verdict) {
    case Verdict::Applied: {
      size_t before = s.problem.rule_count(), after = r.rest.rule_count();
      std::string what = r.step->as<MatrixStep>()
                             ? "removed " + std::to_string(before - std::min(before, after)) + " rule(s)"
                             : std::string("applied ") + r.step->name();
      if (!shared_.apply(s.version, reversed, std::move(r.step->node), r.rest))
        return "found, but the problem changed meanwhile";
      return what + ", left " + rule_count(r.rest);
    }
    case Verdict::Proved:
      return shared_.finish_with(s.version, reversed, std::move(r.step)) ? "proved the rest"
                                                                          : "proved, but the problem changed meanwhile";
    case Verdict::NotApplicable:
      exhausted_[i] = true;
      return "does not apply: " + r.reason;
    case Verdict::Exhausted:
      exhausted_[i] = true;
      return "none";
    case Verdict::Stopped:
      stopped_in_round_ = true;
      return "stopped";
    case Verdict::CheckFailed:
      exhausted_[i] = true;
      std::cerr << "tessivar-prove: internal error: a step found by " << describe(a)
                << " fails its check: " << r.reason << std::endl;
      return "refused by the check";
  }
  return "";
}

// The loop search on the input, in slices that start over with twice the
// time (its bounds grow within a slice), with pauses between them while the
// removal threads search; once they have given up it runs on without
// pauses. The loop processor checks a loop by replay before it returns it.
void search_loops(SharedSearch& shared, const std::vector<NamedRule>& input) {
  Problem problem = problem_of(input);
  processors::LoopFinder finder;
  for (double slice = kFirstLoopSlice;; slice *= 2) {
    auto start = Clock::now();
    encodings::StopCondition stop;
    stop.deadline = shared.deadline();
    stop = stop.within(slice);
    stop.cancel = shared.answered_flag();
    stop.memory_limit = shared.memory_limit();
    Result r = finder.apply(problem, stop);
    std::ostringstream line;
    line << "loops: " << r.figures << " in " << std::chrono::duration<double>(Clock::now() - start).count() << "s: ";
    switch (r.verdict) {
      case Verdict::Proved: {
        size_t steps = r.step->as<LoopStep>()->steps.size();
        bool first = shared.finish_with_loop(std::move(*r.step->as<LoopStep>()));
        shared.report(line.str() + (first ? "found a loop of " : "found, but the answer was known: a loop of ") +
                      std::to_string(steps) + " steps");
        return;
      }
      case Verdict::CheckFailed:
        std::cerr << "tessivar-prove: internal error: a loop fails its check: " << r.reason << std::endl;
        shared.report(line.str() + "refused by the check");
        return;
      case Verdict::NotApplicable:
      case Verdict::Applied:
        shared.report(line.str() + "does not apply: " + r.reason);
        return;
      case Verdict::Exhausted:
        shared.report(line.str() + "none, every closure built");
        return;
      case Verdict::Stopped:
        shared.report(line.str() + "none");
        break;
    }
    if (Clock::now() >= shared.deadline()) return;
    auto pause = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(slice * kLoopPauseFactor));
    if (!shared.pause_loop_search(Clock::now() + pause)) return;
  }
}

// The chain of steps, ended by the proof of the rest if one was found.
StepPtr yes_proof(SharedSearch& shared) { return processors::assemble_proof(shared.take_chain(), shared.take_tail()); }

}  // namespace

std::optional<Certificate> prove(const std::vector<NamedRule>& input, const ProveOptions& options) {
  Problem problem = problem_of(input);
  // A margin for stopping the threads and freeing their solvers.
  double search_seconds = std::max(0.05, options.timeout - std::min(2.0, 0.05 * options.timeout));
  auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                     std::chrono::duration<double>(search_seconds));
  size_t thread_count = options.schedule.empty() ? plan_for(problem, options.selection).threads.size()
                                                 : options.schedule.size();
  SharedSearch shared(problem, thread_count, deadline, options.memory_mb << 20, options.progress);
  shared.report("start: " + rule_count(problem));
  std::vector<std::thread> threads;
  std::vector<std::unique_ptr<Worker>> workers;
  for (size_t i = 0; i < thread_count; ++i) {
    const std::vector<Attempt>* fixed = options.schedule.empty() ? nullptr : &options.schedule[i];
    workers.push_back(std::make_unique<Worker>(shared, i, options.selection, fixed));
    threads.emplace_back([w = workers.back().get()] { w->run(); });
  }
  std::thread loops;
  if (options.selection.allows(Technique::Loops)) loops = std::thread([&] { search_loops(shared, input); });
  for (auto& t : threads) t.join();
  if (loops.joinable()) loops.join();
  shared.finish();
  if (!options.free_searches) {
    // The caller exits right after: freeing gigabytes of solver memory can
    // take seconds, past the time it was given.
    for (auto& w : workers) {
#ifdef TESSIVAR_LEAK_CHECK
      __lsan_ignore_object(w.get());
#endif
      w.release();
    }
  }
  workers.clear();
  Certificate c;
  c.input = input;
  if (std::optional<LoopStep> loop = shared.loop()) {
    c.answer = Answer::No;
    c.proof = Step::loop_step(std::move(*loop));
  } else if (shared.proved()) {
    c.proof = yes_proof(shared);
  } else {
    if (options.maybe_reason) {
      std::ostringstream limit;
      limit << options.timeout;
      *options.maybe_reason = shared.maybe_reason(options.timeout_text.empty() ? limit.str() : options.timeout_text);
    }
    return std::nullopt;
  }
  try {
    check_certificate(c);
    check_input_matches(c, input);
  } catch (const CheckFailure& e) {
    std::cerr << "tessivar-prove: internal error: the proof fails its check: " << e.what() << std::endl;
    return std::nullopt;
  }
  return c;
}

}  // namespace tessivar::engine::strategy

// The threads of the proof search, the problem they share, and the loop
// search beside them.
#include "engine/strategy/prover.h"

#include <algorithm>
#include <condition_variable>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

#include "engine/check/check.h"
#include "engine/processors/loop_search.h"
#include "engine/processors/matrix_removal.h"
#include "engine/processors/reversal.h"
#include "engine/processors/top_proof.h"

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
using processors::ChainStep;
using processors::RemovalOutcome;

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
  SharedSearch(Problem start, size_t threads, Clock::time_point deadline, std::ostream* progress)
      : current_(std::move(start)), stale_(threads), deadline_(deadline), progress_(progress) {
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

  // A checked removal found on `version` of the problem (reversed or not);
  // false if another thread changed the problem first.
  bool apply(uint64_t version, bool reversed, const ChainStep& step, const Problem& rest);
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

  std::vector<ChainStep> chain() {
    std::lock_guard<std::mutex> lock(mutex_);
    return chain_;
  }
  bool proved() {
    std::lock_guard<std::mutex> lock(mutex_);
    return current_.strict.empty() || tail_;
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
    chain_.push_back(processors::reverse_problem(current_).step);
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
  std::vector<ChainStep> chain_;
  bool chain_reversed_ = false;  // orientation after the chain
  StepPtr tail_;                 // the rest of the proof, if found at once
  std::optional<LoopStep> loop_;
  std::atomic<bool> answered_{false};
  uint64_t version_ = 0;
  size_t idle_ = 0;  // threads with nothing left to try on this version
  bool finished_ = false;
  std::vector<std::unique_ptr<std::atomic<bool>>> stale_;
  std::map<size_t, uint64_t> seen_;
  Clock::time_point deadline_, start_ = Clock::now();
  std::ostream* progress_;
};

bool SharedSearch::apply(uint64_t version, bool reversed, const ChainStep& step, const Problem& rest) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (version != version_ || finished_) return false;
  turn_chain_to(reversed);
  chain_.push_back(step);
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

// One thread: its list of attempts, over and over, on the newest problem.
class Worker {
 public:
  Worker(SharedSearch& shared, size_t index, std::vector<Attempt> attempts)
      : shared_(shared), index_(index), attempts_(std::move(attempts)) {}

  void run();

 private:
  // Runs one attempt; false when there is nothing left to try on this
  // version of the problem.
  bool try_next(const SharedSearch::Snapshot& s);
  void run_attempt(const SharedSearch::Snapshot& s, size_t i, double budget);
  void run_dependency_pairs(const SharedSearch::Snapshot& s, size_t i, double budget);

  SharedSearch& shared_;
  size_t index_;
  std::vector<Attempt> attempts_;
  uint64_t version_ = static_cast<uint64_t>(-1);
  size_t next_ = 0;
  int round_ = 0;
  std::vector<bool> exhausted_;
  // Stopped searches on this version of the problem, resumed in the next
  // round with what their solver has learnt.
  std::vector<std::unique_ptr<encodings::MatrixSearch>> searches_;
  std::vector<uint64_t> kept_clauses_;

  void keep_or_drop(size_t i, const processors::Removal& r) {
    uint64_t total = 0;
    for (size_t j = 0; j < searches_.size(); ++j)
      if (j != i && searches_[j]) total += kept_clauses_[j];
    bool keep = r.outcome == RemovalOutcome::Stopped && total + r.search.clauses <= kKeptClauses;
    if (!keep) searches_[i].reset();
    kept_clauses_[i] = keep ? r.search.clauses : 0;
  }
  bool stopped_in_round_ = false;
};

void Worker::run() {
  for (;;) {
    SharedSearch::Snapshot s = shared_.snapshot(index_);
    if (s.finished) return;
    if (s.version != version_) {
      version_ = s.version;
      next_ = 0;
      round_ = 0;
      exhausted_.assign(attempts_.size(), false);
      searches_.clear();
      searches_.resize(attempts_.size());
      kept_clauses_.assign(attempts_.size(), 0);
      stopped_in_round_ = false;
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

// The attempt's budget scales the times of the path's own attempts, so the
// path gets further in each round.
void Worker::run_dependency_pairs(const SharedSearch::Snapshot& s, size_t i, double budget) {
  const Attempt& a = attempts_[i];
  encodings::StopCondition stop;
  stop.deadline = std::min(shared_.deadline(),
                           Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                              std::chrono::duration<double>(budget)));
  stop.cancel = shared_.stale_flag(index_);
  Problem problem = a.reversed ? reversed(s.problem) : s.problem;
  auto plan = processors::scaled(processors::default_dependency_pair_plan(problem), budget / a.budget);
  StepPtr tail = processors::prove_by_dependency_pairs(problem, plan, stop);
  std::string line = "thread " + std::to_string(index_) + ": " + describe(a) + ": ";
  if (tail) {
    line += shared_.finish_with(s.version, a.reversed, std::move(tail)) ? "proved the rest"
                                                                         : "proved, but the problem changed meanwhile";
  } else if (stop.reached()) {
    stopped_in_round_ = true;
    line += "stopped";
  } else {
    exhausted_[i] = true;
    line += "none";
  }
  shared_.report(line);
}

void Worker::run_attempt(const SharedSearch::Snapshot& s, size_t i, double budget) {
  const Attempt& a = attempts_[i];
  if (a.dependency_pairs) return run_dependency_pairs(s, i, budget);
  encodings::StopCondition stop;
  stop.deadline = shared_.deadline();
  stop.budget_seconds = budget;
  stop.cancel = shared_.stale_flag(index_);
  if (!searches_[i])
    searches_[i] = std::make_unique<encodings::MatrixSearch>(a.reversed ? reversed(s.problem) : s.problem,
                                                            a.settings);
  processors::Removal r = processors::remove_by_matrix(*searches_[i], stop);
  keep_or_drop(i, r);
  std::ostringstream line;
  line << "thread " << index_ << ": " << describe(a) << " (" << r.search.products << " products, "
       << r.search.variables << " vars, encode " << r.search.encode_seconds << "s, solve "
       << r.search.solve_seconds << "s): ";
  switch (r.outcome) {
    case RemovalOutcome::Removed:
      if (shared_.apply(s.version, a.reversed, r.step, r.rest)) {
        line << "removed " << r.step.matrix.remove.size() << " rule(s), left " << rule_count(r.rest);
      } else {
        line << "found, but the problem changed meanwhile";
      }
      break;
    case RemovalOutcome::NotFound:
      exhausted_[i] = true;
      line << "none";
      break;
    case RemovalOutcome::Stopped:
      stopped_in_round_ = true;
      line << "stopped";
      break;
    case RemovalOutcome::Refused:
      exhausted_[i] = true;
      std::cerr << "tessivar-prove: internal error: a step found by " << describe(a)
                << " fails its check: " << r.why << std::endl;
      line << "refused by the check";
      break;
  }
  shared_.report(line.str());
}

// The loop search on the input, in slices that start over with twice the
// time (its bounds grow within a slice), with pauses between them while the
// removal threads search; once they have given up it runs on without
// pauses. A loop counts once check_loop has confirmed it.
void search_loops(SharedSearch& shared, const std::vector<NamedRule>& input) {
  Problem problem = problem_of(input);
  LoopSearchOptions options;
  options.stop = shared.answered_flag();
  for (double slice = kFirstLoopSlice;; slice *= 2) {
    auto start = Clock::now();
    options.deadline = std::min(shared.deadline(), start + std::chrono::duration_cast<Clock::duration>(
                                                               std::chrono::duration<double>(slice)));
    LoopSearchStats stats;
    std::optional<LoopStep> loop = find_loop(problem, options, &stats);
    std::ostringstream line;
    line << "loops: " << stats.closures << " closures, " << stats.rounds << " rounds in "
         << std::chrono::duration<double>(Clock::now() - start).count() << "s: ";
    if (loop) {
      try {
        check_loop(input, *loop);
        line << (shared.finish_with_loop(*loop) ? "found a loop of " : "found, but the answer was known: a loop of ")
             << loop->steps.size() << " steps";
      } catch (const CheckFailure& e) {
        std::cerr << "tessivar-prove: internal error: a loop fails its check: " << e.what() << std::endl;
        line << "refused by the check";
      }
      shared.report(line.str());
      return;
    }
    shared.report(line.str() + (stats.exhausted ? "none, every closure built" : "none"));
    if (stats.exhausted || Clock::now() >= shared.deadline()) return;
    auto pause = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(slice * kLoopPauseFactor));
    if (!shared.pause_loop_search(Clock::now() + pause)) return;
  }
}

// The chain of removals, ended by the proof of the rest if one was found.
StepPtr yes_proof(SharedSearch& shared) {
  StepPtr proof = processors::assemble_proof(shared.chain());
  if (StepPtr tail = shared.take_tail()) {
    StepPtr* end = &proof;
    while ((*end)->kind != Step::Kind::Empty) end = &(*end)->next;
    *end = std::move(tail);
  }
  return proof;
}

}  // namespace

std::optional<Certificate> prove(const std::vector<NamedRule>& input, const ProveOptions& options) {
  Problem problem = problem_of(input);
  // A margin for stopping the threads and freeing their solvers.
  double search_seconds = std::max(0.05, options.timeout - std::min(2.0, 0.05 * options.timeout));
  auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                     std::chrono::duration<double>(search_seconds));
  auto schedule = options.schedule.empty() ? default_schedule(problem) : options.schedule;
  if (!options.dependency_pairs)
    for (auto& list : schedule)
      list.erase(std::remove_if(list.begin(), list.end(), [](const Attempt& a) { return a.dependency_pairs; }),
                 list.end());
  SharedSearch shared(problem, schedule.size(), deadline, options.progress);
  shared.report("start: " + rule_count(problem));
  std::vector<std::thread> threads;
  std::vector<std::unique_ptr<Worker>> workers;
  for (size_t i = 0; i < schedule.size(); ++i) {
    workers.push_back(std::make_unique<Worker>(shared, i, schedule[i]));
    threads.emplace_back([w = workers.back().get()] { w->run(); });
  }
  std::thread loops;
  if (options.loop_search) loops = std::thread([&] { search_loops(shared, input); });
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

// The table of closures a round of the loop search has already met, kept as
// 64-bit fingerprints in one open-addressing array. It holds at most
// `max_entries` of them (in at most 4 * max_entries slots); when it is full
// it forgets everything and starts again: the search may then unfold a
// closure twice, but its memory never grows past the cap.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessivar::engine::loops {

class SeenTable {
 public:
  explicit SeenTable(size_t max_entries) : max_entries_(std::max<size_t>(max_entries, 1)) {}

  // True if the fingerprint is new (and now remembered).
  bool insert(uint64_t fingerprint) {
    if (fingerprint == 0) fingerprint = 1;  // 0 marks a free slot
    if (count_ >= max_entries_) forget();
    if (2 * (count_ + 1) > slots_.size()) grow();
    size_t mask = slots_.size() - 1;
    for (size_t i = fingerprint & mask;; i = (i + 1) & mask) {
      if (slots_[i] == fingerprint) return false;
      if (slots_[i] == 0) {
        slots_[i] = fingerprint;
        ++count_;
        return true;
      }
    }
  }

  void clear() {
    slots_.clear();
    slots_.shrink_to_fit();
    count_ = 0;
  }

  size_t size() const { return count_; }

 private:
  void forget() {
    std::fill(slots_.begin(), slots_.end(), 0);
    count_ = 0;
  }

  // Doubles the slots (a power of two, at least 64).
  void grow() {
    std::vector<uint64_t> old;
    old.swap(slots_);
    slots_.assign(std::max<size_t>(64, 2 * old.size()), 0);
    count_ = 0;
    for (uint64_t f : old)
      if (f != 0) insert(f);
  }

  size_t max_entries_;
  std::vector<uint64_t> slots_;
  size_t count_ = 0;
};

}  // namespace tessivar::engine::loops

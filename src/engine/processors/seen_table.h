// The table of closures a round of the loop search has already met, kept as
// 64-bit fingerprints in one open-addressing array of bounded size. When it
// is full it forgets everything and starts again: the search may then
// unfold a closure twice, but its memory never grows past the cap.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessivar::engine::loops {

class SeenTable {
 public:
  explicit SeenTable(size_t max_entries) {
    while (max_slots_ < 2 * max_entries) max_slots_ *= 2;
  }

  // True if the fingerprint is new (and now remembered).
  bool insert(uint64_t fingerprint) {
    if (fingerprint == 0) fingerprint = 1;  // 0 marks a free slot
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
    count_ = 0;
  }

  size_t size() const { return count_; }

 private:
  void grow() {
    if (slots_.empty()) {
      slots_.assign(std::min<size_t>(1024, max_slots_), 0);
      return;
    }
    if (2 * slots_.size() > max_slots_) {  // full: forget
      std::fill(slots_.begin(), slots_.end(), 0);
      count_ = 0;
      return;
    }
    std::vector<uint64_t> old;
    old.swap(slots_);
    slots_.assign(2 * old.size(), 0);
    count_ = 0;
    for (uint64_t f : old)
      if (f != 0) insert(f);
  }

  size_t max_slots_ = 32;  // a power of two
  std::vector<uint64_t> slots_;
  size_t count_ = 0;
};

}  // namespace tessivar::engine::loops

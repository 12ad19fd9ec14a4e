// A fixed-size table indexed from 1 whose every access is checked: an index
// outside 1..N stops the run with "value out of range".
#pragma once
#include <cstdint>
#include <string>

#include "util/error.h"

template <class T, int64_t N>
struct CheckedTable {
  T v[N] = {};

  T& operator[](int64_t i) {
    if (i < 1 || i > N) OutOfRange(i);
    return v[i - 1];
  }
  const T& operator[](int64_t i) const {
    if (i < 1 || i > N) OutOfRange(i);
    return v[i - 1];
  }
  static constexpr int64_t Size = N;

 private:
  [[noreturn]] static void OutOfRange(int64_t i) {
    RangeError("index " + std::to_string(i) + " outside 1.." + std::to_string(N));
  }
};

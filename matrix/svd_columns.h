#pragma once
// The column reflections of the singular value decomposition's accumulation of U and V.

#include <algorithm>
#include <cstddef>

#include "numbers/extended.h"

namespace kelvaro::svd {

using Ext = Extended;

// sums[c] += a[i]·b_c[i] / p for i < len in order, for the C columns b_c: each quotient of
// two elements' product by a pivot element is a double operation, so pairs of them go
// through one vector instruction with the same rounding, a block at a time, and only the
// Extended sums take them one by one (several columns side by side: each sum is a chain of
// x87 adds, and a lone chain held the loop at the adder's latency).
template <int C>
void addQuotients(const double* a, const double* const* b, std::size_t len, double p, Ext* sums) {
  using Pair = double __attribute__((vector_size(16)));
  constexpr std::size_t kBlock = 64;
  double q[C][kBlock];
  const Pair pp = {p, p};
  Ext s[C];
  for (int c = 0; c < C; ++c) s[c] = sums[c];
  for (std::size_t i0 = 0; i0 < len; i0 += kBlock) {
    const std::size_t count = std::min(kBlock, len - i0);
    std::size_t i = 0;
    for (; i + 2 <= count; i += 2) {
      Pair x;
      __builtin_memcpy(&x, a + i0 + i, sizeof x);
      for (int c = 0; c < C; ++c) {
        Pair y;
        __builtin_memcpy(&y, b[c] + i0 + i, sizeof y);
        const Pair r = x * y / pp;
        __builtin_memcpy(&q[c][i], &r, sizeof r);
      }
    }
    for (; i < count; ++i)
      for (int c = 0; c < C; ++c) q[c][i] = a[i0 + i] * b[c][i0 + i] / p;
    for (i = 0; i < count; ++i)
      for (int c = 0; c < C; ++c) s[c] += q[c][i];
  }
  for (int c = 0; c < C; ++c) sums[c] = s[c];
}

// Columns first..last (their parts from column(j) on, len rows) take the reflection v:
// x := x + d·v with d = -Σ v[i]·x[i] / pivot, two columns at a time.
template <class Column>
void reduceColumns(const double* v, Column column, std::size_t len, double pivot, int first,
                   int last) {
  const auto update = [&](double* x, Ext sum) {
    const Ext d = -sum;
    for (std::size_t i = 0; i < len; ++i) x[i] = static_cast<double>(x[i] + d * v[i]);
  };
  // C columns from j on, their sums side by side.
  const auto reduce = [&]<int C>(int j) {
    double* x[C];
    Ext sums[C];
    for (int c = 0; c < C; ++c) x[c] = column(j + c), sums[c] = 0;
    addQuotients<C>(v, x, len, pivot, sums);
    for (int c = 0; c < C; ++c) update(x[c], sums[c]);
  };
  int j = first;
  for (; j + 1 <= last; j += 2) reduce.template operator()<2>(j);
  if (j <= last) reduce.template operator()<1>(j);
}

}  // namespace kelvaro::svd

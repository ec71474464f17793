#pragma once
// The column kernels of the singular value decomposition: the reflections of its
// accumulation of U and V, and the plane rotations of its sweeps.

#include <cstddef>
#include <cstdint>

#include "numbers/extended.h"

namespace kelvaro::svd {

using Ext = Extended;

// Where the x87 instructions can be chosen by hand, the loops below keep their Extended
// coefficients on the register stack and take every element straight from memory into the
// operation that needs it. The compiler's loops copied a coefficient up the stack for every
// product instead, and the copies went to the same two ports as the multiplies and adds.
// Every value comes out with the same bits either way but for a NaN's sign: where two NaNs
// that differ only in sign meet, the x87 unit returns one or the other by their places in the
// instruction, and the loops place some operands otherwise. No output shows a NaN's sign.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define KELVARO_X87_LOOPS 1
#endif

#ifdef KELVARO_X87_LOOPS
// How far y lies from x, in bytes: the loops address both from one register.
inline std::uintptr_t bytesFrom(const double* x, const double* y) {
  return reinterpret_cast<std::uintptr_t>(y) - reinterpret_cast<std::uintptr_t>(x);
}
#endif

// (x, y) := (cs·x + sn·y, -sn·x + cs·y) over two columns of length len: 2.9 -> 3.7 G
// multiplies a second by hand.
inline void rotateColumns(double* x, double* y, std::size_t len, Ext cs, Ext sn) {
  const Ext msn = -sn;
#ifdef KELVARO_X87_LOOPS
  if (len == 0) return;
  const std::uintptr_t toY = bytesFrom(x, y);
  asm volatile(
      "fldt %[msn]\n\t"  // msn
      "fldt %[sn]\n\t"   // sn msn
      "fldt %[cs]\n"     // cs sn msn
      "1:\n\t"
      "fldl (%[x])\n\t"          // x cs sn msn
      "fmul %%st(1), %%st\n\t"   // cs·x cs sn msn
      "fldl (%[x],%[toY])\n\t"   // y cs·x cs sn msn
      "fmul %%st(3), %%st\n\t"   // sn·y cs·x cs sn msn
      "faddp %%st, %%st(1)\n\t"  // x' cs sn msn
      "fldl (%[x])\n\t"          // x x' cs sn msn
      "fmul %%st(4), %%st\n\t"   // msn·x x' cs sn msn
      "fldl (%[x],%[toY])\n\t"   // y msn·x x' cs sn msn
      "fmul %%st(3), %%st\n\t"   // cs·y msn·x x' cs sn msn
      "faddp %%st, %%st(1)\n\t"  // y' x' cs sn msn
      "fstpl (%[x],%[toY])\n\t"  // x' cs sn msn
      "fstpl (%[x])\n\t"         // cs sn msn
      "add $8, %[x]\n\t"
      "dec %[len]\n\t"
      "jnz 1b\n\t"
      "fstp %%st(0)\n\t"
      "fstp %%st(0)\n\t"
      "fstp %%st(0)"
      : [x] "+r"(x), [len] "+r"(len)
      : [toY] "r"(toY), [cs] "m"(cs), [sn] "m"(sn), [msn] "m"(msn)
      : "memory", "cc", "st", "st(1)", "st(2)", "st(3)", "st(4)", "st(5)", "st(6)", "st(7)");
#else
  for (std::size_t r = 0; r < len; ++r) {
    const double xr = x[r];
    const double yr = y[r];
    x[r] = static_cast<double>(cs * xr + sn * yr);
    y[r] = static_cast<double>(msn * xr + cs * yr);
  }
#endif
}

// x := x + d·v over len elements.
inline void addScaled(double* x, const double* v, std::size_t len, Ext d) {
#ifdef KELVARO_X87_LOOPS
  if (len == 0) return;
  const std::uintptr_t toV = bytesFrom(x, v);
  asm volatile(
      "fldt %[d]\n"  // d
      "1:\n\t"
      "fldl (%[x],%[toV])\n\t"  // v d
      "fmul %%st(1), %%st\n\t"  // d·v d
      "faddl (%[x])\n\t"        // x + d·v d
      "fstpl (%[x])\n\t"        // d
      "add $8, %[x]\n\t"
      "dec %[len]\n\t"
      "jnz 1b\n\t"
      "fstp %%st(0)"
      : [x] "+r"(x), [len] "+r"(len)
      : [toV] "r"(toV), [d] "m"(d)
      : "memory", "cc", "st", "st(1)", "st(2)", "st(3)", "st(4)", "st(5)", "st(6)", "st(7)");
#else
  for (std::size_t i = 0; i < len; ++i) x[i] = static_cast<double>(x[i] + d * v[i]);
#endif
}

// sums[r] := Σ e[j]·c[j·stride + r] over j < count in order, for the four rows r = 0..3 of a
// column-major block (stride in elements).
inline void sumFourRows(const Ext* e, const double* c, std::size_t stride, std::size_t count,
                        Ext* sums) {
  Ext s0 = 0, s1 = 0, s2 = 0, s3 = 0;
#ifdef KELVARO_X87_LOOPS
  const std::size_t step = stride * sizeof(double);
  asm volatile(
      "fldz\n\t"
      "fldz\n\t"
      "fldz\n\t"
      "fldz\n\t"  // s0 s1 s2 s3
      "test %[count], %[count]\n\t"
      "jz 2f\n"
      "1:\n\t"
      "fldt (%[e])\n\t"  // e s0 s1 s2 s3
      "fldl (%[c])\n\t"  // c0 e s0 s1 s2 s3
      "fmul %%st(1), %%st\n\t"
      "faddp %%st, %%st(2)\n\t"  // e s0 s1 s2 s3
      "fldl 8(%[c])\n\t"
      "fmul %%st(1), %%st\n\t"
      "faddp %%st, %%st(3)\n\t"
      "fldl 16(%[c])\n\t"
      "fmul %%st(1), %%st\n\t"
      "faddp %%st, %%st(4)\n\t"
      "fmull 24(%[c])\n\t"       // e·c3 s0 s1 s2 s3
      "faddp %%st, %%st(4)\n\t"  // s0 s1 s2 s3
      "add %[eStep], %[e]\n\t"
      "add %[step], %[c]\n\t"
      "dec %[count]\n\t"
      "jnz 1b\n"
      "2:\n\t"
      "fstpt %[s0]\n\t"
      "fstpt %[s1]\n\t"
      "fstpt %[s2]\n\t"
      "fstpt %[s3]"
      : [e] "+r"(e), [c] "+r"(c), [count] "+r"(count), [s0] "=m"(s0), [s1] "=m"(s1), [s2] "=m"(s2),
        [s3] "=m"(s3)
      : [step] "r"(step), [eStep] "i"(sizeof(Ext))
      : "memory", "cc", "st", "st(1)", "st(2)", "st(3)", "st(4)", "st(5)", "st(6)", "st(7)");
#else
  for (std::size_t j = 0; j < count; ++j, c += stride) {
    const Ext ej = e[j];
    s0 += ej * c[0];
    s1 += ej * c[1];
    s2 += ej * c[2];
    s3 += ej * c[3];
  }
#endif
  sums[0] = s0;
  sums[1] = s1;
  sums[2] = s2;
  sums[3] = s3;
}

// sums[c] += a[i]·b_c[i] (Quotients: divided by p) for i < len in order, for the C columns
// b_c. Each product, and its quotient by a pivot element, is a double operation, so pairs of
// them go through one vector instruction with the same rounding, and only the Extended sums
// take them one by one, several columns side by side (each sum is a chain of x87 adds, and a
// lone chain held the loop at the adder's latency). A pair's adds follow its vector
// operations in the same pass, so that they overlap the next pairs' divisions: in blocks of
// quotients first and adds after, each waited for the other.
template <int C, bool Quotients>
void addTerms(const double* a, const double* const* b, std::size_t len, double p, Ext* sums) {
  using Pair = double __attribute__((vector_size(16)));
  const Pair pp = {p, p};
  Ext s[C];
  for (int c = 0; c < C; ++c) s[c] = sums[c];
  std::size_t i = 0;
  for (; i + 2 <= len; i += 2) {
    Pair x;
    __builtin_memcpy(&x, a + i, sizeof x);
    double q[C][2];
    for (int c = 0; c < C; ++c) {
      Pair y;
      __builtin_memcpy(&y, b[c] + i, sizeof y);
      Pair r = x * y;
      if constexpr (Quotients) r = r / pp;
      __builtin_memcpy(q[c], &r, sizeof r);
    }
    for (int c = 0; c < C; ++c) s[c] += q[c][0];
    for (int c = 0; c < C; ++c) s[c] += q[c][1];
  }
  for (; i < len; ++i)
    for (int c = 0; c < C; ++c) {
      double t = a[i] * b[c][i];
      if constexpr (Quotients) t = t / p;
      s[c] += t;
    }
  for (int c = 0; c < C; ++c) sums[c] = s[c];
}

// Columns first..last (their parts from column(j) on, len rows) take the reflection v:
// x := x + d·v, two columns at a time, with d = -Σ v[i]·x[i] / pivot where the quotients are
// double operations (Quotients), else d = -(Σ v[i]·x[i]) / pivot, the sum's quotient Extended.
template <bool Quotients, class Column>
void reduceColumns(const double* v, Column column, std::size_t len, double pivot, int first,
                   int last) {
  // C columns from j on, their sums side by side.
  const auto reduce = [&]<int C>(int j) {
    double* x[C];
    Ext sums[C];
    for (int c = 0; c < C; ++c) x[c] = column(j + c), sums[c] = 0;
    addTerms<C, Quotients>(v, x, len, pivot, sums);
    for (int c = 0; c < C; ++c) addScaled(x[c], v, len, Quotients ? -sums[c] : -sums[c] / pivot);
  };
  int j = first;
  for (; j + 1 <= last; j += 2) reduce.template operator()<2>(j);
  if (j <= last) reduce.template operator()<1>(j);
}

}  // namespace kelvaro::svd

#undef KELVARO_X87_LOOPS

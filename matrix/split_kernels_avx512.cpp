// Kernels on 512-bit vectors (eight doubles); chosen at run time only where AVX-512 exists.
#include "matrix/split_kernels.h"

// The build compiles this file alone for the instruction set (any compiler, no pragma).
#ifndef __AVX512F__
#error "this file must be compiled with -mavx512f"
#endif
#include <immintrin.h>

#include "matrix/split_kernels_impl.h"

namespace kelvaro {

namespace {

struct Avx512Vec {
  using T = __m512d;
  static constexpr int W = 8;
  static T load(const double* p) { return _mm512_loadu_pd(p); }
  static void store(double* p, T v) { _mm512_storeu_pd(p, v); }
  static T set1(double x) { return _mm512_set1_pd(x); }
  static T lanes(double first) {
    return _mm512_add_pd(_mm512_set1_pd(first), _mm512_setr_pd(0, 1, 2, 3, 4, 5, 6, 7));
  }
  static T add(T a, T b) { return _mm512_add_pd(a, b); }
  static T sub(T a, T b) { return _mm512_sub_pd(a, b); }
  static T mul(T a, T b) { return _mm512_mul_pd(a, b); }
  static T abs(T a) { return _mm512_abs_pd(a); }
  static __mmask8 gt(T a, T b) { return _mm512_cmp_pd_mask(a, b, _CMP_GT_OQ); }
  static T select(__mmask8 m, T a, T b) { return _mm512_mask_blend_pd(m, b, a); }
};

constexpr SplitKernels kKernels = makeKernels<Avx512Vec, 4, 2>();

}  // namespace

const SplitKernels& splitKernelsAvx512() {
  return kKernels;
}

}  // namespace kelvaro

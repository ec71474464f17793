// Kernels on 256-bit vectors (four doubles); chosen at run time only where AVX2 exists.
#include "matrix/split_kernels.h"

// The build compiles this file alone for the instruction set (any compiler, no pragma).
#ifndef __AVX2__
#error "this file must be compiled with -mavx2"
#endif
#include <immintrin.h>

#include "matrix/split_kernels_impl.h"

namespace kelvaro {

namespace {

struct Avx2Vec {
  using T = __m256d;
  static constexpr int W = 4;
  static T load(const double* p) { return _mm256_loadu_pd(p); }
  static void store(double* p, T v) { _mm256_storeu_pd(p, v); }
  // The first `count` lanes (0 < count < W); the others read as zero and are not written.
  static __m256i first(int count) {
    return _mm256_cmpgt_epi64(_mm256_set1_epi64x(count), _mm256_setr_epi64x(0, 1, 2, 3));
  }
  static T loadFirst(const double* p, int count) { return _mm256_maskload_pd(p, first(count)); }
  static void storeFirst(double* p, T v, int count) { _mm256_maskstore_pd(p, first(count), v); }
  static T set1(double x) { return _mm256_set1_pd(x); }
  static T lanes(double first) {
    return _mm256_add_pd(_mm256_set1_pd(first), _mm256_setr_pd(0, 1, 2, 3));
  }
  static T add(T a, T b) { return _mm256_add_pd(a, b); }
  static T sub(T a, T b) { return _mm256_sub_pd(a, b); }
  static T mul(T a, T b) { return _mm256_mul_pd(a, b); }
  static T div(T a, T b) { return _mm256_div_pd(a, b); }
  static T abs(T a) { return _mm256_andnot_pd(_mm256_set1_pd(-0.0), a); }
  static T gt(T a, T b) { return _mm256_cmp_pd(a, b, _CMP_GT_OQ); }
  static T select(T m, T a, T b) { return _mm256_blendv_pd(b, a, m); }
};

constexpr SplitKernels kKernels = makeKernels<Avx2Vec, 2, 2>();

}  // namespace

const SplitKernels& splitKernelsAvx2() {
  return kKernels;
}

}  // namespace kelvaro

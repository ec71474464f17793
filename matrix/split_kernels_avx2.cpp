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
  static T add(T a, T b) { return _mm256_add_pd(a, b); }
  static T sub(T a, T b) { return _mm256_sub_pd(a, b); }
  static T mul(T a, T b) { return _mm256_mul_pd(a, b); }
  static T div(T a, T b) { return _mm256_div_pd(a, b); }
  static T abs(T a) { return _mm256_andnot_pd(_mm256_set1_pd(-0.0), a); }
  static T max(T a, T b) { return _mm256_max_pd(a, b); }
  static T nonzero(T a) { return _mm256_cmp_pd(a, _mm256_setzero_pd(), _CMP_NEQ_UQ); }
  static T select(T m, T a, T b) { return _mm256_blendv_pd(b, a, m); }
  // Elements j = 0 .. 3 of real parts r, imaginary parts i and kind words k as words 3j, 3j + 1
  // and 3j + 2 of three vectors from dst (on a boundary of four doubles): r0 i0 k r1, i1 k r2
  // i2 and k r3 i3 k, from r0 i0 r2 i2 and r1 i1 r3 i3.
  static void elementBlock(T r, T i, T k, double* dst, bool stream) {
    const T lo = _mm256_unpacklo_pd(r, i), hi = _mm256_unpackhi_pd(r, i);
    const T v[3] = {
        _mm256_blend_pd(_mm256_permute4x64_pd(_mm256_permute2f128_pd(lo, hi, 0x20), 0x84), k, 0x4),
        _mm256_blend_pd(_mm256_permute4x64_pd(_mm256_blend_pd(hi, lo, 0xC), 0xE1), k, 0x2),
        _mm256_blend_pd(_mm256_permute4x64_pd(_mm256_permute2f128_pd(lo, hi, 0x31), 0x38), k, 0x9),
    };
    for (int u = 0; u < 3; ++u) {
      if (stream)
        _mm256_stream_pd(dst + 4 * u, v[u]);
      else
        _mm256_store_pd(dst + 4 * u, v[u]);
    }
  }
  // The 8 x 8 tile of rows src + i*ls (8 doubles each) into dst + c*ld as its columns, as
  // four 4 x 4 blocks.
  static void transposeTile(const double* src, long ls, double* dst, long ld) {
    for (int bi = 0; bi < 8; bi += 4)
      for (int bc = 0; bc < 8; bc += 4) {
        T r[4];
        for (int i = 0; i < 4; ++i) r[i] = load(src + (bi + i) * ls + bc);
        // t[0]: columns 0 and 2 of rows 0 and 1, t[1]: columns 1 and 3; t[2], t[3] the same of
        // rows 2 and 3.
        const T t[4] = {_mm256_unpacklo_pd(r[0], r[1]), _mm256_unpackhi_pd(r[0], r[1]),
                        _mm256_unpacklo_pd(r[2], r[3]), _mm256_unpackhi_pd(r[2], r[3])};
        double* const out = dst + bc * ld + bi;
        store(out, _mm256_permute2f128_pd(t[0], t[2], 0x20));
        store(out + ld, _mm256_permute2f128_pd(t[1], t[3], 0x20));
        store(out + 2 * ld, _mm256_permute2f128_pd(t[0], t[2], 0x31));
        store(out + 3 * ld, _mm256_permute2f128_pd(t[1], t[3], 0x31));
      }
  }
};

// An elimination's panels by tiles: MatLU of order 1000 on one thread (AMD, 512 KB second-level
// cache, pinned and alternating) 104-116 -> 86-89 ms; the four-row kernel had reached two thirds
// of the peak.
constexpr SplitKernels kKernels = makeKernels<Avx2Vec, 2, 2, true>();

}  // namespace

const SplitKernels& splitKernelsAvx2() {
  return kKernels;
}

}  // namespace kelvaro

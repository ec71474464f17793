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
  // The first `count` lanes (0 < count < W); the others read as zero and are not written.
  static __mmask8 first(int count) { return static_cast<__mmask8>((1u << count) - 1); }
  static T loadFirst(const double* p, int count) { return _mm512_maskz_loadu_pd(first(count), p); }
  static void storeFirst(double* p, T v, int count) { _mm512_mask_storeu_pd(p, first(count), v); }
  static T set1(double x) { return _mm512_set1_pd(x); }
  static T add(T a, T b) { return _mm512_add_pd(a, b); }
  static T sub(T a, T b) { return _mm512_sub_pd(a, b); }
  static T mul(T a, T b) { return _mm512_mul_pd(a, b); }
  static T div(T a, T b) { return _mm512_div_pd(a, b); }
  static T abs(T a) { return _mm512_abs_pd(a); }
  // b where a is not greater, a NaN a too (the masked form: GCC 12's plain one warns).
  static T max(T a, T b) { return _mm512_maskz_max_pd(0xff, a, b); }
  static __mmask8 nonzero(T a) { return _mm512_cmp_pd_mask(a, _mm512_setzero_pd(), _CMP_NEQ_UQ); }
  static T select(__mmask8 m, T a, T b) { return _mm512_mask_blend_pd(m, b, a); }
  // Elements j = 0 .. 7 of real parts r, imaginary parts i and kind words k as words 3j, 3j + 1
  // and 3j + 2 of three lines from dst (on a line).
  static void elementBlock(T r, T i, T k, double* dst, bool stream) {
    const __m512i at[3] = {_mm512_setr_epi64(0, 8, 0, 1, 9, 0, 2, 10),
                           _mm512_setr_epi64(0, 3, 11, 0, 4, 12, 0, 5),
                           _mm512_setr_epi64(13, 0, 6, 14, 0, 7, 15, 0)};
    constexpr __mmask8 kKind[3] = {0x24, 0x49, 0x92};
    for (int v = 0; v < 3; ++v) {
      const T line = _mm512_mask_blend_pd(kKind[v], _mm512_permutex2var_pd(r, at[v], i), k);
      if (stream)
        _mm512_stream_pd(dst + 8 * v, line);
      else
        _mm512_store_pd(dst + 8 * v, line);
    }
  }
  // The other way: from the elements j = 0 .. 7 at src (words 3j, 3j + 1 and 3j + 2, on no
  // particular boundary) their real parts r and imaginary parts i, and the lanes whose kind
  // word's low byte is `kind` and, where `finite`, whose parts are both finite.
  static __mmask8 partsBlock(const double* src, unsigned long kind, bool finite, T& r, T& i) {
    const T w0 = load(src), w1 = load(src + 8), w2 = load(src + 16);
    // Word 3j + p of each element: those in the first two lines by one permutation, the
    // rest from the third line by a second.
    const auto gather = [&](__m512i first, __m512i second) {
      return _mm512_permutex2var_pd(_mm512_permutex2var_pd(w0, first, w1), second, w2);
    };
    r = gather(_mm512_setr_epi64(0, 3, 6, 9, 12, 15, 0, 0),
               _mm512_setr_epi64(0, 1, 2, 3, 4, 5, 10, 13));
    i = gather(_mm512_setr_epi64(1, 4, 7, 10, 13, 0, 0, 0),
               _mm512_setr_epi64(0, 1, 2, 3, 4, 8, 11, 14));
    const T words = gather(_mm512_setr_epi64(2, 5, 8, 11, 14, 0, 0, 0),
                           _mm512_setr_epi64(0, 1, 2, 3, 4, 9, 12, 15));
    const __m512i kinds = _mm512_and_si512(_mm512_castpd_si512(words), _mm512_set1_epi64(0xFF));
    __mmask8 ok = _mm512_cmpeq_epi64_mask(kinds, _mm512_set1_epi64(static_cast<long>(kind)));
    if (finite) {  // below infinity in magnitude, which no NaN is
      const T inf = set1(__builtin_inf());
      ok &=
          _mm512_cmp_pd_mask(abs(r), inf, _CMP_LT_OQ) & _mm512_cmp_pd_mask(abs(i), inf, _CMP_LT_OQ);
    }
    return ok;
  }
  // The 8 x 8 tile of rows src + i*ls (8 doubles each) into dst + c*ld as its columns.
  // (The masked forms with every lane set: the plain ones start from an undefined vector,
  // which the compiler warns of.) Inlined: called, it ended each tile with a vzeroupper and
  // took 2% more of Eig's time on an AMD processor.
  [[gnu::always_inline]] static void transposeTile(const double* src, long ls, double* dst,
                                                   long ld) {
    constexpr __mmask8 kAll = 0xFF;
    T r[8], t[8], u[8];
    for (int i = 0; i < 8; ++i) r[i] = load(src + i * ls);
    for (int i = 0; i < 8; i += 2) {
      t[i] = _mm512_mask_unpacklo_pd(r[i], kAll, r[i], r[i + 1]);
      t[i + 1] = _mm512_mask_unpackhi_pd(r[i], kAll, r[i], r[i + 1]);
    }
    // u[0]: columns 0 and 4 of rows 0-3, u[1]: 2 and 6, u[2]: 1 and 5, u[3]: 3 and 7; u[4..7]
    // the same of rows 4-7.
    for (int h = 0; h < 8; h += 4) {
      u[h] = _mm512_mask_shuffle_f64x2(t[h], kAll, t[h], t[h + 2], 0x88);
      u[h + 1] = _mm512_mask_shuffle_f64x2(t[h], kAll, t[h], t[h + 2], 0xDD);
      u[h + 2] = _mm512_mask_shuffle_f64x2(t[h + 1], kAll, t[h + 1], t[h + 3], 0x88);
      u[h + 3] = _mm512_mask_shuffle_f64x2(t[h + 1], kAll, t[h + 1], t[h + 3], 0xDD);
    }
    constexpr int kColumn[4] = {0, 2, 1, 3};
    for (int v = 0; v < 4; ++v) {
      store(dst + kColumn[v] * ld, _mm512_mask_shuffle_f64x2(u[v], kAll, u[v], u[v + 4], 0x88));
      store(dst + (kColumn[v] + 4) * ld,
            _mm512_mask_shuffle_f64x2(u[v], kAll, u[v], u[v + 4], 0xDD));
    }
  }
};

// An elimination's panels by the four-row kernel, which ran MatLU's panels near 85% of the peak
// on an AMD processor with AVX-512, where the tiles were slower (MatLU 1000 on one thread:
// 46.2-46.4 against 44.2-45.0 ms).
constexpr SplitKernels kKernels = makeKernels<Avx512Vec, 4, 2, false>();

}  // namespace

const SplitKernels& splitKernelsAvx512() {
  return kKernels;
}

}  // namespace kelvaro

// Kernels for any x86-64: one double per step (the compiler may still pair them up).
#include "matrix/split_kernels_impl.h"

namespace kelvaro {

namespace {

struct ScalarVec {
  using T = double;
  static constexpr int W = 1;
  static T load(const double* p) { return *p; }
  static void store(double* p, T v) { *p = v; }
  static T set1(double x) { return x; }
  static T lanes(double first) { return first; }
  static T add(T a, T b) { return a + b; }
  static T sub(T a, T b) { return a - b; }
  static T mul(T a, T b) { return a * b; }
  static T abs(T a) { return __builtin_fabs(a); }
  static bool gt(T a, T b) { return a > b; }
  static T select(bool m, T a, T b) { return m ? a : b; }
};

constexpr SplitKernels kKernels = makeKernels<ScalarVec, 2, 2>();

}  // namespace

const SplitKernels& splitKernelsGeneric() {
  return kKernels;
}

}  // namespace kelvaro

// Kernels for any x86-64: one double per step (the compiler may still pair them up).
#include "matrix/split_kernels_impl.h"

namespace kelvaro {

namespace {

// An elimination's panels by tiles: MatLU of order 1000 on one thread 313-316 -> 235-241 ms.
constexpr SplitKernels kKernels = makeKernels<ScalarVec, 2, 2, true>();

}  // namespace

const SplitKernels& splitKernelsGeneric() {
  return kKernels;
}

}  // namespace kelvaro

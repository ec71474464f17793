// Kernels for any x86-64: one double per step (the compiler may still pair them up).
#include "matrix/split_kernels_impl.h"

namespace kelvaro {

namespace {

constexpr SplitKernels kKernels = makeKernels<ScalarVec, 2, 2>();

}  // namespace

const SplitKernels& splitKernelsGeneric() {
  return kKernels;
}

}  // namespace kelvaro

#include "matrix/split_kernels.h"

namespace kelvaro {

const SplitKernels& splitKernels() {
  switch (simdPath()) {
    case SimdPath::Avx512:
      return splitKernelsAvx512();
    case SimdPath::Avx2:
      return splitKernelsAvx2();
    case SimdPath::Generic:
      break;
  }
  return splitKernelsGeneric();
}

}  // namespace kelvaro

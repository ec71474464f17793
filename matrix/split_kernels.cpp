#include "matrix/split_kernels.h"

#include <unistd.h>

namespace kelvaro {

long reflectCacheBytes() {
  static const long bytes = [] {
    const long b = sysconf(_SC_LEVEL1_DCACHE_SIZE);
    return b >= 16384 ? b : 32768L;
  }();
  return bytes;
}

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

#include "matrix/simd_path.h"

#include <atomic>

namespace kelvaro {

namespace {

SimdPath bestPath() {
  if (simdPathSupported(SimdPath::Avx512)) return SimdPath::Avx512;
  if (simdPathSupported(SimdPath::Avx2)) return SimdPath::Avx2;
  return SimdPath::Generic;
}

std::atomic<SimdPath>& current() {
  static std::atomic<SimdPath> path{bestPath()};
  return path;
}

}  // namespace

bool simdPathSupported(SimdPath path) {
  switch (path) {
    case SimdPath::Generic:
      return true;
    case SimdPath::Avx2:
      return __builtin_cpu_supports("avx2");
    case SimdPath::Avx512:
      return __builtin_cpu_supports("avx512f");
  }
  return false;
}

SimdPath simdPath() {
  return current().load(std::memory_order_relaxed);
}

bool setSimdPath(SimdPath path) {
  if (!simdPathSupported(path)) return false;
  current().store(path, std::memory_order_relaxed);
  return true;
}

const char* simdPathName(SimdPath path) {
  switch (path) {
    case SimdPath::Generic:
      return "generic";
    case SimdPath::Avx2:
      return "avx2";
    case SimdPath::Avx512:
      return "avx512";
  }
  return "?";
}

}  // namespace kelvaro

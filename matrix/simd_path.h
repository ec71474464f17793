#pragma once
// Which vector instructions the hot loops of the library use. Every path performs the same
// operations in the same order on each element, so the choice changes speed, never results.
// The best path the processor supports is chosen on first use; tests and benchmarks may
// force another one the processor supports.

namespace kelvaro {

enum class SimdPath { Generic, Avx2, Avx512 };

bool simdPathSupported(SimdPath path);
SimdPath simdPath();
// Returns false (and changes nothing) when the processor lacks the path.
bool setSimdPath(SimdPath path);
const char* simdPathName(SimdPath path);

}  // namespace kelvaro

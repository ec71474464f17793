#!/bin/sh
# Builds the calculator, kelvaro-cli, their tests and the fuzz targets with clang under
# AddressSanitizer and UndefinedBehaviorSanitizer in build-sanitize/ (the window is left out)
# and runs every test there: the core and CLI suites, and one pass over each fuzz corpus.
# Then the core tests once more under ThreadSanitizer in build-tsan/, the kernels on four
# threads, and kelvaro-cli's own tests. The first sanitizer report fails its test. Extra
# arguments go to ctest.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DKELVARO_SANITIZE=ON -DKELVARO_BUILD_FUZZERS=ON \
  -DKELVARO_BUILD_BENCH=OFF -DKELVARO_BUILD_WINDOW=OFF >/dev/null
cmake --build build-sanitize
# Reports and the leak suppressions need symbol names: point the runtime at the symbolizer
# that comes with clang's version when the unversioned one is not installed.
if [ -z "${ASAN_SYMBOLIZER_PATH:-}" ] && ! command -v llvm-symbolizer >/dev/null 2>&1 &&
  [ -x /usr/bin/llvm-symbolizer-14 ]; then
  export ASAN_SYMBOLIZER_PATH=/usr/bin/llvm-symbolizer-14
fi
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
ctest --test-dir build-sanitize --output-on-failure -j2 "$@"

cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DKELVARO_THREAD_SANITIZE=ON \
  -DKELVARO_BUILD_BENCH=OFF -DKELVARO_BUILD_WINDOW=OFF >/dev/null
cmake --build build-tsan --target numbers_tests matrix_tests commands_tests case_tests
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}"
for suite in numbers matrix commands; do
  KELVARO_THREADS=4 "./build-tsan/tests/${suite}_tests" --gtest_brief=1
done
# kelvaro-cli's progress line is written by a thread of its own.
./build-tsan/tests/case_tests --gtest_brief=1 --gtest_filter='Cli.*'

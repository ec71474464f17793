#!/usr/bin/python3
"""Times the peers of the QR, Eig and Svd benchmarks with numpy/scipy on one thread.

Run:  OPENBLAS_NUM_THREADS=1 /usr/bin/python3 bench/numpy_peers.py   (Debian's numpy and scipy)
Each figure is the best of five runs, in seconds, on random matrices with entries in [-1, 1).
"""

import os
import sys
import time

os.environ.setdefault("OPENBLAS_NUM_THREADS", "1")

import numpy as np  # noqa: E402
import scipy.linalg  # noqa: E402


def best_of(repeats, fn):
    best = float("inf")
    for _ in range(repeats):
        start = time.perf_counter()
        fn()
        best = min(best, time.perf_counter() - start)
    return best


def main():
    repeats = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    rng = np.random.default_rng(1)
    print(f"numpy {np.__version__}, scipy {scipy.__version__}, "
          f"OPENBLAS_NUM_THREADS={os.environ['OPENBLAS_NUM_THREADS']}")
    for n in (200, 500, 1000):
        a = rng.uniform(-1.0, 1.0, (n, n))
        qr = best_of(repeats, lambda: np.linalg.qr(a, mode="complete"))
        eig = best_of(repeats, lambda: np.linalg.eigvals(a))
        svd = best_of(repeats, lambda: scipy.linalg.svd(a, full_matrices=True,
                                                         lapack_driver="gesvd"))
        print(f"n={n:5d}  qr(full Q) {qr:8.3f} s   eigvals {eig:8.3f} s   "
              f"svd(gesvd, full U and V) {svd:8.3f} s")


if __name__ == "__main__":
    main()

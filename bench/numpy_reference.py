#!/usr/bin/python3
"""Times numpy on the operations that matrix_complex_bench measures, for comparison.

A measuring aid, not a test. Runs numpy single-threaded and reports the best of five runs:
    OPENBLAS_NUM_THREADS=1 /usr/bin/python3 bench/numpy_reference.py
Set OPENBLAS_CORETYPE=SkylakeX as well to time OpenBLAS's AVX-512 kernels.
"""

import os

os.environ.setdefault("OPENBLAS_NUM_THREADS", "1")

import time  # noqa: E402

import numpy as np  # noqa: E402

try:
    import scipy.linalg as sla  # noqa: E402
except ImportError:
    sla = None


def random_complex(n, seed):
    rng = np.random.default_rng(seed)
    m = rng.uniform(-1, 1, (n, n)) + 1j * rng.uniform(-1, 1, (n, n))
    m[np.diag_indices(n)] += n  # far from singular, as in the C++ benchmark
    return m


def best(f, repetitions=5):
    times = []
    for _ in range(repetitions):
        start = time.perf_counter()
        f()
        times.append(time.perf_counter() - start)
    return min(times) * 1e3


def main():
    n = 1000
    a, b = random_complex(n, 1), random_complex(n, 2)
    p = random_complex(200, 5)

    def power_by_products():
        r = p
        for _ in range(49):
            r = r @ p
        return r

    rows = [
        ("MatMul 1000 (A @ B)", lambda: a @ b),
        ("MatInverse 1000 (inv)", lambda: np.linalg.inv(a)),
        ("MatDet 1000 (det)", lambda: np.linalg.det(a)),
        ("MatRank 1000 (matrix_rank, SVD)", lambda: np.linalg.matrix_rank(a)),
        ("A^50 200 (49 products)", power_by_products),
        ("A^50 200 (matrix_power)", lambda: np.linalg.matrix_power(p, 50)),
    ]
    if sla is not None:
        rows.append(("MatLU 1000 (scipy lu_factor)", lambda: sla.lu_factor(a)))
    print("numpy", np.__version__, "threads", os.environ["OPENBLAS_NUM_THREADS"],
          "coretype", os.environ.get("OPENBLAS_CORETYPE", "default"))
    for name, f in rows:
        ms = best(f)
        extra = f"  {8.0 * n ** 3 / ms / 1e6:.1f} GFLOP/s" if name.startswith("MatMul") else ""
        print(f"{name:36s} {ms:9.1f} ms{extra}")


if __name__ == "__main__":
    main()

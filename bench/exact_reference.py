#!/usr/bin/python3
"""The exact benchmarks of bench/exact_bench.cpp done in pure Python with fractions.Fraction:
Gaussian elimination as a person does it by hand (first non-zero pivot), on the same
matrices (the same generator). Prints the time of each, and the processor time it took
(which a loaded machine disturbs less); slow: minutes in all.

    /usr/bin/python3 bench/exact_reference.py [det_200 rref_100 inverse_100 solve_100
                                               det_gaussian_50]
"""
import sys
import time
from fractions import Fraction


def integer_matrix(rows, cols, gaussian, seed):
    x = seed
    mask = (1 << 64) - 1

    def nxt():
        nonlocal x
        x = (x * 6364136223846793005 + 1442695040888963407) & mask
        return (x >> 33) % 199 - 99

    m = []
    for _ in range(rows):
        row = []
        for _ in range(cols):
            re = Fraction(nxt())
            row.append(Gauss(re, Fraction(nxt())) if gaussian else re)
        m.append(row)
    return m


class Gauss:
    """a + bi with Fraction parts: the arithmetic elimination needs."""

    __slots__ = ("re", "im")

    def __init__(self, re, im=Fraction(0)):
        self.re, self.im = re, im

    def __sub__(self, o):
        return Gauss(self.re - o.re, self.im - o.im)

    def __mul__(self, o):
        return Gauss(self.re * o.re - self.im * o.im, self.re * o.im + self.im * o.re)

    def __truediv__(self, o):
        q = o.re * o.re + o.im * o.im
        return Gauss((self.re * o.re + self.im * o.im) / q, (self.im * o.re - self.re * o.im) / q)

    def __bool__(self):
        return bool(self.re) or bool(self.im)


def det(m):
    m = [row[:] for row in m]
    n, d = len(m), None
    for k in range(n):
        p = next((i for i in range(k, n) if m[i][k]), None)
        if p is None:
            return 0
        if p != k:
            m[k], m[p] = m[p], m[k]
            d = -d if d is not None else None
        d = m[k][k] if d is None else d * m[k][k]
        for i in range(k + 1, n):
            f = m[i][k] / m[k][k]
            if f:
                mi, mk = m[i], m[k]
                for j in range(k + 1, n):
                    mi[j] = mi[j] - f * mk[j]
    return d


def rref(m):
    m = [row[:] for row in m]
    rows, cols, r = len(m), len(m[0]), 0
    for c in range(cols):
        p = next((i for i in range(r, rows) if m[i][c]), None)
        if p is None:
            continue
        m[r], m[p] = m[p], m[r]
        pivot = m[r][c]
        m[r] = [x / pivot for x in m[r]]
        for i in range(rows):
            if i != r and m[i][c]:
                f, mi, mr = m[i][c], m[i], m[r]
                m[i] = [mi[j] - f * mr[j] for j in range(cols)]
        r += 1
        if r == rows:
            break
    return m


def inverse(m):
    n = len(m)
    both = [row + [Fraction(int(i == j)) for j in range(n)] for i, row in enumerate(m)]
    return [row[n:] for row in rref(both)]


def solve(a, b):
    both = [ra + rb for ra, rb in zip(a, b)]
    return [row[len(a[0]):] for row in rref(both)]


CASES = {
    "det_200": lambda: det(integer_matrix(200, 200, False, 1)),
    "rref_100": lambda: rref(integer_matrix(100, 100, False, 2)),
    "inverse_100": lambda: inverse(integer_matrix(100, 100, False, 2)),
    "solve_100": lambda: solve(integer_matrix(100, 100, False, 2), integer_matrix(100, 1, False, 3)),
    "det_gaussian_50": lambda: det(integer_matrix(50, 50, True, 4)),
}

for name in sys.argv[1:] or CASES:
    start, cpu = time.perf_counter(), time.process_time()
    CASES[name]()
    print(f"{name:16s} {time.perf_counter() - start:10.2f} s  (processor {time.process_time() - cpu:.2f} s)",
          flush=True)

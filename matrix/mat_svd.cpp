#include "matrix/mat_svd.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "matrix/mat_basic.h"
#include "matrix/split_matrix.h"
#include "matrix/svd_columns.h"
#include "matrix/thread_pool.h"

namespace kelvaro {

// Bound: x87 arithmetic. Every Extended operation is one scalar x87 operation, about one a
// cycle whatever the order, and none can be vectorised without changing its rounding (the
// double operations between elements can, and the accumulation's quotients are). At
// n = 1000: 19.1 G multiplies and adds (14.8 G of them the plane rotations of U and V, six
// per element a rotation reaches), 0.33 G extended divisions (bench/README.md).
//
// Precision: the work vectors s, e, w and the scalars (d, the rotation coefficients, the
// shift) are Extended; the matrices are double. An operation with an Extended operand is
// carried out in Extended (matrix elements converted exactly) and rounded once more when it is
// stored back into a matrix element. Operations between matrix elements only are done in
// double: a product of two elements (and its quotient by a pivot element) is a double, and only
// its accumulation into an Extended sum is Extended. Elements beyond about 1e154 therefore
// overflow such a sum, as the arithmetic has it.

namespace {

using Ext = Extended;

struct Rotation {
  Ext cs;
  Ext sn;
  bool identity() const { return cs == 1 && sn == 0; }
};

// The pool's least work counts the vector kernels' element operations; these loops work one
// Extended operation at a time on the x87 unit, each taking as long as about sixteen of those.
// Counted as one, most of the bidiagonalisation's steps and of U's and V's accumulation stayed
// on one thread: Svd 1000 on two threads 3.52 -> 2.98 s, 500 537 -> 457 ms on the Intel
// machine (timed inside at 1000: bidiagonal form 1020 -> 619 ms, accumulation 441 -> 316).
// Not for the rotations of U and V, which share whole sweeps already: counted so, a range had
// only some 60 rows on eight threads, a short run of each column for each rotation, and the
// sweeps took 1.5 times as long.
int x87Grain(std::int64_t operations) {
  constexpr std::int64_t kX87Operation = 16;
  return grainFor(kX87Operation * operations);
}

// The plane rotation taking (f, g) to (r, 0); f becomes r.
Rotation planeRotation(Ext& f, Ext g) {
  Rotation rot{1, 0};
  if (std::fabs(f) + std::fabs(g) == 0) {
    f = 0;
    return rot;
  }
  Ext r = std::sqrt(f * f + g * g);
  if (std::fabs(f) > std::fabs(g))
    r = std::copysign(r, f);
  else
    r = std::copysign(r, g);
  rot.cs = f / r;
  rot.sn = g / r;
  f = r;
  return rot;
}

// The plane rotations of one QR sweep (or chase) of U or of V, kept while the sweep runs and
// then applied to the rows of the matrix, which are shared out over the threads: each row
// takes the same rotations in the same order as the columns would have taken them.
struct ColumnRotation {
  int first, second;  // columns, 1-based
  Rotation rot;
};

class Svd {
 public:
  Svd(double* a, double* u, double* v, int m, int n, Ext eps, WorkToken* work)
      : a_(a), u_(u), v_(v), m_(m), n_(n), eps_(eps), work_(work) {
    // k columns and l rows receive a reflection.
    k_ = std::min(m - 1, n);
    l_ = std::max(n - 2 >= m ? m : n - 2, 0);
    const std::size_t len = static_cast<std::size_t>(std::max(m, n)) + 2;
    s_.assign(len, 0);
    e_.assign(len, 0);
    w_.assign(len, 0);
  }

  bool run();

 private:
  // 1-based element access on the column-major arrays.
  double& A(int i, int j) { return a_[col(j, m_) + (i - 1)]; }
  double& U(int i, int j) { return u_[col(j, m_) + (i - 1)]; }
  double& V(int i, int j) { return v_[col(j, n_) + (i - 1)]; }
  double* Ucol(int j) { return u_ + col(j, m_); }
  double* Vcol(int j) { return v_ + col(j, n_); }
  static std::size_t col(int j, int rows) {
    return static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(rows);
  }

  void bidiagonalise();
  void reflectColumns(int kk, int first, int last);
  void rowSums(int kk, int first, int last);
  void accumulateU();
  void accumulateV();
  bool iterate();
  void applyRotations();
  void finish();

  double* a_;
  double* u_;
  double* v_;
  int m_, n_;
  Ext eps_;
  WorkToken* work_;
  int k_ = 0, l_ = 0, mm_ = 0;
  std::vector<Ext> s_, e_, w_;
  std::vector<ColumnRotation> rotationsU_, rotationsV_;
};

// Columns first..last take the reflection held in column kk. Each column has its own sum,
// formed in row order; two columns at a time keep two sums in flight.
void Svd::reflectColumns(int kk, int first, int last) {
  const double* v = &A(kk, kk);
  svd::reduceColumns<false>(
      v, [&](int j) { return &A(kk, j); }, static_cast<std::size_t>(m_ - kk + 1), v[0], first,
      last);
}

// w[i] := Σ_j e[j]·a[i][j] over j = kk+1..n for rows first..last, each sum in column order;
// four rows at a time, so that the column-major matrix is read along its columns.
void Svd::rowSums(int kk, int first, int last) {
  const int n = n_;
  int i = first;
  for (; i + 3 <= last; i += 4)
    svd::sumFourRows(&e_[kk + 1], &A(i, kk + 1), static_cast<std::size_t>(m_),
                     static_cast<std::size_t>(n - kk), &w_[i]);
  for (; i <= last; ++i) {
    Ext sum = 0;
    for (int j = kk + 1; j <= n; ++j) sum += e_[j] * A(i, j);
    w_[i] = sum;
  }
}

void Svd::bidiagonalise() {
  const int m = m_, n = n_;
  const int k = k_, l = l_;
  const int ll = std::max(k, l);
  for (int kk = 1; kk <= ll; ++kk) {
    checkCancel(work_);
    if (kk <= k) {
      Ext d = 0;
      for (int i = kk; i <= m; ++i) d += A(i, kk) * A(i, kk);
      s_[kk] = std::sqrt(d);
      if (s_[kk] != 0) {
        if (A(kk, kk) != 0) s_[kk] = std::copysign(s_[kk], static_cast<Ext>(A(kk, kk)));
        for (int i = kk; i <= m; ++i) A(i, kk) = static_cast<double>(A(i, kk) / s_[kk]);
        A(kk, kk) = 1 + A(kk, kk);
      }
      s_[kk] = -s_[kk];
    }
    if (kk <= k && s_[kk] != 0)
      parallelFor(n - kk, x87Grain(4 * (m - kk + 1)), [&](int first, int last) {
        checkCancel(work_);
        reflectColumns(kk, kk + 1 + first, kk + last);
      });
    for (int j = kk + 1; j <= n; ++j) e_[j] = A(kk, j);
    if (kk <= k)
      for (int i = kk; i <= m; ++i) U(i, kk) = A(i, kk);
    if (kk <= l) {
      Ext d = 0;
      for (int i = kk + 1; i <= n; ++i) d += e_[i] * e_[i];
      e_[kk] = std::sqrt(d);
      if (e_[kk] != 0) {
        if (e_[kk + 1] != 0) e_[kk] = std::copysign(e_[kk], e_[kk + 1]);
        for (int i = kk + 1; i <= n; ++i) e_[i] /= e_[kk];
        e_[kk + 1] = 1 + e_[kk + 1];
      }
      e_[kk] = -e_[kk];
      if (kk + 1 <= m && e_[kk] != 0) {
        // By fours of rows, so that only the last rows go one at a time (a row alone reads
        // the column-major matrix across its columns, a line a value).
        parallelFor((m - kk + 3) / 4, x87Grain(8 * (n - kk)), [&](int first, int last) {
          checkCancel(work_);
          rowSums(kk, kk + 1 + 4 * first, std::min(m, kk + 4 * last));
        });
        const Ext pivot = e_[kk + 1];
        parallelFor(n - kk, x87Grain(3 * (m - kk)), [&](int first, int last) {
          for (int j = kk + 1 + first; j <= kk + last; ++j)
            for (int i = kk + 1; i <= m; ++i)
              A(i, j) = static_cast<double>(A(i, j) - w_[i] * e_[j] / pivot);
        });
      }
      for (int i = kk + 1; i <= n; ++i) V(i, kk) = static_cast<double>(e_[i]);
    }
    stepDone(work_);
  }

  // Complete the bidiagonal.
  mm_ = std::min(n, m + 1);
  if (k < n) s_[k + 1] = A(k + 1, k + 1);
  if (m < mm_) s_[mm_] = 0;
  if (l + 1 < mm_) e_[l + 1] = A(l + 1, mm_);
  e_[mm_] = 0;
}

void Svd::accumulateU() {
  const int m = m_, k = k_;
  const int nn = std::min(m_, n_);
  for (int j = k + 1; j <= nn; ++j) {
    std::fill(Ucol(j), Ucol(j) + m, 0.0);
    U(j, j) = 1;
  }
  for (int kk = k; kk >= 1; --kk) {
    checkCancel(work_);
    if (s_[kk] != 0) {
      const double pivot = U(kk, kk);
      parallelFor(nn - kk, x87Grain(5 * (m - kk + 1)), [&](int first, int last) {
        checkCancel(work_);
        svd::reduceColumns<true>(
            &U(kk, kk), [&](int j) { return &U(kk, j); }, m - kk + 1, pivot, kk + 1 + first,
            kk + last);
      });
      for (int i = kk; i <= m; ++i) U(i, kk) = -U(i, kk);
      U(kk, kk) = 1 + U(kk, kk);
      for (int i = 1; i <= kk - 1; ++i) U(i, kk) = 0;
    } else {
      std::fill(Ucol(kk), Ucol(kk) + m, 0.0);
      U(kk, kk) = 1;
    }
    stepDone(work_);
  }
}

void Svd::accumulateV() {
  const int n = n_, l = l_;
  for (int kk = n; kk >= 1; --kk) {
    checkCancel(work_);
    if (kk <= l && e_[kk] != 0) {
      const double pivot = V(kk + 1, kk);
      parallelFor(n - kk, x87Grain(5 * (n - kk)), [&](int first, int last) {
        checkCancel(work_);
        svd::reduceColumns<true>(
            &V(kk + 1, kk), [&](int j) { return &V(kk + 1, j); }, n - kk, pivot, kk + 1 + first,
            kk + last);
      });
    }
    std::fill(Vcol(kk), Vcol(kk) + n, 0.0);
    V(kk, kk) = 1;
    stepDone(work_);
  }
}

void Svd::applyRotations() {
  const int m = m_, n = n_;
  const std::int64_t rowCost =
      6 * static_cast<std::int64_t>(std::max(rotationsU_.size(), rotationsV_.size()) + 1);
  parallelFor(n + m, grainFor(rowCost), [&](int first, int last) {
    // Rows [r0, r1) of V or U, column j of which starts at column(j).
    const auto rotateRows = [&](const std::vector<ColumnRotation>& rotations, auto column, int r0,
                                int r1) {
      if (r0 >= r1) return;
      for (std::size_t t = 0; t < rotations.size(); ++t) {
        if (t % 64 == 0) checkCancel(work_);
        const ColumnRotation& c = rotations[t];
        svd::rotateColumns(column(c.first) + r0, column(c.second) + r0, r1 - r0, c.rot.cs,
                           c.rot.sn);
      }
    };
    rotateRows(
        rotationsV_, [this](int j) { return Vcol(j); }, std::min(first, n), std::min(last, n));
    rotateRows(
        rotationsU_, [this](int j) { return Ucol(j); }, std::max(first - n, 0),
        std::max(last - n, 0));
  });
  rotationsU_.clear();
  rotationsV_.clear();
}

bool Svd::iterate() {
  const int m = m_, n = n_;
  const std::size_t mrows = static_cast<std::size_t>(m), nrows = static_cast<std::size_t>(n);
  std::vector<Ext>& s = s_;
  std::vector<Ext>& e = e_;
  int mm = mm_;
  const int m1 = mm;
  int it = 60;
  // Non-finite input can make the zero tests fail forever without ever spending a sweep; a
  // bound far above what any finite matrix needs turns that into "did not converge".
  long long passes = 0;
  const long long maxPasses = 1000LL * (m1 + 1) + 100000LL;
  while (mm != 0) {
    checkCancel(work_);
    if (it == 0 || ++passes > maxPasses) break;
    int kk = mm - 1;
    while (kk != 0 && e[kk] != 0) {
      const Ext d = std::fabs(s[kk]) + std::fabs(s[kk + 1]);
      if (std::fabs(e[kk]) > eps_ * d)
        --kk;
      else
        e[kk] = 0;
    }
    if (kk == mm - 1) {
      // s[mm] has converged: make it non-negative and move it down to its place.
      kk = mm;
      if (s[kk] < 0) {
        s[kk] = -s[kk];
        double* c = Vcol(kk);
        for (std::size_t r = 0; r < nrows; ++r) c[r] = -c[r];
      }
      while (kk != m1 && s[kk] < s[kk + 1]) {
        std::swap(s[kk], s[kk + 1]);
        if (kk < n) std::swap_ranges(Vcol(kk), Vcol(kk) + nrows, Vcol(kk + 1));
        if (kk < m) std::swap_ranges(Ucol(kk), Ucol(kk) + mrows, Ucol(kk + 1));
        ++kk;
      }
      it = 60;
      --mm;
      stepDone(work_);
      continue;
    }
    int ks = mm;
    while (ks > kk && s[ks] != 0) {
      const Ext d =
          (ks != mm ? std::fabs(e[ks]) : Ext(0)) + (ks != kk + 1 ? std::fabs(e[ks - 1]) : Ext(0));
      if (std::fabs(s[ks]) > eps_ * d)
        --ks;
      else
        s[ks] = 0;
    }
    if (ks == kk) {
      // One implicit-shift QR sweep on kk+1..mm.
      ++kk;
      const Ext d = std::max({std::fabs(s[mm]), std::fabs(s[mm - 1]), std::fabs(e[mm - 1]),
                              std::fabs(s[kk]), std::fabs(e[kk])});
      const Ext sm = s[mm] / d;
      const Ext sm1 = s[mm - 1] / d;
      const Ext em1 = e[mm - 1] / d;
      const Ext sk = s[kk] / d;
      const Ext ek = e[kk] / d;
      const Ext b = ((sm1 + sm) * (sm1 - sm) + em1 * em1) / 2;
      const Ext smem1 = sm * em1;
      const Ext c = smem1 * smem1;
      Ext shh = 0;
      if (b != 0 || c != 0) {
        shh = std::sqrt(b * b + c);
        if (b < 0) shh = -shh;
        shh = c / (b + shh);
      }
      Ext f = (sk + sm) * (sk - sm) - shh;
      Ext g = sk * ek;
      for (int i = kk; i <= mm - 1; ++i) {
        Rotation rot = planeRotation(f, g);
        if (i != kk) e[i - 1] = f;
        f = rot.cs * s[i] + rot.sn * e[i];
        e[i] = rot.cs * e[i] - rot.sn * s[i];
        g = rot.sn * s[i + 1];
        s[i + 1] = rot.cs * s[i + 1];
        if (!rot.identity()) rotationsV_.push_back({i, i + 1, rot});
        rot = planeRotation(f, g);
        s[i] = f;
        f = rot.cs * e[i] + rot.sn * s[i + 1];
        s[i + 1] = -rot.sn * e[i] + rot.cs * s[i + 1];
        g = rot.sn * e[i + 1];
        e[i + 1] = rot.cs * e[i + 1];
        if (i < m && !rot.identity()) rotationsU_.push_back({i, i + 1, rot});
      }
      e[mm - 1] = f;
      --it;
      applyRotations();
    } else if (ks == mm) {
      // Chase the coupling e[mm-1] upwards.
      ++kk;
      Ext g = e[mm - 1];
      e[mm - 1] = 0;
      for (int i = mm - 1; i >= kk; --i) {
        Ext f = s[i];
        const Rotation rot = planeRotation(f, g);
        s[i] = f;
        if (i != kk) {
          g = -rot.sn * e[i - 1];
          e[i - 1] = rot.cs * e[i - 1];
        }
        if (!rot.identity()) rotationsV_.push_back({i, mm, rot});
      }
      applyRotations();
    } else {
      // s[ks] = 0 splits the block.
      kk = ks + 1;
      Ext g = e[kk - 1];
      e[kk - 1] = 0;
      for (int i = kk; i <= mm; ++i) {
        Ext f = s[i];
        const Rotation rot = planeRotation(f, g);
        s[i] = f;
        g = -rot.sn * e[i];
        e[i] = rot.cs * e[i];
        if (i <= m && !rot.identity()) rotationsU_.push_back({i, kk - 1, rot});
      }
      applyRotations();
    }
  }
  mm_ = mm;
  return mm == 0;
}

void Svd::finish() {
  std::fill(a_, a_ + static_cast<std::size_t>(m_) * n_, 0.0);
  const int p = std::min(m_, n_);
  for (int j = 1; j <= p - 1; ++j) {
    A(j, j) = static_cast<double>(s_[j]);
    A(j, j + 1) = static_cast<double>(e_[j]);
  }
  A(p, p) = static_cast<double>(s_[p]);
  if (m_ < n_) A(p, p + 1) = static_cast<double>(e_[p]);
}

bool Svd::run() {
  if (m_ <= 0 || n_ <= 0) return true;
  // Reflections of the bidiagonal form, of U and of V, then the singular values settled.
  beginWork(work_, static_cast<std::uint64_t>(std::max(k_, l_) + k_ + n_ + std::min(n_, m_ + 1)));
  bidiagonalise();
  accumulateU();
  accumulateV();
  const bool converged = iterate();
  finish();
  return converged;
}

}  // namespace

bool svdDecompose(double* a, double* u, double* vt, int m, int n, Extended eps, WorkToken* work) {
  // Column-major v is V before the final transposition; read row-major it is the V printed.
  std::fill(u, u + static_cast<std::size_t>(m) * m, 0.0);
  std::fill(vt, vt + static_cast<std::size_t>(n) * n, 0.0);
  Svd svd(a, u, vt, m, n, eps, work);
  return svd.run();
}

bool MatSvd(RCOMat& a, RCOMat& u, RCOMat& v, int m, int n, Extended eps, WorkToken* work) {
  m = std::max(m, 0);
  n = m > 0 ? std::max(n, 0) : 0;
  const std::size_t mr = static_cast<std::size_t>(m), nc = static_cast<std::size_t>(n);
  CancelCountdown countdown(work);
  DoubleArray ac, uc, vt;
  assignZeros(ac, mr * nc, work);
  for (int i = 0; i < m && i < a.rows(); ++i) {
    countdown.tick(nc);
    for (int j = 0; j < n && j < a.cols(); ++j) ac[j * mr + i] = a[i][j].re();
  }
  assignZeros(uc, mr * mr, work);
  assignZeros(vt, nc * nc, work);
  const bool converged = svdDecompose(ac.data(), uc.data(), vt.data(), m, n, eps, work);
  sizeFor(a, m, n, work);
  for (int i = 0; i < m; ++i) {
    countdown.tick(nc);
    for (int j = 0; j < n; ++j) a[i][j] = Element::real(ac[j * mr + i]);
  }
  sizeFor(u, m, m, work);
  for (int i = 0; i < m; ++i) {
    countdown.tick(mr);
    for (int j = 0; j < m; ++j) u[i][j] = Element::real(uc[j * mr + i]);
  }
  sizeFor(v, n, n, work);
  auto ve = v.elements();
  for (std::size_t i = 0; i < vt.size(); ++i) {
    countdown.tick();
    ve[i] = Element::real(vt[i]);
  }
  return converged;
}

}  // namespace kelvaro

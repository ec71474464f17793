#pragma once
// The innermost loops of the library on split arrays (real parts and imaginary parts in
// separate arrays of doubles), once per vector instruction set. They vectorise across
// independent elements only: each element sees exactly the operations, in exactly the
// order, of the plain element-by-element code, so every path gives the same bits.
//
// Complex product of x = (a, b) and y = (c, d): (a*c - b*d) + (a*d + b*c)i.

#include "matrix/simd_path.h"

namespace kelvaro {

// The running result of a pivot search in row-major order: the largest measure seen (compared
// strictly, so of equal maxima the first wins) and its position as index = row * n + column.
struct PivotTrack {
  double best;
  double index;
};

// Register tile of the product kernel: MR rows of A times NR columns of B.
struct GemmShape {
  int mr;
  int nr;
};

// One step of a double-shift QR sweep of a real matrix: a reflection of the two (three false)
// or three neighbouring rows and columns from k on, with the sweep's coefficients.
struct SweepReflection {
  int k;
  bool three;
  double x, y, z, q, r;
};

// Real matrices reflected by reflectStrips lie in strips of this many columns, each strip's
// rows one after another, so that a few columns over all their rows are one contiguous block.
constexpr int kStripWidth = 8;
// The most steps subScaledColumnsSteps takes at once.
constexpr int kColumnSteps = 8;

// The widest panel divideSubRowsSteps takes.
constexpr int kPanelWidth = 32;

// The size of a core's first-level data cache in bytes (32 KB where the system does not say).
long reflectCacheBytes();

struct SplitKernels {
  GemmShape gemmShape;
  // Whether an elimination's rows take a panel of steps faster through gemmTileSub on packed
  // operands than through mulSubFourRowsSteps on the rows in place (measured per path).
  bool stepsByTiles;
  // C tile (mr x nr, row stride ldc, split) += packed A (kc steps of mr real parts then mr
  // imaginary parts) times packed B (kc steps of nr real parts then nr imaginary parts);
  // each element's sum runs over k in ascending order.
  void (*gemmTile)(int kc, const double* ap, const double* bp, double* cre, double* cim, int ldc);
  // The same with each product subtracted: c := c - a*b, step by step (an elimination's).
  void (*gemmTileSub)(int kc, const double* ap, const double* bp, double* cre, double* cim,
                      int ldc);
  // Register tile of the real product kernel, twice the rows of the complex one (as theirs,
  // its rows divide the product's blocks of 64 rows).
  GemmShape realGemmShape;
  // C tile (mr x nr of realGemmShape, row stride ldc) += packed A (kc steps of mr values) times
  // packed B (kc steps of nr values), each element's sum over k in ascending order: the real
  // parts of gemmTile's sums where every imaginary part is zero.
  void (*gemmTileReal)(int kc, const double* ap, const double* bp, double* c, int ldc);
  // y[j] := y[j] - m*x[j] for j < len.
  void (*mulSubRow)(int len, double mre, double mim, const double* xre, const double* xim,
                    double* yre, double* yim);
  // As mulSubRow, then the pivot search goes on over |Re y[j]| at indexes first + j.
  void (*mulSubRowTrackAbsRe)(int len, double mre, double mim, const double* xre, const double* xim,
                              double* yre, double* yim, double first, PivotTrack* track);
  // mulSubRowTrackAbsRe's real parts where every x[j] has the imaginary part +0 and m = (mre,
  // mim) has a zero one: y[j] := y[j] - (mre*x[j] - mim), as mim*(+0) is mim; then the pivot
  // search over |y[j]| at indexes first + j.
  void (*mulSubRealRowTrackAbs)(int len, double mre, double mim, const double* x, double* y,
                                double first, PivotTrack* track);
  // The pivot search over |re[j]| at indexes first + j.
  void (*trackAbsRe)(int len, const double* re, double first, PivotTrack* track);
  // Gauss-Jordan update with the three-multiplication product of x[j] and c = (cre, cim):
  // p = xr*cr, q = xi*ci, s = (xr+xi)*(cr+ci); y[j] := (yr - (p-q), yi - ((s-p)-q)).
  // xsum[j] holds xr+xi, formed once per row x.
  void (*gjUpdateRow)(int len, double cre, double cim, const double* xre, const double* xim,
                      const double* xsum, double* yre, double* yim);
  // As gjUpdateRow, then the pivot search goes on over re*re + im*im of the updated y[j].
  void (*gjUpdateRowTrackModulus)(int len, double cre, double cim, const double* xre,
                                  const double* xim, const double* xsum, double* yre, double* yim,
                                  double first, PivotTrack* track);
  // Several Gauss-Jordan updates of one row in a row: for s = 0 .. steps-1 in this order,
  // gjUpdateRow with c = (cre[s], cim[s]) (csum[s] = cre[s] + cim[s]) and the row x of step s
  // at xre + s*ldx (likewise xim, xsum).
  void (*gjUpdateRowSteps)(int len, int steps, const double* cre, const double* cim,
                           const double* csum, const double* xre, const double* xim,
                           const double* xsum, long ldx, double* yre, double* yim);
  // gjUpdateRowSteps on four rows y[r] at once, row r with its own (cre[r][s], cim[r][s],
  // csum[r][s]) and the same rows x.
  void (*gjUpdateFourRowsSteps)(int len, int steps, const double* const* cre,
                                const double* const* cim, const double* const* csum,
                                const double* xre, const double* xim, const double* xsum, long ldx,
                                double* const* yre, double* const* yim);
  // Several eliminations of one row in a row: for s = 0 .. steps-1 in this order,
  // y := y - m*x with m = (mre[s], mim[s]) and the row x of step s at xre + s*ldx (and xim).
  void (*mulSubRowSteps)(int len, int steps, const double* mre, const double* mim,
                         const double* xre, const double* xim, long ldx, double* yre, double* yim);
  // The same on two rows at once: y with the multipliers (mre, mim), z with (nre, nim).
  void (*mulSubTwoRowsSteps)(int len, int steps, const double* mre, const double* mim,
                             const double* nre, const double* nim, const double* xre,
                             const double* xim, long ldx, double* yre, double* yim, double* zre,
                             double* zim);
  // The same on four rows y[r] = (yre[r], yim[r]), row r with (mre[r], mim[r]).
  void (*mulSubFourRowsSteps)(int len, int steps, const double* const* mre,
                              const double* const* mim, const double* xre, const double* xim,
                              long ldx, double* const* yre, double* const* yim);
  // How many rows divideSubRowsSteps takes at once.
  int dividedRows;
  // The part in its panel of an elimination's rows: rows r < count (count <= dividedRows) at
  // yre + r·ldy (and yim), the panel's first `width` columns (width <= kPanelWidth). For s = 0
  // .. steps-1 in this order: the multiplier m := y[s] / (pre[s], pim[s]) as the element
  // division forms it, ((a·c + b·d) / q[s], (b·c - a·d) / q[s]) with q[s] = c·c + d·d, goes
  // into y[s]; then y[j] := y[j] - m·x[j] for s < j < width, x the pivot row of step s at
  // xre + s·ldx (and xim).
  void (*divideSubRowsSteps)(int count, int width, int steps, const double* pre, const double* pim,
                             const double* q, const double* xre, const double* xim, long ldx,
                             double* yre, double* yim, long ldy);
  // The pivot search over re[j]*re[j] + im[j]*im[j] at indexes first + j.
  void (*trackModulus)(int len, const double* re, const double* im, double first,
                       PivotTrack* track);
  // For s = 0 .. steps-1 in this order, the column modification of reflection s on rows
  // 0 .. rows-1 held at a0 + row*lda, column c of the sweep's matrix at a0[c - c0] for
  // c0 <= c < c0 + span: p = x·a[k] + y·a[k+1] (+ z·a[k+2]); a[k+2] -= p·r; a[k+1] -= p·q;
  // a[k] -= p. The rows are held by columns meanwhile in block, ldb >= rows apart.
  void (*sweepColumnSteps)(int rows, int span, int steps, const SweepReflection* refl, int c0,
                           double* a0, long lda, double* block, long ldb);
  // For s = 0 .. steps-1 in this order, the row modification of reflection s on columns
  // 0 .. len-1 of rows held at a0 + row*ld: t = a[k] + q·a[k+1] (+ r·a[k+2]);
  // a[k+2] -= t·z; a[k+1] -= t·y; a[k] -= t·x.
  void (*sweepRowSteps)(int len, int steps, const SweepReflection* refl, double* a0, long ld);
  // Householder reflections h = 0 .. count-1 in this order on `strips` strips of columns
  // (row i of strip s at a + s·ld + i·kStripWidth): reflection h acts on rows first[h]
  // (ascending) .. rows-1 with the vector v[h] (v[h][0] for row first[h]): per column,
  // t := (sum over the rows in order of v·x) / beta[h], then x := x - v·t. The pass that
  // applies reflection h to a row also adds that row to the sums of h + 1.
  void (*reflectStrips)(int count, const int* first, const double* beta, const double* const* v,
                        double* a, long ld, int strips, int rows);
  // One Householder reflection on the first `width` columns (width <= kPanelWidth) of rows
  // i = 0 .. len-1 at a + i·ld: per column, t := (sum over the rows in order of v[i]·x) / beta,
  // then x := x - v[i]·t.
  void (*reflectPanel)(const double* v, int len, double beta, double* a, long ld, int width);
  // A step on a panel held by columns: for each column j < cols at y + j·ldy, rows r < rows,
  // where f[r] is not zero, y[j·ldy + r] := y[j·ldy + r] - f[r]·x[j].
  void (*subScaledColumns)(int rows, int cols, const double* f, const double* x, double* y,
                           long ldy);
  // subScaledColumns for steps s = 0 .. steps-1 (steps <= kColumnSteps) in this order, step s
  // with the multipliers at f + s·ldf and the values at x + s·ldx: each element is loaded and
  // stored once for all of them.
  void (*subScaledColumnsSteps)(int rows, int cols, int steps, const double* f, long ldf,
                                const double* x, long ldx, double* y, long ldy);
  // The same in complex values, the elimination's product: where (fre[r], fim[r]) is not zero,
  // y := y - f[r]·x[j] for each column j < cols (yre and yim by columns, ldy apart).
  void (*mulSubColumns)(int rows, int cols, const double* fre, const double* fim, const double* xre,
                        const double* xim, double* yre, double* yim, long ldy);
  // The rows i < rows at a + i·la, their columns c < span, into b + c·lb as columns.
  void (*transpose)(int rows, int span, const double* a, long la, double* b, long lb);
  // Real rows r < count (count <= scaledRows) at y[r]: for s = 0 .. steps-1 in this order, where
  // f[r][s] is not zero, y[r][j] := y[r][j] - f[r][s]·x[s·ldx + j] for j < len.
  void (*subScaledRowsSteps)(int count, int len, int steps, const double* const* f, const double* x,
                             long ldx, double* const* y);
  // How many rows subScaledRowsSteps takes at once: 4, or 8 with 32 vector registers.
  int scaledRows;
  // c[j] := c[j] + s·x[j] for j < len.
  void (*addScaled)(int len, double s, const double* x, double* c);
  // Rows j in [from, to) of the column x1 and then, where x2 is not null, of x2, each row one
  // after the other: for each column x in turn, with its top and s, kind 0 takes c[j] := c[j] +
  // s·x[j]; kind 1 first x[j] := x[j] - m[j]·top, then the same; kind 2 the same two the other
  // way round.
  void (*reduceAddRows)(int from, int to, int kind, double top1, double top2, const double* m,
                        double s1, double s2, double* x1, double* x2, double* c);
  // Values w = (xre[r], xim[r]) of lanes r < len whose pivot is p = (pre, pim), q = pre² + pim²
  // as the element division forms it: the multiplier m = w / p by the element division,
  // ((xre·pre + xim·pim) / q, (xim·pre - xre·pim) / q), into (mre[r], mim[r]); then the lane's
  // s := s - w·m by the element product, sre[r] - (xre·mre - xim·mim) and sim[r] - (xre·mim +
  // xim·mre).
  void (*divideLanes)(int len, const double* xre, const double* xim, double pre, double pim,
                      double q, double* mre, double* mim, double* sre, double* sim);
  // Elements from parts, three 8-byte words each (writeElements in split_matrix.h says which):
  // for j < count, out[3j] := re[j], out[3j + 1] := im[j], out[3j + 2] := the bits of `kind`,
  // a null re or im reading as zeros. Where `stream`, the stores of whole cache lines go
  // around the caches, and are not ordered until streamsDone().
  void (*elementWords)(long count, const double* re, const double* im, unsigned long kind,
                       double* out, bool stream);
  // The other way, for elements of one kind: re[j] := word 3j, im[j] := word 3j + 1 of `in`
  // for j < count, and true, where every element's kind (the low byte of word 3j + 2) is
  // `kind` and, where `finite`, both its parts are finite; else false, with re and im partly
  // written.
  bool (*elementParts)(long count, const double* in, unsigned long kind, bool finite, double* re,
                       double* im);
  // re[j] := word 3j of `in` for j < count, and true, where every element's word 3j + 1 (its
  // imaginary part) is a zero of either sign; else false, with re partly written.
  bool (*realWords)(long count, const double* in, double* re);
};

// The kernels of the path in force (simdPath()).
const SplitKernels& splitKernels();

// A row of mulSubRowsSteps: its multipliers (mre[s], mim[s]) and its part the steps update.
struct StepRow {
  const double *mre, *mim;
  double *yre, *yim;
};

// Rows r = 0 .. count-1, row(r) a StepRow, each take the `steps` steps of mulSubRowSteps with
// the rows x at xre + s·ldx (and xim): four rows at a time, each x loaded once for the four,
// then two, then one.
template <class Row>
void mulSubRowsSteps(const SplitKernels& kern, int count, int len, int steps, const double* xre,
                     const double* xim, long ldx, Row&& row) {
  int r = 0;
  for (; r + 3 < count; r += 4) {
    const StepRow q[] = {row(r), row(r + 1), row(r + 2), row(r + 3)};
    const double* mre[] = {q[0].mre, q[1].mre, q[2].mre, q[3].mre};
    const double* mim[] = {q[0].mim, q[1].mim, q[2].mim, q[3].mim};
    double* yre[] = {q[0].yre, q[1].yre, q[2].yre, q[3].yre};
    double* yim[] = {q[0].yim, q[1].yim, q[2].yim, q[3].yim};
    kern.mulSubFourRowsSteps(len, steps, mre, mim, xre, xim, ldx, yre, yim);
  }
  for (; r + 1 < count; r += 2) {
    const StepRow y = row(r), z = row(r + 1);
    kern.mulSubTwoRowsSteps(len, steps, y.mre, y.mim, z.mre, z.mim, xre, xim, ldx, y.yre, y.yim,
                            z.yre, z.yim);
  }
  if (r < count) {
    const StepRow y = row(r);
    kern.mulSubRowSteps(len, steps, y.mre, y.mim, xre, xim, ldx, y.yre, y.yim);
  }
}

// One table per path; only call the ones the processor supports.
const SplitKernels& splitKernelsGeneric();
const SplitKernels& splitKernelsAvx2();
const SplitKernels& splitKernelsAvx512();

}  // namespace kelvaro

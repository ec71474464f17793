#pragma once
// Copy and product of matrices.

#include "matrix/mat_basic.h"
#include "matrix/split_matrix.h"
#include "matrix/work_token.h"

namespace kelvaro {

// dst := src, same shape, element by element. Empty src: MatErr 5, dst unchanged.
void MatCopy(const RCOMat& src, RCOMat& dst, int& MatErr);

// c := a * b. Each element is the integer 0 plus the products a[i][k]*b[k][j] added one by
// one in ascending k. MatErr 5 for an empty operand, 4 when cols(a) != rows(b); c unchanged
// then. c must be neither a nor b. When every element of both operands is complex the work
// runs on split arrays with the same operations in the same order. The rows of c are shared
// out over the threads. work counts the steps of the way taken (productSteps).
void MatMul(const RCOMat& a, const RCOMat& b, RCOMat& c, int& MatErr, WorkToken* work = nullptr);

// r := the Kronecker product of a and b: (rows(a)*rows(b)) x (cols(a)*cols(b)), the block
// (i, j) being a[i][j] times b, each element one product of element values. MatErr 5 for an
// empty operand (r unchanged); CalcError, before any memory is taken, for a result beyond
// kMaxMatrixElements. The rows of r are shared out over the threads; work counts them.
void MatKron(const RCOMat& a, const RCOMat& b, RCOMat& r, int& MatErr, WorkToken* work = nullptr);

// The steps of one product that MatMul counts: the rows of c.
int productSteps(const RCOMat& a, const RCOMat& b);

// The element-by-element product, as MatMul computes it for operands with non-complex
// elements; sizes must fit. Advances work once per row of c.
void MatMulElements(const RCOMat& a, const RCOMat& b, RCOMat& c, WorkToken* work = nullptr);

// c := a * b on split arrays (cols(a) == rows(b)), each sum from 0.0 in ascending k. Advances
// work once per row of c.
void MatMulSplit(const SplitMatrix& a, const SplitMatrix& b, SplitMatrix& c,
                 WorkToken* work = nullptr);

// From how many bytes of packed B the product takes its rows in blocks of 256 rather than 64
// (the results are the same). 0, the default, is 8 MB; tests set 1 to reach the wide blocks
// at small orders.
void setProductWideRowsFrom(long bytes);

}  // namespace kelvaro

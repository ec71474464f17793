#pragma once
// The matrix library. Every routine works on plain matrices passed by reference, sizes its
// outputs itself and reports failure either through MatErr or through its result, fixed per
// routine. No text, no windows: this is where the arithmetic lives.

#include "matrix/mat_basic.h"
#include "matrix/mat_cholesky.h"
#include "matrix/mat_condition.h"
#include "matrix/mat_det.h"
#include "matrix/mat_echelon.h"
#include "matrix/mat_eigen.h"
#include "matrix/mat_elementwise.h"
#include "matrix/mat_inverse.h"
#include "matrix/mat_lu.h"
#include "matrix/mat_norm.h"
#include "matrix/mat_power.h"
#include "matrix/mat_product.h"
#include "matrix/mat_qr.h"
#include "matrix/mat_svd.h"
#include "matrix/mat_types.h"

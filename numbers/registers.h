#pragma once
// The calculator's registers: the matrices and values every command sizes and fills for its
// own use, and the result writer prints. They keep their contents between commands.

#include <vector>

#include "numbers/element.h"
#include "numbers/extended.h"
#include "numbers/rcomat.h"

namespace kelvaro {

// What the result writer prints (ResKind).
enum ResultKind : int {
  kResMatrix = 0,
  kResScalar = 1,
  kResDimensions = 2,
  kResQR = 3,
  kResLU = 4,
  kResLDL = 5,
  kResSVD = 6,
  kResEigenvalues = 7,
};

struct Registers {
  RCOMat MatA, MatB;    // operands A and B
  RCOMat MatC;          // operand of one-operand commands, running power
  RCOMat MatR;          // result matrix
  RCOMat MatF1, MatF2;  // factors of the decompositions
  Element ScalarR = Element::integer(0);
  int DimRows = 0, DimCols = 0;
  std::vector<double> EigRe, EigIm;  // eigenvalues, indexed from 1
  Element CoefX = Element::integer(1);
  int RowN = 0, ColN = 0;  // current size, as the writer prints it
  int ResKind = kResMatrix;
  Extended PrecScale = 1000;
  int MatErr = 0;  // status word of the matrix library
};

}  // namespace kelvaro

// Compiled as part of the matrix layer: the exact library beside it must stay out of sight.
#include "exact/exact_matrix.h"

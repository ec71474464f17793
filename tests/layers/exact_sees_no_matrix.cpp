// Compiled as part of the exact library: the matrix library beside it must stay out of sight.
#include "matrix/mat_basic.h"

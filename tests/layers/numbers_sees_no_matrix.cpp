// Compiled as part of the numbers layer: the matrix library above it must stay out of sight.
#include "matrix/mat_basic.h"

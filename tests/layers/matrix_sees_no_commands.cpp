// Compiled as part of the matrix layer: the commands above it must stay out of sight.
#include "commands/calc_state.h"

#pragma once
// What the printers need to know of the calculator's settings.

#include "numbers/extended.h"

namespace kelvaro {

// The selected item of "Complex Format".
enum class DisplayFormat { Rectangular = 0, Polar = 1 };

struct NumberFormat {
  // PrecScale: 10 to the power of the chosen number of decimals, or 0 for exponent format.
  Extended precScale = 1000;
  // The locale's decimal separator, as written by the number formatter.
  char decimalSeparator = '.';
  DisplayFormat display = DisplayFormat::Rectangular;
};

}  // namespace kelvaro

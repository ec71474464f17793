#pragma once
// The 80-bit extended format as project files store it: bytes 0-7 the 64-bit significand with
// its explicit integer bit, bytes 8-9 the sign and the 15-bit exponent biased by 16383, all
// little-endian. The bit work is done on integers, so nothing here depends on what long double
// is on the machine that runs it.

#include <array>
#include <cstdint>
#include <string>

namespace kelvaro {

inline constexpr std::size_t kExtendedSize = 10;
using ExtendedBytes = std::array<unsigned char, kExtendedSize>;

// The fields of one stored value.
struct ExtendedFields {
  bool negative = false;
  std::uint16_t exponent = 0;  // biased by 16383; 0x7FFF for infinities and NaNs
  std::uint64_t significand = 0;
};

ExtendedFields unpackExtended(const unsigned char* bytes);
ExtendedBytes packExtended(const ExtendedFields& fields);

// The exact 80-bit value of a double (every double has one).
ExtendedBytes encodeExtended(double value);

// The nearest double (ties to even; beyond the double range gives an infinity, below it a
// subnormal or zero). Encodings the x87 refuses as operands (unnormals, pseudo-infinities,
// pseudo-NaNs) give a NaN.
double decodeExtended(const unsigned char* bytes);

// The exact value rounded to 15 significant digits (ties to even) and written in the shortest
// general form: no trailing zeros, fixed notation unless the value needs more than 15 integer
// digits or lies below 0.00001, else d.dddEn. Infinities are "INF" and "-INF"; NaNs and the
// refused encodings are "NAN". Zero of either sign is "0".
std::string formatExtended(const unsigned char* bytes, char decimalSeparator);

}  // namespace kelvaro

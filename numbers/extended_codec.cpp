#include "numbers/extended_codec.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

#include "numbers/element_text.h"

namespace kelvaro {

namespace {

constexpr std::uint16_t kExponentMask = 0x7FFF;
constexpr std::uint16_t kSignBit = 0x8000;
constexpr int kExponentBias = 16383;
constexpr std::uint64_t kIntegerBit = std::uint64_t{1} << 63;
// value = significand * 2^(exponent - kScaleShift) for a normal encoding.
constexpr int kScaleShift = kExponentBias + 63;

// A natural number of any size, little-endian 32-bit limbs without leading zero limbs. Only
// what the exact decimal conversion needs.
class BigNat {
 public:
  explicit BigNat(std::uint64_t v) {
    while (v) {
      limbs_.push_back(static_cast<std::uint32_t>(v));
      v >>= 32;
    }
  }

  bool fitsU64() const { return limbs_.size() <= 2; }
  std::uint64_t toU64() const {
    std::uint64_t v = 0;
    for (std::size_t i = limbs_.size(); i-- > 0;) v = (v << 32) | limbs_[i];
    return v;
  }

  void mulSmall(std::uint32_t f) {
    std::uint64_t carry = 0;
    for (auto& l : limbs_) {
      const std::uint64_t p = std::uint64_t{l} * f + carry;
      l = static_cast<std::uint32_t>(p);
      carry = p >> 32;
    }
    if (carry) limbs_.push_back(static_cast<std::uint32_t>(carry));
  }

  // Returns the remainder.
  std::uint32_t divSmall(std::uint32_t d) {
    std::uint64_t rem = 0;
    for (std::size_t i = limbs_.size(); i-- > 0;) {
      const std::uint64_t cur = (rem << 32) | limbs_[i];
      limbs_[i] = static_cast<std::uint32_t>(cur / d);
      rem = cur % d;
    }
    trim();
    return static_cast<std::uint32_t>(rem);
  }

  void shiftLeft(unsigned bits) {
    if (limbs_.empty() || bits == 0) return;
    const unsigned whole = bits / 32, part = bits % 32;
    if (part) {
      std::uint32_t carry = 0;
      for (auto& l : limbs_) {
        const std::uint32_t next = l >> (32 - part);
        l = (l << part) | carry;
        carry = next;
      }
      if (carry) limbs_.push_back(carry);
    }
    limbs_.insert(limbs_.begin(), whole, 0u);
  }

  // Returns true when a one bit was shifted out.
  bool shiftRight(unsigned bits) {
    const std::size_t whole = bits / 32;
    const unsigned part = bits % 32;
    if (whole >= limbs_.size()) {
      const bool lost = !limbs_.empty();
      limbs_.clear();
      return lost;
    }
    bool lost = false;
    for (std::size_t i = 0; i < whole; ++i) lost |= limbs_[i] != 0;
    limbs_.erase(limbs_.begin(), limbs_.begin() + static_cast<std::ptrdiff_t>(whole));
    if (part) {
      lost |= (limbs_[0] & ((std::uint32_t{1} << part) - 1)) != 0;
      for (std::size_t i = 0; i < limbs_.size(); ++i) {
        const std::uint32_t high = i + 1 < limbs_.size() ? limbs_[i + 1] << (32 - part) : 0;
        limbs_[i] = (limbs_[i] >> part) | high;
      }
      trim();
    }
    return lost;
  }

 private:
  void trim() {
    while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
  }

  std::vector<std::uint32_t> limbs_;
};

constexpr std::uint32_t kFivePow13 = 1220703125;  // the largest power of five in 32 bits

std::uint32_t fivePow(int n) {
  std::uint32_t p = 1;
  while (n-- > 0) p *= 5;
  return p;
}

std::uint64_t fivePow64(int n) {
  std::uint64_t p = 1;
  while (n-- > 0) p *= 5;
  return p;
}

constexpr std::uint64_t kTenPow14 = 100000000000000ULL;
constexpr std::uint64_t kTenPow15 = 1000000000000000ULL;

// floor(m * 2^e * 10^s * 2), whether that floor dropped anything, and whether it fits in 64
// bits at all. The doubling keeps the half bit for rounding.
struct Scaled {
  bool fits = false;
  std::uint64_t value = 0;
  bool inexact = false;
};

Scaled fromBig(BigNat& n, bool inexact) {
  if (!n.fitsU64()) return {};
  return {true, n.toU64(), inexact};
}

Scaled scaleBig(std::uint64_t m, int e, int s) {
  BigNat n(m);
  bool inexact = false;
  if (s > 0) {
    int left = s;
    for (; left >= 13; left -= 13) n.mulSmall(kFivePow13);
    if (left) n.mulSmall(fivePow(left));
  }
  const int shift = e + 1 + s;
  if (shift > 0) n.shiftLeft(static_cast<unsigned>(shift));
  if (shift < 0) inexact |= n.shiftRight(static_cast<unsigned>(-shift));
  if (s < 0) {
    // Dividing step by step floors to the same integer as one division by 5^-s.
    int left = -s;
    for (; left >= 13; left -= 13) inexact |= n.divSmall(kFivePow13) != 0;
    if (left) inexact |= n.divSmall(fivePow(left)) != 0;
  }
  return fromBig(n, inexact);
}

// Values from about 1e-13 to 1e14, the ones people type, need no more than 128 bits.
constexpr int kMaxSmallPower = 27;  // 5^27 < 2^63, so m * 5^27 < 2^127

Scaled scaleDoubled(std::uint64_t m, int e, int s) {
  if (s < 0 || s > kMaxSmallPower) return scaleBig(m, e, s);
  using U128 = unsigned __int128;
  U128 n = static_cast<U128>(m) * fivePow64(s);
  const int shift = e + 1 + s;
  bool inexact = false;
  if (shift > 0) {
    if (shift >= 64 || (n >> (64 - shift)) != 0) return {};
    return {true, static_cast<std::uint64_t>(n) << shift, false};
  }
  if (shift <= -128) {
    inexact = n != 0;
    n = 0;
  } else if (shift < 0) {
    inexact = (n & ((U128{1} << -shift) - 1)) != 0;
    n >>= -shift;
  }
  if ((n >> 64) != 0) return {};
  return {true, static_cast<std::uint64_t>(n), inexact};
}

// m * 2^e (m > 0) rounded to 15 significant digits, ties to even: q in [10^14, 10^15) and the
// power of ten of its first digit.
void roundToFifteenDigits(std::uint64_t m, int e, std::uint64_t& q, int& k) {
  // The estimate of the decimal exponent may be one off; the loop corrects it.
  const double log10v = (e + std::log2(static_cast<double>(m))) * 0.30102999566398120;
  k = static_cast<int>(std::floor(log10v));
  for (;;) {
    const Scaled sc = scaleDoubled(m, e, 14 - k);
    if (!sc.fits || sc.value >= 2 * kTenPow15) {
      ++k;
      continue;
    }
    if (sc.value < 2 * kTenPow14) {
      --k;
      continue;
    }
    q = sc.value >> 1;
    const bool half = sc.value & 1;
    if (half && (sc.inexact || (q & 1))) ++q;
    if (q == kTenPow15) {
      q = kTenPow14;
      ++k;
    }
    return;
  }
}

// Rounds m / 2^shift to an integer, ties to even (shift may exceed 64).
std::uint64_t roundShiftRight(std::uint64_t m, int shift) {
  if (shift <= 0) return m;
  if (shift > 64) return 0;
  const std::uint64_t q = shift == 64 ? 0 : m >> shift;
  const std::uint64_t rest = shift == 64 ? m : m & ((std::uint64_t{1} << shift) - 1);
  const std::uint64_t half = std::uint64_t{1} << (shift - 1);
  if (rest > half || (rest == half && (q & 1))) return q + 1;
  return q;
}

bool refusedEncoding(const ExtendedFields& f) {
  // A non-zero exponent needs the integer bit; the x87 treats the rest as invalid operands.
  return f.exponent != 0 && !(f.significand & kIntegerBit);
}

}  // namespace

ExtendedFields unpackExtended(const unsigned char* bytes) {
  ExtendedFields f;
  for (int i = 7; i >= 0; --i) f.significand = (f.significand << 8) | bytes[i];
  const std::uint16_t top = static_cast<std::uint16_t>(bytes[8] | (bytes[9] << 8));
  f.negative = top & kSignBit;
  f.exponent = top & kExponentMask;
  return f;
}

ExtendedBytes packExtended(const ExtendedFields& f) {
  ExtendedBytes b{};
  for (int i = 0; i < 8; ++i) b[i] = static_cast<unsigned char>(f.significand >> (8 * i));
  const std::uint16_t top =
      static_cast<std::uint16_t>((f.exponent & kExponentMask) | (f.negative ? kSignBit : 0));
  b[8] = static_cast<unsigned char>(top);
  b[9] = static_cast<unsigned char>(top >> 8);
  return b;
}

ExtendedBytes encodeExtended(double value) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
  ExtendedFields f;
  f.negative = bits >> 63;
  const int exp11 = static_cast<int>((bits >> 52) & 0x7FF);
  const std::uint64_t frac = bits & ((std::uint64_t{1} << 52) - 1);
  if (exp11 == 0x7FF) {
    f.exponent = kExponentMask;
    // A NaN stays a quiet NaN with its payload.
    f.significand = kIntegerBit | (frac ? (std::uint64_t{1} << 62) | (frac << 11) : 0);
  } else if (exp11 != 0) {
    f.exponent = static_cast<std::uint16_t>(exp11 - 1023 + kExponentBias);
    f.significand = kIntegerBit | (frac << 11);
  } else if (frac != 0) {
    // A subnormal double is a normal extended value: frac * 2^-1074.
    const int lz = std::countl_zero(frac);
    f.significand = frac << lz;
    f.exponent = static_cast<std::uint16_t>(kScaleShift - 1074 - lz);
  }
  return packExtended(f);
}

double decodeExtended(const unsigned char* bytes) {
  const ExtendedFields f = unpackExtended(bytes);
  const std::uint64_t sign = f.negative ? std::uint64_t{1} << 63 : 0;
  const auto make = [&](std::uint64_t magnitude) {
    return std::bit_cast<double>(sign | magnitude);
  };
  constexpr std::uint64_t kInf = std::uint64_t{0x7FF} << 52;
  constexpr std::uint64_t kQuietNaN = kInf | (std::uint64_t{1} << 51);
  if (refusedEncoding(f)) return make(kQuietNaN);
  if (f.exponent == kExponentMask)
    return make((f.significand << 1) == 0 ? kInf : kQuietNaN | ((f.significand << 1) >> 12));
  if (f.significand == 0) return make(0);

  // Denormals (and pseudo-denormals) scale like exponent 1.
  int e = (f.exponent == 0 ? 1 : f.exponent) - kScaleShift;
  const int lz = std::countl_zero(f.significand);
  const std::uint64_t m = f.significand << lz;
  e -= lz;
  const int top = e + 63;  // power of two of the leading bit
  if (top > 1023) return make(kInf);
  if (top >= -1022) {
    std::uint64_t mant = roundShiftRight(m, 11);
    int biased = top + 1023;
    if (mant >> 53) {
      mant >>= 1;
      ++biased;
    }
    if (biased > 2046) return make(kInf);
    return make((static_cast<std::uint64_t>(biased) << 52) |
                (mant & ((std::uint64_t{1} << 52) - 1)));
  }
  // Subnormal: count units of 2^-1074. Rounding up into the smallest normal sets the exponent
  // field to 1 by itself.
  return make(roundShiftRight(m, -(e + 1074)));
}

std::string formatExtended(const unsigned char* bytes, char decimalSeparator) {
  const ExtendedFields f = unpackExtended(bytes);
  if (refusedEncoding(f)) return "NAN";
  if (f.exponent == kExponentMask) {
    if ((f.significand << 1) != 0) return "NAN";
    return f.negative ? "-INF" : "INF";
  }
  if (f.significand == 0) return "0";

  const int e = (f.exponent == 0 ? 1 : f.exponent) - kScaleShift;
  std::uint64_t q = 0;
  int exponent = 0;
  roundToFifteenDigits(f.significand, e, q, exponent);
  while (q % 10 == 0) q /= 10;
  char text[64];
  const std::size_t length =
      writeGeneralDigits(text, f.negative, std::to_string(q), exponent, decimalSeparator);
  return std::string(text, length);
}

}  // namespace kelvaro

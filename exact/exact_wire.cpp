#include "exact/exact_wire.h"

#include <gmp.h>

#include "exact/flint_support.h"
#include "numbers/calc_error.h"

namespace kelvaro::exact {

namespace {

void putInteger(ByteWriter& w, const fmpz* f) {
  if (!COEFF_IS_MPZ(*f)) {
    w.raw(std::uint8_t{0});
    w.raw(static_cast<std::int64_t>(*f));
    return;
  }
  mpz_t z;
  mpz_init(z);
  fmpz_get_mpz(z, f);
  const std::uint64_t count = (mpz_sizeinbase(z, 2) + 7) / 8;
  w.raw(static_cast<std::uint8_t>(mpz_sgn(z) < 0 ? 2 : 1));
  w.raw(count);
  std::string& bytes = w.bytes();
  const std::size_t start = bytes.size();
  bytes.resize(start + count);
  std::size_t written = 0;
  mpz_export(bytes.data() + start, &written, -1, 1, 0, 0, z);
  mpz_clear(z);
}

void getInteger(ByteReader& r, fmpz* f) {
  const auto kind = r.raw<std::uint8_t>();
  if (kind == 0) {
    fmpz_set_si(f, static_cast<long>(r.raw<std::int64_t>()));
    return;
  }
  const auto count = r.raw<std::uint64_t>();
  const std::string_view bytes = r.view(count);
  mpz_t z;
  mpz_init(z);
  mpz_import(z, bytes.size(), -1, 1, 0, 0, bytes.data());
  if (kind == 2) mpz_neg(z, z);
  fmpz_set_mpz(f, z);
  mpz_clear(z);
}

}  // namespace

void ByteReader::take(void* out, std::size_t n) {
  std::memcpy(out, view(n).data(), n);
}

std::string_view ByteReader::view(std::size_t n) {
  if (bytes_.size() - pos_ < n) throw CalcError("The exact computation failed.");
  const std::string_view v = bytes_.substr(pos_, n);
  pos_ += n;
  return v;
}

void put(ByteWriter& w, const Rational& q) {
  putInteger(w, fmpq_numref(fq(q)));
  putInteger(w, fmpq_denref(fq(q)));
}

void get(ByteReader& r, Rational& q) {
  getInteger(r, fmpq_numref(fq(q)));
  getInteger(r, fmpq_denref(fq(q)));
}

void put(ByteWriter& w, const ExactMatrix& m) {
  w.raw(static_cast<std::int32_t>(m.rows()));
  w.raw(static_cast<std::int32_t>(m.cols()));
  w.raw(m.isComplex());
  for (const Rational& q : m.realParts()) put(w, q);
  for (const Rational& q : m.imagParts()) put(w, q);
}

void get(ByteReader& r, ExactMatrix& m) {
  const auto rows = r.raw<std::int32_t>();
  const auto cols = r.raw<std::int32_t>();
  const bool complex = r.raw<bool>();
  m = ExactMatrix(rows, cols, complex);
  for (Rational& q : m.realParts()) get(r, q);
  for (Rational& q : m.imagParts()) get(r, q);
}

void put(ByteWriter& w, const std::string& s) {
  w.raw(static_cast<std::uint64_t>(s.size()));
  w.bytes() += s;
}

void get(ByteReader& r, std::string& s) {
  s = std::string(r.view(r.raw<std::uint64_t>()));
}

}  // namespace kelvaro::exact

#pragma once
// Inside the exact library only: exact values as bytes, for the way back from a child
// process. Every value a routine returns has a put and a get here.

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "exact/exact_matrix.h"
#include "exact/rational.h"

namespace kelvaro::exact {

class ByteWriter {
 public:
  std::string& bytes() { return bytes_; }
  template <class T>
  void raw(const T& v) {
    static_assert(std::is_trivially_copyable_v<T>);
    bytes_.append(reinterpret_cast<const char*>(&v), sizeof v);
  }

 private:
  std::string bytes_;
};

class ByteReader {
 public:
  explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}
  template <class T>
  T raw() {
    static_assert(std::is_trivially_copyable_v<T>);
    T v{};
    take(&v, sizeof v);
    return v;
  }
  void take(void* out, std::size_t n);
  std::string_view view(std::size_t n);

 private:
  std::string_view bytes_;
  std::size_t pos_ = 0;
};

void put(ByteWriter& w, const Rational& q);
void get(ByteReader& r, Rational& q);
void put(ByteWriter& w, const ExactMatrix& m);
void get(ByteReader& r, ExactMatrix& m);
void put(ByteWriter& w, const std::string& s);
void get(ByteReader& r, std::string& s);

inline void put(ByteWriter& w, const GaussRational& g) {
  put(w, g.re);
  put(w, g.im);
}
inline void get(ByteReader& r, GaussRational& g) {
  get(r, g.re);
  get(r, g.im);
}

template <class T>
requires std::is_arithmetic_v<T> || std::is_enum_v<T>
void put(ByteWriter& w, T v) {
  w.raw(v);
}
template <class T>
requires std::is_arithmetic_v<T> || std::is_enum_v<T>
void get(ByteReader& r, T& v) {
  v = r.raw<T>();
}

template <class T>
void put(ByteWriter& w, const std::vector<T>& v) {
  put(w, static_cast<std::uint64_t>(v.size()));
  for (const T& x : v) put(w, x);
}
template <class T>
void get(ByteReader& r, std::vector<T>& v) {
  const auto n = r.raw<std::uint64_t>();
  v.clear();
  for (std::uint64_t i = 0; i < n; ++i) {
    T x;
    get(r, x);
    v.push_back(std::move(x));
  }
}

template <class T>
void put(ByteWriter& w, const std::optional<T>& v) {
  put(w, v.has_value());
  if (v) put(w, *v);
}
template <class T>
void get(ByteReader& r, std::optional<T>& v) {
  bool has = false;
  get(r, has);
  v.reset();
  if (has) {
    T x;
    get(r, x);
    v = std::move(x);
  }
}

}  // namespace kelvaro::exact

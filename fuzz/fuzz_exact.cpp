// Exact values as typed and printed: tokens read as exact numbers, with a comma or a point
// as the decimal separator. Whatever is read must print, and what is printed must read back
// to the same value, alone and as the rows of a matrix; the nearest double of a value must
// come back from the double's own exact value, and a token the double reader takes too
// must mean the same number to both.

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "exact/exact_text.h"
#include "numbers/calc_error.h"
#include "numbers/element_text.h"

namespace {

using namespace kelvaro;
using namespace kelvaro::exact;

[[noreturn]] void fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "%s: [%s]\n", what, detail.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  NumberFormat nf;
  nf.decimalSeparator = in.ConsumeBool() ? ',' : '.';
  const int cols = 1 + in.ConsumeIntegralInRange(0, 3);
  std::vector<GaussRational> values;
  ExactReader reader("Matrix A", nf), again("Result", nf);
  while (in.remaining_bytes() > 0 && values.size() < 12) {
    const std::string token = in.ConsumeRandomLengthString(48);
    if (token.empty()) continue;
    GaussRational v;
    try {
      v = reader.read(token, 0, 0);
    } catch (const CalcError&) {
      continue;
    }
    const std::string text = v.text();
    if (text.size() != v.textLength()) fail("text length", text);
    try {
      if (again.read(text) != v) fail("printed value reads back differently", token);
    } catch (const CalcError& e) {
      fail("printed value does not read back", text + " / " + e.what());
    }
    // Where the double reader takes the token too, both mean the same number: the same
    // modulus, and the same point while the double reader's degrees per radian (57.29578)
    // and its rounding to the precision's decimals leave it near.
    try {
      const Element e = parseElement(token, nf);
      const double re = v.re.toDouble(), im = v.im.toDouble();
      const double size = 1 + std::hypot(re, im) + std::hypot(e.re(), e.im());
      const std::size_t open = token.find('(');
      std::string angle = open == std::string::npos ? "0" : token.substr(open + 1);
      for (char& ch : angle)
        if (ch == ',') ch = '.';
      const bool nearAngle = std::fabs(std::strtod(angle.c_str(), nullptr)) < 1e5;
      if (size < 1e12 &&
          (std::fabs(std::hypot(re, im) - std::hypot(e.re(), e.im())) > 1e-2 * size ||
           (nearAngle && std::hypot(re - e.re(), im - e.im()) > 1e-2 * size)))
        fail("exact and double values differ", token);
    } catch (const CalcError&) {
    }
    const double d = v.re.toDouble();
    if (std::isfinite(d) && Rational::fromDouble(d).toDouble() != d) fail("double", text);
    decimalText(v.im, 15, nf.decimalSeparator);
    values.push_back(std::move(v));
  }
  const int rows = static_cast<int>(values.size()) / cols;
  if (rows == 0) return 0;
  ExactMatrix m(rows, cols);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) m.set(r, c, values[static_cast<std::size_t>(r * cols + c)]);
  Pane pane;
  pane.add(std::string());
  appendMatrixRows(pane, m);
  if (pane.text().size() > matrixTextSize(m) + 1) fail("text size", pane.text());
  try {
    if (!(readExactPane(pane, rows, cols, "Result", nf) == m)) fail("rows read back", pane.text());
  } catch (const CalcError& e) {
    fail("rows do not read back", pane.text() + " / " + e.what());
  }
  return 0;
}

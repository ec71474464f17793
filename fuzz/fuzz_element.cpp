// One element's text: the token normaliser, the complex text parser and the printers, at a
// precision, decimal separator and display format taken from the input. Whatever the element
// parser reads must print, and what it prints must read back. The fast paths must agree with
// the general ones: the plain-text reader with the parser, the double printer with the
// extended one.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "numbers/calc_error.h"
#include "numbers/element_text.h"
#include "numbers/registers.h"
#include "numbers/result_writer.h"

namespace {

using namespace kelvaro;

[[noreturn]] void fail(const char* what, std::string_view detail) {
  std::fprintf(stderr, "%s: [%.*s]\n", what, static_cast<int>(detail.size()), detail.data());
  std::abort();
}

constexpr const char* kPrecisions[] = {"1", "2", "3", "4", "5", "6", "7", "8", "e", "0", "-2"};

// The precision as the precision box sets it, from one of its items or from free text.
Extended precisionScale(FuzzedDataProvider& in, char separator) {
  Registers regs;
  const std::uint8_t pick = in.ConsumeIntegral<std::uint8_t>();
  const std::string text =
      pick < 200 ? kPrecisions[pick % std::size(kPrecisions)] : in.ConsumeRandomLengthString(12);
  try {
    changePrecision(text, separator, regs);
  } catch (const CalcError&) {
  }
  return regs.PrecScale;
}

bool sameBits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

void checkPrinters(const Element& e, const NumberFormat& nf) {
  const std::string text = formatComplex(e, nf);
  if (text.empty()) fail("empty text", text);
  formatGeneral(e.re(), nf.decimalSeparator);
  const NumberPrinter printer(nf);
  // The double paths against the extended number formatter, part by part.
  for (const double part : {e.re(), e.im()}) {
    char cell[NumberPrinter::kMaxElementText];
    const std::string viaDouble(cell, printer.writeElement(cell, Element::real(part), true));
    if (viaDouble != formatNumber(part, nf)) fail("printers differ", viaDouble);
  }
  // Printed text reads back (in polar display through the polar branch of the normaliser),
  // except a lone imaginary part in scientific notation: the sign of its exponent keeps the
  // normaliser from putting "0+" in front, as it does for a typed 2e-3i.
  const bool loneScientificImaginary = e.re() == 0 &&
                                       text.find_first_of("eE") != std::string::npos &&
                                       text.find_first_of("+-", 1) != std::string::npos;
  if (loneScientificImaginary) return;
  try {
    parseElement(text, nf);
  } catch (const CalcError& error) {
    fail("printed text does not read back", text + " / " + error.what());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  NumberFormat nf;
  nf.decimalSeparator = in.ConsumeBool() ? ',' : '.';
  nf.display = in.ConsumeBool() ? DisplayFormat::Polar : DisplayFormat::Rectangular;
  nf.precScale = precisionScale(in, nf.decimalSeparator);
  const std::string token = in.ConsumeRemainingBytesAsString();

  // The canonical-text readers agree with each other wherever they read a value.
  Element plain, general;
  const bool plainRead = readPlainComplexText(token, plain);
  const bool generalRead = tryParseComplexText(token, general);
  if (plainRead &&
      !(generalRead && sameBits(plain.re(), general.re()) && sameBits(plain.im(), general.im())))
    fail("plain reader differs from the parser", token);
  try {
    const Element thrown = parseComplexText(token);
    if (!generalRead || !sameBits(thrown.re(), general.re()) ||
        !sameBits(thrown.im(), general.im()))
      fail("parser differs from its exception-free form", token);
  } catch (const CalcError&) {
    if (generalRead) fail("parser refuses what its exception-free form reads", token);
  }

  Element value;
  try {
    value = parseElement(token, nf);
  } catch (const CalcError&) {
    return 0;
  }
  if (!value.isComplex()) fail("element parser gave a non-complex value", token);
  checkPrinters(value, nf);

  double real = 0;
  if (parseDecimal(token, nf.decimalSeparator, real)) checkPrinters(Element::real(real), nf);
  try {
    textToInteger(token);
  } catch (const CalcError&) {
  }
  return 0;
}

// Any text pasted as a matrix, with the decimal separator and precision from the input's last
// bytes. Reading either refuses with CalcError or gives matrices that, written again at full
// precision in the format the text was taken for, read back bit for bit (names too); and
// paste-matrix-a
// either refuses and leaves pane A as it was, or fills it with rows the pane reader reads as
// exactly the matrix that was read.

#include <fuzzer/FuzzedDataProvider.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "commands/exchange_commands.h"
#include "commands/shell_commands.h"
#include "numbers/calc_error.h"
#include "numbers/matrix_recognition.h"
#include "numbers/matrix_text.h"

namespace {

using namespace kelvaro;

[[noreturn]] void fail(const char* what, const std::string& text) {
  std::fprintf(stderr, "%s: [%s]\n", what, text.c_str());
  std::abort();
}

// Bit for bit, except that a zero imaginary part of either sign is written as a real number.
bool same(const RCOMat& a, const RCOMat& b) {
  if (a.rows() != b.rows() || a.cols() != b.cols()) return false;
  auto bits = [](double x) { return std::isnan(x) ? 0 : std::bit_cast<std::uint64_t>(x); };
  auto imaginaryBits = [&](double x) { return x == 0 ? 0 : bits(x); };
  for (std::size_t i = 0; i < a.elements().size(); ++i) {
    const Element& x = a.elements()[i];
    const Element& y = b.elements()[i];
    if (bits(x.re()) != bits(y.re()) || imaginaryBits(x.im()) != imaginaryBits(y.im()))
      return false;
  }
  return true;
}

class SilentInterface : public UserInterface {
 public:
  void showNote(const std::string&) override {}
  void showWarning(const std::string&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const char separator = ".,;|"[in.ConsumeIntegralInRange(0, 3)];
  const NumberFormat nf{in.ConsumeBool() ? 0.0L : 1000.0L, separator, DisplayFormat::Rectangular};
  const std::string text = in.ConsumeRemainingBytesAsString();

  ReadMatrices read;
  try {
    read = readMatrices(text, nf);
  } catch (const CalcError&) {
    return 0;
  }
  // A single column of TSV or CSV is also pane text, which holds no INF or NaN.
  bool oneColumn = read.format == MatrixFormat::Tsv || read.format == MatrixFormat::Csv;
  for (const MatrixPart& part : read.parts) oneColumn = oneColumn && part.values.cols() == 1;
  if (read.format != MatrixFormat::Pane && !oneColumn) {
    const std::string again = writeMatrices(read.parts, read.format, {true, nf, separator});
    try {
      const ReadMatrices back = readMatrices(again, nf);
      if (back.parts.size() != read.parts.size()) fail("parts lost", again);
      for (std::size_t p = 0; p < read.parts.size(); ++p) {
        if (back.parts[p].name != read.parts[p].name) fail("name changed", again);
        if (!same(back.parts[p].values, read.parts[p].values)) fail("values changed", again);
      }
    } catch (const CalcError& e) {
      fail(e.what(), again);
    }
  }

  CalcState state;
  FormCreate(state, std::string(1, separator));
  state.regs.PrecScale = nf.precScale;
  state.clipboard = text;
  const std::vector<std::string> before = state.paneA.lines();
  SilentInterface ui;
  try {
    pasteMatrixA(state, ui);
  } catch (const CalcError&) {
    if (state.paneA.lines() != before) fail("a refused paste changed pane A", text);
    return 0;
  }
  RCOMat pasted;
  const RCOMat& values = read.parts.at(0).values;
  readPane(state.paneA, values.rows(), values.cols(), pasted, nf);
  if (!same(pasted, values)) fail("pane A reads differently", text);
  return 0;
}

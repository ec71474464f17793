#include "numbers/result_writer.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "numbers/element_text.h"

namespace kelvaro {

namespace {

constexpr std::size_t kCellWidth = 10;

void appendRightAligned(std::string& out, std::string_view text) {
  if (text.size() < kCellWidth) out.append(kCellWidth - text.size(), ' ');
  out.append(text);
}

enum class ElementText { ComplexAware, RealOnly };

// The text of one row of a matrix result, built in a plain buffer with fixed-size copies; the
// slack at the end of the buffer and of text takes what those copies write past a cell.
class RowText {
 public:
  explicit RowText(int cols)
      : row_(static_cast<std::size_t>(cols > 0 ? cols : 0) * kCellRoom + kSlack) {}

  std::string_view of(const NumberPrinter& printer, const RCOMat& m, int r, int cols, bool realOnly,
                      CancelCountdown& countdown) {
    char* o = row_.data();
    for (int c = 0; c < cols; ++c) {
      countdown.tick();
      const bool inside = r < m.rows() && c < m.cols();
      const std::size_t n = printer.writeElement(text_, inside ? m[r][c] : Element(), realOnly);
      std::memset(o, ' ', 1 + kCellWidth);
      o += 1 + (n < kCellWidth ? kCellWidth - n : 0);
      if (n <= kSlack)
        std::memcpy(o, text_, kSlack);
      else
        std::memcpy(o, text_, n);
      o += n;
    }
    return {row_.data(), static_cast<std::size_t>(o - row_.data())};
  }

 private:
  static constexpr std::size_t kSlack = 32;
  static constexpr std::size_t kCellRoom = 1 + kCellWidth + NumberPrinter::kMaxElementText;
  std::vector<char> row_;
  char text_[NumberPrinter::kMaxElementText + kSlack] = {};
};

class Writer {
 public:
  Writer(Pane& result, const NumberFormat& nf, const CancelFlag* cancel,
         const RowRanges& rowRanges = {})
      : result_(result), printer_(nf), cancel_(cancel), countdown_(cancel), rowRanges_(rowRanges) {}

  // Rows of m, rows x cols cells each, every row followed by an empty line. A place the
  // register does not have prints as an empty element.
  void matrix(const RCOMat& m, int rows, int cols, ElementText how) {
    const bool realOnly = how == ElementText::RealOnly;
    if (rowRanges_ && rows > 1) {
      // Each range writes its rows' text apart; they are appended in order afterwards.
      std::vector<std::string> texts(static_cast<std::size_t>(rows));
      rowRanges_(rows, cols, [&](int first, int last) {
        RowText text(cols);
        CancelCountdown countdown(cancel_);
        for (int r = first; r < last; ++r)
          texts[static_cast<std::size_t>(r)] = text.of(printer_, m, r, cols, realOnly, countdown);
      });
      for (std::string& text : texts) {
        result_.appendToLast(text);
        result_.add(std::string());
      }
      return;
    }
    RowText text(cols);
    for (int r = 0; r < rows; ++r) {
      result_.appendToLast(text.of(printer_, m, r, cols, realOnly, countdown_));
      result_.add(std::string());
    }
  }

  void factor(std::string_view caption, const RCOMat& m, int rows, int cols, ElementText how) {
    result_.add(std::string(caption));
    result_.add(std::string());
    matrix(m, rows, cols, how);
  }

  void scalar(const Element& e) {
    std::string line = "   ";
    cell_.clear();
    printer_.appendComplex(cell_, e);
    appendRightAligned(line, cell_);
    result_.add(std::move(line));
    result_.add(std::string());
  }

  // One line per eigenvalue that is not exactly zero: " re" or " re+imi", each part right-
  // aligned in ten characters.
  void eigenvalues(const std::vector<double>& re, const std::vector<double>& im, int count) {
    result_.add(std::string());
    for (int k = 1; k <= count; ++k) {
      const double a = static_cast<std::size_t>(k) < re.size() ? re[k] : 0.0;
      const double b = static_cast<std::size_t>(k) < im.size() ? im[k] : 0.0;
      if (b == 0 && a == 0) continue;
      std::string line = " ";
      cell_.clear();
      printer_.appendNumber(cell_, a);
      appendRightAligned(line, cell_);
      if (b != 0) {
        line += '+';
        cell_.clear();
        printer_.appendNumber(cell_, b);
        appendRightAligned(line, cell_);
        line += 'i';
      }
      result_.add(std::move(line));
    }
    result_.add(std::string());
  }

 private:
  Pane& result_;
  NumberPrinter printer_;
  const CancelFlag* cancel_;
  CancelCountdown countdown_;
  const RowRanges& rowRanges_;
  std::string cell_;
};

}  // namespace

void writeResult(Pane& result, Registers& regs, const NumberFormat& nf, const CancelFlag* cancel,
                 const RowRanges& rowRanges) {
  result.appendToLast("=");
  result.add(std::string());
  Writer w(result, nf, cancel, rowRanges);
  const int rows = regs.RowN;
  const int cols = regs.ColN;
  constexpr auto kComplex = ElementText::ComplexAware;
  constexpr auto kReal = ElementText::RealOnly;
  switch (regs.ResKind) {
    case kResScalar:
      w.scalar(regs.ScalarR);
      break;
    case kResDimensions:
      result.add("       " + std::to_string(regs.DimRows) + "*" + std::to_string(regs.DimCols));
      result.add(std::string());
      break;
    case kResQR:
      w.factor("   Q:", regs.MatF1, rows, rows, kComplex);
      w.factor("   R:", regs.MatF2, rows, cols, kReal);
      break;
    case kResLU:
    case kResLDL:
      w.factor("   L:", regs.MatF1, rows, rows, kComplex);
      w.factor(regs.ResKind == kResLU ? "   U:" : "   D:", regs.MatF2, rows, cols, kComplex);
      break;
    case kResSVD:
      w.factor("   U:", regs.MatF1, rows, rows, kReal);
      w.factor("   S:", regs.MatA, rows, cols, kReal);
      w.factor("   V:", regs.MatF2, cols, cols, kReal);
      break;
    case kResEigenvalues:
      w.eigenvalues(regs.EigRe, regs.EigIm, cols);
      break;
    default:  // a matrix; ResKind stays as it is
      w.matrix(regs.MatR, rows, cols, kComplex);
      return;
  }
  regs.ResKind = kResMatrix;
}

void writeMatrixRows(Pane& result, const RCOMat& m, const NumberFormat& nf,
                     const CancelFlag* cancel) {
  Writer(result, nf, cancel).matrix(m, m.rows(), m.cols(), ElementText::ComplexAware);
}

void changePrecision(std::string_view text, char decimalSeparator, Registers& regs) {
  if (text == "e") {
    regs.PrecScale = 0;
    return;
  }
  const double p = textToFloat(text, decimalSeparator);
  regs.PrecScale = std::pow(Extended(10), Extended(p));
}

}  // namespace kelvaro

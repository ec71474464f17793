#include "numbers/result_parts.h"

#include <cstddef>
#include <string>

namespace kelvaro {

namespace {

enum class Values { AsPrinted, RealOnly };

MatrixPart part(std::string name, const RCOMat& m, int rows, int cols, Values values,
                const CancelFlag* cancel) {
  MatrixPart p{std::move(name), RCOMat()};
  // The usual case, a register of the printed size, is one copy of its storage.
  if (values == Values::AsPrinted && m.rows() == rows && m.cols() == cols) {
    p.values.assignCopy(m, cancel);
    return p;
  }
  p.values.resize(rows, cols, cancel);
  CancelCountdown countdown(cancel);
  for (int r = 0; r < p.values.rows(); ++r) {
    countdown.tick(static_cast<std::size_t>(cols));
    for (int c = 0; c < p.values.cols(); ++c) {
      const Element e = r < m.rows() && c < m.cols() ? m[r][c] : Element();
      p.values[r][c] = values == Values::RealOnly ? Element::real(e.re()) : e;
    }
  }
  return p;
}

}  // namespace

std::vector<MatrixPart> resultParts(const Registers& regs, int resultKind,
                                    const CancelFlag* cancel) {
  const int rows = regs.RowN;
  const int cols = regs.ColN;
  constexpr auto kAsPrinted = Values::AsPrinted;
  constexpr auto kReal = Values::RealOnly;
  std::vector<MatrixPart> parts;
  switch (resultKind) {
    case kResScalar:
      parts.push_back({"", RCOMat(1, 1)});
      parts.back().values[0][0] = regs.ScalarR;
      break;
    case kResDimensions:
      parts.push_back({"", RCOMat(1, 2)});
      parts.back().values[0][0] = Element::integer(regs.DimRows);
      parts.back().values[0][1] = Element::integer(regs.DimCols);
      break;
    case kResQR:
      parts.push_back(part("Q", regs.MatF1, rows, rows, kAsPrinted, cancel));
      parts.push_back(part("R", regs.MatF2, rows, cols, kReal, cancel));
      break;
    case kResLU:
    case kResLDL:
      parts.push_back(part("L", regs.MatF1, rows, rows, kAsPrinted, cancel));
      parts.push_back(
          part(resultKind == kResLU ? "U" : "D", regs.MatF2, rows, cols, kAsPrinted, cancel));
      break;
    case kResSVD:
      parts.push_back(part("U", regs.MatF1, rows, rows, kReal, cancel));
      parts.push_back(part("S", regs.MatA, rows, cols, kReal, cancel));
      parts.push_back(part("V", regs.MatF2, cols, cols, kReal, cancel));
      break;
    case kResEigenvalues: {
      // Every eigenvalue, also those the writer leaves out for being zero.
      parts.push_back({std::string(kEigenvalueList), RCOMat(cols, 1)});
      MatrixPart& list = parts.back();
      for (int k = 1; k <= cols; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const double re = i < regs.EigRe.size() ? regs.EigRe[i] : 0.0;
        const double im = i < regs.EigIm.size() ? regs.EigIm[i] : 0.0;
        list.values[k - 1][0] = im == 0 ? Element::real(re) : Element::complex(re, im);
      }
      break;
    }
    default:
      parts.push_back(part("", regs.MatR, rows, cols, kAsPrinted, cancel));
      break;
  }
  return parts;
}

std::string resultSummary(std::string_view label, int resultKind,
                          const std::vector<MatrixPart>& parts) {
  std::string summary(label);
  if (resultKind == kResScalar) return summary + ", one number";
  if (resultKind == kResDimensions) return summary + ", two numbers";
  for (const MatrixPart& part : parts) {
    const int rows = part.values.rows();
    if (part.name == kEigenvalueList) {
      summary += ", " + std::to_string(rows) + (rows == 1 ? " eigenvalue" : " eigenvalues");
      continue;
    }
    summary += part.name.empty() ? ", " : ", " + part.name + " ";
    summary += std::to_string(rows) + " by " + std::to_string(part.values.cols());
  }
  return summary;
}

}  // namespace kelvaro

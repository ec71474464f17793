// The copy formats read back what they write, bit for bit, and the recogniser takes these
// formats as other programs write them too.

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "numbers/calc_error.h"
#include "numbers/matrix_formats.h"
#include "numbers/matrix_recognition.h"
#include "numbers/matrix_text.h"
#include "numbers/pane.h"

namespace kelvaro {
namespace {

bool sameBits(double a, double b) {
  return (std::isnan(a) && std::isnan(b)) ||
         std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// A zero imaginary part, of either sign, is written as a real number.
bool sameElement(const Element& a, const Element& b) {
  return sameBits(a.re(), b.re()) && (a.im() == 0 ? b.im() == 0 : sameBits(a.im(), b.im()));
}

class RandomValues {
 public:
  // Any double, by its bits, or one of the values at the edges.
  double any(bool finite) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    const double edges[] = {-0.0, 0.0,  5e-324, -DBL_MIN, DBL_MAX, 0.1,
                            -1.5, 1e22, 1e-7,   kInf,     -kInf,   std::nan("")};
    const std::size_t pick = rng_() % 24;
    if (pick < std::size(edges) && (!finite || pick < std::size(edges) - 3)) return edges[pick];
    double x;
    do x = std::bit_cast<double>(rng_());
    while (finite && !std::isfinite(x));
    return pick % 2 ? x : std::ldexp(std::fmod(x, 1.0), static_cast<int>(rng_() % 40) - 20);
  }
  Element element(bool finite) {
    const double re = any(finite);
    return rng_() % 2 ? Element::real(re) : Element::complex(re, any(finite));
  }
  RCOMat matrix(int minCols, bool finite) {
    RCOMat m(1 + static_cast<int>(rng_() % 4), minCols + static_cast<int>(rng_() % 3));
    for (Element& e : m.elements()) e = element(finite);
    return m;
  }

 private:
  std::mt19937_64 rng_{13};
};

TEST(MatrixFormats, FullPrecisionReadsBackBitForBit) {
  RandomValues random;
  for (const char separator : {'.', ','}) {
    const NumberFormat nf{1000, separator, DisplayFormat::Rectangular};
    const CopyOptions options{true, nf, separator};
    for (const MatrixFormatInfo& info : copyFormats()) {
      for (int trial = 0; trial < 40; ++trial) {
        // A plain matrix, or named factors and a column of eigenvalues.
        std::vector<MatrixPart> parts;
        if (trial % 2) {
          parts.push_back({"", random.matrix(2, false)});
        } else {
          parts.push_back({"L", random.matrix(2, false)});
          parts.push_back({"U", random.matrix(2, false)});
          parts.push_back({std::string(kEigenvalueList), random.matrix(1, false)});
        }
        const std::string text = writeMatrices(parts, info.format, options);
        SCOPED_TRACE(text);
        const ReadMatrices read = readMatrices(text, nf);
        EXPECT_EQ(read.format, info.format);
        ASSERT_EQ(read.parts.size(), parts.size());
        for (std::size_t p = 0; p < parts.size(); ++p) {
          EXPECT_EQ(read.parts[p].name, parts[p].name);
          const RCOMat& got = read.parts[p].values;
          const RCOMat& wanted = parts[p].values;
          ASSERT_EQ(got.rows(), wanted.rows());
          ASSERT_EQ(got.cols(), wanted.cols());
          for (std::size_t i = 0; i < wanted.elements().size(); ++i)
            EXPECT_TRUE(sameElement(got.elements()[i], wanted.elements()[i])) << i;
        }
      }
    }
    // The pane notation holds finite values only, and reads them back through the pane reader.
    for (int trial = 0; trial < 40; ++trial) {
      const RCOMat wanted = random.matrix(1, true);
      Pane pane;
      pane.setLines(fullPrecisionRows(wanted, separator, "m"));
      RCOMat got;
      readPane(pane, wanted.rows(), wanted.cols(), got, nf);
      for (std::size_t i = 0; i < wanted.elements().size(); ++i)
        EXPECT_TRUE(sameElement(got.elements()[i], wanted.elements()[i]))
            << pane.text() << " element " << i;
    }
  }
}

// Text as other programs write it reads as the pane rows given ("|" between rows) or is refused:
// one number a cell, one decimal separator a text, and no thousands separator read as one.
TEST(MatrixFormats, ReadsOtherProgramsText) {
  struct Example {
    std::string_view text;
    MatrixFormat format;
    const char* rows;
    char separator = '.';  // in force
  };
  using namespace std::string_view_literals;
  const Example examples[] = {
      {"array([[1.+2.j, 3.-0.j],\n       [-1e-3j, (2+1j)]], dtype=complex)", MatrixFormat::NumPy,
       "1+2i 3|0-0.001i 2+1i"},
      {"x = np.array([1, 2,])", MatrixFormat::NumPy, "1 2"},
      {"np.array([[complex(1, 2), ( 3 - 4j )]])", MatrixFormat::NumPy, "1+2i 3-4i"},
      {"[1 + 2i, -i\n 3 +4i ]", MatrixFormat::Octave, "1+2i 0-1i|3 0+4i"},
      {"A = [1,2;3,4];", MatrixFormat::Octave, "1 2|3 4"},
      {"\\begin{pmatrix} 1.5\\cdot 10^{3} & \\frac12 \\end{pmatrix}", MatrixFormat::Latex,
       "refused"},  // \frac is no number
      {"\\begin{bmatrix} 1.5 \\times 10^{-3} & 2 \\end{bmatrix}", MatrixFormat::Latex, "0.0015 2"},
      {"\\begin{bmatrix} 1\\,000 & 2 \\end{bmatrix}", MatrixFormat::Latex, "refused"},
      {"\\begin{bmatrix} 2e 3 \\end{bmatrix}", MatrixFormat::Latex, "refused"},
      {"$\\begin{array}{cc} 1 & 2 \\\\ 3 & 4 \\\\ \\end{array}$", MatrixFormat::Latex, "1 2|3 4"},
      {"| a | b |\n|:---|---|\n|1|2|\n", MatrixFormat::Markdown, "1 2"},
      {"| 1 2 | 3 |\n", MatrixFormat::Markdown, "refused"},
      {"\"1,5\",2\r\n3,4\r\n", MatrixFormat::Csv, "1.5 2|3 4"},
      {"\"1,5\",\"2 \"\n", MatrixFormat::Csv, "1.5 2", ','},
      {"1\t2\t\n3\t4\t\n", MatrixFormat::Tsv, "1 2|3 4"},
      {"1\t2\0003\t4\n"sv, MatrixFormat::Tsv, "refused"},
      {"1.5 e3\t2\n", MatrixFormat::Tsv, "refused"},
      {"1;2,5\n3;4\n", MatrixFormat::Csv, "1 2.5|3 4"},
      {"1,5\t2,500\n", MatrixFormat::Tsv, "1.5 2.5"},
      {"2,500\t1\n", MatrixFormat::Tsv, "refused"},
      {"0,125\t12345,678\n", MatrixFormat::Tsv, "0.125 12345.678"},
      {"2,500\t1\n", MatrixFormat::Tsv, "2.5 1", ','},
      {"1.000\t2,5\n", MatrixFormat::Tsv, "refused", ','},
      {"1,000 2.5\n", MatrixFormat::Pane, "refused"},
      {"\xEF\xBB\xBF"
       "1\t2\n",
       MatrixFormat::Tsv, "1 2"},
      {"4;5 1\n", MatrixFormat::Pane, "4.5 1", ';'},
  };
  for (const Example& e : examples) {
    SCOPED_TRACE(e.text);
    std::string rows;
    try {
      const ReadMatrices read =
          readMatrices(e.text, {1000, e.separator, DisplayFormat::Rectangular});
      EXPECT_EQ(read.format, e.format);
      for (const std::string& row : fullPrecisionRows(read.parts.at(0).values, '.', "m"))
        rows += (rows.empty() ? "" : "|") + row;
    } catch (const CalcError&) {
      rows = "refused";
    }
    EXPECT_EQ(rows, e.rows);
  }
}

}  // namespace
}  // namespace kelvaro

// Writing matrices in the copy formats, and the full-precision pane text.

#include "numbers/matrix_formats.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "numbers/calc_error.h"
#include "numbers/element_text.h"

namespace kelvaro {

namespace {

constexpr std::array kFormats = std::to_array<MatrixFormatInfo>({
    {MatrixFormat::Tsv, "tsv", "TSV", "Tab-separated (spreadsheets)"},
    {MatrixFormat::Csv, "csv", "CSV", "CSV"},
    {MatrixFormat::Latex, "latex", "LaTeX", "LaTeX (bmatrix)"},
    {MatrixFormat::Markdown, "markdown", "Markdown", "Markdown table"},
    {MatrixFormat::Octave, "octave", "Octave", "Octave/MATLAB"},
    {MatrixFormat::NumPy, "numpy", "NumPy", "NumPy"},
});
constexpr MatrixFormatInfo kPaneNotation{MatrixFormat::Pane, "pane", "pane notation",
                                         "Pane notation"};

// How one format writes numbers and elements.
class ElementWriter {
 public:
  ElementWriter(MatrixFormat format, const CopyOptions& options)
      : format_(format),
        full_(options.fullPrecision),
        separator_(options.localeSeparator == ',' &&
                           (format == MatrixFormat::Tsv || format == MatrixFormat::Csv)
                       ? ','
                       : '.'),
        printer_(
            NumberFormat{options.precision.precScale, separator_, DisplayFormat::Rectangular}) {}

  // An exact entry ("-5/7+1/2i", "3/4i", "-i") in the format: its parts as fractions, the
  // imaginary unit after a product sign where the format would read "3/4i" as 3/(4i).
  void exact(std::string& out, std::string_view text) const {
    std::string_view re = text, im;
    if (!text.empty() && text.back() == 'i') {
      const std::size_t sign = text.find_last_of("+-");
      const std::size_t split = sign == std::string_view::npos ? 0 : sign;
      re = text.substr(0, split);
      im = text.substr(split, text.size() - split - 1);
    }
    if (!re.empty()) fraction(out, re);
    if (text.back() != 'i') return;
    const bool unit = im.empty() || im == "+" || im == "-";
    if (unit)
      out += im;
    else
      fraction(out, im);
    switch (format_) {
      case MatrixFormat::Octave:
        out += unit ? "i" : "*i";
        return;
      case MatrixFormat::NumPy:
        out += unit ? "1j" : "*1j";
        return;
      default:
        out += 'i';
    }
  }

  void element(std::string& out, const Element& e) const {
    const double re = e.re(), im = e.im();
    // A zero imaginary part, of either sign, is left out: the element is written real.
    if (!e.isComplex() || im == 0) {
      number(out, re);
      return;
    }
    const bool finite = std::isfinite(re) && std::isfinite(im);
    if (!finite && (format_ == MatrixFormat::NumPy || format_ == MatrixFormat::Octave)) {
      // 1+np.inf*1j would be nan+infj: the parts go in one by one.
      out += "complex(";
      number(out, re);
      out += format_ == MatrixFormat::NumPy ? ", " : ",";
      number(out, im);
      out += ')';
      return;
    }
    // At the displayed precision a zero real part is left out, as the Result pane does.
    if (full_ || re != 0) {
      number(out, re);
      signedNumber(out, im);
    } else {
      number(out, im);
    }
    if (format_ == MatrixFormat::Latex && !std::isfinite(im)) out += ' ';  // \infty i
    out += unit();
  }

 private:
  char unit() const { return format_ == MatrixFormat::NumPy ? 'j' : 'i'; }

  // "-5/7" as LaTeX writes it, -\frac{5}{7}; as it stands in the other formats.
  void fraction(std::string& out, std::string_view q) const {
    const std::size_t bar = q.find('/');
    if (format_ != MatrixFormat::Latex || bar == std::string_view::npos) {
      out += q;
      return;
    }
    std::string_view num = q.substr(0, bar);
    if (num.front() == '-' || num.front() == '+') {
      out += num.front();
      num.remove_prefix(1);
    }
    out.append("\\frac{").append(num).append("}{").append(q.substr(bar + 1)).append("}");
  }

  void number(std::string& out, double x) const {
    if (!std::isfinite(x)) {
      word(out, x);
      return;
    }
    const std::size_t start = out.size();
    if (full_) {
      appendShortest(out, x);
      if (format_ == MatrixFormat::NumPy && out.compare(start, std::string::npos, "-0") == 0)
        out += ".0";  // -0 is the integer 0 in Python, without its sign
      if (separator_ != '.') std::replace(out.begin() + start, out.end(), '.', separator_);
    } else {
      printer_.appendNumber(out, x);
      if (std::fabs(x) >= 1e308) keepFinite(out, start);
    }
    if (format_ == MatrixFormat::Latex) latexExponent(out, start);
  }

  // Rounded to the precision, the largest doubles can print as a number beyond the largest
  // double (1.798E+308), which reads back as no number: the text is lowered by one in its
  // last digit (1.797E+308), the largest text of that many digits that reads back finite.
  void keepFinite(std::string& out, std::size_t start) const {
    double back;
    while (!parseDecimal(std::string_view(out).substr(start), separator_, back)) {
      const std::size_t exponent = std::min(out.find_first_of("eE", start), out.size());
      bool lowered = false;
      for (std::size_t digit = exponent; digit > start && !lowered;) {
        char& d = out[--digit];
        if (d < '0' || d > '9') continue;
        lowered = d != '0';
        d = lowered ? static_cast<char>(d - 1) : '9';
      }
      if (!lowered) return;  // no digit to lower: left as it is
    }
  }

  void signedNumber(std::string& out, double x) const {
    const std::size_t start = out.size();
    number(out, x);
    if (out[start] != '-') out.insert(start, 1, '+');
  }

  void word(std::string& out, double x) const {
    const bool nan = std::isnan(x);
    if (!nan && x < 0) out += '-';
    switch (format_) {
      case MatrixFormat::Octave:
        out += nan ? "NaN" : "Inf";
        return;
      case MatrixFormat::NumPy:
        out += nan ? "np.nan" : "np.inf";
        return;
      case MatrixFormat::Latex:
        out += nan ? "\\mathrm{NaN}" : "\\infty";
        return;
      default:
        out += nan ? "nan" : "inf";
        return;
    }
  }

  // 1.5e-07 as 1.5\times10^{-7}.
  static void latexExponent(std::string& out, std::size_t start) {
    const std::size_t e = out.find_first_of("eE", start);
    if (e == std::string::npos) return;
    std::string_view exponent = std::string_view(out).substr(e + 1);
    const bool negative = exponent.front() == '-';
    if (exponent.front() == '-' || exponent.front() == '+') exponent.remove_prefix(1);
    while (exponent.size() > 1 && exponent.front() == '0') exponent.remove_prefix(1);
    std::string latex = "\\times10^{";
    if (negative) latex += '-';
    latex.append(exponent);
    latex += '}';
    out.replace(e, std::string::npos, latex);
  }

  MatrixFormat format_;
  bool full_;
  char separator_;
  NumberPrinter printer_;
};

// The rows of one matrix: how cells and rows are joined, and what stands around them.
struct Layout {
  std::string_view begin, rowBegin, cellSeparator, rowEnd, rowSeparator, end;
};

Layout layoutOf(MatrixFormat format, char localeSeparator) {
  switch (format) {
    case MatrixFormat::Csv:
      return {"", "", localeSeparator == ',' ? ";" : ",", "", "\n", "\n"};
    case MatrixFormat::Latex:
      return {"\\begin{bmatrix}\n", "", " & ", "", " \\\\\n", "\n\\end{bmatrix}"};
    case MatrixFormat::Markdown:
      return {"", "| ", " | ", " |", "\n", "\n"};
    case MatrixFormat::Octave:
      return {"[", "", " ", "", "; ", "]"};
    case MatrixFormat::NumPy:
      return {"np.array([", "[", ", ", "]", ", ", "])"};
    default:
      return {"", "", "\t", "", "\n", "\n"};
  }
}

void writeMatrix(std::string& out, const MatrixPart& part, MatrixFormat format,
                 const Layout& layout, const ElementWriter& writer) {
  const RCOMat& m = part.values;
  out += layout.begin;
  if (format == MatrixFormat::Markdown) {  // a table needs a header: empty cells, numbers right
    out += '|';
    for (int c = 0; c < m.cols(); ++c) out += "   |";
    out += "\n|";
    for (int c = 0; c < m.cols(); ++c) out += "--:|";
    out += '\n';
  }
  for (int r = 0; r < m.rows(); ++r) {
    if (r > 0) out += layout.rowSeparator;
    out += layout.rowBegin;
    for (int c = 0; c < m.cols(); ++c) {
      if (c > 0) out += layout.cellSeparator;
      if (part.exactTexts.empty())
        writer.element(out, m[r][c]);
      else
        writer.exact(out, part.exactTexts[static_cast<std::size_t>(r) * m.cols() + c]);
    }
    out += layout.rowEnd;
  }
  out += layout.end;
}

std::string_view nameIn(MatrixFormat format, std::string_view name) {
  return format == MatrixFormat::Latex && name == kEigenvalueList ? "\\lambda" : name;
}

}  // namespace

std::span<const MatrixFormatInfo> copyFormats() {
  return kFormats;
}

const MatrixFormatInfo& formatInfo(MatrixFormat format) {
  for (const MatrixFormatInfo& info : kFormats)
    if (info.format == format) return info;
  return kPaneNotation;
}

bool parseCopyFormat(std::string_view text, MatrixFormat& format, bool& fullPrecision) {
  fullPrecision = text.ends_with("+full");
  if (fullPrecision) text.remove_suffix(5);
  for (const MatrixFormatInfo& info : kFormats) {
    if (text == info.key) {
      format = info.format;
      return true;
    }
  }
  return false;
}

void appendShortest(std::string& out, double x) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, x);
  out.append(buffer, result.ptr);
}

std::string writeMatrices(std::span<const MatrixPart> parts, MatrixFormat format,
                          const CopyOptions& options) {
  const ElementWriter writer(format, options);
  const Layout layout = layoutOf(format, options.localeSeparator);
  std::string out;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const MatrixPart& part = parts[i];
    const std::string_view name = nameIn(format, part.name);
    const bool named = !name.empty();
    const bool statements = format == MatrixFormat::Octave || format == MatrixFormat::NumPy;
    if (i > 0 && !statements) out += format == MatrixFormat::Latex ? ",\\quad\n" : "\n";
    switch (format) {
      case MatrixFormat::Latex:
      case MatrixFormat::Octave:
      case MatrixFormat::NumPy:
        if (named) out.append(name).append(" = ");
        break;
      case MatrixFormat::Markdown:
        if (named) out.append("**").append(name).append("**\n\n");
        break;
      default:
        if (named) out.append(name).append("\n");
        break;
    }
    writeMatrix(out, part, format, layout, writer);
    if (format == MatrixFormat::Octave && named) out += ';';
    if (statements) out += '\n';
  }
  if (out.empty() || out.back() != '\n') out += '\n';
  return out;
}

std::vector<std::string> fullPrecisionRows(const RCOMat& m, char decimalSeparator,
                                           std::string_view what) {
  const char separator = decimalSeparator;
  std::vector<std::string> rows(static_cast<std::size_t>(m.rows()));
  // Each row is built in one buffer and copied out at its length: rows grown in place would
  // keep up to twice their text, beside the matrix, on a large paste.
  std::string line;
  for (int r = 0; r < m.rows(); ++r) {
    line.clear();
    for (int c = 0; c < m.cols(); ++c) {
      const Element& e = m[r][c];
      if (!std::isfinite(e.re()) || !std::isfinite(e.im())) {
        const double bad = std::isfinite(e.re()) ? e.im() : e.re();
        throw CalcError(std::string(what) + " has " + formatGeneral(bad, '.') + " at row " +
                        std::to_string(r + 1) + ", column " + std::to_string(c + 1) +
                        ": a pane holds finite numbers only.");
      }
      if (c > 0) line += ' ';
      const std::size_t start = line.size();
      appendShortest(line, e.re());
      // An element without an imaginary part (zero of either sign) is written real. The
      // real part always stands before the imaginary one, which keeps an exponent's sign
      // from being taken for the sign of a missing real part (2e-3i would not read).
      if (e.im() != 0) {
        const std::size_t imaginary = line.size();
        appendShortest(line, e.im());
        if (line[imaginary] != '-') line.insert(imaginary, 1, '+');
        line += 'i';
      }
      if (separator != '.') std::replace(line.begin() + start, line.end(), '.', separator);
    }
    rows[static_cast<std::size_t>(r)] = line;
  }
  return rows;
}

}  // namespace kelvaro

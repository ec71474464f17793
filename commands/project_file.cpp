#include "commands/project_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "commands/exact_commands.h"
#include "commands/file_io.h"
#include "commands/shell_commands.h"
#include "exact/exact_text.h"
#include "numbers/calc_error.h"
#include "numbers/element_text.h"
#include "numbers/extended_codec.h"
#include "numbers/matrix_text.h"

namespace kelvaro {

namespace {

constexpr std::size_t kCountSize = 4;

// The precision "exact" is stored as 100 decimals, which any reader of the file can take as a
// precision: every digit a double has. Kelvaro reads 100 back as "exact".
constexpr std::int32_t kExactStoredPrecision = 100;

// x, the precision, and two matrices of the most elements a matrix may have.
constexpr std::uint64_t kLargestProject =
    kExtendedSize + kCountSize + 2 * (2 * kCountSize + kMaxMatrixElements * kExtendedSize);

void putInt32(std::string& out, std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

void putExtended(std::string& out, double v) {
  const ExtendedBytes b = encodeExtended(v);
  out.append(reinterpret_cast<const char*>(b.data()), b.size());
}

// Under exact arithmetic a value is stored only when the project gives it back as it is: a
// real number the 15 significant digits of its reopened text still show exactly (1/3 and
// 0.12345678901234567 are refused).
double storedExactly(exact::ExactReader& reader, std::string_view token, int r, int c,
                     const std::string& place) {
  const exact::GaussRational v = r < 0 ? reader.read(token) : reader.read(token, r, c);
  const double d = v.re.toDouble();
  exact::ExactReader back("", NumberFormat{});
  if (!v.isReal() || back.read(formatGeneral(d, '.')) != v)
    throw CalcError(place + ": " + quoteForMessage(token) +
                    " cannot be stored exactly: a project keeps real numbers of at most 15 "
                    "significant digits. Nothing was written.");
  return d;
}

// Counts, converts and stores one operand pane: its counts, then (when both are non-zero) its
// elements. The register holds the converted values afterwards, as the save always left it.
void appendMatrix(std::string& out, CalcState& state, const Pane& pane, RCOMat& reg, char name) {
  const int rows = rowCount(pane);
  const int cols = columnCount(pane, state.result);
  putInt32(out, rows);
  putInt32(out, cols);
  if (rows == 0 || cols == 0) return;

  // Counting once more for the conversion repeats the warning line, as saving always has.
  columnCount(pane, state.result);
  reg.assign(rows, cols, Element::real(0));
  const char sep = state.decimalPoint();
  const std::string where = std::string("Matrix ") + name;
  exact::ExactReader reader(where, state.numberFormat());
  forEachPaneToken(pane, rows, cols, [&](int r, int c, std::string_view token) {
    reg[r][c] = Element::real(state.exact ? storedExactly(reader, token, r, c,
                                                          where + ", row " + std::to_string(r + 1) +
                                                              ", column " + std::to_string(c + 1))
                                          : textToFloat(token, sep));
  });
  for (const Element& e : reg.elements()) putExtended(out, e.re());
}

// One matrix as found in a project file: where its elements start, and its counts.
struct StoredMatrix {
  std::size_t offset = 0;
  std::int32_t rows = 0;
  std::int32_t cols = 0;
  bool hasElements() const { return rows > 0 && cols > 0; }
};

struct ProjectLayout {
  std::int32_t precision = 0;
  StoredMatrix a, b;
};

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  std::size_t position() const { return pos_; }
  bool skip(std::size_t n) {
    if (bytes_.size() - pos_ < n) return false;
    pos_ += n;
    return true;
  }
  bool int32(std::int32_t& v) {
    if (bytes_.size() - pos_ < kCountSize) return false;
    std::uint32_t u = 0;
    for (int i = 3; i >= 0; --i) u = (u << 8) | static_cast<unsigned char>(bytes_[pos_ + i]);
    v = static_cast<std::int32_t>(u);
    pos_ += kCountSize;
    return true;
  }

 private:
  std::string_view bytes_;
  std::size_t pos_ = 0;
};

bool readMatrix(Reader& in, StoredMatrix& m) {
  if (!in.int32(m.rows) || !in.int32(m.cols)) return false;
  if (m.rows < 0 || m.cols < 0) return false;
  m.offset = in.position();
  if (!m.hasElements()) return true;
  // Checked against the bytes that are there before anything is allocated for them; the
  // size in bytes of two 31-bit counts may not even fit in 64 bits.
  const auto count = static_cast<std::uint64_t>(m.rows) * static_cast<std::uint64_t>(m.cols);
  if (count > (UINT64_MAX / kExtendedSize)) return false;
  return in.skip(static_cast<std::size_t>(count * kExtendedSize));
}

std::optional<ProjectLayout> readLayout(std::string_view bytes) {
  ProjectLayout layout;
  Reader in(bytes);
  if (!in.skip(kExtendedSize) || !in.int32(layout.precision)) return std::nullopt;
  if (!readMatrix(in, layout.a) || !readMatrix(in, layout.b)) return std::nullopt;
  // A project is exactly as long as its counts say: a count changed by damage would otherwise
  // read the rest from the wrong place, and bytes beyond B belong to no project.
  if (in.position() != bytes.size()) return std::nullopt;
  return layout;
}

const unsigned char* at(std::string_view bytes, std::size_t offset) {
  return reinterpret_cast<const unsigned char*>(bytes.data()) + offset;
}

// The pane lines and register values of one stored matrix.
struct LoadedMatrix {
  std::vector<std::string> lines;
  RCOMat values;
};

// A stored value as a double, or nothing when it is none a pane could hold (an infinity, a NaN,
// or an 80-bit value beyond the double range): saving never writes one.
std::optional<double> finiteValue(const unsigned char* bytes) {
  const double v = decodeExtended(bytes);
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

// A value's text in a pane: 15 significant digits, except that the largest doubles, whose 15
// digits round up past the largest double and would read back as nothing a pane can hold, keep
// the largest text below it.
std::string paneText(const unsigned char* bytes, double value, char sep) {
  constexpr double kLargestFifteenDigits = 1.79769313486231e308;
  if (std::fabs(value) <= kLargestFifteenDigits) return formatExtended(bytes, sep);
  return std::string(value < 0 ? "-" : "") + "1" + sep + "79769313486231E308";
}

std::optional<LoadedMatrix> loadMatrix(std::string_view bytes, const StoredMatrix& m, char sep) {
  LoadedMatrix out;
  out.values.assign(m.rows, m.cols, Element::complex(0, 0));
  out.lines.reserve(static_cast<std::size_t>(m.rows) + 1);
  std::size_t offset = m.offset;
  for (int r = 0; r < m.rows; ++r) {
    std::string line;
    for (int c = 0; c < m.cols; ++c, offset += kExtendedSize) {
      const unsigned char* value = at(bytes, offset);
      const std::optional<double> v = finiteValue(value);
      if (!v) return std::nullopt;
      line.push_back(' ');
      line += paneText(value, *v, sep);
      out.values[r][c] = Element::complex(*v, 0);
    }
    out.lines.push_back(std::move(line));
  }
  out.lines.emplace_back();
  return out;
}

enum class PathKind { Missing, RegularFile, Other };

PathKind pathKind(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0)
    return errno == ENOENT || errno == ENOTDIR ? PathKind::Missing : PathKind::Other;
  // A device or a pipe could be read without end; a project is always a plain file.
  return S_ISREG(info.st_mode) ? PathKind::RegularFile : PathKind::Other;
}

}  // namespace

void Save3Click(CalcState& state, const std::string& path) {
  const char sep = state.decimalPoint();
  exact::ExactReader coefReader("Coef.(x)", state.numberFormat());
  const double coef = state.exact ? storedExactly(coefReader, state.coefText, -1, -1, "Coef.(x)")
                                  : textToFloat(state.coefText, sep);
  state.regs.CoefX = Element::real(coef);
  const std::int32_t precision = state.precisionText == kExactPrecision
                                     ? kExactStoredPrecision
                                     : textToInteger(state.precisionText);

  std::string bytes;
  putExtended(bytes, coef);
  putInt32(bytes, precision);
  appendMatrix(bytes, state, state.paneA, state.regs.MatA, 'A');
  appendMatrix(bytes, state, state.paneB, state.regs.MatB, 'B');
  writeFileSafely(path, bytes);
}

void Open1Click(CalcState& state, const std::string& path) {
  const PathKind kind = pathKind(path);
  if (kind == PathKind::Missing) return;
  const CalcError invalid("'" + path + "' is not a valid project file");
  if (kind == PathKind::Other) throw invalid;
  std::string bytes, reason;
  // readWholeFile takes "-" for standard input; here it is a file of that name. A file
  // longer than the largest project is no project, and is not read.
  if (!readWholeFile(path == "-" ? "./-" : path, bytes, reason, kLargestProject)) throw invalid;
  const std::optional<ProjectLayout> layout = readLayout(bytes);
  if (!layout) throw invalid;

  // Everything is built before the state changes, so a failure cannot leave half a project.
  const char sep = state.decimalPoint();
  const unsigned char* coef = at(bytes, 0);
  const std::optional<double> coefValue = finiteValue(coef);
  if (!coefValue) throw invalid;
  std::string coefText = paneText(coef, *coefValue, sep);
  std::optional<LoadedMatrix> a, b;
  if (layout->a.hasElements() && !(a = loadMatrix(bytes, layout->a, sep))) throw invalid;
  if (layout->b.hasElements() && !(b = loadMatrix(bytes, layout->b, sep))) throw invalid;

  state.regs.CoefX = Element::real(*coefValue);
  state.coefText = std::move(coefText);
  state.precisionText = layout->precision == kExactStoredPrecision
                            ? std::string(kExactPrecision)
                            : std::to_string(layout->precision);
  ComboBox1Change(state);
  if (a) {
    state.regs.MatA = std::move(a->values);
    state.paneA.setLines(std::move(a->lines));
  }
  if (b) {
    state.regs.MatB = std::move(b->values);
    state.paneB.setLines(std::move(b->lines));
  }
}

}  // namespace kelvaro

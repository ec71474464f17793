// Recognising a clipboard's matrix: each format is cut into named parts of cell texts first,
// then every part is checked for equal rows and its cells are read.

#include "numbers/matrix_recognition.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "numbers/calc_error.h"
#include "numbers/element_text.h"
#include "numbers/matrix_text.h"

namespace kelvaro {

namespace {

using Cells = std::vector<std::string>;

struct RawPart {
  std::string name;
  std::vector<Cells> rows;
};

[[noreturn]] void refuse(const std::string& why) {
  throw CalcError("Cannot paste: " + why);
}

std::string textOf(MatrixFormat format) {
  return format == MatrixFormat::Pane ? "the text"
                                      : std::string("the ") + formatInfo(format).name + " text";
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && isSeparatorChar(s.front())) s.remove_prefix(1);
  while (!s.empty() && isSeparatorChar(s.back())) s.remove_suffix(1);
  return s;
}

// Lines end at LF, CR or CRLF.
std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != '\n' && text[i] != '\r') continue;
    lines.push_back(text.substr(start, i - start));
    if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  return lines;
}

// ASCII only, whatever the locale says of other bytes.
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
bool isUnit(char c) {
  return c == 'i' || c == 'j' || c == 'I' || c == 'J';
}
bool isWordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || isDigit(c) || c == '_';
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// A name of a part: an identifier that is not itself an element (i, inf, nan...).
bool isPartName(std::string_view s) {
  if (s.empty() || isDigit(s.front()) || !std::all_of(s.begin(), s.end(), isWordChar)) return false;
  const std::string l = lower(s);
  return l != "i" && l != "j" && l != "inf" && l != "infinity" && l != "nan";
}

// "NAME =" at pos (blanks around): the name, pos moved past the "=". Empty when there is none.
std::string leadingName(std::string_view text, std::size_t& pos) {
  std::size_t p = pos;
  while (p < text.size() && isSeparatorChar(text[p])) ++p;
  const std::size_t start = p;
  while (p < text.size() && isWordChar(text[p])) ++p;
  const std::string_view name = text.substr(start, p - start);
  while (p < text.size() && isSeparatorChar(text[p])) ++p;
  if (!isPartName(name) || p >= text.size() || text[p] != '=' ||
      (p + 1 < text.size() && text[p + 1] == '='))
    return {};
  pos = p + 1;
  return std::string(name);
}

std::size_t skipBlanks(std::string_view text, std::size_t pos) {
  while (pos < text.size() && isSeparatorChar(text[pos])) ++pos;
  return pos;
}

std::string shortQuote(std::string_view s) {
  return "'" + quoteForMessage(trim(s)) + "'";
}

// --- NumPy: [NAME =] [np.]array([[a, b], [c, d]]), one per line ---

class NumPyReader {
 public:
  explicit NumPyReader(std::string_view text) : t_(text) {}

  std::vector<RawPart> read() {
    std::vector<RawPart> parts;
    while ((pos_ = skipStatementBreaks(pos_)) < t_.size()) {
      RawPart& part = parts.emplace_back();
      part.name = leadingName(t_, pos_);
      pos_ = skipBlanks(t_, pos_);
      bool call = false;
      for (std::string_view prefix : {"np.array(", "numpy.array(", "array("}) {
        if (t_.substr(pos_).starts_with(prefix)) {
          pos_ += prefix.size();
          call = true;
          break;
        }
      }
      array(part.rows);
      if (call) closeCall(part.rows.size());
    }
    return parts;
  }

 private:
  std::size_t skipStatementBreaks(std::size_t p) const {
    while (p < t_.size() && (isSeparatorChar(t_[p]) || t_[p] == ';')) ++p;
    return p;
  }

  [[noreturn]] void broken(std::size_t row, std::string_view expected) const {
    refuse("row " + std::to_string(row + 1) + " of the NumPy text is not complete: " +
           std::string(expected) + " expected at " + shortQuote(t_.substr(pos_)) + ".");
  }

  bool take(char c) {
    pos_ = skipBlanks(t_, pos_);
    if (pos_ < t_.size() && t_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  // [[...], [...]] or a single row [...].
  void array(std::vector<Cells>& rows) {
    if (!take('[')) broken(0, "\"[\"");
    pos_ = skipBlanks(t_, pos_);
    if (pos_ < t_.size() && t_[pos_] != '[') {
      rows.push_back(row(0));
      return;
    }
    while (!take(']')) {
      if (!take('[')) broken(rows.size(), "\"[\"");
      rows.push_back(row(rows.size()));
      if (!take(',') && (pos_ >= t_.size() || t_[pos_] != ']')) broken(rows.size(), "\",\"");
    }
  }

  // Elements up to the "]" that closes the row; commas inside parentheses belong to an element.
  Cells row(std::size_t index) {
    Cells cells;
    std::string cell;
    int depth = 0;
    for (; pos_ < t_.size(); ++pos_) {
      const char c = t_[pos_];
      if (depth == 0 && (c == ',' || c == ']')) {
        if (c == ',' || !trim(cell).empty() || !cells.empty()) cells.emplace_back(trim(cell));
        cell.clear();
        if (c == ']') {
          ++pos_;
          // [1, 2,] ends with an empty element that Python ignores.
          if (cells.size() > 1 && cells.back().empty()) cells.pop_back();
          return cells;
        }
        continue;
      }
      if (depth == 0 && c == '[') refuse("the NumPy text holds an array of more than two axes.");
      depth += (c == '(') - (c == ')');
      cell += c;
    }
    broken(index, "\"]\"");
  }

  // ", dtype=complex)" and the like: anything up to the call's ")".
  void closeCall(std::size_t rows) {
    int depth = 1;
    for (; pos_ < t_.size() && depth > 0; ++pos_) depth += (t_[pos_] == '(') - (t_[pos_] == ')');
    if (depth > 0) broken(rows, "\")\"");
  }

  std::string_view t_;
  std::size_t pos_ = 0;
};

// --- Octave: [NAME =] [a b; c d] [;], rows also at line breaks ---

// The elements of one row: blanks and commas separate them, except that a lone + or -, or a
// + or - ending an element, joins its neighbours (1 + 2i and 1+ 2i are one element).
Cells octaveRow(std::string_view row) {
  std::vector<std::string> pieces;
  std::string piece;
  int depth = 0;
  bool afterComma = false;
  bool joinNext = false;
  auto flush = [&] {
    if (piece.empty()) return;
    const bool lone = piece == "+" || piece == "-";
    const bool open = !pieces.empty() && !afterComma &&
                      (pieces.back().ends_with('+') || pieces.back().ends_with('-'));
    if ((lone || joinNext || open) && !pieces.empty() && !afterComma) {
      pieces.back() += piece;
    } else {
      pieces.push_back(piece);
    }
    joinNext = lone;
    afterComma = false;
    piece.clear();
  };
  for (const char c : row) {
    if (depth == 0 && (c == ',' || isSeparatorChar(c))) {
      flush();
      if (c == ',') afterComma = true;
      continue;
    }
    depth += (c == '(') - (c == ')');
    piece += c;
  }
  flush();
  return pieces;
}

std::vector<RawPart> readOctave(std::string_view text) {
  std::vector<RawPart> parts;
  std::size_t pos = 0;
  for (;;) {
    while (pos < text.size() && (isSeparatorChar(text[pos]) || text[pos] == ';')) ++pos;
    if (pos >= text.size()) break;
    RawPart& part = parts.emplace_back();
    part.name = leadingName(text, pos);
    pos = skipBlanks(text, pos);
    if (pos >= text.size() || text[pos] != '[')
      refuse("the Octave text holds " + shortQuote(text.substr(pos)) + " where \"[\" should be.");
    const std::size_t close = text.find(']', pos);
    if (close == std::string_view::npos)
      refuse("the Octave text has no \"]\" after " + shortQuote(text.substr(pos)) + ".");
    const std::string_view body = text.substr(pos + 1, close - pos - 1);
    if (body.find('[') != std::string_view::npos)
      refuse("the Octave text joins matrices inside a matrix, which is not read.");
    std::size_t start = 0;
    int depth = 0;
    for (std::size_t i = 0; i <= body.size(); ++i) {
      if (i < body.size()) {
        depth += (body[i] == '(') - (body[i] == ')');
        if (depth != 0 || (body[i] != ';' && body[i] != '\n' && body[i] != '\r')) continue;
      }
      Cells cells = octaveRow(body.substr(start, i - start));
      if (!cells.empty()) part.rows.push_back(std::move(cells));
      start = i + 1;
    }
    pos = close + 1;
  }
  return parts;
}

// --- LaTeX: [NAME =] \begin{bmatrix} a & b \\ c & d \end{bmatrix}, and the other matrix
// environments ---

bool isMatrixEnvironment(std::string_view env) {
  return env.ends_with("matrix") || env == "array";
}

// The name before "=" that ends the text before an environment.
std::string latexName(std::string_view before) {
  before = trim(before);
  if (!before.ends_with('=')) return {};
  before = trim(before.substr(0, before.size() - 1));
  std::size_t start = before.size();
  while (start > 0 && (isWordChar(before[start - 1]) || before[start - 1] == '\\')) --start;
  const std::string_view name = before.substr(start);
  return name == "\\lambda" ? std::string(kEigenvalueList) : std::string(name);
}

std::vector<RawPart> readLatex(std::string_view text) {
  std::vector<RawPart> parts;
  std::size_t pos = 0;
  std::size_t begin;
  while ((begin = text.find("\\begin{", pos)) != std::string_view::npos) {
    const std::size_t envStart = begin + 7;
    const std::size_t envEnd = text.find('}', envStart);
    if (envEnd == std::string_view::npos) break;
    const std::string_view env = text.substr(envStart, envEnd - envStart);
    if (!isMatrixEnvironment(env)) {
      pos = envEnd;
      continue;
    }
    RawPart& part = parts.emplace_back();
    part.name = latexName(text.substr(pos, begin - pos));
    std::size_t bodyStart = envEnd + 1;
    if (env == "array" && bodyStart < text.size() && text[bodyStart] == '{') {
      const std::size_t columns = text.find('}', bodyStart);  // {cc}
      bodyStart = columns == std::string_view::npos ? text.size() : columns + 1;
    }
    const std::string endTag = "\\end{" + std::string(env) + "}";
    const std::size_t end = text.find(endTag, bodyStart);
    if (end == std::string_view::npos) refuse("the LaTeX text has no " + endTag + ".");
    const std::string_view body = text.substr(bodyStart, end - bodyStart);
    std::size_t rowStart = 0;
    while (rowStart <= body.size()) {
      std::size_t rowEnd = body.find("\\\\", rowStart);
      if (rowEnd == std::string_view::npos) rowEnd = body.size();
      std::string_view row = trim(body.substr(rowStart, rowEnd - rowStart));
      if (row.starts_with("\\hline")) row = trim(row.substr(6));
      if (!row.empty()) {
        Cells& cells = part.rows.emplace_back();
        std::size_t cellStart = 0;
        for (std::size_t amp; (amp = row.find('&', cellStart)) != std::string_view::npos;
             cellStart = amp + 1)
          cells.emplace_back(trim(row.substr(cellStart, amp - cellStart)));
        cells.emplace_back(trim(row.substr(cellStart)));
      }
      rowStart = rowEnd + 2;
    }
    pos = end + endTag.size();
  }
  if (parts.empty()) refuse("the LaTeX text holds no matrix environment.");
  return parts;
}

// A LaTeX cell as plain element text: 1.5\times10^{-7} as 1.5e-7, \infty as inf,
// \mathrm{NaN} as NaN, braces dropped. Spacing commands and line breaks are blanks, which
// never join two numbers into one.
std::string latexCell(std::string_view cell) {
  auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  std::string s;
  for (std::size_t i = 0; i < cell.size(); ++i) {
    const char c = cell[i];
    if (c == '\\' && i + 1 < cell.size() &&
        std::string_view(",;:! ").find(cell[i + 1]) != std::string_view::npos) {
      ++i;
      s += ' ';
      continue;
    }
    if (c == '\\' && i + 1 < cell.size() && isLetter(cell[i + 1])) {
      // A command's name, and the blanks after it, which end the name (\infty i).
      std::size_t end = i + 1;
      while (end < cell.size() && isLetter(cell[end])) ++end;
      s.append(cell.substr(i, end - i));
      while (end < cell.size() && isSeparatorChar(cell[end])) ++end;
      i = end - 1;
      continue;
    }
    s += isSeparatorChar(c) ? ' ' : c;
  }
  auto replaceAll = [&s](std::string_view from, std::string_view to) {
    std::string out;
    std::size_t start = 0;
    for (std::size_t p; (p = s.find(from, start)) != std::string::npos; start = p + from.size())
      out.append(s, start, p - start).append(to);
    s = std::move(out.append(s, start));
  };
  for (std::string_view command : {"\\mathrm", "\\text", "\\mathit", "\\operatorname"})
    replaceAll(command, "");
  replaceAll("\\infty", "inf");
  std::erase(s, '{');
  std::erase(s, '}');
  // \infty i and \mathrm{NaN} i: a word and its imaginary unit.
  for (std::size_t p = 0; (p = s.find(' ', p)) != std::string::npos;) {
    const std::size_t after = s.find_first_not_of(' ', p);
    if (p > 0 && isLetter(s[p - 1]) && after != std::string::npos && isUnit(s[after]))
      s.erase(p, after - p);
    else
      p = after == std::string::npos ? s.size() : after;
  }
  // " \times 10 ^ -7" as "e-7", blanks around the parts allowed.
  for (std::string_view times : {"\\times", "\\cdot"}) {
    for (std::size_t p; (p = s.find(times)) != std::string::npos;) {
      std::size_t begin = p;
      while (begin > 0 && s[begin - 1] == ' ') --begin;
      std::size_t q = s.find_first_not_of(' ', p + times.size());
      if (q == std::string::npos || s.compare(q, 2, "10") != 0) break;
      q = s.find_first_not_of(' ', q + 2);
      if (q == std::string::npos || s[q] != '^') break;
      q = std::min(s.find_first_not_of(' ', q + 1), s.size());
      s.replace(begin, q - begin, "e");
    }
  }
  return s;
}

// --- Markdown: | a | b | rows, the header and its delimiter row skipped; **NAME** above ---

bool isDelimiterRow(const Cells& cells) {
  return std::all_of(cells.begin(), cells.end(), [](const std::string& c) {
    std::string_view v = c;
    if (v.starts_with(':')) v.remove_prefix(1);
    if (v.ends_with(':')) v.remove_suffix(1);
    return !v.empty() && v.find_first_not_of('-') == std::string_view::npos;
  });
}

Cells markdownCells(std::string_view line) {
  line = trim(line);
  line.remove_prefix(1);
  if (line.ends_with('|')) line.remove_suffix(1);
  Cells cells;
  std::size_t start = 0;
  for (std::size_t bar; (bar = line.find('|', start)) != std::string_view::npos; start = bar + 1)
    cells.emplace_back(trim(line.substr(start, bar - start)));
  cells.emplace_back(trim(line.substr(start)));
  return cells;
}

std::vector<RawPart> readMarkdown(std::string_view text) {
  std::vector<RawPart> parts;
  std::string name;
  std::vector<Cells> table;
  auto endTable = [&] {
    if (table.empty()) return;
    const bool headed = table.size() >= 2 && isDelimiterRow(table[1]);
    RawPart& part = parts.emplace_back();
    part.name = std::exchange(name, {});
    part.rows.assign(table.begin() + (headed ? 2 : 0), table.end());
    table.clear();
  };
  const std::vector<std::string_view> lines = splitLines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = trim(lines[i]);
    if (line.starts_with('|')) {
      table.push_back(markdownCells(line));
      continue;
    }
    endTable();
    if (line.empty()) continue;
    if (line.size() > 4 && line.starts_with("**") && line.ends_with("**")) {
      name = line.substr(2, line.size() - 4);
      continue;
    }
    refuse("line " + std::to_string(i + 1) +
           " of the Markdown text is not part of a table: " + shortQuote(line) + ".");
  }
  endTable();
  return parts;
}

// --- TSV and CSV: one row per line, a lone name on a line starts a named part ---

// Cells of one line; a cell in double quotes may hold the separator ("" is one quote).
Cells delimitedCells(std::string_view line, char separator) {
  Cells cells;
  std::string cell;
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c != '"') {
        cell += c;
      } else if (i + 1 < line.size() && line[i + 1] == '"') {
        cell += '"';
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == separator) {
      cells.emplace_back(trim(cell));
      cell.clear();
    } else {
      cell += c;
    }
  }
  cells.emplace_back(trim(cell));
  // Some spreadsheets end every row with a separator.
  while (cells.size() > 1 && cells.back().empty()) cells.pop_back();
  return cells;
}

std::vector<RawPart> readDelimited(std::string_view text, char separator) {
  std::vector<RawPart> parts(1);
  for (const std::string_view line : splitLines(text)) {
    if (trim(line).empty()) continue;
    Cells cells = delimitedCells(line, separator);
    if (cells.size() == 1 && isPartName(cells[0])) {
      if (!parts.back().rows.empty() || !parts.back().name.empty()) parts.emplace_back();
      parts.back().name = cells[0];
      continue;
    }
    parts.back().rows.push_back(std::move(cells));
  }
  return parts;
}

// --- Which format ---

bool startsMarkdown(std::string_view text) {
  for (const std::string_view line : splitLines(text)) {
    const std::string_view t = trim(line);
    if (t.empty() || (t.starts_with("**") && t.ends_with("**") && t.size() > 4)) continue;
    return t.starts_with('|');
  }
  return false;
}

// With commas but neither tabs nor semicolons: a comma separates CSV cells unless a cell holds
// blanks (1,5 2,5 is the pane notation with decimal commas), or the locale writes decimal
// commas and no cell holds a point.
bool commasSeparateCells(std::string_view text, char decimalSeparator) {
  bool point = false;
  for (const std::string_view line : splitLines(text)) {
    for (const std::string& cell : delimitedCells(line, ',')) {
      if (std::any_of(cell.begin(), cell.end(), isSeparatorChar)) return false;
      point = point || cell.find('.') != std::string::npos;
    }
  }
  return decimalSeparator != ',' || point;
}

// ";" separates CSV cells unless it is the decimal separator in force.
char csvSeparator(std::string_view text, char decimalSeparator) {
  return decimalSeparator != ';' && text.find(';') != std::string_view::npos ? ';' : ',';
}

MatrixFormat recognise(std::string_view text, char decimalSeparator) {
  std::size_t pos = 0;
  leadingName(text, pos);
  const std::string_view body = text.substr(skipBlanks(text, pos));
  for (std::string_view prefix : {"np.array(", "numpy.array(", "array(", "[["})
    if (body.starts_with(prefix)) return MatrixFormat::NumPy;
  if (body.starts_with('[')) return MatrixFormat::Octave;
  if (text.find("\\begin{") != std::string_view::npos) return MatrixFormat::Latex;
  if (startsMarkdown(text)) return MatrixFormat::Markdown;
  if (text.find('\t') != std::string_view::npos) return MatrixFormat::Tsv;
  if (csvSeparator(text, decimalSeparator) == ';') return MatrixFormat::Csv;
  if (text.find(',') != std::string_view::npos && commasSeparateCells(text, decimalSeparator))
    return MatrixFormat::Csv;
  // Plain rows: the pane notation, unless a lone name heads a part (a TSV of one column).
  for (const std::string_view line : splitLines(text))
    if (isPartName(trim(line))) return MatrixFormat::Tsv;
  return MatrixFormat::Pane;
}

// --- Reading the cells ---

std::string partText(MatrixFormat format, const RawPart& part, std::size_t partCount) {
  if (partCount < 2 || part.name.empty()) return textOf(format);
  return quoteForMessage(part.name) + " in " + textOf(format);
}

std::string cellPlace(std::size_t r, std::size_t c) {
  return "row " + std::to_string(r + 1) + ", column " + std::to_string(c + 1);
}

void checkRows(MatrixFormat format, const RawPart& part, std::size_t partCount) {
  const std::size_t cols = part.rows.empty() ? 0 : part.rows[0].size();
  if (cols == 0) refuse(partText(format, part, partCount) + " holds no matrix.");
  for (std::size_t r = 1; r < part.rows.size(); ++r) {
    const std::size_t n = part.rows[r].size();
    if (n == cols) continue;
    const std::string row = std::to_string(r + 1);
    refuse(cellPlace(r, std::min(n, cols)) + " of " + partText(format, part, partCount) +
           (n < cols ? " is missing" : " is extra") + ": row " + row + " has " + std::to_string(n) +
           (n == 1 ? " element" : " elements") + ", row 1 has " + std::to_string(cols) + ".");
  }
  checkMatrixSize(static_cast<int>(std::min<std::size_t>(part.rows.size(), 1u << 30)),
                  static_cast<int>(std::min<std::size_t>(cols, 1u << 30)));
}

// The decimal separator of a spreadsheet's text or of pane text, decided once for the whole
// text as a spreadsheet import decides it: a "." or "," that cannot group thousands (not
// exactly three digits after it, or not one to three digits before it, the first not 0)
// shows which of the two the text uses; without such a number, or with both, the text is
// taken to use the separator it would have by default. Thousands separators are never read:
// a number with the other mark is refused.
struct DecimalMark {
  char mark = '.';
  // Where a number showed it (empty when it is the default).
  std::string example;
  std::size_t row = 0, col = 0;
  char other() const { return mark == '.' ? ',' : '.'; }
};

bool isMark(char c) {
  return c == '.' || c == ',';
}

// True when the mark at pos can only be a decimal separator. A mark right after another
// one's digits says nothing: it belongs to a number that reads no way.
bool onlyDecimal(std::string_view cell, std::size_t pos) {
  std::size_t before = pos;
  while (before > 0 && isDigit(cell[before - 1])) --before;
  if (before > 0 && isMark(cell[before - 1])) return false;
  std::size_t after = pos + 1;
  while (after < cell.size() && isDigit(cell[after])) ++after;
  const std::size_t lead = pos - before;
  const bool couldGroup = after - pos - 1 == 3 && lead >= 1 && lead <= 3 && cell[before] != '0';
  return !couldGroup;
}

class DecimalMarkFinder {
 public:
  void look(std::string_view cell, std::size_t r, std::size_t c) {
    for (std::size_t pos = 0; pos < cell.size(); ++pos) {
      if (!isMark(cell[pos])) continue;
      DecimalMark& seen = cell[pos] == '.' ? point_ : comma_;
      if (seen.example.empty() && onlyDecimal(cell, pos))
        seen = {cell[pos], std::string(trim(cell)), r, c};
    }
  }
  DecimalMark decide(char byDefault) const {
    const bool point = !point_.example.empty(), comma = !comma_.example.empty();
    if (point != comma) return point ? point_ : comma_;
    const DecimalMark& chosen = byDefault == ',' ? comma_ : point_;
    if (!chosen.example.empty()) return chosen;
    DecimalMark taken;
    taken.mark = byDefault == ',' ? ',' : '.';
    return taken;
  }

 private:
  DecimalMark point_, comma_;
};

// A number with the mark the text does not use for decimals is refused, never rescaled.
void checkMark(const DecimalMark& decided, std::string_view cell, const std::string& place) {
  if (cell.find(decided.other()) == std::string_view::npos) return;
  const std::string mark = std::string("'") + decided.mark + "'";
  if (decided.example.empty())
    refuse(place + ": '" + quoteForMessage(trim(cell)) +
           "' may hold a thousands separator, which is not read (the decimal separator taken "
           "is " +
           mark + ").");
  refuse(place + ": '" + quoteForMessage(trim(cell)) + "' has a '" + decided.other() +
         "' where the text's decimal separator is " + mark + " (as in '" +
         quoteForMessage(decided.example) + "', " + cellPlace(decided.row, decided.col) +
         "); thousands separators are not read.");
}

// A cell that is not an element: empty, more than one number, or no number.
[[noreturn]] void refuseCell(std::string_view cell, const std::string& place) {
  const std::string_view t = trim(cell);
  if (t.empty()) refuse(place + ": the element is empty.");
  const bool inner = std::any_of(t.begin(), t.end(), isSeparatorChar);
  refuse(place + ": '" + quoteForMessage(t) + "' " +
         (inner ? "is not one number." : "does not read as a number."));
}

struct CellReader {
  MatrixFormat format;
  DecimalMark decimal;
  std::size_t partCount;

  std::string place(const RawPart& raw, std::size_t r, std::size_t c) const {
    return partText(format, raw, partCount) + ", " + cellPlace(r, c);
  }

  Element read(const std::string& cell, const RawPart& raw, std::size_t r, std::size_t c) const {
    std::string text = format == MatrixFormat::Latex ? latexCell(cell) : cell;
    if (format == MatrixFormat::Tsv || format == MatrixFormat::Csv) {
      checkMark(decimal, text, place(raw, r, c));
      // A spreadsheet of a decimal-comma locale writes 1,5.
      if (decimal.mark == ',') std::replace(text.begin(), text.end(), ',', '.');
    }
    Element value;
    if (readMatrixElement(text, value)) return value;
    refuseCell(cell, place(raw, r, c));
  }
};

// Where the text gives no sign of its decimal separator: the locale's, except in a CSV whose
// cells a comma separates.
char defaultMark(MatrixFormat format, std::string_view text, char decimalSeparator) {
  if (format == MatrixFormat::Csv && csvSeparator(text, decimalSeparator) == ',') return '.';
  return decimalSeparator == ',' ? ',' : '.';
}

MatrixPart readPart(const CellReader& reader, const RawPart& raw) {
  checkRows(reader.format, raw, reader.partCount);
  MatrixPart part{raw.name,
                  RCOMat(static_cast<int>(raw.rows.size()), static_cast<int>(raw.rows[0].size()))};
  for (std::size_t r = 0; r < raw.rows.size(); ++r)
    for (std::size_t c = 0; c < raw.rows[r].size(); ++c)
      part.values[static_cast<int>(r)][static_cast<int>(c)] =
          reader.read(raw.rows[r][c], raw, r, c);
  return part;
}

// The pane notation: the rows are the non-blank lines, each token read by the pane reader.
void readPaneNotation(std::string_view text, const NumberFormat& nf, ReadMatrices& read) {
  RawPart raw;
  for (const std::string_view line : splitLines(text)) {
    if (isBlankLine(line)) continue;
    read.paneRows.emplace_back(line);
    raw.rows.push_back(tokens(line));
  }
  checkRows(MatrixFormat::Pane, raw, 1);
  DecimalMarkFinder finder;
  for (std::size_t r = 0; r < raw.rows.size(); ++r)
    for (std::size_t c = 0; c < raw.rows[r].size(); ++c) finder.look(raw.rows[r][c], r, c);
  const DecimalMark decimal = finder.decide(nf.decimalSeparator);
  ElementParser parse(nf);
  MatrixPart& part = read.parts.emplace_back();
  part.values.resize(static_cast<int>(raw.rows.size()), static_cast<int>(raw.rows[0].size()));
  for (std::size_t r = 0; r < raw.rows.size(); ++r) {
    for (std::size_t c = 0; c < raw.rows[r].size(); ++c) {
      const std::string& token = raw.rows[r][c];
      checkMark(decimal, token, "the text, " + cellPlace(r, c));
      try {
        part.values[static_cast<int>(r)][static_cast<int>(c)] = parse(token);
      } catch (const CalcError& e) {
        refuse(
            "the text is none of TSV, CSV, LaTeX, Markdown, Octave, NumPy and the pane "
            "notation: " +
            cellPlace(r, c) + " ('" + quoteForMessage(token) + "') does not read: " + e.what());
      }
    }
  }
}

// --- One element ---

struct Term {
  double value = 0;
  bool imaginary = false;
};

// Blanks a cell may hold inside one number: around the sign between its real and imaginary
// parts (1 + 2i), inside its parentheses and around the comma of complex(a, b).
bool isInnerBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view trimInnerBlanks(std::string_view s) {
  while (!s.empty() && isInnerBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isInnerBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The end of [digits][.digits][(e|E)[sign]digits] at pos with at least one mantissa digit,
// or pos when there is none.
std::size_t numberEnd(std::string_view t, std::size_t pos) {
  std::size_t p = pos;
  std::size_t digits = 0;
  while (p < t.size() && isDigit(t[p])) ++p, ++digits;
  if (p < t.size() && t[p] == '.') {
    ++p;
    while (p < t.size() && isDigit(t[p])) ++p, ++digits;
  }
  if (digits == 0) return pos;
  if (p < t.size() && (t[p] == 'e' || t[p] == 'E')) {
    std::size_t q = p + 1;
    if (q < t.size() && (t[q] == '+' || t[q] == '-')) ++q;
    if (q < t.size() && isDigit(t[q])) {
      while (q < t.size() && isDigit(t[q])) ++q;
      p = q;
    }
  }
  return p;
}

// inf, infinity or nan, in any case, also as np.inf, numpy.inf or math.inf: its length.
std::size_t wordAt(std::string_view t, std::size_t pos, double& value) {
  std::size_t p = pos;
  for (std::string_view prefix : {"np.", "numpy.", "math."}) {
    if (t.substr(p).starts_with(prefix)) {
      p += prefix.size();
      break;
    }
  }
  const std::string rest = lower(t.substr(p, 8));
  constexpr double kInf = std::numeric_limits<double>::infinity();
  for (const auto& [word, v] : {std::pair<std::string_view, double>{"infinity", kInf},
                                {"inf", kInf},
                                {"nan", std::numeric_limits<double>::quiet_NaN()}}) {
    if (rest.starts_with(word)) {
      value = v;
      return p + word.size() - pos;
    }
  }
  return 0;
}

// A number, a word or both followed by the imaginary unit ("*" may stand before it), or the
// unit alone; no sign and no blank.
bool readMagnitude(std::string_view t, std::size_t& pos, bool negative, Term& term) {
  double v = 1;
  bool have = false;
  if (const std::size_t end = numberEnd(t, pos); end > pos) {
    if (!parseDecimal(t.substr(pos, end - pos), '.', v)) return false;
    pos = end;
    have = true;
  } else if (const std::size_t n = wordAt(t, pos, v)) {
    pos += n;
    have = true;
  }
  std::size_t u = pos;
  if (have && u < t.size() && t[u] == '*') ++u;
  term.imaginary = u < t.size() && isUnit(t[u]);
  if (term.imaginary) {
    pos = u + 1;
  } else if (!have) {
    return false;
  }
  term.value = negative ? -v : v;
  return true;
}

// A term with its own sign, which stands right before it.
bool readTerm(std::string_view t, std::size_t& pos, Term& term) {
  bool negative = false;
  if (pos < t.size() && (t[pos] == '+' || t[pos] == '-')) negative = t[pos++] == '-';
  return readMagnitude(t, pos, negative, term);
}

bool readRealText(std::string_view t, double& value) {
  std::size_t pos = 0;
  Term term;
  if (!readTerm(t, pos, term) || term.imaginary || pos != t.size()) return false;
  value = term.value;
  return true;
}

}  // namespace

bool readMatrixElement(std::string_view text, Element& value) {
  std::string_view t = trim(text);
  if (t.size() >= 2 && t.front() == '(' && t.back() == ')')
    t = trimInnerBlanks(t.substr(1, t.size() - 2));
  if (t.starts_with("complex(") && t.ends_with(')')) {
    const std::string_view inner = t.substr(8, t.size() - 9);
    const std::size_t comma = inner.find(',');
    double re = 0, im = 0;
    if (comma == std::string_view::npos ||
        !readRealText(trimInnerBlanks(inner.substr(0, comma)), re) ||
        !readRealText(trimInnerBlanks(inner.substr(comma + 1)), im))
      return false;
    value = Element::complex(re, im);
    return true;
  }
  std::size_t pos = 0;
  Term first, second;
  if (!readTerm(t, pos, first)) return false;
  if (pos == t.size()) {
    value = first.imaginary ? Element::complex(0.0, first.value) : Element::real(first.value);
    return true;
  }
  // The sign between the parts, blanks around it allowed; the second part has no sign of
  // its own.
  pos = t.find_first_not_of(" \t", pos);
  if (pos == std::string_view::npos || (t[pos] != '+' && t[pos] != '-')) return false;
  const bool negative = t[pos] == '-';
  pos = t.find_first_not_of(" \t", pos + 1);
  if (pos == std::string_view::npos || !readMagnitude(t, pos, negative, second) ||
      pos != t.size() || first.imaginary == second.imaginary)
    return false;
  const Term& re = first.imaginary ? second : first;
  const Term& im = first.imaginary ? first : second;
  value = Element::complex(re.value, im.value);
  return true;
}

ReadMatrices readMatrices(std::string_view text, const NumberFormat& nf) {
  // Spreadsheets on some systems start their text with a UTF-8 byte-order mark.
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  if (trim(text).empty()) refuse("the clipboard holds no text.");
  ReadMatrices read;
  read.format = recognise(text, nf.decimalSeparator);
  std::vector<RawPart> raw;
  switch (read.format) {
    case MatrixFormat::NumPy:
      raw = NumPyReader(text).read();
      break;
    case MatrixFormat::Octave:
      raw = readOctave(text);
      break;
    case MatrixFormat::Latex:
      raw = readLatex(text);
      break;
    case MatrixFormat::Markdown:
      raw = readMarkdown(text);
      break;
    case MatrixFormat::Tsv:
      raw = readDelimited(text, '\t');
      break;
    case MatrixFormat::Csv:
      raw = readDelimited(text, csvSeparator(text, nf.decimalSeparator));
      break;
    case MatrixFormat::Pane:
      readPaneNotation(text, nf, read);
      return read;
  }
  if (raw.empty()) refuse(textOf(read.format) + " holds no matrix.");
  CellReader reader{read.format, {}, raw.size()};
  if (read.format == MatrixFormat::Tsv || read.format == MatrixFormat::Csv) {
    DecimalMarkFinder finder;
    for (std::size_t p = 0; p < raw.size(); ++p)
      for (std::size_t r = 0; r < raw[p].rows.size(); ++r)
        for (std::size_t c = 0; c < raw[p].rows[r].size(); ++c)
          finder.look(raw[p].rows[r][c], r, c);
    reader.decimal = finder.decide(defaultMark(read.format, text, nf.decimalSeparator));
  }
  for (const RawPart& part : raw) read.parts.push_back(readPart(reader, part));
  return read;
}

}  // namespace kelvaro

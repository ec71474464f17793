// Recognising a clipboard's matrix. The scanner of its format walks the text and hands its
// cells, row by row and part by part, to a sink. A first pass only counts them: rows of
// different lengths, too many parts or elements and the decimal separator are settled before
// anything is built, and no cell is ever kept as a string. A second pass reads every cell
// into a matrix of the size counted.

#include "numbers/matrix_recognition.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "numbers/calc_error.h"
#include "numbers/element_text.h"
#include "numbers/matrix_text.h"

namespace kelvaro {

namespace {

// More parts than any copy holds (a singular value decomposition has three).
constexpr std::size_t kMaxParts = 8;

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

// The lines of a text, one at a time: they end at LF, CR or CRLF.
class LineCursor {
 public:
  explicit LineCursor(std::string_view text) : text_(text) {}
  bool next(std::string_view& line) {
    if (pos_ > text_.size()) return false;
    // The next LF and the next CR, each looked for again only once passed, so every byte is
    // looked at once (find_first_of would look up each byte in a set).
    if (lf_ < pos_) lf_ = std::min(text_.find('\n', pos_), text_.size());
    if (cr_ < pos_) cr_ = std::min(text_.find('\r', pos_), text_.size());
    const std::size_t end = std::min(lf_, cr_);
    line = text_.substr(pos_, end - pos_);
    pos_ = end + (end + 1 < text_.size() && text_[end] == '\r' && text_[end + 1] == '\n' ? 2 : 1);
    ++number_;
    return true;
  }
  // The number of the last line given, from 1.
  std::size_t number() const { return number_; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t number_ = 0;
  std::size_t lf_ = std::min(text_.find('\n'), text_.size());
  std::size_t cr_ = std::min(text_.find('\r'), text_.size());
};

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
  const std::string l = lower(s.substr(0, 9));
  return l != "i" && l != "j" && l != "inf" && l != "infinity" && l != "nan";
}

// "NAME =" at pos (blanks around): the name, pos moved past the "=". Empty when there is none.
std::string_view leadingName(std::string_view text, std::size_t& pos) {
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
  return name;
}

std::size_t skipBlanks(std::string_view text, std::size_t pos) {
  while (pos < text.size() && isSeparatorChar(text[pos])) ++pos;
  return pos;
}

std::string shortQuote(std::string_view s) {
  return "'" + quoteForMessage(trim(s)) + "'";
}

// Where a scanner's cells go. Every part starts with part(); a row is its cells, then
// endRow(). A cell's text is valid during the call only.
class CellSink {
 public:
  virtual ~CellSink() = default;
  virtual void part(std::string_view name) = 0;
  virtual void cell(std::string_view text) = 0;
  virtual void endRow() = 0;
};

// --- NumPy: [NAME =] [np.]array([[a, b], [c, d]]), one per line ---

class NumPyScanner {
 public:
  NumPyScanner(std::string_view text, CellSink& sink) : t_(text), sink_(sink) {}

  void scan() {
    while ((pos_ = skipStatementBreaks(pos_)) < t_.size()) {
      sink_.part(leadingName(t_, pos_));
      pos_ = skipBlanks(t_, pos_);
      bool call = false;
      for (std::string_view prefix : {"np.array(", "numpy.array(", "array("}) {
        if (t_.substr(pos_).starts_with(prefix)) {
          pos_ += prefix.size();
          call = true;
          break;
        }
      }
      const std::size_t rows = array();
      if (call) closeCall(rows);
    }
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

  // [[...], [...]] or a single row [...]: the number of rows.
  std::size_t array() {
    if (!take('[')) broken(0, "\"[\"");
    pos_ = skipBlanks(t_, pos_);
    if (pos_ < t_.size() && t_[pos_] != '[') {
      row(0);
      return 1;
    }
    std::size_t rows = 0;
    while (!take(']')) {
      if (!take('[')) broken(rows, "\"[\"");
      row(rows++);
      if (!take(',') && (pos_ >= t_.size() || t_[pos_] != ']')) broken(rows, "\",\"");
    }
    return rows;
  }

  // Elements up to the "]" that closes the row; commas inside parentheses belong to an
  // element. [1, 2,] ends with an empty element that Python ignores, so each element is
  // handed on once the next one starts.
  void row(std::size_t index) {
    std::string_view pending;
    std::size_t count = 0;
    std::size_t start = pos_;
    int depth = 0;
    for (; pos_ < t_.size(); ++pos_) {
      const char c = t_[pos_];
      if (depth == 0 && (c == ',' || c == ']')) {
        const std::string_view cell = trim(t_.substr(start, pos_ - start));
        start = pos_ + 1;
        if (c == ']' && cell.empty() && count == 0) {  // []
          ++pos_;
          sink_.endRow();
          return;
        }
        if (count++ > 0) sink_.cell(pending);
        pending = cell;
        if (c == ']') {
          ++pos_;
          if (count == 1 || !pending.empty()) sink_.cell(pending);
          sink_.endRow();
          return;
        }
        continue;
      }
      if (depth == 0 && c == '[') refuse("the NumPy text holds an array of more than two axes.");
      depth += (c == '(') - (c == ')');
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
  CellSink& sink_;
  std::size_t pos_ = 0;
};

// --- Octave: [NAME =] [a b; c d] [;], rows also at line breaks ---

// The elements of one row: blanks and commas separate them, except that a lone + or -, or a
// + or - ending an element, joins its neighbours (1 + 2i and 1+ 2i are one element, which
// keeps its blanks). Each element is handed on once the next one starts.
void octaveRow(std::string_view row, CellSink& sink) {
  std::string_view pending;
  std::size_t start = std::string_view::npos;
  int depth = 0;
  bool afterComma = false;
  bool joinNext = false;
  auto flush = [&](std::size_t end) {
    if (start == std::string_view::npos) return;
    const std::string_view piece = row.substr(start, end - start);
    const bool lone = piece == "+" || piece == "-";
    const bool open = pending.ends_with('+') || pending.ends_with('-');
    if (!pending.empty() && !afterComma && (lone || joinNext || open)) {
      pending = row.substr(static_cast<std::size_t>(pending.data() - row.data()),
                           static_cast<std::size_t>(piece.data() + piece.size() - pending.data()));
    } else {
      if (!pending.empty()) sink.cell(pending);
      pending = piece;
    }
    joinNext = lone;
    afterComma = false;
    start = std::string_view::npos;
  };
  for (std::size_t i = 0; i < row.size(); ++i) {
    const char c = row[i];
    if (depth == 0 && (c == ',' || isSeparatorChar(c))) {
      flush(i);
      if (c == ',') afterComma = true;
      continue;
    }
    depth += (c == '(') - (c == ')');
    if (start == std::string_view::npos) start = i;
  }
  flush(row.size());
  if (pending.empty()) return;
  sink.cell(pending);
  sink.endRow();
}

void scanOctave(std::string_view text, CellSink& sink) {
  std::size_t pos = 0;
  for (;;) {
    while (pos < text.size() && (isSeparatorChar(text[pos]) || text[pos] == ';')) ++pos;
    if (pos >= text.size()) break;
    sink.part(leadingName(text, pos));
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
      octaveRow(body.substr(start, i - start), sink);
      start = i + 1;
    }
    pos = close + 1;
  }
}

// --- LaTeX: [NAME =] \begin{bmatrix} a & b \\ c & d \end{bmatrix}, and the other matrix
// environments ---

bool isMatrixEnvironment(std::string_view env) {
  return env.ends_with("matrix") || env == "array";
}

// The name before "=" that ends the text before an environment.
std::string_view latexName(std::string_view before) {
  before = trim(before);
  if (!before.ends_with('=')) return {};
  before = trim(before.substr(0, before.size() - 1));
  std::size_t start = before.size();
  while (start > 0 && (isWordChar(before[start - 1]) || before[start - 1] == '\\')) --start;
  const std::string_view name = before.substr(start);
  return name == "\\lambda" ? kEigenvalueList : name;
}

void scanLatex(std::string_view text, CellSink& sink) {
  std::size_t pos = 0;
  std::size_t begin;
  bool any = false;
  while ((begin = text.find("\\begin{", pos)) != std::string_view::npos) {
    const std::size_t envStart = begin + 7;
    const std::size_t envEnd = text.find('}', envStart);
    if (envEnd == std::string_view::npos) break;
    const std::string_view env = text.substr(envStart, envEnd - envStart);
    if (!isMatrixEnvironment(env)) {
      pos = envEnd;
      continue;
    }
    sink.part(latexName(text.substr(pos, begin - pos)));
    any = true;
    std::size_t bodyStart = envEnd + 1;
    if (env == "array" && bodyStart < text.size() && text[bodyStart] == '{') {
      const std::size_t columns = text.find('}', bodyStart);  // {cc}
      bodyStart = columns == std::string_view::npos ? text.size() : columns + 1;
    }
    const std::string endTag = "\\end{" + std::string(env) + "}";
    const std::size_t end = text.find(endTag, bodyStart);
    if (end == std::string_view::npos)
      refuse("the LaTeX text has no \\end{" + quoteForMessage(env) + "}.");
    const std::string_view body = text.substr(bodyStart, end - bodyStart);
    std::size_t rowStart = 0;
    while (rowStart <= body.size()) {
      std::size_t rowEnd = body.find("\\\\", rowStart);
      if (rowEnd == std::string_view::npos) rowEnd = body.size();
      std::string_view row = trim(body.substr(rowStart, rowEnd - rowStart));
      if (row.starts_with("\\hline")) row = trim(row.substr(6));
      if (!row.empty()) {
        std::size_t cellStart = 0;
        for (std::size_t amp; (amp = row.find('&', cellStart)) != std::string_view::npos;
             cellStart = amp + 1)
          sink.cell(trim(row.substr(cellStart, amp - cellStart)));
        sink.cell(trim(row.substr(cellStart)));
        sink.endRow();
      }
      rowStart = rowEnd + 2;
    }
    pos = end + endTag.size();
  }
  if (!any) refuse("the LaTeX text holds no matrix environment.");
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

// The cells of a table row, one at a time.
class MarkdownCells {
 public:
  explicit MarkdownCells(std::string_view line) : line_(trim(line)) {
    line_.remove_prefix(1);
    if (line_.ends_with('|')) line_.remove_suffix(1);
  }
  bool next(std::string_view& cell) {
    if (pos_ > line_.size()) return false;
    const std::size_t bar = std::min(line_.find('|', pos_), line_.size());
    cell = trim(line_.substr(pos_, bar - pos_));
    pos_ = bar + 1;
    return true;
  }

 private:
  std::string_view line_;
  std::size_t pos_ = 0;
};

bool isDelimiterRow(std::string_view line) {
  MarkdownCells cells(line);
  for (std::string_view v; cells.next(v);) {
    if (v.starts_with(':')) v.remove_prefix(1);
    if (v.ends_with(':')) v.remove_suffix(1);
    if (v.empty() || v.find_first_not_of('-') != std::string_view::npos) return false;
  }
  return true;
}

void markdownRow(std::string_view line, CellSink& sink) {
  MarkdownCells cells(line);
  for (std::string_view cell; cells.next(cell);) sink.cell(cell);
  sink.endRow();
}

void scanMarkdown(std::string_view text, CellSink& sink) {
  std::string_view name;
  // The first row of a table waits for the second, which may show it to be the header.
  std::string_view first;
  std::size_t rows = 0;
  auto endTable = [&] {
    if (rows == 1) markdownRow(first, sink);
    rows = 0;
  };
  LineCursor lines(text);
  for (std::string_view line; lines.next(line);) {
    line = trim(line);
    if (line.starts_with('|')) {
      if (rows == 0) {
        sink.part(std::exchange(name, {}));
        first = line;
      } else if (rows == 1) {
        if (!isDelimiterRow(line)) {
          markdownRow(first, sink);
          markdownRow(line, sink);
        }
      } else {
        markdownRow(line, sink);
      }
      ++rows;
      continue;
    }
    endTable();
    if (line.empty()) continue;
    if (line.size() > 4 && line.starts_with("**") && line.ends_with("**")) {
      name = line.substr(2, line.size() - 4);
      continue;
    }
    refuse("line " + std::to_string(lines.number()) +
           " of the Markdown text is not part of a table: " + shortQuote(line) + ".");
  }
  endTable();
}

// --- TSV and CSV: one row per line, a lone name on a line starts a named part ---

// The cells of one line, one at a time, trimmed; a cell in double quotes may hold the
// separator ("" is one quote).
class DelimitedCells {
 public:
  DelimitedCells(std::string_view line, char separator) : line_(line), separator_(separator) {}
  // The next cell, valid until the next call.
  bool next(std::string_view& cell) {
    if (pos_ > line_.size()) return false;
    std::size_t end = pos_;
    bool quoted = false, quotes = false;
    for (; end < line_.size() && (quoted || line_[end] != separator_); ++end) {
      if (line_[end] == '"') quoted = !quoted, quotes = true;
    }
    cell = line_.substr(pos_, end - pos_);
    pos_ = end + 1;
    if (quotes) cell = unquote(cell);
    cell = trim(cell);
    return true;
  }

 private:
  std::string_view unquote(std::string_view raw) {
    unquoted_.clear();
    bool quoted = false;
    for (std::size_t i = 0; i < raw.size(); ++i) {
      const char c = raw[i];
      if (c != '"') {
        unquoted_ += c;
      } else if (quoted && i + 1 < raw.size() && raw[i + 1] == '"') {
        unquoted_ += '"';
        ++i;
      } else {
        quoted = !quoted;
      }
    }
    return unquoted_;
  }

  std::string_view line_;
  char separator_;
  std::size_t pos_ = 0;
  std::string unquoted_;
};

// Some spreadsheets end every row with a separator: empty cells at the end of a line are
// dropped (all but the first), so each one waits for a cell that is not empty.
void delimitedRow(std::string_view line, char separator, CellSink& sink) {
  DelimitedCells cells(line, separator);
  std::size_t count = 0, emptyWaiting = 0;
  for (std::string_view cell; cells.next(cell); ++count) {
    if (cell.empty() && count > 0) {
      ++emptyWaiting;
      continue;
    }
    for (; emptyWaiting > 0; --emptyWaiting) sink.cell({});
    sink.cell(cell);
  }
  sink.endRow();
}

// A line that holds only a name (and empty cells after it).
bool isNameLine(std::string_view line, char separator, std::string& name) {
  DelimitedCells cells(line, separator);
  std::string_view cell;
  if (!cells.next(cell) || !isPartName(cell)) return false;
  name = cell;
  while (cells.next(cell))
    if (!cell.empty()) return false;
  return true;
}

void scanDelimited(std::string_view text, char separator, CellSink& sink) {
  bool started = false, named = false, rows = false;
  std::string name;
  LineCursor lines(text);
  for (std::string_view line; lines.next(line);) {
    if (trim(line).empty()) continue;
    if (isNameLine(line, separator, name)) {
      if (!started || rows || named) sink.part(name);
      started = named = true;
      rows = false;
      continue;
    }
    if (!started) sink.part({});
    started = rows = true;
    delimitedRow(line, separator, sink);
  }
  if (!started) sink.part({});
}

// --- The pane notation: the rows are the non-blank lines, cut into tokens as the panes cut
// them ---

void scanPane(std::string_view text, CellSink& sink, std::vector<std::string>* lineTexts) {
  sink.part({});
  LineCursor lines(text);
  for (std::string_view line; lines.next(line);) {
    if (isBlankLine(line)) continue;
    if (lineTexts) lineTexts->emplace_back(line);
    TokenCursor tokens(line);
    for (std::string_view token; tokens.next(token);) sink.cell(token);
    sink.endRow();
  }
}

// --- Which format ---

bool startsMarkdown(std::string_view text) {
  LineCursor lines(text);
  for (std::string_view line; lines.next(line);) {
    const std::string_view t = trim(line);
    if (t.empty() || (t.starts_with("**") && t.ends_with("**") && t.size() > 4)) continue;
    return t.starts_with('|');
  }
  return false;
}

// With commas but neither tabs nor semicolons: a comma separates CSV cells unless a cell holds
// blanks (1,5 2,5 is the pane notation with decimal commas), or the locale writes decimal
// commas and no cell holds a point. Quotes are CSV's alone: "1 2","3" is a CSV row.
bool commasSeparateCells(std::string_view text, char decimalSeparator) {
  if (text.find('"') != std::string_view::npos) return true;
  const bool point = text.find('.') != std::string_view::npos;
  // Most such texts have no blank but their line breaks: no cell to look into.
  const bool blanks = std::any_of(text.begin(), text.end(), [](char c) {
    return isSeparatorChar(c) && c != '\n' && c != '\r';
  });
  if (!blanks) return decimalSeparator != ',' || point;
  LineCursor lines(text);
  for (std::string_view line; lines.next(line);) {
    DelimitedCells cells(line, ',');
    for (std::string_view cell; cells.next(cell);) {
      if (std::any_of(cell.begin(), cell.end(), isSeparatorChar)) return false;
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
  LineCursor lines(text);
  for (std::string_view line; lines.next(line);)
    if (isPartName(trim(line))) return MatrixFormat::Tsv;
  return MatrixFormat::Pane;
}

void scan(MatrixFormat format, std::string_view text, char decimalSeparator, CellSink& sink,
          std::vector<std::string>* paneLines) {
  switch (format) {
    case MatrixFormat::NumPy:
      NumPyScanner(text, sink).scan();
      return;
    case MatrixFormat::Octave:
      scanOctave(text, sink);
      return;
    case MatrixFormat::Latex:
      scanLatex(text, sink);
      return;
    case MatrixFormat::Markdown:
      scanMarkdown(text, sink);
      return;
    case MatrixFormat::Tsv:
      scanDelimited(text, '\t', sink);
      return;
    case MatrixFormat::Csv:
      scanDelimited(text, csvSeparator(text, decimalSeparator), sink);
      return;
    case MatrixFormat::Pane:
      scanPane(text, sink, paneLines);
      return;
  }
}

// --- Counting the cells ---

std::string partText(MatrixFormat format, std::string_view name, std::size_t partCount) {
  if (partCount < 2 || name.empty()) return textOf(format);
  return quoteForMessage(name) + " in " + textOf(format);
}

std::string cellPlace(std::size_t r, std::size_t c) {
  return "row " + std::to_string(r + 1) + ", column " + std::to_string(c + 1);
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
        seen = {cell[pos], std::string(trim(cell).substr(0, kQuoteLength + 1)), r, c};
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
bool hasOtherMark(const DecimalMark& decided, std::string_view cell) {
  return cell.find(decided.other()) != std::string_view::npos;
}
[[noreturn]] void refuseMark(const DecimalMark& decided, std::string_view cell,
                             const std::string& place) {
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

// Where the text gives no sign of its decimal separator: the locale's, except in a CSV whose
// cells a comma separates.
char defaultMark(MatrixFormat format, std::string_view text, char decimalSeparator) {
  if (format == MatrixFormat::Csv && csvSeparator(text, decimalSeparator) == ',') return '.';
  return decimalSeparator == ',' ? ',' : '.';
}

struct PartShape {
  std::string name;
  std::size_t rows = 0, cols = 0;
};

// The first pass: counts rows, columns and parts, finds the decimal separator of spreadsheet
// and pane text, and refuses at the first row of another length or the first limit crossed.
class ShapeCounter final : public CellSink {
 public:
  ShapeCounter(MatrixFormat format, bool marks) : format_(format), marks_(marks) {}

  void part(std::string_view name) override {
    if (parts_.size() == kMaxParts)
      refuse(textOf(format_) + " holds more than " + std::to_string(kMaxParts) +
             " matrices; a pane takes one.");
    parts_.push_back({std::string(name)});
  }
  void cell(std::string_view text) override {
    if (marks_) finder_.look(text, parts_.back().rows, cells_);
    if (++cells_ + elements_ > static_cast<std::size_t>(kMaxMatrixElements)) tooLarge();
  }
  void endRow() override {
    PartShape& p = parts_.back();
    const std::size_t n = std::exchange(cells_, 0);
    if (p.rows == 0 && n == 0) refuse(where(p) + " holds no matrix.");
    if (p.rows == 0) p.cols = n;
    if (n != p.cols) {
      const std::string row = std::to_string(p.rows + 1);
      refuse(cellPlace(p.rows, std::min(n, p.cols)) + " of " + where(p) +
             (n < p.cols ? " is missing" : " is extra") + ": row " + row + " has " +
             std::to_string(n) + (n == 1 ? " element" : " elements") + ", row 1 has " +
             std::to_string(p.cols) + ".");
    }
    ++p.rows;
    elements_ += n;
  }

  // The shapes counted; a part without rows holds no matrix.
  std::vector<PartShape> shapes() const {
    if (parts_.empty()) refuse(textOf(format_) + " holds no matrix.");
    for (const PartShape& p : parts_)
      if (p.rows == 0) refuse(where(p) + " holds no matrix.");
    return parts_;
  }
  DecimalMark decimal(char byDefault) const { return finder_.decide(byDefault); }

 private:
  std::string where(const PartShape& p) const { return partText(format_, p.name, parts_.size()); }
  [[noreturn]] void tooLarge() const {
    refuse(textOf(format_) + " is too large: a matrix has at most " +
           std::to_string(kMaxMatrixElements) + " elements, and it has more by row " +
           std::to_string(parts_.back().rows + 1) + ".");
  }

  MatrixFormat format_;
  bool marks_;
  std::vector<PartShape> parts_;
  std::size_t cells_ = 0;     // of the row being counted
  std::size_t elements_ = 0;  // of every row counted
  DecimalMarkFinder finder_;
};

// --- Reading the cells ---

// A cell that is not an element: empty, more than one number, or no number.
[[noreturn]] void refuseCell(std::string_view cell, const std::string& place) {
  const std::string_view t = trim(cell);
  if (t.empty()) refuse(place + ": the element is empty.");
  const bool inner = std::any_of(t.begin(), t.end(), isSeparatorChar);
  refuse(place + ": '" + quoteForMessage(t) + "' " +
         (inner ? "is not one number." : "does not read as a number."));
}

// The second pass: every cell into a matrix of the size the first pass counted.
class MatrixFiller final : public CellSink {
 public:
  MatrixFiller(MatrixFormat format, const DecimalMark& decimal, const NumberFormat& nf,
               std::vector<PartShape> shapes, std::vector<MatrixPart>& out)
      : format_(format), decimal_(decimal), parse_(nf), shapes_(std::move(shapes)), out_(out) {
    out_.reserve(shapes_.size());
  }

  void part(std::string_view) override {
    PartShape& shape = shapes_[out_.size()];
    out_.push_back({std::move(shape.name),
                    RCOMat(static_cast<int>(shape.rows), static_cast<int>(shape.cols))});
    r_ = c_ = 0;
  }
  void cell(std::string_view text) override {
    out_.back().values[r_][c_] = read(text);
    ++c_;
  }
  void endRow() override {
    ++r_;
    c_ = 0;
  }

 private:
  std::string place() const {
    return partText(format_, out_.back().name, shapes_.size()) + ", " + cellPlace(r_, c_);
  }

  Element read(std::string_view cell) {
    Element value;
    if (format_ == MatrixFormat::Pane) {
      if (hasOtherMark(decimal_, cell))
        refuseMark(decimal_, cell, "the text, " + cellPlace(r_, c_));
      try {
        return parse_(cell);
      } catch (const CalcError& e) {
        refuse(
            "the text is none of TSV, CSV, LaTeX, Markdown, Octave, NumPy and the pane "
            "notation: " +
            cellPlace(r_, c_) + " ('" + quoteForMessage(cell) + "') does not read: " + e.what());
      }
    }
    if (format_ == MatrixFormat::Latex) {
      if (readMatrixElement(latexCell(cell), value)) return value;
    } else if (format_ == MatrixFormat::Tsv || format_ == MatrixFormat::Csv) {
      if (hasOtherMark(decimal_, cell)) refuseMark(decimal_, cell, place());
      // A spreadsheet of a decimal-comma locale writes 1,5.
      if (decimal_.mark == ',' && cell.find(',') != std::string_view::npos) {
        scratch_.assign(cell);
        std::replace(scratch_.begin(), scratch_.end(), ',', '.');
        if (readMatrixElement(scratch_, value)) return value;
      } else if (readMatrixElement(cell, value)) {
        return value;
      }
    } else if (readMatrixElement(cell, value)) {
      return value;
    }
    refuseCell(cell, place());
  }

  MatrixFormat format_;
  DecimalMark decimal_;
  ElementParser parse_;
  std::vector<PartShape> shapes_;
  std::vector<MatrixPart>& out_;
  std::string scratch_;
  int r_ = 0, c_ = 0;
};

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
  const bool spreadsheet = read.format == MatrixFormat::Tsv || read.format == MatrixFormat::Csv;
  const bool pane = read.format == MatrixFormat::Pane;
  ShapeCounter counter(read.format, spreadsheet || pane);
  scan(read.format, text, nf.decimalSeparator, counter, nullptr);
  std::vector<PartShape> shapes = counter.shapes();
  if (pane) read.paneRows.reserve(shapes[0].rows);
  MatrixFiller filler(read.format,
                      counter.decimal(defaultMark(read.format, text, nf.decimalSeparator)), nf,
                      std::move(shapes), read.parts);
  scan(read.format, text, nf.decimalSeparator, filler, pane ? &read.paneRows : nullptr);
  return read;
}

}  // namespace kelvaro

#include "commands/accuracy.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <iterator>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "commands/enclosure_check.h"
#include "exact/exact_text.h"
#include "numbers/element_text.h"

namespace kelvaro {

namespace {

// 1/eps of a double: from here on a relative perturbation of one rounding can make the
// matrix singular.
constexpr double kSingularCondition = 4503599627370496.0;  // 2^52
constexpr int kSignificantDigits = 16;

}  // namespace

std::string conditionText(const CalcState::Condition& condition, char decimalPoint) {
  const std::string name(1, condition.operand);
  if (!std::isfinite(condition.value)) return name + " is singular to working precision";
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, condition.value,
                                 std::chars_format::scientific, 1)
                       .ptr;
  std::string number(buffer, end);
  // 3.2e+12 as 3.2E+12, with the locale's separator.
  const std::size_t e = number.find('e');
  number[e] = 'E';
  number[1] = decimalPoint;
  std::string text = "cond(" + name + ") = " + number + ": ";
  if (condition.value >= kSingularCondition)
    return text + name + " is singular to working precision";
  const int lost = std::max(0, std::stoi(number.substr(e + 1)));
  if (lost == 0) return text + "none of the 16 significant digits need be lost";
  return text + "up to " + std::to_string(lost) + " of the " + std::to_string(kSignificantDigits) +
         " significant digits may be lost";
}

void keepCondition(CalcState& state, char operand, double norm, double inverseNorm) {
  const double value = std::isinf(inverseNorm) ? inverseNorm : norm * inverseNorm;
  if (!std::isnan(value)) state.condition = CalcState::Condition{operand, value};
}

std::string accuracyNote(const CalcState& state) {
  return state.condition ? conditionText(*state.condition, state.decimalPoint()) : std::string();
}

namespace {

// The operations whose result is a rational function of the values as typed.
constexpr std::string_view kChecked[] = {
    "A*B",     "A'*B",       "A^x",         "B^x",        "inv(A)",  "inv(B)",
    "A/B",     "inv(A)*B",   "Det(A)",      "Det(B)",     "LU(A)",   "LU(B)",
    "Chol(A)", "Chol(B)",    "Kron(A,B)",   "RREF(A)",    "RREF(B)", "Null(A)",
    "Null(B)", "Solve(A,B)", "CharPoly(A)", "CharPoly(B)"};

exact::Rational powerOfTen(long e) {
  return exact::Rational::fromDecimal("1", e);
}

// The text of the number formatter for the rational p, rounded as it rounds, but exactly: to
// PrecScale's decimals (halves to even), then to at most 15 significant digits; or to four
// significant digits in the exponent form "%1.4e".
std::string numberText(const exact::Rational& p, Extended precScale, char point) {
  using exact::Rational;
  if (precScale > 0) {
    const Rational scale = Rational::fromDouble(static_cast<double>(precScale));
    return exact::decimalText((p * scale).roundHalfEven() / scale, 15, point);
  }
  long e = 0;
  Rational k;
  if (!p.isZero()) {
    const Rational a = p.abs();
    e = static_cast<long>(std::floor(std::log10(std::max(a.toDouble(), 1e-300))));
    while (powerOfTen(e) > a) --e;
    while (powerOfTen(e + 1) <= a) ++e;
    k = (a / powerOfTen(e - 3)).roundHalfEven();
    if (k == Rational(10000)) k = Rational(1000), ++e;
  }
  const std::string digits = p.isZero() ? std::string("0000") : k.text();
  char text[40];
  const int length =
      std::snprintf(text, sizeof text, "%s%c%c%sE%c%03ld", p.sign() < 0 ? "-" : "", digits[0],
                    point, digits.c_str() + 1, e < 0 ? '-' : '+', e < 0 ? -e : e);
  return std::string(text, static_cast<std::size_t>(length));
}

// The complex formatter's text for the true value v of an entry printed as `shown`: its
// rectangular rules with every decision taken on v's exact parts.
std::string entryText(const exact::GaussRational& v, const Element& shown, const NumberFormat& nf) {
  using exact::Rational;
  const auto number = [&](const Rational& p) {
    return numberText(p, nf.precScale, nf.decimalSeparator);
  };
  if (!shown.isComplex() && v.isReal()) return number(v.re);
  const Rational one(1), minusOne(-1);
  const auto imaginary = [&](bool after) -> std::string {
    if (v.im == one) return after ? "+i" : "i";
    if (v.im == minusOne) return "-i";
    const std::string im = number(v.im);
    return (after && im[0] != '-' ? "+" : "") + im + "i";
  };
  const std::string text = !v.re.isZero()  ? number(v.re) + (v.im.isZero() ? "" : imaginary(true))
                           : v.im.isZero() ? std::string("0")
                                           : imaginary(false);
  // The polar form is made from the rounded rectangular text, as the formatter makes it.
  if (nf.display == DisplayFormat::Polar) return formatComplex(parseElement(text, nf), nf);
  return text;
}

std::string trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : text.substr(first);
}

std::string entryPlace(const std::vector<MatrixPart>& parts, const MatrixPart& part, int r, int c) {
  std::string place = parts.size() > 1 ? part.name + ", " : std::string();
  return place + "row " + std::to_string(r + 1) + ", column " + std::to_string(c + 1);
}

// What the exact run wrote instead of a result: its error or notice line, without the blank.
std::string refusalOf(const Pane& result) {
  for (const std::string& line : result.lines())
    if (line.starts_with(" Error:") || line.starts_with(" Notice:")) return trimmed(line);
  return "no exact result";
}

}  // namespace

std::string roundedText(const exact::Rational& p, const NumberFormat& nf) {
  return numberText(p, nf.precScale, nf.decimalSeparator);
}

bool isCheckedOperation(const CommandInfo& command) {
  return std::ranges::find(kChecked, std::string_view(command.action)) != std::end(kChecked) ||
         isEnclosedOperation(command);
}

AccuracyCheck checkPrintedEntries(const CalcState& state, const CommandInfo& command,
                                  WorkToken& work) {
  if (isEnclosedOperation(command)) return checkEnclosedEntries(state, command, work);
  CalcState exactState = state;
  exactState.result = Pane();
  exactState.exact = true;
  exactState.showSteps = false;
  exactState.work = &work;
  const std::uint64_t before = exactState.resultsWritten;
  try {
    command.run(exactState);
  } catch (const CommandCancelled&) {
    return {"not checked: beyond the time budget", {}};
  } catch (const std::exception& e) {
    return {std::string("not checked: ") + e.what(), {}};
  }
  if (exactState.resultsWritten == before)
    return {"not checked: the values as typed give " + refusalOf(exactState.result), {}};
  const std::vector<MatrixPart>& printed = state.lastResult;
  const std::vector<MatrixPart>& truth = exactState.lastResult;
  const auto sameShape = [&](std::size_t i) {
    return printed[i].name == truth[i].name && printed[i].values.rows() == truth[i].values.rows() &&
           printed[i].values.cols() == truth[i].values.cols();
  };
  if (printed.size() != truth.size()) return {"not checked: the true result has another form", {}};
  for (std::size_t i = 0; i < printed.size(); ++i)
    if (!sameShape(i)) return {"not checked: the true result has another form", {}};

  const NumberFormat nf = state.numberFormat();
  AccuracyCheck check;
  std::size_t entries = 0;
  std::string first;
  for (std::size_t i = 0; i < printed.size(); ++i) {
    const MatrixPart& part = printed[i];
    for (int r = 0; r < part.values.rows(); ++r)
      for (int c = 0; c < part.values.cols(); ++c) {
        if (work.cancelRequested()) return {"not checked: beyond the time budget", {}};
        ++entries;
        const std::size_t at = static_cast<std::size_t>(r) * part.values.cols() + c;
        exact::GaussRational value;
        try {
          value = exact::ExactReader("Result", {1, '.', DisplayFormat::Rectangular})
                      .read(truth[i].exactTexts.at(at));
        } catch (const std::exception&) {
          return {"not checked: the true result is not rational", {}};
        }
        const Element shown = part.values[r][c];
        const std::string printedText = formatComplex(shown, nf);
        const std::string trueText = entryText(value, shown, nf);
        if (printedText == trueText) continue;
        const std::string place = entryPlace(printed, part, r, c);
        const std::string values = "printed " + printedText + ", true " + trueText;
        if (check.differing.empty()) first = place + ", " + values;
        check.differing.push_back(place + ": " + values);
      }
  }
  if (check.differing.empty())
    check.verdict = "all " + std::to_string(entries) + " printed entries are correct";
  else
    check.verdict = std::to_string(check.differing.size()) + " of " + std::to_string(entries) +
                    " printed entries differ from the true result (first: " + first + ")";
  return check;
}

AccuracyCheck checkWithinBudget(const CalcState& state, const CommandInfo& command, double seconds,
                                WorkToken& work) {
  std::mutex m;
  std::condition_variable done;
  bool finished = false;
  std::thread timer([&] {
    std::unique_lock lock(m);
    if (!done.wait_for(lock, std::chrono::duration<double>(seconds), [&] { return finished; }))
      work.requestCancel();
  });
  AccuracyCheck check;
  try {
    check = checkPrintedEntries(state, command, work);
  } catch (...) {
    {
      std::lock_guard lock(m);
      finished = true;
    }
    done.notify_one();
    timer.join();
    throw;
  }
  {
    std::lock_guard lock(m);
    finished = true;
  }
  done.notify_one();
  timer.join();
  return check;
}

std::string accuracyLine(const CalcState& state, const AccuracyCheck& check) {
  const std::string condition = accuracyNote(state);
  return " Accuracy: " + (condition.empty() ? std::string() : condition + "; ") + check.verdict;
}

}  // namespace kelvaro

#include "commands/enclosure_check.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "exact/enclosures.h"
#include "exact/exact_algebra.h"
#include "exact/exact_text.h"
#include "numbers/element_text.h"

namespace kelvaro {

namespace {

using exact::Enclosure;
using exact::ExactMatrix;
using exact::Rational;

constexpr std::string_view kEnclosed[] = {"Eig(A)", "Eig(B)", "Svd(A)",  "Svd(B)",
                                          "QR(A)",  "QR(B)",  "Norm(A)", "Norm(B)"};

// Precisions, in bits, the enclosures are tried at. Beyond the last an entry still undecided
// lies too close to a rounding boundary to be told.
constexpr long kFirstPrecision = 64;
constexpr long kLastPrecision = 1024;

const std::string kBudget = "not checked: beyond the time budget";
const std::string kNearBoundary = "not certified: too close to a rounding boundary";

// The text of every value in e rounded as the formatter rounds, when they all have the same.
std::optional<std::string> decidedText(const Enclosure& e, const NumberFormat& nf) {
  if (!e.known) return std::nullopt;
  std::string lo = roundedText(e.lo, nf);
  if (e.lo == e.hi || lo == roundedText(e.hi, nf)) return lo;
  return std::nullopt;
}

Enclosure negated(const Enclosure& e) {
  return {-e.hi, -e.lo, e.known};
}

// What became of the printed entries. Each entry counted is a moment to stop at, as the
// rounding of many exact values takes a while.
class Tally {
 public:
  explicit Tally(const CancelFlag& work) : work_(&work) {}
  void correct() {
    work_->throwIfCancelled();
    ++correct_;
  }
  void undecided(std::size_t count = 1) {
    work_->throwIfCancelled();
    undecided_ += count;
  }
  void notUnique(std::size_t count = 1) { notUnique_ += count; }
  void differs(const std::string& place, const std::string& printed, const std::string& truth) {
    work_->throwIfCancelled();
    const std::string values = "printed " + printed + ", true " + truth;
    if (differing_.empty()) first_ = place + ", " + values;
    differing_.push_back(place + ": " + values);
  }
  std::size_t undecidedCount() const { return undecided_; }

  AccuracyCheck verdict(const std::string& undecidedReason) const {
    const std::size_t checked = correct_ + differing_.size();
    const std::size_t all = checked + undecided_ + notUnique_;
    const std::string n = std::to_string(all);
    std::string text;
    if (checked == 0 && all > 0) {
      text = undecided_ > 0 ? undecidedReason : std::string("not checked: not unique");
      if (undecided_ > 0 && notUnique_ > 0)
        text += "; " + std::to_string(notUnique_) + " not checked: not unique";
      return {text, {}};
    }
    if (!differing_.empty())
      text = std::to_string(differing_.size()) + " of " + n +
             " printed entries differ from the true result (first: " + first_ + ")";
    else if (checked == all)
      text = "all " + n + " printed entries are correct";
    else
      text = std::to_string(correct_) + " of " + n + " printed entries are correct";
    if (undecided_ > 0) text += "; " + std::to_string(undecided_) + " " + undecidedReason;
    if (notUnique_ > 0) text += "; " + std::to_string(notUnique_) + " not checked: not unique";
    return {text, differing_};
  }

 private:
  const CancelFlag* work_;
  std::size_t correct_ = 0, undecided_ = 0, notUnique_ = 0;
  std::vector<std::string> differing_;
  std::string first_;
};

std::string place(const std::string& part, int r, int c) {
  return part + ", row " + std::to_string(r + 1) + ", column " + std::to_string(c + 1);
}

// One printed entry against its enclosure.
void compare(Tally& tally, const std::string& where, const std::string& printed,
             const Enclosure& truth, const NumberFormat& nf) {
  const std::optional<std::string> text = decidedText(truth, nf);
  if (!text)
    tally.undecided();
  else if (*text == printed)
    tally.correct();
  else
    tally.differs(where, printed, *text);
}

// A column (or row) of printed entries against a vector known up to its sign: the sign that
// agrees with more of them.
struct PrintedVector {
  std::string part;
  std::vector<std::string> texts;
  std::vector<int> rows, cols;
};

void compareUpToSign(Tally& tally, const PrintedVector& printed, const std::vector<Enclosure>& v,
                     const NumberFormat& nf) {
  std::vector<std::optional<std::string>> plus, minus;
  int agreePlus = 0, agreeMinus = 0;
  for (std::size_t i = 0; i < v.size(); ++i) {
    plus.push_back(decidedText(v[i], nf));
    minus.push_back(decidedText(negated(v[i]), nf));
    agreePlus += plus.back() == printed.texts[i];
    agreeMinus += minus.back() == printed.texts[i];
  }
  const auto& chosen = agreeMinus > agreePlus ? minus : plus;
  for (std::size_t i = 0; i < v.size(); ++i) {
    const std::string where = place(printed.part, printed.rows[i], printed.cols[i]);
    if (!chosen[i])
      tally.undecided();
    else if (*chosen[i] == printed.texts[i])
      tally.correct();
    else
      tally.differs(where, printed.texts[i], *chosen[i]);
  }
}

char operandOf(const CommandInfo& command) {
  const std::string_view action = command.action;
  return action[action.size() - 2];
}

ExactMatrix typedOperand(const CalcState& state, const CommandInfo& command, int rows, int cols,
                         const WorkToken& work) {
  const char name = operandOf(command);
  const Pane& pane = name == 'A' ? state.paneA : state.paneB;
  return exact::readExactPane(pane, rows, cols, std::string("Matrix ") + name, state.numberFormat(),
                              false, &work);
}

exact::Work workOf(WorkToken& work) {
  return {&work, nullptr, exact::Isolation::Auto, 1};
}

std::string realText(const Element& e, const NumberFormat& nf) {
  return formatNumber(e.re(), nf);
}

// Runs `attempt` at rising precisions; it gives the tally of the printed entries, or nothing
// when it found no enclosure at that precision. Stops once every entry is decided, or when
// two more doublings decided nothing more (a true value on a rounding boundary never is);
// out of time, the last tally stands with its undecided entries beyond the budget.
template <class Attempt>
AccuracyCheck atRisingPrecision(const WorkToken& work, Attempt&& attempt,
                                const std::string& noEnclosure) {
  std::optional<Tally> best;
  std::size_t fewest = std::numeric_limits<std::size_t>::max();
  int stuck = 0;
  try {
    for (long precision = kFirstPrecision; precision <= kLastPrecision && stuck < 2;
         precision *= 2) {
      work.throwIfCancelled();
      std::optional<Tally> tally = attempt(precision);
      if (!tally) continue;
      const std::size_t undecided = tally->undecidedCount();
      best = std::move(tally);
      if (undecided == 0) break;
      stuck = undecided < fewest ? 0 : stuck + 1;
      fewest = std::min(fewest, undecided);
    }
  } catch (const CommandCancelled&) {
    return best ? best->verdict(kBudget) : AccuracyCheck{kBudget, {}};
  }
  return best ? best->verdict(kNearBoundary) : AccuracyCheck{noEnclosure, {}};
}

// Norm: the root of a rational, exact when it is a square.
AccuracyCheck checkNorm(const CalcState& state, const CommandInfo& command, WorkToken& work) {
  const ExactMatrix a = typedOperand(state, command, state.regs.RowN, state.regs.ColN, work);
  Rational sum;
  for (int r = 0; r < a.rows(); ++r)
    for (int c = 0; c < a.cols(); ++c) {
      work.throwIfCancelled();
      sum += a.re(r, c) * a.re(r, c) + a.im(r, c) * a.im(r, c);
    }
  const NumberFormat nf = state.numberFormat();
  const std::string printed = formatComplex(state.lastResult.at(0).values[0][0], nf);
  return atRisingPrecision(
      work,
      [&](long precision) {
        work.throwIfCancelled();
        Tally tally(work);
        compare(tally, "row 1, column 1", printed, exact::enclosedSqrt(sum, precision), nf);
        return std::optional<Tally>(std::move(tally));
      },
      kNearBoundary);
}

// Eig: the eigenvalues come in no particular order, so each printed one is paired with a true
// one of the same text.
struct EigenText {
  std::string re, im;  // im empty for a real eigenvalue
  bool operator==(const EigenText&) const = default;
  std::string text() const { return im.empty() ? re : re + "+" + im + "i"; }
};

Tally pairEigenvalues(const RCOMat& shown, const std::vector<std::optional<EigenText>>& truth,
                      const NumberFormat& nf, const CancelFlag& work) {
  const int n = shown.rows();
  Tally tally(work);
  std::vector<bool> used(truth.size(), false);
  std::vector<int> unmatched, lineOf;
  std::vector<EigenText> printed;
  // A zero eigenvalue prints no line, and is no printed entry unless it is wrong.
  const auto omitted = [&](int k) { return shown[k][0].re() == 0 && shown[k][0].im() == 0; };
  int line = 0;
  for (int k = 0; k < n; ++k) {
    const Element e = shown[k][0];
    lineOf.push_back(line);
    line += !omitted(k);
    printed.push_back({formatNumber(e.re(), nf), e.im() != 0 ? formatNumber(e.im(), nf) : ""});
    std::size_t i = 0;
    while (i < truth.size() && (used[i] || truth[i] != printed.back())) ++i;
    if (i == truth.size()) {
      unmatched.push_back(k);
      continue;
    }
    used[i] = true;
    if (!omitted(k)) tally.correct();
  }
  // The rest: undecided while undecided true values remain, otherwise wrong.
  const auto unused = [&](bool decided) {
    std::size_t i = 0;
    while (i < truth.size() && (used[i] || truth[i].has_value() != decided)) ++i;
    return i;
  };
  for (const int k : unmatched) {
    std::size_t i = unused(false);
    if (i < truth.size()) {
      used[i] = true;
      tally.undecided();
      continue;
    }
    i = unused(true);
    used[i] = true;
    tally.differs("eigenvalue " + std::to_string(lineOf[static_cast<std::size_t>(k)] + 1),
                  omitted(k) ? "no line (0)" : printed[static_cast<std::size_t>(k)].text(),
                  truth[i]->text());
  }
  return tally;
}

AccuracyCheck checkEigenvalues(const CalcState& state, const CommandInfo& command,
                               WorkToken& work) {
  const int n = state.regs.ColN;
  const ExactMatrix a = typedOperand(state, command, n, n, work);
  const NumberFormat nf = state.numberFormat();
  const RCOMat& shown = state.lastResult.at(0).values;
  std::vector<std::complex<double>> computed;
  for (int k = 0; k < n; ++k) computed.emplace_back(shown[k][0].re(), shown[k][0].im());
  return atRisingPrecision(
      work,
      [&](long precision) -> std::optional<Tally> {
        const exact::EigenvalueEnclosures e =
            exact::enclosedEigenvalues(a, computed, precision, workOf(work));
        if (!e.separated) return std::nullopt;
        std::vector<std::optional<EigenText>> truth;
        for (int i = 0; i < n; ++i) {
          const std::optional<std::string> re = decidedText(e.re[i], nf);
          // An imaginary part that may be 0 leaves open whether a part is printed at all.
          const std::optional<std::string> im = e.real[i] ? std::optional<std::string>("")
                                                : e.im[i].contains(Rational())
                                                    ? std::nullopt
                                                    : decidedText(e.im[i], nf);
          truth.push_back(re && im ? std::optional<EigenText>(EigenText{*re, *im}) : std::nullopt);
        }
        return pairEigenvalues(shown, truth, nf, work);
      },
      "not certified: the eigenvalues are multiple or too close to tell apart");
}

std::vector<double> realParts(const RCOMat& m) {
  std::vector<double> out;
  for (int r = 0; r < m.rows(); ++r)
    for (int c = 0; c < m.cols(); ++c) out.push_back(m[r][c].re());
  return out;
}

// Svd: the singular values always; the columns of U and rows of V up to sign where their
// singular value is simple; the rest of U and V is not unique.
AccuracyCheck checkSingularValues(const CalcState& state, const CommandInfo& command,
                                  WorkToken& work) {
  const int m = state.regs.RowN, n = state.regs.ColN, p = std::min(m, n);
  const ExactMatrix a = typedOperand(state, command, m, n, work);
  const NumberFormat nf = state.numberFormat();
  const RCOMat& u = state.lastResult.at(0).values;
  const RCOMat& s = state.lastResult.at(1).values;
  const RCOMat& v = state.lastResult.at(2).values;
  std::vector<double> values;
  for (int k = 0; k < p; ++k) values.push_back(s[k][k].re());
  const std::vector<double> approxU = realParts(u), approxV = realParts(v);
  const Enclosure zero{Rational(), Rational(), true};
  return atRisingPrecision(
      work,
      [&](long precision) -> std::optional<Tally> {
        const exact::SingularEnclosures e =
            exact::enclosedSingularValues(a, approxU, values, approxV, precision, workOf(work));
        if (!e.certified) return std::nullopt;
        Tally tally(work);
        for (int r = 0; r < m; ++r)
          for (int c = 0; c < n; ++c)
            compare(tally, place("S", r, c), realText(s[r][c], nf), r == c ? e.values[r] : zero,
                    nf);
        // Column k of U, row k of V.
        for (int k = 0; k < std::max(m, n); ++k)
          for (const bool ofU : {true, false}) {
            const int size = ofU ? m : n;
            if (k >= size) continue;
            PrintedVector printed{ofU ? "U" : "V", {}, {}, {}};
            for (int i = 0; i < size; ++i) {
              const int r = ofU ? i : k, c = ofU ? k : i;
              printed.texts.push_back(realText((ofU ? u : v)[r][c], nf));
              printed.rows.push_back(r);
              printed.cols.push_back(c);
            }
            const auto count = static_cast<std::size_t>(size);
            if (k >= p || e.cluster[static_cast<std::size_t>(k)] > 1) {
              tally.notUnique(count);
              continue;
            }
            const std::vector<Enclosure>& truth = (ofU ? e.u : e.v)[static_cast<std::size_t>(k)];
            if (truth.empty())
              tally.undecided(count);
            else
              compareUpToSign(tally, printed, truth, nf);
          }
        return tally;
      },
      "not certified: the singular values could not be enclosed");
}

// QR: with full rank, Q and R as the Householder routine defines them in exact arithmetic.
AccuracyCheck checkQr(const CalcState& state, const CommandInfo& command, WorkToken& work) {
  const int m = state.regs.RowN, n = state.regs.ColN;
  const ExactMatrix a = typedOperand(state, command, m, n, work);
  const NumberFormat nf = state.numberFormat();
  const RCOMat& q = state.lastResult.at(0).values;
  const RCOMat& r = state.lastResult.at(1).values;
  AccuracyCheck check = atRisingPrecision(
      work,
      [&](long precision) -> std::optional<Tally> {
        const std::optional<exact::QrEnclosures> e = exact::enclosedQr(a, precision, workOf(work));
        if (!e) return std::nullopt;
        // R's diagonal free of zeros: full rank.
        for (int k = 0; k < n; ++k) {
          const Enclosure& d = e->r[static_cast<std::size_t>(k) * n + k];
          if (!d.known || d.contains(Rational())) return std::nullopt;
        }
        Tally tally(work);
        for (int i = 0; i < m; ++i)
          for (int j = 0; j < m; ++j)
            compare(tally, place("Q", i, j), realText(q[i][j], nf),
                    e->q[static_cast<std::size_t>(i) * m + j], nf);
        for (int i = 0; i < m; ++i)
          for (int j = 0; j < n; ++j)
            compare(tally, place("R", i, j), realText(r[i][j], nf),
                    e->r[static_cast<std::size_t>(i) * n + j], nf);
        return tally;
      },
      "");
  if (!check.verdict.empty()) return check;
  if (exact::rank(a, workOf(work)) < n) return {"not checked: not unique", {}};
  return {"not certified: a reflection's sign could not be decided", {}};
}

}  // namespace

bool isEnclosedOperation(const CommandInfo& command) {
  return std::ranges::find(kEnclosed, std::string_view(command.action)) != std::end(kEnclosed);
}

CalcState enclosedCheckState(const CalcState& state) {
  CalcState slim;
  slim.paneA = state.paneA;
  slim.paneB = state.paneB;
  slim.decimalSeparator = state.decimalSeparator;
  slim.display = state.display;
  slim.exact = state.exact;
  slim.regs.PrecScale = state.regs.PrecScale;
  slim.regs.RowN = state.regs.RowN;
  slim.regs.ColN = state.regs.ColN;
  slim.lastResult = state.lastResult;
  return slim;
}

AccuracyCheck checkEnclosedEntries(const CalcState& state, const CommandInfo& command,
                                   WorkToken& work) {
  try {
    const std::string_view action = command.action;
    if (action.starts_with("Eig")) return checkEigenvalues(state, command, work);
    if (action.starts_with("Svd")) return checkSingularValues(state, command, work);
    if (action.starts_with("QR")) return checkQr(state, command, work);
    return checkNorm(state, command, work);
  } catch (const CommandCancelled&) {
    return {kBudget, {}};
  } catch (const std::exception& e) {
    return {std::string("not checked: ") + e.what(), {}};
  }
}

}  // namespace kelvaro

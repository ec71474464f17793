// A command whose token is cancelled ends with CommandCancelled wherever it is: in the steps
// of a routine or in the loops over pane text. Whoever runs it has given it a copy of the
// state and throws that copy away, so the state it keeps is the one from before. Without a
// cancel, every routine's count of steps done reaches the steps it announced.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "commands/auto_calculate.h"
#include "commands/command_table.h"
#include "commands/elementwise_commands.h"
#include "commands/shell_commands.h"
#include "numbers/matrix_text.h"
#include "numbers/notation_text.h"
#include "numbers/pane_text.h"
#include "numbers/result_parts.h"
#include "numbers/result_writer.h"

namespace kelvaro {
namespace {

// Rows of an n x n real matrix with a strong diagonal: every routine runs through to its end.
std::vector<std::string> matrixLines(int n, int seed) {
  std::vector<std::string> lines;
  for (int i = 0; i < n; ++i) {
    std::string line;
    for (int j = 0; j < n; ++j) {
      const double v = i == j ? n + 1.0 : std::sin(seed + 7.0 * i + 3.0 * j);
      line += std::to_string(v) + " ";
    }
    lines.push_back(line);
  }
  return lines;
}

CalcState stateWith(int n, const std::string& x = "3") {
  CalcState s;
  FormCreate(s, ".");
  s.paneA.setLines(matrixLines(n, 1));
  s.paneB.setLines(matrixLines(n, 2));
  s.coefText = x;
  return s;
}

// Every pane, field and register of a state, as bytes.
std::string bytesOf(const CalcState& s) {
  std::string b;
  const auto add = [&b](const auto& value) {
    b.append(reinterpret_cast<const char*>(&value), sizeof value);
  };
  const auto addElement = [&](const Element& e) { add(e.kind()), add(e.re()), add(e.im()); };
  for (const std::string& field : {s.paneA.text(), s.paneB.text(), s.result.text(), s.coefText,
                                   s.rowText, s.columnText, s.precisionText, s.decimalSeparator})
    b += field + '\0';
  const Registers& r = s.regs;
  for (const RCOMat* m : {&r.MatA, &r.MatB, &r.MatC, &r.MatR, &r.MatF1, &r.MatF2}) {
    add(m->rows()), add(m->cols());
    for (const Element& e : m->elements()) addElement(e);
  }
  for (const std::vector<double>* v : {&r.EigRe, &r.EigIm})
    for (const double x : *v) add(x);
  addElement(r.ScalarR), addElement(r.CoefX), add(s.display), add(s.powerWorkLimit);
  for (const int x : {r.DimRows, r.DimCols, r.RowN, r.ColN, r.ResKind, r.MatErr}) add(x);
  add(static_cast<double>(r.PrecScale));
  return b;
}

class NoPerson : public UserInterface {
 public:
  void showNote(const std::string&) override {}
  void showWarning(const std::string&) override {}
};

// Runs the command on a copy of state with the token, as the window does, and keeps the copy
// only when the command ends. Returns what it ended with: "" or the exception's text.
std::string runOnCopy(CalcState& state, WorkToken& token,
                      const std::function<void(CalcState&)>& command) {
  CalcState copy = state;
  copy.work = &token;
  try {
    command(copy);
  } catch (const CommandCancelled& e) {
    return e.what();
  }
  copy.work = nullptr;
  state = copy;
  return "";
}

std::function<void(CalcState&)> action(const char* name) {
  return [name](CalcState& s) { findCommandByAction(name)->run(s); };
}

void autoSequence(CalcState& s) {
  NoPerson ui;
  Auto1Click(s, ui);
}

const char* const kLongCommands[] = {"A*B",    "A'*B",    "inv(A)", "inv(A)*B", "A/B",
                                     "Det(A)", "Rank(A)", "LU(A)",  "QR(A)",    "Eig(A)",
                                     "Svd(A)", "Chol(A)", "A^x"};
const std::string kCancelled = CommandCancelled().what();

TEST(Cancel, EveryRoutineLooksAtItsToken) {
  // Panes of fewer tokens than the pane loops go through between two looks at the token: the
  // first look is the routine's own.
  for (const char* name : kLongCommands) {
    CalcState s = stateWith(12);
    const CalcState before = s;
    WorkToken token;
    token.requestCancel();
    EXPECT_EQ(runOnCopy(s, token, action(name)), kCancelled) << name;
    EXPECT_EQ(bytesOf(s), bytesOf(before)) << name;
  }
}

TEST(Cancel, ThePaneLoopsLookAtTheirToken) {
  CalcState s = stateWith(70);  // 4900 elements a pane
  s.rowText = s.columnText = "70";
  WorkToken token;
  token.requestCancel();
  const CancelFlag* flag = &token;
  RCOMat m;
  Registers regs;
  regs.RowN = regs.ColN = 70;
  regs.MatR.assign(70, 70, Element::complex(1, 2));
  const NumberFormat nf = s.numberFormat();
  const std::function<void()> loops[] = {
      [&] { alignPane(s.paneA, flag); },
      [&] { columnCount(s.paneA, s.result, flag); },
      [&] { readPane(s.paneA, 70, 70, m, nf, ElementReading::Plain, flag); },
      [&] {
        forEachPaneToken(
            s.paneA, 70, 70, [](int, int, std::string_view) {}, flag);
      },
      [&] { convertPane(s.paneA, DisplayFormat::Polar, nf, s.result, flag); },
      [&] { writeResult(s.result, regs, nf, flag); },
      [&] { resultParts(regs, kResMatrix, flag); },
      [&] { resultParts(regs, kResLU, flag); },
      [&] {
        CalcState copy = s;
        copy.work = &token;
        SpeedButton45Click(copy);  // Fill A with x
      },
  };
  for (std::size_t i = 0; i < std::size(loops); ++i)
    EXPECT_THROW(loops[i](), CommandCancelled) << "loop " << i;
}

TEST(Cancel, ProgressReachesTheStepsKnown) {
  for (const char* name : kLongCommands) {
    CalcState s = stateWith(70);
    WorkToken token;
    ASSERT_EQ(runOnCopy(s, token, action(name)), "") << name;
    EXPECT_GT(token.known(), 0u) << name;
    EXPECT_EQ(token.done(), token.known()) << name;
    EXPECT_EQ(token.fraction(), 1.0) << name;
  }
  CalcState s = stateWith(8);
  WorkToken token;
  ASSERT_EQ(runOnCopy(s, token, autoSequence), "");
  EXPECT_EQ(token.sequenceKnown(), 39);
  EXPECT_EQ(token.sequenceDone(), 39);
  EXPECT_EQ(token.fraction(), 1.0);
}

// A power that takes minutes: the rotations of a 64 x 64 block diagonal never repeat.
CalcState longPower() {
  CalcState s = stateWith(64, "250000");
  std::vector<std::string> lines(64);
  for (int i = 0; i < 64; ++i) {
    const int b = i / 2 * 2;
    const double c = std::cos(0.1 + b), t = i == b ? -std::sin(0.1 + b) : std::sin(0.1 + b);
    for (int j = 0; j < 64; ++j)
      lines[i] += std::to_string(j == i ? c : j == (i ^ 1) ? t : 0.0) + " ";
  }
  s.paneA.setLines(lines);
  return s;
}

TEST(Cancel, AStopMidwayKeepsTheStateFromBefore) {
  const struct {
    const char* name;
    std::function<void(CalcState&)> command;
    // When the command is surely under way.
    bool (*started)(const WorkToken&);
  } runs[] = {
      {"A^x", action("A^x"), [](const WorkToken& t) { return t.done() > 0; }},
      {"Auto", autoSequence, [](const WorkToken& t) { return t.sequenceDone() > 0; }},
  };
  for (const auto& run : runs) {
    CalcState s = longPower();
    const CalcState before = s;
    WorkToken token;
    auto ended = std::async(std::launch::async, [&] { return runOnCopy(s, token, run.command); });
    while (!run.started(token)) std::this_thread::yield();
    token.requestCancel();
    EXPECT_EQ(ended.get(), kCancelled) << run.name;
    EXPECT_EQ(bytesOf(s), bytesOf(before)) << run.name;
    // The threads are free again and the state as good as new.
    s.coefText = "2";
    CalcState fresh = before;
    fresh.coefText = "2";
    WorkToken again;
    ASSERT_EQ(runOnCopy(s, again, action("A^x")), "");
    action("A^x")(fresh);
    EXPECT_EQ(bytesOf(s), bytesOf(fresh)) << run.name;
  }
}

}  // namespace
}  // namespace kelvaro

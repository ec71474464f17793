// A command whose token is cancelled ends with CommandCancelled wherever it is: in the steps
// of a routine or in the loops over pane text. Whoever runs it has given it a copy of the
// state and throws that copy away, so the state it keeps is the one from before. Without a
// cancel, every routine's count of steps done reaches the steps it announced.

#include <gtest/gtest.h>

#include <algorithm>
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
#include "tests/support/calculator.h"

namespace kelvaro {
namespace {

using namespace test_support;

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

const std::string kCancelled = CommandCancelled().what();

TEST(Cancel, EveryLongRoutineLooksAtItsToken) {
  // Panes of fewer tokens than the pane loops go through between two looks at the token: the
  // first look is the routine's own.
  for (const CommandInfo* command : longOperations()) {
    CalcState s = stateWith(12);
    const CalcState before = s;
    WorkToken token;
    token.requestCancel();
    EXPECT_EQ(runOnCopy(s, token, action(command->action)), kCancelled) << command->action;
    EXPECT_EQ(stateBytes(s), stateBytes(before)) << command->action;
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
  for (const CommandInfo* command : longOperations()) {
    CalcState s = stateWith(70);
    WorkToken token;
    std::string error = errorOf([&] { runOnCopy(s, token, action(command->action)); });
    // A result that grows with both panes (Kron) is too large here: then a small B.
    if (error.find("too large") != std::string::npos) {
      s.paneB.setLines(matrixLines(2, 2));
      error = errorOf([&] { runOnCopy(s, token, action(command->action)); });
    }
    ASSERT_EQ(error, "") << command->action;
    EXPECT_EQ(token.done(), token.known()) << command->action;
    EXPECT_EQ(token.fraction(), 1.0) << command->action;
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
    EXPECT_EQ(stateBytes(s), stateBytes(before)) << run.name;
    // The threads are free again and the state as good as new.
    s.coefText = "2";
    CalcState fresh = before;
    fresh.coefText = "2";
    WorkToken again;
    ASSERT_EQ(runOnCopy(s, again, action("A^x")), "");
    action("A^x")(fresh);
    EXPECT_EQ(stateBytes(s), stateBytes(fresh)) << run.name;
  }
}

}  // namespace
}  // namespace kelvaro

// What the case files cannot show of copy, paste and result-to: the window's bottom-strip
// messages, the few words that sum each result up, and a paste too large for an aligned pane.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "commands/command_table.h"
#include "commands/exchange_commands.h"
#include "tests/support/calculator.h"

namespace kelvaro {
namespace {

using test_support::errorOf;
using test_support::Lines;
using test_support::startedWith;

class StatusStrip : public UserInterface {
 public:
  void showNote(const std::string& text) override { shown.push_back("Note: " + text); }
  void showWarning(const std::string& text) override { shown.push_back("Warning: " + text); }
  void showStatus(const std::string& text) override { shown.push_back(text); }
  Lines shown;
};

TEST(Exchange, TheBottomStripSaysWhatWasCopiedPastedAndUsed) {
  CalcState s = startedWith({"4 2", "2 3"});
  StatusStrip ui;
  s.clipboard = "np.array([[1, 2, 3], [4, 5, 6]])";
  pasteMatrixB(s, ui);
  copyPaneB(s, ui, "latex+full");
  findCommandByAction("LU(A)")->run(s);
  EXPECT_EQ(resultPartNames(s), (Lines{"L", "U"}));
  copyResult(s, ui, "tsv");
  resultToB(s, ui, "U");
  findCommandByAction("Eig(A)")->run(s);
  EXPECT_EQ(resultPartNames(s), Lines{});
  resultToA(s, ui, "");
  EXPECT_EQ(ui.shown, (Lines{"Pasted 2x3 from NumPy", "Copied B as LaTeX (full precision)",
                             "Copied the result as TSV", "Used the result's U as B (2x2)",
                             "Used the result as A (2x1)"}));
}

TEST(Exchange, EachResultIsSummedUpByItsLabelAndSize) {
  CalcState s = startedWith({"4 2", "2 3"}, {"1 2 3"});
  const std::pair<const char*, const char*> kResults[] = {
      {"Det(A)", "Det(A), one number"},
      {"Dim(B)", "Dim(B), two numbers"},
      {"Svd(B)", "Svd(B), U 1 by 1, S 1 by 3, V 3 by 3"},
      {"Eig(A)", "Eig(A), 2 eigenvalues"},
  };
  std::uint64_t written = 0;
  for (const auto& [action, summary] : kResults) {
    findCommandByAction(action)->run(s);
    EXPECT_EQ(s.lastResultSummary, summary);
    EXPECT_EQ(s.resultsWritten, ++written);
  }
}

TEST(Exchange, APasteTooLargeForAnAlignedPaneChangesNothing) {
  // 1100 short elements and one of 2^20 characters in one row.
  std::string row = "1." + std::string(1 << 20, '0');
  for (int c = 0; c < 1100; ++c) row += " 7";
  CalcState s = startedWith({"1 2"});
  s.clipboard = row;
  StatusStrip ui;
  EXPECT_EQ(errorOf([&] { pasteMatrixA(s, ui); }),
            "Matrix A cannot take it: Cannot align the pane: its 1101 elements in columns of "
            "1048580 characters would take more than 1073741824 characters.");
  EXPECT_EQ(s.paneA.lines(), Lines{"1 2"});
  EXPECT_TRUE(ui.shown.empty());
}

}  // namespace
}  // namespace kelvaro

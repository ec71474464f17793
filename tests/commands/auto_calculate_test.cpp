#include "commands/auto_calculate.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "commands/command_table.h"
#include "commands/shell_commands.h"
#include "numbers/calc_error.h"

namespace kelvaro {
namespace {

class RecordingInterface : public UserInterface {
 public:
  void showNote(const std::string& text) override { messages.push_back("Note: " + text); }
  void showWarning(const std::string& text) override { messages.push_back("Warning: " + text); }
  void setBusy(bool busy) override { cursor.push_back(busy); }
  std::vector<std::string> messages;
  std::vector<bool> cursor;
};

TEST(Auto, RunsThirtyNineOperationsOnce) {
  const auto sequence = autoSequence();
  ASSERT_EQ(sequence.size(), 39u);
  const std::set<std::string_view> distinct(sequence.begin(), sequence.end());
  EXPECT_EQ(distinct.size(), 39u);
  for (const char* skipped :
       {"SpeedButton1", "SpeedButton2", "SpeedButton40", "SpeedButton45", "SpeedButton47"})
    EXPECT_EQ(distinct.count(skipped), 0u) << skipped;
  for (const std::string_view button : sequence)
    ASSERT_NE(findCommandByButton(button), nullptr) << button;
  // The order of the first and the last steps: A, B, A+B ... Svd(A), Svd(B).
  EXPECT_EQ(findCommandByButton(sequence[0])->action, std::string_view("A"));
  EXPECT_EQ(findCommandByButton(sequence[2])->action, std::string_view("A+B"));
  EXPECT_EQ(findCommandByButton(sequence[5])->action, std::string_view("A-B"));
  EXPECT_EQ(findCommandByButton(sequence[38])->action, std::string_view("Svd(B)"));
}

TEST(Auto, AnErrorEndsTheSequenceAndRestoresTheCursor) {
  CalcState s;
  FormCreate(s, ".");
  s.result.setLines({"an earlier result", ""});
  s.paneA.setLines({"1 2", "3 x"});
  RecordingInterface ui;
  EXPECT_THROW(Auto1Click(s, ui), CalcError);
  // The pane was emptied, show A printed its label and stopped at the bad element; show B
  // never ran.
  EXPECT_EQ(s.result.lines(), (std::vector<std::string>{"A"}));
  EXPECT_EQ(ui.cursor, (std::vector<bool>{true, false}));
  EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace kelvaro

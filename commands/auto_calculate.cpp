#include "commands/auto_calculate.h"

#include <algorithm>
#include <array>

#include "commands/command_table.h"

namespace kelvaro {

namespace {

constexpr std::array<std::string_view, 39> kAutoSequence = {
    "SpeedButton11", "SpeedButton12", "SpeedButton13", "SpeedButton14", "SpeedButton15",
    "SpeedButton9",  "SpeedButton18", "SpeedButton38", "SpeedButton39", "SpeedButton46",
    "SpeedButton49", "SpeedButton50", "SpeedButton51", "SpeedButton52", "SpeedButton19",
    "SpeedButton20", "SpeedButton21", "SpeedButton24", "SpeedButton25", "SpeedButton22",
    "SpeedButton32", "SpeedButton37", "SpeedButton23", "SpeedButton34", "SpeedButton35",
    "SpeedButton16", "SpeedButton33", "SpeedButton43", "SpeedButton17", "SpeedButton26",
    "SpeedButton28", "SpeedButton27", "SpeedButton29", "SpeedButton30", "SpeedButton44",
    "SpeedButton31", "SpeedButton36", "SpeedButton41", "SpeedButton42",
};
static_assert(std::ranges::all_of(kAutoSequence,
                                  [](std::string_view b) { return findCommandByButton(b); }),
              "Auto clicks operation buttons only");

// The wait cursor stays on exactly as long as the sequence runs, also when a step throws.
class BusyCursor {
 public:
  explicit BusyCursor(UserInterface& ui) : ui_(ui) { ui_.setBusy(true); }
  ~BusyCursor() { ui_.setBusy(false); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  UserInterface& ui_;
};

}  // namespace

std::span<const std::string_view> autoSequence() {
  return kAutoSequence;
}

void Auto1Click(CalcState& state, UserInterface& ui) {
  BusyCursor busy(ui);
  if (state.work) state.work->beginSequence(static_cast<int>(kAutoSequence.size()));
  state.result.clear();
  for (const std::string_view button : kAutoSequence) {
    checkCancel(state.work);
    findCommandByButton(button)->run(state);
    if (state.work) state.work->sequenceAdvance();
  }
}

}  // namespace kelvaro

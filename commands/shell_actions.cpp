#include "commands/shell_actions.h"

#include <array>
#include <string>

#include "commands/auto_calculate.h"
#include "commands/notation_commands.h"
#include "commands/project_file.h"
#include "commands/shell_commands.h"

namespace kelvaro {

namespace {

void alignA(CalcState& s, UserInterface&, std::string_view) {
  Refresh1Click(s);
}
void alignB(CalcState& s, UserInterface&, std::string_view) {
  Refresh2Click(s);
}
void alignResult(CalcState& s, UserInterface&, std::string_view) {
  Align1Click(s);
}
void clearA(CalcState& s, UserInterface&, std::string_view) {
  clearPaneA(s);
}
void clearB(CalcState& s, UserInterface&, std::string_view) {
  clearPaneB(s);
}
void clearResult(CalcState& s, UserInterface&, std::string_view) {
  clearResultPane(s);
}
void swapAB(CalcState& s, UserInterface&, std::string_view) {
  SWapAandB1Click(s);
}
void swapAResult(CalcState& s, UserInterface& ui, std::string_view) {
  SwapAandResult1Click(s, ui);
}
void swapBResult(CalcState& s, UserInterface& ui, std::string_view) {
  SwapBandResult1Click(s, ui);
}
void commaToDot(CalcState& s, UserInterface& ui, std::string_view) {
  commatodot1Click(s, ui);
}
void dotToComma(CalcState& s, UserInterface& ui, std::string_view) {
  dottocomma1Click(s, ui);
}
void typeX(CalcState& s, UserInterface&, std::string_view text) {
  s.coefText = text;
}
void typeRows(CalcState& s, UserInterface&, std::string_view text) {
  s.rowText = text;
}
void typeColumns(CalcState& s, UserInterface&, std::string_view text) {
  s.columnText = text;
}

void typePrecision(CalcState& s, UserInterface&, std::string_view text) {
  s.precisionText = text;
  ComboBox1Change(s);
}

void saveResultTo(CalcState& s, UserInterface&, std::string_view path) {
  saveResult(s, std::string(path));
}

void autoCalculate(CalcState& s, UserInterface& ui, std::string_view) {
  Auto1Click(s, ui);
}
void polarToRectA(CalcState& s, UserInterface&, std::string_view) {
  PolarToRect1Click(s);
}
void rectToPolarA(CalcState& s, UserInterface&, std::string_view) {
  RecttoPolar1Click(s);
}
void polarToRectB(CalcState& s, UserInterface&, std::string_view) {
  PolarToRect2Click(s);
}
void rectToPolarB(CalcState& s, UserInterface&, std::string_view) {
  RecttoPolar2Click(s);
}
void chooseRect(CalcState& s, UserInterface&, std::string_view) {
  RadioGroup1Click(s, DisplayFormat::Rectangular);
}
void choosePolar(CalcState& s, UserInterface&, std::string_view) {
  RadioGroup1Click(s, DisplayFormat::Polar);
}
void saveProjectTo(CalcState& s, UserInterface&, std::string_view path) {
  Save3Click(s, std::string(path));
}
void openProjectFrom(CalcState& s, UserInterface&, std::string_view path) {
  Open1Click(s, std::string(path));
}

const std::array kShellActions = std::to_array<ShellActionInfo>({
    {"auto", autoCalculate},
    {"align-a", alignA},
    {"align-b", alignB},
    {"align-result", alignResult},
    {"clear-a", clearA},
    {"clear-b", clearB},
    {"clear-result", clearResult},
    {"swap-ab", swapAB},
    {"swap-a-result", swapAResult},
    {"swap-b-result", swapBResult},
    {"comma-to-dot", commaToDot},
    {"dot-to-comma", dotToComma},
    {"polar-to-rect-a", polarToRectA},
    {"rect-to-polar-a", rectToPolarA},
    {"polar-to-rect-b", polarToRectB},
    {"rect-to-polar-b", rectToPolarB},
    {"format=rect", chooseRect},
    {"format=polar", choosePolar},
    {"x=", typeX},
    {"rows=", typeRows},
    {"columns=", typeColumns},
    {"precision=", typePrecision},
    {"save-result=", saveResultTo},
    {"save-project=", saveProjectTo},
    {"open-project=", openProjectFrom},
});

}  // namespace

bool ShellActionInfo::takesArgument() const {
  const std::string_view name = action;
  return !name.empty() && name.back() == '=';
}

std::span<const ShellActionInfo> shellActionTable() {
  return kShellActions;
}

const ShellActionInfo* findShellAction(std::string_view action, std::string_view& argument) {
  for (const auto& entry : kShellActions) {
    const std::string_view name = entry.action;
    if (entry.takesArgument() ? action.starts_with(name) : action == name) {
      argument = entry.takesArgument() ? action.substr(name.size()) : std::string_view();
      return &entry;
    }
  }
  return nullptr;
}

}  // namespace kelvaro

#include "commands/shell_actions.h"

#include <array>
#include <string>

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

const std::array kShellActions = std::to_array<ShellActionInfo>({
    {"auto", nullptr},
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
    {"polar-to-rect-a", nullptr},
    {"rect-to-polar-a", nullptr},
    {"polar-to-rect-b", nullptr},
    {"rect-to-polar-b", nullptr},
    {"format=rect", nullptr},
    {"format=polar", nullptr},
    {"x=", typeX},
    {"rows=", typeRows},
    {"columns=", typeColumns},
    {"precision=", typePrecision},
    {"save-result=", saveResultTo},
    {"save-project=", nullptr},
    {"open-project=", nullptr},
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

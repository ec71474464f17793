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
    {"auto", nullptr, nullptr},
    {"align-a", nullptr, alignA},
    {"align-b", nullptr, alignB},
    {"align-result", nullptr, alignResult},
    {"clear-a", nullptr, clearA},
    {"clear-b", nullptr, clearB},
    {"clear-result", nullptr, clearResult},
    {"swap-ab", nullptr, swapAB},
    {"swap-a-result", nullptr, swapAResult},
    {"swap-b-result", nullptr, swapBResult},
    {"comma-to-dot", nullptr, commaToDot},
    {"dot-to-comma", nullptr, dotToComma},
    {"polar-to-rect-a", nullptr, nullptr},
    {"rect-to-polar-a", nullptr, nullptr},
    {"polar-to-rect-b", nullptr, nullptr},
    {"rect-to-polar-b", nullptr, nullptr},
    {"format=rect", nullptr, nullptr},
    {"format=polar", nullptr, nullptr},
    {"x", "TEXT", typeX},
    {"rows", "TEXT", typeRows},
    {"columns", "TEXT", typeColumns},
    {"precision", "TEXT", typePrecision},
    {"save-result", "FILE", saveResultTo},
    {"save-project", "FILE", nullptr},
    {"open-project", "FILE", nullptr},
});

}  // namespace

std::span<const ShellActionInfo> shellActionTable() {
  return kShellActions;
}

const ShellActionInfo* findShellAction(std::string_view action, std::string_view& argument) {
  for (const auto& entry : kShellActions) {
    const std::string_view name = entry.action;
    if (!entry.takesArgument()) {
      if (action != name) continue;
      argument = std::string_view();
      return &entry;
    }
    if (action.size() > name.size() && action.starts_with(name) && action[name.size()] == '=') {
      argument = action.substr(name.size() + 1);
      return &entry;
    }
  }
  return nullptr;
}

}  // namespace kelvaro

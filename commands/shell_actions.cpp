#include "commands/shell_actions.h"

#include <algorithm>
#include <array>
#include <string>

#include "commands/auto_calculate.h"
#include "commands/notation_commands.h"
#include "commands/project_file.h"
#include "commands/shell_commands.h"

namespace kelvaro {

namespace {

// Adapters from the window commands to the action signature.
template <void (*Command)(CalcState&)>
void plain(CalcState& s, UserInterface&, std::string_view) {
  Command(s);
}
template <void (*Command)(CalcState&, UserInterface&)>
void withInterface(CalcState& s, UserInterface& ui, std::string_view) {
  Command(s, ui);
}

// Typing into a field replaces its text.
template <std::string CalcState::*Field>
void typeInto(CalcState& s, UserInterface&, std::string_view text) {
  s.*Field = text;
}

void typePrecision(CalcState& s, UserInterface&, std::string_view text) {
  s.precisionText = text;
  ComboBox1Change(s);
}

void saveResultTo(CalcState& s, UserInterface&, std::string_view path) {
  saveResult(s, std::string(path));
}

template <DisplayFormat Format>
void chooseFormat(CalcState& s, UserInterface&, std::string_view) {
  RadioGroup1Click(s, Format);
}

void saveProjectTo(CalcState& s, UserInterface&, std::string_view path) {
  Save3Click(s, std::string(path));
}
void openProjectFrom(CalcState& s, UserInterface&, std::string_view path) {
  Open1Click(s, std::string(path));
}

constexpr std::array kShellActions = std::to_array<ShellActionInfo>({
    {"auto", nullptr, withInterface<Auto1Click>},
    {"align-a", nullptr, plain<Refresh1Click>},
    {"align-b", nullptr, plain<Refresh2Click>},
    {"align-result", nullptr, plain<Align1Click>},
    {"clear-a", nullptr, plain<clearPaneA>},
    {"clear-b", nullptr, plain<clearPaneB>},
    {"clear-result", nullptr, plain<clearResultPane>},
    {"swap-ab", nullptr, plain<SWapAandB1Click>},
    {"swap-a-result", nullptr, withInterface<SwapAandResult1Click>},
    {"swap-b-result", nullptr, withInterface<SwapBandResult1Click>},
    {"comma-to-dot", nullptr, withInterface<commatodot1Click>},
    {"dot-to-comma", nullptr, withInterface<dottocomma1Click>},
    {"polar-to-rect-a", nullptr, plain<PolarToRect1Click>},
    {"rect-to-polar-a", nullptr, plain<RecttoPolar1Click>},
    {"polar-to-rect-b", nullptr, plain<PolarToRect2Click>},
    {"rect-to-polar-b", nullptr, plain<RecttoPolar2Click>},
    {"format=rect", nullptr, chooseFormat<DisplayFormat::Rectangular>},
    {"format=polar", nullptr, chooseFormat<DisplayFormat::Polar>},
    {"x", "TEXT", typeInto<&CalcState::coefText>},
    {"rows", "TEXT", typeInto<&CalcState::rowText>},
    {"columns", "TEXT", typeInto<&CalcState::columnText>},
    {"precision", "TEXT", typePrecision},
    {"save-result", "FILE", saveResultTo},
    {"save-project", "FILE", saveProjectTo},
    {"open-project", "FILE", openProjectFrom},
});

static_assert(std::ranges::none_of(kShellActions,
                                   [](const ShellActionInfo& a) { return a.run == nullptr; }),
              "every window command has its handler");

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

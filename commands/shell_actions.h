#pragma once
// The window's commands other than the operation buttons, by the action name kelvaro-cli
// gives them. The window names the ones it runs through shellActionNamed(), so a name that is
// not in the table does not compile.

#include <algorithm>
#include <array>
#include <span>
#include <string>
#include <string_view>

#include "commands/auto_calculate.h"
#include "commands/calc_state.h"
#include "commands/exchange_commands.h"
#include "commands/notation_commands.h"
#include "commands/picture_commands.h"
#include "commands/project_file.h"
#include "commands/shell_commands.h"
#include "commands/user_interface.h"

namespace kelvaro {

// argument: the text after "=" for the actions that take one ("x=TEXT"); empty otherwise.
using ShellActionHandler = void (*)(CalcState&, UserInterface&, std::string_view argument);

struct ShellActionInfo {
  // "align-a", "format=rect"; an action with an argument is written name=ARGUMENT.
  const char* action;
  // What the argument is ("TEXT", "FILE"); nullptr for an action without one.
  const char* argument;
  ShellActionHandler run;
  // Which arguments the action takes, where not every text is one; nullptr for any.
  bool (*accepts)(std::string_view argument) = nullptr;
  constexpr bool takesArgument() const { return argument != nullptr; }
};

namespace shell_action_adapters {

template <void (*Command)(CalcState&)>
void plain(CalcState& s, UserInterface&, std::string_view) {
  Command(s);
}
template <void (*Command)(CalcState&, UserInterface&)>
void withInterface(CalcState& s, UserInterface& ui, std::string_view) {
  Command(s, ui);
}
template <auto Command>  // (CalcState&, const std::string&), or a const state
void withPath(CalcState& s, UserInterface&, std::string_view path) {
  Command(s, std::string(path));
}
// Typing into a field replaces its text.
template <std::string CalcState::*Field>
void typeInto(CalcState& s, UserInterface&, std::string_view text) {
  s.*Field = text;
}
template <DisplayFormat Format>
void chooseFormat(CalcState& s, UserInterface&, std::string_view) {
  RadioGroup1Click(s, Format);
}
inline bool isCopyFormat(std::string_view text) {
  MatrixFormat format;
  bool full;
  return parseCopyFormat(text, format, full);
}
// The factors of the decompositions, and the particular solution X0 and null-space basis N of
// every solution.
inline bool isResultPart(std::string_view text) {
  return (text.size() == 1 &&
          std::string_view("LUQRDSVN").find(text[0]) != std::string_view::npos) ||
         text == "X0";
}

// The precision box's change handler runs on every edit.
inline void typePrecision(CalcState& s, UserInterface&, std::string_view text) {
  s.precisionText = text;
  ComboBox1Change(s);
}

}  // namespace shell_action_adapters

inline constexpr std::array kShellActionTable = [] {
  using namespace shell_action_adapters;
  return std::to_array<ShellActionInfo>({
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
      {"save-result", "FILE", withPath<saveResult>},
      {"save-project", "FILE", withPath<Save3Click>},
      {"open-project", "FILE", withPath<Open1Click>},
      {"copy-result", "FORMAT", copyResult, isCopyFormat},
      {"copy-a", "FORMAT", copyPaneA, isCopyFormat},
      {"copy-b", "FORMAT", copyPaneB, isCopyFormat},
      {"paste-matrix-a", nullptr, withInterface<pasteMatrixA>},
      {"paste-matrix-b", nullptr, withInterface<pasteMatrixB>},
      {"result-to-a", nullptr, resultToA},
      {"result-to-a", "PART", resultToA, isResultPart},
      {"result-to-b", nullptr, resultToB},
      {"result-to-b", "PART", resultToB, isResultPart},
      {"picture-a", "FILE", savePictureOfA},
      {"picture-b", "FILE", savePictureOfB},
      {"picture-result", "FILE", savePictureOfResult},
  });
}();

static_assert(std::ranges::none_of(kShellActionTable,
                                   [](const ShellActionInfo& a) { return a.run == nullptr; }),
              "every window command has its handler");

constexpr std::span<const ShellActionInfo> shellActionTable() {
  return kShellActionTable;
}

// The entry that action names, with the argument it carries; nullptr when none does.
constexpr const ShellActionInfo* findShellAction(std::string_view action,
                                                 std::string_view& argument) {
  for (const auto& entry : kShellActionTable) {
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

// For names fixed in the source (an action without argument, or the bare name of one that
// takes one): a name the table does not hold does not compile.
consteval const ShellActionInfo& shellActionNamed(std::string_view name) {
  for (const auto& entry : kShellActionTable)
    if (name == entry.action) return entry;
  throw "no window command of that name";
}

}  // namespace kelvaro

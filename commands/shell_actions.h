#pragma once
// The window's commands other than the operation buttons, by the action name kelvaro-cli
// gives them. Like the command table, an entry whose run is nullptr is not built yet.

#include <span>
#include <string_view>

#include "commands/calc_state.h"
#include "commands/user_interface.h"

namespace kelvaro {

// argument: the text after "=" for the actions that take one ("x=TEXT"); empty otherwise.
using ShellActionHandler = void (*)(CalcState&, UserInterface&, std::string_view argument);

struct ShellActionInfo {
  // "align-a"; an action that takes an argument ends in "=" ("save-result=").
  const char* action;
  ShellActionHandler run;
  bool takesArgument() const;
  bool built() const { return run != nullptr; }
};

std::span<const ShellActionInfo> shellActionTable();

// The entry that action names, with the argument it carries; nullptr when none does.
const ShellActionInfo* findShellAction(std::string_view action, std::string_view& argument);

}  // namespace kelvaro

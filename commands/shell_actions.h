#pragma once
// The window's commands other than the operation buttons, by the action name kelvaro-cli
// gives them.

#include <span>
#include <string_view>

#include "commands/calc_state.h"
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
  bool takesArgument() const { return argument != nullptr; }
};

std::span<const ShellActionInfo> shellActionTable();

// The entry that action names, with the argument it carries; nullptr when none does.
const ShellActionInfo* findShellAction(std::string_view action, std::string_view& argument);

}  // namespace kelvaro

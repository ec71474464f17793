#pragma once
// Every operation button of the operation panel as data. The window builds its buttons from
// this table and kelvaro-cli finds its actions in it; both run the same handler.

#include <span>
#include <string_view>

#include "commands/calc_state.h"

namespace kelvaro {

using CommandHandler = void (*)(CalcState&);

struct CommandInfo {
  const char* button;   // SpeedButton13
  const char* handler;  // SpeedButton13Click
  const char* hint;     // tool tip, exactly as shown
  const char* action;   // kelvaro-cli action: the printed label ("A+B"), "A^x", "fill-a"
  int resultKind;       // ResKind the command sets; -1 for the fill commands
  CommandHandler run;   // the command itself
};

std::span<const CommandInfo> commandTable();
const CommandInfo* findCommandByAction(std::string_view action);
const CommandInfo* findCommandByButton(std::string_view button);

}  // namespace kelvaro

#include "commands/command_table.h"

#include "commands/command_frame.h"

namespace kelvaro {

void CommandInfo::run(CalcState& state) const {
  runPrelude(state, resultKind);
  handler(state);
}

}  // namespace kelvaro

#pragma once
// Auto: the whole catalogue of operations on the current operands, one after another.

#include <span>
#include <string_view>

#include "commands/calc_state.h"
#include "commands/user_interface.h"

namespace kelvaro {

// The operation buttons Auto clicks, in order (39 of them; not swap, inv(A)*B, A'*B or the
// fill commands).
std::span<const std::string_view> autoSequence();

// Shows the wait cursor, empties the Result pane and runs every command of autoSequence(). A
// step that writes an "Error:" or "Notice:" line lets the sequence go on; a step that throws
// (a conversion error) ends it, the cursor is restored and the error reaches the caller.
void Auto1Click(CalcState& state, UserInterface& ui);

}  // namespace kelvaro

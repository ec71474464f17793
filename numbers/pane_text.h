#pragma once
// Text services on a whole pane that parse no numbers: Align and the separator swap.

#include "numbers/pane.h"

namespace kelvaro {

// Drops empty lines and pads every token to the width of the pane's widest token plus two.
void alignPane(Pane& pane);

// Replaces every occurrence of one character by another (comma to dot, dot to comma).
void replaceCharacter(Pane& pane, char from, char to);

}  // namespace kelvaro

#pragma once
// The window's commands that need no window: start-up, align, clear, swap, the separator
// swaps of the Result pane, saving the result and the precision box. The window calls them
// after its dialogs; kelvaro-cli calls them by action name.

#include <string>
#include <string_view>

#include "commands/calc_state.h"
#include "commands/user_interface.h"

namespace kelvaro {

inline constexpr std::string_view kSwapRefusal =
    "Please remove other characters (eg. A,B,=), and retain the matrix need to be swapped!";
inline constexpr std::string_view kSeparatorSwapDone = "Successed!";

// Start-up after the window is built: the panes emptied (Result, A, B), the example
// matrices for the decimal separator (compared as a whole string; panes A and B stay empty
// for any separator other than "." and ","), and the registers at their initial values.
void FormCreate(CalcState& state, const std::string& decimalSeparator);

void Refresh1Click(CalcState& state);  // Align A
void Refresh2Click(CalcState& state);  // Align B
void Align1Click(CalcState& state);    // Align result

void clearPaneA(CalcState& state);
void clearPaneB(CalcState& state);
void clearResultPane(CalcState& state);

void SWapAandB1Click(CalcState& state);
// Both refuse with a "Note" while a Result line holds "=", "A" or "B"; nothing changes then.
void SwapAandResult1Click(CalcState& state, UserInterface& ui);
void SwapBandResult1Click(CalcState& state, UserInterface& ui);

// Every "," of the Result pane becomes "." (and back), then "Successed!" as a warning box,
// also when nothing was replaced.
void commatodot1Click(CalcState& state, UserInterface& ui);
void dottocomma1Click(CalcState& state, UserInterface& ui);

// Save result, once the dialog has given a path: the Result lines, each ended by LF, saved as
// writeFileSafely saves (a failed save leaves an existing file as it was). Failure throws
// CalcError 'Cannot create file "<path>". <reason>'.
void saveResult(const CalcState& state, const std::string& path);

// The precision box changed: its text applies to PrecScale ("e" for exponent format) or
// selects exact arithmetic ("exact"). A text that is not a number throws CalcError and leaves
// PrecScale and the arithmetic as they were.
void ComboBox1Change(CalcState& state);

}  // namespace kelvaro

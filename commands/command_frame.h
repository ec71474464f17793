#pragma once
// The steps every operation command is made of. The command table runs the prelude; a handler
// then calls the other steps in its own order: most count A (and B), label, size check, read,
// routine, write; some count an operand after the label or read into another register, so each
// step stands alone.
//
// A conversion error while reading propagates as CalcError: the command ends there, the
// label line stays without "=", and the caller shows the message.

#include <cstdint>
#include <string_view>

#include "commands/calc_state.h"
#include "numbers/matrix_text.h"
#include "numbers/rcomat.h"

namespace kelvaro {

// Rows and columns of an operand pane as the frame counted them.
struct PaneSize {
  int rows = 0;
  int cols = 0;
  bool operator==(const PaneSize&) const = default;
};

// Aligns pane A, then pane B, both at once when they are long (every operation command does
// this first, also those that read one pane only), and sets ResKind to the command's result
// kind (a negative kind leaves it).
void runPrelude(CalcState& state, int resultKind);

// Row count, then column count of an operand pane; the column count may append the
// incomplete-matrix warning to the Result pane.
PaneSize countPane(CalcState& state, const Pane& pane);

// The line the result writer later completes with "=".
void appendLabel(CalcState& state, std::string_view label);

// A failed operation: its error line (it starts with a blank), then an empty line.
void appendErrorLine(CalcState& state, std::string_view errorLine);

// The size of a result that is computed from its operands' sizes (rows of A times rows of B):
// the multiplication is made in 64 bits and checked there, so that nothing overflows and an
// oversized result is refused with "A ... matrix is too large" before any memory is taken.
PaneSize resultSize(std::int64_t rows, std::int64_t cols);

// RowN and ColN := size, as the result writer prints them.
void setCurrentSize(CalcState& state, PaneSize size);

// Fills reg with the pane's matrix, size.rows x size.cols, missing elements zero. Throws
// CalcError at the first element that cannot be read.
void readOperand(const CalcState& state, const Pane& pane, PaneSize size, RCOMat& reg,
                 ElementReading reading = ElementReading::Plain);

// readOperand of A into regA, then of B into regB; both at the same time when they are long.
// At an error regA and regB are as the two reads one after the other leave them.
void readBothOperands(const CalcState& state, PaneSize sizeA, RCOMat& regA, PaneSize sizeB,
                      RCOMat& regB, ElementReading readingOfB = ElementReading::Plain);

// The usual start up to the label of a command on one pane: the pane's counts, the label.
PaneSize startCommand(CalcState& state, const Pane& pane, std::string_view label);

// The same for a command on both panes, A counted before B (both at once when they are long).
struct PaneSizes {
  PaneSize a, b;
};
PaneSizes startOnBothPanes(CalcState& state, std::string_view label);

// The last result a command printed under `label` (kind as ResKind was), kept for copying and
// reuse with the steps it showed, and counted and summed up for a screen reader.
void keepResult(CalcState& state, std::string_view label, int resultKind,
                std::vector<MatrixPart> parts);

// Hands the registers to the result writer at the state's precision, separator and format, and
// keeps what it printed as the last result.
void writeCommandResult(CalcState& state);

}  // namespace kelvaro

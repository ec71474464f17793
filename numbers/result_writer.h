#pragma once
// The result writer: completes the label line with "=", lays the registers out by ResKind in
// cells of one blank plus ten right-aligned characters, and ends with an empty line.

#include <cstdint>
#include <functional>
#include <string_view>

#include "numbers/cancel_flag.h"
#include "numbers/number_format.h"
#include "numbers/pane.h"
#include "numbers/registers.h"

namespace kelvaro {

// How the writer may share out the text of a matrix's rows: body(first, last) over rows
// [0, count), each of about `cost` operations, in ranges that may run at the same time. The
// text is the same however they are cut; empty: all on the calling thread.
using RowRanges =
    std::function<void(int count, std::int64_t cost, const std::function<void(int, int)>& body)>;

void writeResult(Pane& result, Registers& regs, const NumberFormat& nf,
                 const CancelFlag* cancel = nullptr, const RowRanges& rowRanges = {});

// The rows of m as the writer prints a matrix: the first on the last line of result, an empty
// line after each (the layouts of the operations beyond the writer's kinds).
void writeMatrixRows(Pane& result, const RCOMat& m, const NumberFormat& nf,
                     const CancelFlag* cancel = nullptr);

// The precision box's change handler: "e" selects exponent format (PrecScale 0); otherwise the
// text is a number p and PrecScale becomes 10^p. A text that is not a number throws and
// leaves PrecScale as it was.
void changePrecision(std::string_view text, char decimalSeparator, Registers& regs);

}  // namespace kelvaro

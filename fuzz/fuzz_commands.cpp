// The calculator on arbitrary panes: the input gives the decimal separator, display format,
// precision, the fields and the text of panes A and B, then up to four actions, each an
// operation or a window command that takes no file (Auto aside), named as kelvaro-cli names
// it ("A+B", "Kron(A,B)", "swap-ab"; a name that is none is passed over). Actions go by name,
// not by place in a list, so a new operation changes what no stored input does. After every
// action: only CalcError may end it; an operation leaves panes A and B exactly as aligning
// them left them, and adds to the Result pane without changing what was there.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "commands/calc_state.h"
#include "commands/command_table.h"
#include "commands/shell_actions.h"
#include "commands/shell_commands.h"
#include "numbers/calc_error.h"
#include "numbers/matrix_text.h"
#include "numbers/pane_text.h"

namespace {

using namespace kelvaro;

// Small panes: the point is every path through the commands, not one big matrix.
constexpr std::size_t kMaxPaneBytes = 240;
constexpr int kMaxElements = 100;
constexpr int kMaxActions = 4;
constexpr std::size_t kMaxActionName = 24;

[[noreturn]] void fail(const char* what, std::string_view action) {
  std::fprintf(stderr, "%s after \"%.*s\"\n", what, static_cast<int>(action.size()), action.data());
  std::abort();
}

class SilentInterface : public UserInterface {
 public:
  void showNote(const std::string&) override {}
  void showWarning(const std::string&) override {}
};

std::vector<std::string> linesOf(std::string_view text) {
  std::vector<std::string> lines;
  for (;;) {
    const std::size_t lf = text.find('\n');
    lines.emplace_back(text.substr(0, lf));
    if (lf == std::string_view::npos) return lines;
    text.remove_prefix(lf + 1);
  }
}

bool smallEnough(const Pane& pane) {
  Pane ignored;
  return static_cast<long long>(rowCount(pane)) * columnCount(pane, ignored) <= kMaxElements;
}

Pane aligned(const Pane& pane) {
  Pane copy = pane;
  alignPane(copy);
  return copy;
}

// A window command without a file and other than Auto, by its name; those with an argument
// take a short text. Copy, paste and result-to are fuzz_paste's.
const ShellActionInfo* fuzzedShellAction(std::string_view name) {
  if (name == "auto" || name.starts_with("copy-") || name.starts_with("paste-") ||
      name.starts_with("result-to-"))
    return nullptr;
  for (const ShellActionInfo& a : shellActionTable())
    if (name == a.action)
      return a.argument && std::string_view(a.argument) == "FILE" ? nullptr : &a;
  return nullptr;
}

void runOperation(CalcState& state, const CommandInfo& command) {
  const Pane a = aligned(state.paneA), b = aligned(state.paneB);
  const std::vector<std::string> before = state.result.lines();
  bool failed = false;
  try {
    command.run(state);
  } catch (const CalcError&) {
    failed = true;
  }
  // The fill commands rewrite their pane, but only once every field has been read.
  const bool fill = command.resultKind < 0;
  if ((!fill || failed) && (state.paneA.lines() != a.lines() || state.paneB.lines() != b.lines()))
    fail("operand pane changed", command.action);
  const std::vector<std::string>& after = state.result.lines();
  if (after.size() < before.size() || !std::equal(before.begin(), before.end(), after.begin()))
    fail("earlier result lines changed", command.action);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  CalcState state;
  static constexpr const char* kSeparators[] = {".", ",", ""};
  FormCreate(state, kSeparators[in.ConsumeIntegralInRange(0, 2)]);
  state.display = in.ConsumeBool() ? DisplayFormat::Polar : DisplayFormat::Rectangular;
  // A cheap limit for A^x and B^x: the refusal and the cycle shortcut are met quickly.
  state.powerWorkLimit = 1 << 16;
  state.precisionText = in.ConsumeRandomLengthString(6);
  try {
    ComboBox1Change(state);
  } catch (const CalcError&) {
  }
  state.coefText = in.ConsumeRandomLengthString(24);
  state.rowText = in.ConsumeRandomLengthString(2);
  state.columnText = in.ConsumeRandomLengthString(2);
  state.paneA.setLines(linesOf(in.ConsumeRandomLengthString(kMaxPaneBytes)));
  state.paneB.setLines(linesOf(in.ConsumeRandomLengthString(kMaxPaneBytes)));
  if (!smallEnough(state.paneA) || !smallEnough(state.paneB)) return -1;

  SilentInterface ui;
  for (int step = 0; step < kMaxActions && in.remaining_bytes() > 0; ++step) {
    const std::string name = in.ConsumeRandomLengthString(kMaxActionName);
    if (const CommandInfo* command = findCommandByAction(name)) {
      runOperation(state, *command);
    } else if (const ShellActionInfo* action = fuzzedShellAction(name)) {
      const std::string argument = action->argument ? in.ConsumeRandomLengthString(8) : "";
      try {
        action->run(state, ui, argument);
      } catch (const CalcError&) {
      }
    }
    // Keep what the next action works on small too (a fill or a swap can grow a pane).
    if (!smallEnough(state.paneA) || !smallEnough(state.paneB)) break;
  }
  return 0;
}

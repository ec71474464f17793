// kelvaro-cli: the calculator without a window. Options set up the start-up state, actions
// run one after another as clicks would, and the chosen panes are printed at the end.

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "commands/calc_state.h"
#include "commands/command_table.h"
#include "commands/file_io.h"
#include "commands/locale_separator.h"
#include "commands/shell_actions.h"
#include "commands/shell_commands.h"
#include "commands/user_interface.h"
#include "numbers/calc_error.h"

namespace kelvaro {
namespace {

constexpr std::string_view kProgram = "kelvaro-cli";

enum class PrintedPane { Result, A, B, X };

struct PaneSource {
  std::string path;
  std::vector<std::string> lines;
};

struct Invocation {
  std::optional<std::string> decimalSeparator;
  std::optional<PaneSource> paneA, paneB, result;
  std::optional<std::string> x, rows, columns, precision;
  std::optional<DisplayFormat> format;
  std::vector<PrintedPane> print{PrintedPane::Result};
  std::vector<std::string> actions;
};

class UsageError {
 public:
  explicit UsageError(std::string message) : message_(std::move(message)) {}
  const std::string& message() const { return message_; }

 private:
  std::string message_;
};

// Message boxes become lines on standard error, in the order they would have popped up.
class StderrInterface : public UserInterface {
 public:
  void showNote(const std::string& text) override { report("Note: ", text); }
  void showWarning(const std::string& text) override { report("Warning: ", text); }
  void showError(const std::string& text) {
    report("Error: ", text);
    errorShown_ = true;
  }
  bool errorShown() const { return errorShown_; }

 private:
  static void report(std::string_view kind, const std::string& text) {
    std::string line(kind);
    line += text;
    line += '\n';
    writeAll(STDERR_FILENO, line);
  }
  bool errorShown_ = false;
};

std::vector<std::string> splitPaneText(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::size_t stop = end;
    if (end < text.size() && stop > start && text[stop - 1] == '\r') --stop;
    lines.emplace_back(text.substr(start, stop - start));
    start = end + 1;
  }
  return lines;
}

std::string usage() {
  std::string text =
      "Usage: kelvaro-cli [OPTION...] [ACTION...]\n"
      "Runs the Kelvaro matrix calculator without a window and prints its panes.\n"
      "\n"
      "Options:\n"
      "  --decimal-separator=SEP   decimal separator (default: the locale's)\n"
      "  --a=FILE, --b=FILE        initial text of pane A or B (- is standard input)\n"
      "  --result=FILE             initial text of the Result pane\n"
      "  --x=TEXT, --rows=TEXT, --columns=TEXT\n"
      "                            initial text of Coef.(x), Row and Column\n"
      "  --precision=TEXT          initial precision (1 to 8, or e)\n"
      "  --format=rect|polar       initial complex display format\n"
      "  --print=LIST              panes to print: result, a, b, x (default: result)\n"
      "  --help, --version         print this help or the version and exit\n"
      "\n"
      "Actions:\n ";
  std::size_t column = 1;
  auto addAction = [&](std::string_view name, const char* argument) {
    std::string word(name);
    if (argument != nullptr) word = word + "=" + argument;
    if (column + word.size() + 1 > 78) {
      text += "\n ";
      column = 1;
    }
    text += ' ';
    text += word;
    column += word.size() + 1;
  };
  for (const auto& command : commandTable())
    if (command.built()) addAction(command.action, nullptr);
  for (const auto& action : shellActionTable())
    if (action.built()) addAction(action.action, action.argument);
  text += "\n";
  return text;
}

PrintedPane printedPaneNamed(std::string_view name) {
  if (name == "result") return PrintedPane::Result;
  if (name == "a") return PrintedPane::A;
  if (name == "b") return PrintedPane::B;
  if (name == "x") return PrintedPane::X;
  throw UsageError("unknown pane \"" + std::string(name) + "\" in --print");
}

std::vector<PrintedPane> parsePrintList(std::string_view list) {
  std::vector<PrintedPane> panes;
  for (;;) {
    const std::size_t comma = list.find(',');
    panes.push_back(printedPaneNamed(list.substr(0, comma)));
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return panes;
}

// Checks that an action exists and is built, before anything runs.
void checkAction(const std::string& action) {
  if (const CommandInfo* command = findCommandByAction(action)) {
    if (!command->built()) throw UsageError("action \"" + action + "\" is not available yet");
    return;
  }
  std::string_view argument;
  if (const ShellActionInfo* shell = findShellAction(action, argument)) {
    if (!shell->built()) throw UsageError("action \"" + action + "\" is not available yet");
    return;
  }
  throw UsageError("unknown action \"" + action + "\"");
}

// Returns false when --help or --version already answered.
bool parseArguments(int argc, char** argv, Invocation& inv) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (!arg.starts_with("--")) {
      checkAction(arg);
      inv.actions.push_back(arg);
      continue;
    }
    if (arg == "--help") {
      writeAll(STDOUT_FILENO, usage());
      return false;
    }
    if (arg == "--version") {
      writeAll(STDOUT_FILENO, std::string(kProgram) + " " + KELVARO_VERSION + "\n");
      return false;
    }
    const std::size_t equals = arg.find('=');
    if (equals == std::string::npos) throw UsageError("unknown option \"" + arg + "\"");
    const std::string name = arg.substr(0, equals);
    const std::string value = arg.substr(equals + 1);
    if (name == "--decimal-separator") {
      inv.decimalSeparator = value;
    } else if (name == "--a") {
      inv.paneA = PaneSource{value, {}};
    } else if (name == "--b") {
      inv.paneB = PaneSource{value, {}};
    } else if (name == "--result") {
      inv.result = PaneSource{value, {}};
    } else if (name == "--x") {
      inv.x = value;
    } else if (name == "--rows") {
      inv.rows = value;
    } else if (name == "--columns") {
      inv.columns = value;
    } else if (name == "--precision") {
      inv.precision = value;
    } else if (name == "--format" && value == "rect") {
      inv.format = DisplayFormat::Rectangular;
    } else if (name == "--format" && value == "polar") {
      inv.format = DisplayFormat::Polar;
    } else if (name == "--format") {
      throw UsageError("--format must be rect or polar");
    } else if (name == "--print") {
      inv.print = parsePrintList(value);
    } else {
      throw UsageError("unknown option \"" + arg + "\"");
    }
  }
  return true;
}

void readPaneSources(Invocation& inv) {
  int fromStandardInput = 0;
  for (auto* source : {&inv.paneA, &inv.paneB, &inv.result}) {
    if (!*source) continue;
    if ((*source)->path == "-" && ++fromStandardInput > 1)
      throw UsageError("standard input can be read for one pane only");
    std::string content, reason;
    if (!readWholeFile((*source)->path, content, reason))
      throw UsageError("cannot read \"" + (*source)->path + "\": " + reason);
    (*source)->lines = splitPaneText(content);
  }
}

// Runs one step as the window would: an error ends that step only, in an "Error:" box.
template <typename Step>
void runGuarded(StderrInterface& ui, Step&& step) {
  try {
    step();
  } catch (const CalcError& e) {
    ui.showError(e.what());
  } catch (const std::bad_alloc&) {
    ui.showError("Out of memory");
  } catch (const std::exception& e) {
    ui.showError(e.what());
  }
}

void runAction(CalcState& state, StderrInterface& ui, const std::string& action) {
  if (const CommandInfo* command = findCommandByAction(action)) {
    command->run(state);
    return;
  }
  std::string_view argument;
  const ShellActionInfo* shell = findShellAction(action, argument);
  shell->run(state, ui, argument);
}

std::string printedPanes(const CalcState& state, const std::vector<PrintedPane>& panes) {
  std::size_t size = 0;
  for (const Pane* pane : {&state.result, &state.paneA, &state.paneB})
    for (const auto& line : pane->lines()) size += line.size() + 1;
  std::string out;
  out.reserve(size + 64);
  const bool headed = panes.size() > 1;
  for (const PrintedPane pane : panes) {
    if (pane == PrintedPane::X) {
      if (headed) out += "[x]\n";
      out += state.coefText;
      out += '\n';
      continue;
    }
    const bool isResult = pane == PrintedPane::Result;
    if (headed) out += isResult ? "[result]\n" : pane == PrintedPane::A ? "[a]\n" : "[b]\n";
    const Pane& shown = isResult                 ? state.result
                        : pane == PrintedPane::A ? state.paneA
                                                 : state.paneB;
    for (const auto& line : shown.lines()) {
      out += line;
      out += '\n';
    }
  }
  return out;
}

int run(int argc, char** argv) {
  Invocation inv;
  try {
    if (!parseArguments(argc, argv, inv)) return 0;
    readPaneSources(inv);
  } catch (const UsageError& e) {
    writeAll(STDERR_FILENO, std::string(kProgram) + ": " + e.message() + "\nTry '" +
                                std::string(kProgram) + " --help' for more information.\n");
    return 2;
  }

  StderrInterface ui;
  CalcState state;
  FormCreate(state, inv.decimalSeparator ? *inv.decimalSeparator : environmentDecimalSeparator());
  if (inv.paneA) state.paneA.setLines(std::move(inv.paneA->lines));
  if (inv.paneB) state.paneB.setLines(std::move(inv.paneB->lines));
  if (inv.result) state.result.setLines(std::move(inv.result->lines));
  if (inv.x) state.coefText = *inv.x;
  if (inv.rows) state.rowText = *inv.rows;
  if (inv.columns) state.columnText = *inv.columns;
  if (inv.format) state.display = *inv.format;
  if (inv.precision) {
    state.precisionText = *inv.precision;
    runGuarded(ui, [&] { ComboBox1Change(state); });
  }

  for (const auto& action : inv.actions) runGuarded(ui, [&] { runAction(state, ui, action); });

  // Output that cannot be written is a failure, not a silent success.
  if (!writeAll(STDOUT_FILENO, printedPanes(state, inv.print))) {
    writeAll(STDERR_FILENO, std::string(kProgram) +
                                ": cannot write standard output: " + std::strerror(errno) + "\n");
    return 1;
  }
  return ui.errorShown() ? 1 : 0;
}

}  // namespace
}  // namespace kelvaro

int main(int argc, char** argv) {
  return kelvaro::run(argc, argv);
}

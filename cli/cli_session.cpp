// kelvaro-cli's run: options set up the start-up state, actions run one after another as
// clicks would, and the chosen panes are printed at the end.

#include "cli/cli_session.h"

#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <iterator>
#include <mutex>
#include <new>
#include <optional>
#include <stop_token>
#include <thread>
#include <utility>
#include <vector>

#include "commands/accuracy.h"
#include "commands/calc_state.h"
#include "commands/command_table.h"
#include "commands/file_io.h"
#include "commands/locale_separator.h"
#include "commands/shell_actions.h"
#include "commands/shell_commands.h"
#include "commands/user_interface.h"
#ifdef KELVARO_PICTURES
#include "drawing/matrix_picture.h"
#include "drawing/value_charts.h"
#endif
#include "matrix/thread_pool.h"
#include "matrix/work_token.h"
#include "numbers/calc_error.h"

namespace kelvaro {
namespace {

constexpr std::string_view kProgram = "kelvaro-cli";

// The largest pane file: far more text than the largest matrix needs, and no endless input
// (a device, a pipe that never closes) fills the memory.
constexpr std::uint64_t kMaxPaneFileBytes = std::uint64_t{1} << 30;

enum class PrintedPane { Result, A, B, X, Clipboard };

struct PaneSource {
  std::string path;
  std::vector<std::string> lines;
};

struct Invocation {
  std::optional<std::string> decimalSeparator;
  std::optional<PaneSource> paneA, paneB, result;
  std::optional<std::string> x, rows, columns, precision;
  std::optional<std::string> clipboardPath;
  std::string clipboard;
  std::optional<DisplayFormat> format;
  std::vector<PrintedPane> print{PrintedPane::Result};
  std::vector<std::string> actions;
  int threads = 0;  // 0: the default count
  bool progress = false;
  bool steps = false;
  int pictureWidth = 800, pictureHeight = 600;  // --picture-size
  bool accuracy = false;
  double accuracyBudget = 2.0;  // seconds
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
  StderrInterface(CliStreams& streams, int pictureWidth, int pictureHeight)
      : streams_(streams), pictureWidth_(pictureWidth), pictureHeight_(pictureHeight) {}
  void showNote(const std::string& text) override { report("Note: ", text); }
#ifdef KELVARO_PICTURES
  void savePicture(const PictureSource& source, const std::string& path) override {
    const QSize size(pictureWidth_, pictureHeight_);
    if (source.kind == PictureSource::Kind::HeatMap)
      return drawing::savePicture(path, QString::fromStdString(source.title), source.values, size,
                                  {});
    const char* kind = drawing::pictureKind(path);
    const QByteArray bytes = drawing::chartBytes(kind, size, [&](QChart& chart) {
      chart.setTitle(QString::fromStdString(source.title));
      if (source.kind == PictureSource::Kind::Eigenvalues)
        drawing::plotEigenvalues(chart, drawing::columnValues(source.values));
      else
        drawing::plotSingularValues(chart, drawing::diagonalMagnitudes(source.values));
    });
    writeFileSafely(path, std::string_view(bytes.constData(), std::size_t(bytes.size())));
  }
#endif
  void showWarning(const std::string& text) override {
    report("Warning: ", text);
  }
  void showError(const std::string& text) {
    report("Error: ", text);
    errorShown_ = true;
  }
  bool errorShown() const {
    return errorShown_;
  }

 private:
  void report(std::string_view kind, const std::string& text) {
    std::string line(kind);
    line += text;
    line += '\n';
    streams_.writeErr(line);
  }
  CliStreams& streams_;
  int pictureWidth_, pictureHeight_;
  bool errorShown_ = false;
};

// With --progress: while an action runs, its label and how far it has come stand on one line of
// standard error ("Svd(A)  42%"), rewritten in place every tenth of a second. The line is wiped
// when the action ends and before any other text goes to standard error, so messages and the
// line never mix.
class ProgressStreams : public CliStreams {
 public:
  explicit ProgressStreams(CliStreams& base) : base_(base) {}
  bool writeOut(std::span<const std::string_view> pieces) override {
    return base_.writeOut(pieces);
  }
  void writeErr(std::string_view text) override {
    std::lock_guard lock(mutex_);
    wipe();
    base_.writeErr(text);
  }

  // Shows the line for label until the returned object goes, following token.
  [[nodiscard]] std::jthread follow(std::string label, const WorkToken& token) {
    show(label, 0);
    return std::jthread([this, label = std::move(label), &token](std::stop_token stop) {
      std::condition_variable_any tick;
      std::unique_lock lock(mutex_);
      while (!tick.wait_for(lock, stop, std::chrono::milliseconds(100),
                            [&] { return stop.stop_requested(); }))
        showLocked(label, static_cast<int>(token.fraction() * 100));
      wipe();
    });
  }

 private:
  void show(const std::string& label, int percent) {
    std::lock_guard lock(mutex_);
    showLocked(label, percent);
  }
  void showLocked(const std::string& label, int percent) {
    std::string line = "\r" + label + "  " + std::to_string(percent) + "%";
    if (line == shown_) return;
    const std::size_t length = line.size();
    if (shown_.size() > length) line.append(shown_.size() - length, ' ');
    base_.writeErr(line);
    shown_ = line.substr(0, length);
  }
  // Blanks the line and puts the cursor back at its start.
  void wipe() {
    if (shown_.empty()) return;
    base_.writeErr("\r" + std::string(shown_.size() - 1, ' ') + "\r");
    shown_.clear();
  }

  CliStreams& base_;
  std::mutex mutex_;
  std::string shown_;  // the line standing on standard error, with its leading CR
};

// Pane text as it arrives from a file: lines end at LF, a CR right before an LF is dropped,
// a final LF starts no further line, and an empty file gives no line at all.
class PaneLineSplitter {
 public:
  void feed(std::string_view piece) {
    while (!piece.empty()) {
      const std::size_t lf = piece.find('\n');
      if (lf == std::string_view::npos) {
        current_.append(piece);
        open_ = true;
        return;
      }
      if (current_.empty()) {  // the whole line is in this piece
        std::string_view line = piece.substr(0, lf);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines_.emplace_back(line);
      } else {
        current_.append(piece.substr(0, lf));
        if (current_.back() == '\r') current_.pop_back();
        lines_.push_back(current_);
        current_.clear();
      }
      open_ = false;
      piece.remove_prefix(lf + 1);
    }
  }
  std::vector<std::string> finish() {
    if (open_) lines_.push_back(std::move(current_));
    return std::move(lines_);
  }

 private:
  std::vector<std::string> lines_;
  std::string current_;  // keeps its capacity from line to line
  bool open_ = false;    // the last line has begun but not ended
};

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
      "  --precision=TEXT          initial precision (1 to 8, e, or exact)\n"
      "  --format=rect|polar       initial complex display format\n"
      "  --print=LIST              panes to print: result, a, b, x and clipboard\n"
      "                            (default: result); the clipboard comes last\n"
      "  --clipboard=FILE          the clipboard's text at start (- is standard input)\n"
      "  --threads=N               threads the matrix kernels use (default: the\n"
      "                            processor's count, or KELVARO_THREADS); output is\n"
      "                            the same for any count\n"
      "  --progress                show how far a long action has come on standard error\n"
      "  --steps                   show the row operations before the result of RREF,\n"
      "                            Solve, inv, Det, Rank, LU and Chol\n"
      "  --picture-size=WxH        size of the pictures drawn (default: 800x600)\n"
      "  --accuracy                after each checked result, a line with the condition\n"
      "                            and whether every printed entry is the true result\n"
      "                            rounded as printed\n"
      "  --accuracy-budget=SECONDS the most time the check of one result takes\n"
      "                            (default 2)\n"
      "  --help, --version         print this help or the version and exit\n"
      "\n"
      "Copy and paste (kelvaro-cli has a clipboard of its own):\n"
      "  copy-result=FORMAT, copy-a=FORMAT, copy-b=FORMAT\n"
      "      the last result (all its parts), pane A or pane B as FORMAT: tsv, csv,\n"
      "      latex, markdown, octave or numpy, at the displayed precision; with +full\n"
      "      (latex+full) as the shortest text that reads back to the same number\n"
      "  paste-matrix-a, paste-matrix-b\n"
      "      the clipboard's matrix (any of those formats, or pane text) into the pane\n"
      "  result-to-a, result-to-b, result-to-a=PART, result-to-b=PART\n"
      "      the last result into the pane at full precision; PART (L, U, Q, R, D, S,\n"
      "      V; X0, N of a solution) picks a factor, the first by default; eigenvalues\n"
      "      go in as one column\n"
      "\n"
      "Pictures:\n"
      "  picture-a=FILE, picture-b=FILE, picture-result=FILE\n"
      "      a heat map of pane A, pane B or the last result (its first part; after\n"
      "      Eig the eigenvalues in the plane, after Svd the singular values) as a PNG\n"
      "      or SVG file, by FILE's ending\n"
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
  for (const auto& command : commandTable()) addAction(command.action, nullptr);
  for (const auto& action : shellActionTable()) addAction(action.action, action.argument);
  text += "\n";
  return text;
}

PrintedPane printedPaneNamed(std::string_view name) {
  if (name == "result") return PrintedPane::Result;
  if (name == "a") return PrintedPane::A;
  if (name == "b") return PrintedPane::B;
  if (name == "x") return PrintedPane::X;
  if (name == "clipboard") return PrintedPane::Clipboard;
  throw UsageError("unknown pane \"" + quoteForMessage(name) + "\" in --print");
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

// Checks that an action exists, before anything runs.
void checkAction(const std::string& action) {
  std::string_view argument;
  if (findCommandByAction(action) != nullptr) return;
  const ShellActionInfo* shell = findShellAction(action, argument);
  if (shell == nullptr) throw UsageError("unknown action \"" + quoteForMessage(action) + "\"");
  if (shell->accepts != nullptr && !shell->accepts(argument)) {
    throw UsageError("unknown " + std::string(shell->argument) + " \"" + quoteForMessage(argument) +
                     "\" in \"" + quoteForMessage(action) + "\"");
  }
}

int threadCountOption(const std::string& value) {
  int count = 0;
  const char* end = value.data() + value.size();
  const auto [stop, error] = std::from_chars(value.data(), end, count);
  if (error != std::errc() || stop != end || count < 1 || count > kMaxThreadCount)
    throw UsageError("--threads takes a count from 1 to " + std::to_string(kMaxThreadCount) +
                     ", not \"" + quoteForMessage(value) + "\"");
  return count;
}

// "WxH", each side from 64 to 8192 pixels.
void pictureSizeOption(const std::string& value, Invocation& inv) {
  const char* end = value.data() + value.size();
  int width = 0, height = 0;
  auto [x, widthError] = std::from_chars(value.data(), end, width);
  bool good = widthError == std::errc() && x != end && *x == 'x';
  if (good) {
    auto [stop, heightError] = std::from_chars(x + 1, end, height);
    good = heightError == std::errc() && stop == end;
  }
  if (!good || width < 64 || width > 8192 || height < 64 || height > 8192)
    throw UsageError("--picture-size takes WIDTHxHEIGHT, each from 64 to 8192 pixels, not \"" +
                     quoteForMessage(value) + "\"");
  inv.pictureWidth = width;
  inv.pictureHeight = height;
}

// Returns false when --help or --version already answered.
bool parseArguments(std::span<const std::string> args, Invocation& inv, CliStreams& streams) {
  for (const std::string& arg : args) {
    if (!arg.starts_with("--")) {
      checkAction(arg);
      inv.actions.push_back(arg);
      continue;
    }
    if (arg == "--help") {
      const std::string text = usage();
      const std::string_view piece = text;
      streams.writeOut({&piece, 1});
      return false;
    }
    if (arg == "--version") {
      const std::string text = std::string(kProgram) + " " + KELVARO_VERSION + "\n";
      const std::string_view piece = text;
      streams.writeOut({&piece, 1});
      return false;
    }
    if (arg == "--progress") {
      inv.progress = true;
      continue;
    }
    if (arg == "--steps") {
      inv.steps = true;
      continue;
    }
    if (arg == "--accuracy") {
      inv.accuracy = true;
      continue;
    }
    const std::size_t equals = arg.find('=');
    if (equals == std::string::npos)
      throw UsageError("unknown option \"" + quoteForMessage(arg) + "\"");
    const std::string name = arg.substr(0, equals);
    const std::string value = arg.substr(equals + 1);
    if (name == "--decimal-separator") {
      if (!isUsableDecimalSeparator(value))
        throw UsageError(
            "--decimal-separator takes one character that is not a digit, a sign, "
            "e, E, i, I, a blank or a parenthesis, not \"" +
            quoteForMessage(value) + "\"");
      inv.decimalSeparator = value;
    } else if (name == "--accuracy-budget") {
      double seconds = 0;
      const char* end = value.data() + value.size();
      const auto [stop, error] = std::from_chars(value.data(), end, seconds);
      if (error != std::errc() || stop != end || !(seconds > 0 && seconds <= 86400))
        throw UsageError(
            "--accuracy-budget takes a number of seconds above 0, up to 86400, not \"" +
            quoteForMessage(value) + "\"");
      inv.accuracyBudget = seconds;
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
    } else if (name == "--clipboard") {
      inv.clipboardPath = value;
    } else if (name == "--threads") {
      inv.threads = threadCountOption(value);
    } else if (name == "--picture-size") {
      pictureSizeOption(value, inv);
    } else {
      throw UsageError("unknown option \"" + quoteForMessage(arg) + "\"");
    }
  }
  return true;
}

void readPaneSources(Invocation& inv, CliStreams& streams) {
  int fromStandardInput = 0;
  for (auto* source : {&inv.paneA, &inv.paneB, &inv.result}) {
    if (!*source) continue;
    if ((*source)->path == "-" && ++fromStandardInput > 1)
      throw UsageError("standard input can be read for one pane only");
    std::string reason;
    try {
      PaneLineSplitter splitter;
      if (streams.readPaneFile((*source)->path,
                               [&](std::string_view piece) { splitter.feed(piece); }, reason,
                               kMaxPaneFileBytes)) {
        (*source)->lines = splitter.finish();
        continue;
      }
    } catch (const std::bad_alloc&) {
      reason = "Out of memory";
    }
    throw UsageError("cannot read \"" + (*source)->path + "\": " + reason);
  }
  if (!inv.clipboardPath) return;
  if (*inv.clipboardPath == "-" && ++fromStandardInput > 1)
    throw UsageError("standard input can be read for one pane only");
  std::string reason;
  if (const std::uint64_t size = regularFileSize(*inv.clipboardPath); size <= kMaxPaneFileBytes)
    inv.clipboard.reserve(size);
  if (!streams.readPaneFile(
          *inv.clipboardPath, [&](std::string_view piece) { inv.clipboard.append(piece); }, reason,
          kMaxPaneFileBytes))
    throw UsageError("cannot read \"" + *inv.clipboardPath + "\": " + reason);
}

// Runs one step as the window would: an error ends that step only, in an "Error:" box
// (a CalcError carries the text the user sees).
template <typename Step>
void runGuarded(StderrInterface& ui, Step&& step) {
  try {
    step();
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

// With --accuracy: after a result of an operation whose printed entries can be checked, the
// line that says how far they are right, and an empty line.
void appendAccuracy(CalcState& state, const std::string& action, std::uint64_t resultsBefore,
                    double budget) {
  const CommandInfo* command = findCommandByAction(action);
  if (command == nullptr || state.exact || state.resultsWritten == resultsBefore) return;
  if (!isCheckedOperation(*command)) return;
  WorkToken work;
  const AccuracyCheck check = checkWithinBudget(state, *command, budget, work);
  state.result.add(accuracyLine(state, check));
  state.result.add(std::string());
}

// The printed panes as pieces of one write: each line and its LF, with a header line per
// pane when there are several. The pieces point into state, which must outlive them.
std::vector<std::string_view> printedPanes(const CalcState& state,
                                           const std::vector<PrintedPane>& panes) {
  std::vector<std::string_view> pieces;
  auto add = [&](std::string_view text) {
    if (!text.empty()) pieces.push_back(text);
    pieces.push_back("\n");
  };
  const bool headed = panes.size() > 1;
  for (const PrintedPane pane : panes) {
    switch (pane) {
      case PrintedPane::Clipboard:
        continue;
      case PrintedPane::X:
        if (headed) add("[x]");
        add(state.coefText);
        continue;
      case PrintedPane::Result:
        if (headed) add("[result]");
        break;
      case PrintedPane::A:
        if (headed) add("[a]");
        break;
      case PrintedPane::B:
        if (headed) add("[b]");
        break;
    }
    const Pane& shown = pane == PrintedPane::Result ? state.result
                        : pane == PrintedPane::A    ? state.paneA
                                                    : state.paneB;
    for (const auto& line : shown.lines()) add(line);
  }
  // The clipboard comes after the panes, a line at each LF (a final LF starts none).
  if (std::find(panes.begin(), panes.end(), PrintedPane::Clipboard) != panes.end()) {
    if (headed) add("[clipboard]");
    std::string_view text = state.clipboard;
    while (!text.empty()) {
      const std::size_t lf = std::min(text.find('\n'), text.size());
      add(text.substr(0, lf));
      text.remove_prefix(std::min(lf + 1, text.size()));
    }
  }
  return pieces;
}

int run(std::span<const std::string> args, CliStreams& streams) {
  Invocation inv;
  try {
    if (!parseArguments(args, inv, streams)) return 0;
    readPaneSources(inv, streams);
  } catch (const UsageError& e) {
    streams.writeErr(std::string(kProgram) + ": " + e.message() + "\nTry '" +
                     std::string(kProgram) + " --help' for more information.\n");
    return 2;
  }

  if (inv.threads > 0) setThreadCount(inv.threads);
  std::optional<ProgressStreams> progress;
  WorkToken work;
  if (inv.progress) progress.emplace(streams);
  StderrInterface ui(progress ? *progress : streams, inv.pictureWidth, inv.pictureHeight);
  CalcState state;
  FormCreate(state, inv.decimalSeparator ? *inv.decimalSeparator : environmentDecimalSeparator());
  if (inv.paneA) state.paneA.setLines(std::move(inv.paneA->lines));
  if (inv.paneB) state.paneB.setLines(std::move(inv.paneB->lines));
  if (inv.result) state.result.setLines(std::move(inv.result->lines));
  if (inv.x) state.coefText = *inv.x;
  if (inv.rows) state.rowText = *inv.rows;
  if (inv.columns) state.columnText = *inv.columns;
  if (inv.format) state.display = *inv.format;
  state.clipboard = std::move(inv.clipboard);
  state.showSteps = inv.steps;
  if (inv.precision) {
    state.precisionText = *inv.precision;
    runGuarded(ui, [&] { ComboBox1Change(state); });
  }

  if (progress) state.work = &work;
  for (const auto& action : inv.actions) {
    runGuarded(ui, [&] {
      std::jthread shown;
      if (progress) {
        work.beginSequence(0);  // no count left from the action before
        shown = progress->follow(action, work);
      }
      const std::uint64_t resultsBefore = state.resultsWritten;
      runAction(state, ui, action);
      if (inv.accuracy) appendAccuracy(state, action, resultsBefore, inv.accuracyBudget);
    });
  }
  state.work = nullptr;

  // Output that cannot be written is a failure, not a silent success.
  if (!streams.writeOut(printedPanes(state, inv.print))) {
    streams.writeErr(std::string(kProgram) +
                     ": cannot write standard output: " + std::strerror(errno) + "\n");
    return 1;
  }
  return ui.errorShown() ? 1 : 0;
}

}  // namespace

bool CliStreams::readPaneFile(const std::string& path,
                              const std::function<void(std::string_view)>& consume,
                              std::string& reason, std::uint64_t maxBytes) {
  return readFileInPieces(path, consume, reason, maxBytes);
}

// writev until every piece is out, however the kernel splits it.
bool ProcessStreams::writeOut(std::span<const std::string_view> pieces) {
  std::vector<iovec> vec;
  vec.reserve(pieces.size());
  for (const std::string_view piece : pieces)
    vec.push_back({const_cast<char*>(piece.data()), piece.size()});
  std::size_t first = 0;
  while (first < vec.size()) {
    const int count = static_cast<int>(std::min<std::size_t>(vec.size() - first, IOV_MAX));
    const ssize_t n = ::writev(STDOUT_FILENO, &vec[first], count);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    auto written = static_cast<std::size_t>(n);
    while (first < vec.size() && written >= vec[first].iov_len) {
      written -= vec[first].iov_len;
      ++first;
    }
    if (written > 0) {
      vec[first].iov_base = static_cast<char*>(vec[first].iov_base) + written;
      vec[first].iov_len -= written;
    }
  }
  return true;
}

void ProcessStreams::writeErr(std::string_view text) {
  writeAll(STDERR_FILENO, text);
}

int runCli(std::span<const std::string> args, CliStreams& streams) {
  // Actions report their own failures; this only catches what is left, such as the printed
  // panes not fitting in memory.
  try {
    return run(args, streams);
  } catch (const std::bad_alloc&) {
    streams.writeErr("kelvaro-cli: out of memory\n");
  } catch (const std::exception& e) {
    streams.writeErr(std::string("kelvaro-cli: ") + e.what() + "\n");
  }
  return 1;
}

}  // namespace kelvaro

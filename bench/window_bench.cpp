// The window on large matrices: pasting a 1000 x 1000 complex matrix (the paste re-aligns the
// pane), a key typed into one, an A+B on two of them clicked in the window, swapping them and
// undoing the swap, and the same A+B on the calculator state alone, which is what kelvaro-cli
// runs. Runs on Qt's offscreen platform unless another is chosen.

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolButton>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>

#include "commands/command_table.h"
#include "commands/shell_commands.h"
#include "shell/Unit1.h"
#include "shell/skin.h"

namespace {

constexpr int kSize = 1000;

// Rows of complex elements such as "-312.625+41.25i", as scripts/bench-cli.sh makes them.
std::string complexMatrixText(unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> re(0, 19999), im(0, 1999);
  std::string text;
  char cell[48];
  for (int r = 0; r < kSize; ++r) {
    for (int c = 0; c < kSize; ++c) {
      std::snprintf(cell, sizeof cell, "%s%.3f%+.2fi", c ? " " : "", re(random) / 8.0 - 1250,
                    im(random) / 4.0 - 250);
      text += cell;
    }
    text += '\n';
  }
  return text;
}

const std::string& matrixA() {
  static const std::string text = complexMatrixText(1);
  return text;
}
const std::string& matrixB() {
  static const std::string text = complexMatrixText(2);
  return text;
}

template <class T>
T* part(TForm1& form, const char* name) {
  T* w = form.findChild<T*>(name);
  if (!w) std::abort();
  return w;
}

// Commands run on a thread of their own: until the last has ended and been shown.
void settle(const TForm1& form) {
  while (form.busy()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  QApplication::processEvents();
}

// A window with both matrices pasted (and so aligned) into its operand panes.
std::unique_ptr<TForm1> windowWithMatrices() {
  auto form = std::make_unique<TForm1>();
  form->setMessageHook([](QMessageBox::Icon, const QString&, const QString& text) {
    std::fprintf(stderr, "message box: %s\n", qPrintable(text));
  });
  form->show();
  for (auto [pane, paste, text] : {std::tuple{"RichEdit1", "Paste1", &matrixA()},
                                   std::tuple{"RichEdit2", "MenuItem2", &matrixB()}}) {
    QApplication::clipboard()->setText(QString::fromLatin1(*text));
    part<QPlainTextEdit>(*form, pane)->selectAll();
    part<QAction>(*form, paste)->trigger();
    settle(*form);
  }
  return form;
}

void BM_WindowPaste1000x1000(benchmark::State& state) {
  TForm1 form;
  form.show();
  QApplication::clipboard()->setText(QString::fromLatin1(matrixA()));
  auto* pane = part<QPlainTextEdit>(form, "RichEdit1");
  auto* paste = part<QAction>(form, "Paste1");
  for (auto _ : state) {
    pane->selectAll();
    paste->trigger();
    settle(form);
  }
}
BENCHMARK(BM_WindowPaste1000x1000)->Unit(benchmark::kMillisecond)->UseRealTime();

// A digit typed in the middle of pane A holding a 1000 x 1000 matrix, and taken back with
// Backspace: what the person waits for at each key, the count of the header's size with it.
// Apart, so that callgrind can count it alone (--toggle-collect='*typeAndTakeBack*').
[[gnu::noinline]] void typeAndTakeBack(QPlainTextEdit* pane) {
  QKeyEvent digit(QEvent::KeyPress, Qt::Key_7, Qt::NoModifier, QStringLiteral("7"));
  QApplication::sendEvent(pane, &digit);
  QKeyEvent back(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
  QApplication::sendEvent(pane, &back);
  QApplication::processEvents();
}

void BM_WindowKeystroke1000x1000(benchmark::State& state) {
  auto form = windowWithMatrices();
  auto* pane = part<QPlainTextEdit>(*form, "RichEdit1");
  QTextCursor caret(pane->document()->findBlockByNumber(kSize / 2));
  caret.movePosition(QTextCursor::NextWord, QTextCursor::MoveAnchor, kSize / 2);
  pane->setTextCursor(caret);
  for (auto _ : state) typeAndTakeBack(pane);
}
BENCHMARK(BM_WindowKeystroke1000x1000)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Clicking A+B in the window: aligning both panes, the sum, and appending the 1000 result
// lines to the Result pane (emptied between runs, outside the timing).
void BM_WindowAddClick1000x1000(benchmark::State& state) {
  auto form = windowWithMatrices();
  auto* add = part<QToolButton>(*form, "SpeedButton13");
  auto* clearResult = part<QAction>(*form, "ClearResult1");
  for (auto _ : state) {
    add->click();
    settle(*form);
    state.PauseTiming();
    clearResult->trigger();
    settle(*form);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_WindowAddClick1000x1000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Swapping A and B: both panes rewritten whole in the window.
void BM_WindowSwap1000x1000(benchmark::State& state) {
  auto form = windowWithMatrices();
  auto* swap = part<QAction>(*form, "SWapAandB1");
  for (auto _ : state) {
    swap->trigger();
    settle(*form);
  }
}
BENCHMARK(BM_WindowSwap1000x1000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Ctrl+Z and Ctrl+Shift+Z in pane A after a swap: the whole pane back and forth.
void BM_WindowUndoSwap1000x1000(benchmark::State& state) {
  auto form = windowWithMatrices();
  part<QAction>(*form, "SWapAandB1")->trigger();
  settle(*form);
  auto* pane = part<QPlainTextEdit>(*form, "RichEdit1");
  for (auto _ : state) {
    pane->undo();
    pane->redo();
    QApplication::processEvents();
  }
}
BENCHMARK(BM_WindowUndoSwap1000x1000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same command without the window, on panes already aligned.
void BM_StateAdd1000x1000(benchmark::State& state) {
  kelvaro::CalcState calc;
  kelvaro::FormCreate(calc, ".");
  calc.paneA.clear();
  calc.paneA.addBlock(matrixA());
  calc.paneB.clear();
  calc.paneB.addBlock(matrixB());
  kelvaro::Refresh1Click(calc);
  kelvaro::Refresh2Click(calc);
  for (auto _ : state) {
    kelvaro::findCommandByAction("A+B")->run(calc);
    state.PauseTiming();
    calc.result.clear();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StateAdd1000x1000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  kelvaro::shell::setUpApplication();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

// A pane's control and its undo history, without the window.

#include <QPlainTextEdit>
#include <QTest>
#include <array>
#include <random>
#include <string>
#include <vector>

#include "numbers/pane.h"
#include "shell/pane_view.h"
#include "shell_tests.h"

class PaneViewTest : public QObject {
  Q_OBJECT

 private slots:
  void everyChangeIsShownAndUndoneInOneStep() {
    QPlainTextEdit edit;
    kelvaro::Pane pane;
    kelvaro::shell::PaneView view(&edit, &pane);
    // Few different lines, so that changes share their first and last lines.
    std::mt19937 random(13);
    const auto line = [&] { return std::string(std::array{"", "a", "xa", "xxb"}[random() % 4]); };
    for (int i = 0; i < 400; ++i) {
      const QString before = edit.toPlainText();
      switch (random() % 4) {
        case 0: {
          std::vector<std::string> lines(random() % 6);
          for (auto& l : lines) l = line();
          pane.setLines(std::move(lines));
          break;
        }
        case 1:
          pane.add(line());
          break;
        case 2:
          pane.appendToLast("=");
          break;
        default:
          if (!pane.empty()) pane.setLine(random() % pane.lineCount(), line());
      }
      const bool changed = view.push();
      const QString after = QString::fromLatin1(pane.text());
      QCOMPARE(edit.toPlainText(), after);
      QCOMPARE(changed, after != before);
      if (!changed) continue;
      edit.undo();
      QCOMPARE(edit.toPlainText(), before);
      edit.redo();
      QCOMPARE(edit.toPlainText(), after);
      view.pull();  // as every command does first
    }
  }

  void aCursorInReplacedTextGoesToTheStartOfTheNew() {
    QPlainTextEdit edit;
    kelvaro::Pane pane;
    kelvaro::shell::PaneView view(&edit, &pane);
    pane.setLines({"a", "bb", "c"});
    view.push();
    QTextCursor caret = edit.textCursor();
    caret.setPosition(3);  // within "bb"
    edit.setTextCursor(caret);
    pane.setLines({"a", "xx", "yy", "c"});
    view.push();
    QCOMPARE(edit.textCursor().position(), 2);
  }

  void historyDropsOlderStepsBeyondItsBound() {
    // Ten lines of 100 characters: each change keeps about 1010 for undoing.
    const auto steps = [](int changes) {
      QPlainTextEdit edit;
      kelvaro::Pane pane;
      kelvaro::shell::PaneView view(&edit, &pane, 2500);
      for (int i = 0; i < changes; ++i) {
        pane.setLines(std::vector<std::string>(10, std::string(100, char('a' + i))));
        view.push();
      }
      const QString last = edit.toPlainText();
      int undone = 0;
      for (; edit.document()->isUndoAvailable(); ++undone) edit.undo();
      return std::pair(undone, last);
    };
    QCOMPARE(steps(3).first, 3);
    // The fifth change finds more than the bound kept, and drops it; it stays undoable.
    const auto [undone, last] = steps(5);
    QCOMPARE(undone, 1);
    QVERIFY(last.startsWith(QString(100, 'e')));
  }
};

int runPaneViewTests(int argc, char** argv) {
  PaneViewTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "pane_view_test.moc"

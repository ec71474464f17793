// A pane's control and its undo history, without the window.

#include <QPlainTextEdit>
#include <QTest>
#include <array>
#include <random>
#include <string>
#include <vector>

#include "numbers/matrix_text.h"
#include "numbers/pane.h"
#include "shell/pane_size.h"
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

  void sizeFollowsEveryEditUndoAndRedo() {
    QPlainTextEdit edit;
    int told = 0;
    const kelvaro::shell::PaneSizeWatch watch(
        edit.document(), [&](const kelvaro::shell::PaneSizeWatch&) { ++told; });
    std::mt19937 random(5);
    const auto piece = [&] {
      return QString(std::array{"1", " ", "\n", "2 3", "\n4 5 6\n", "\"a b\"", "\t"}[random() % 7]);
    };
    int lastRows = -1, lastColumns = -1, changes = 0;
    for (int i = 0; i < 600; ++i) {
      QTextCursor cursor(edit.document());
      const int length = edit.document()->characterCount() - 1;
      cursor.setPosition(static_cast<int>(random() % (length + 1)));
      switch (random() % 6) {
        case 0:
          edit.undo();
          break;
        case 1:
          edit.redo();
          break;
        case 2:
          cursor.setPosition(static_cast<int>(random() % (length + 1)), QTextCursor::KeepAnchor);
          cursor.removeSelectedText();
          break;
        case 3:
          if (i % 40 == 0) edit.setPlainText(piece() + piece() + piece());
          break;
        default:
          cursor.insertText(piece() + (random() % 2 ? piece() : QString()));
      }
      kelvaro::Pane pane, warnings;
      pane.setLines(kelvaro::shell::PaneView::linesOf(edit.toPlainText()));
      const int rows = kelvaro::rowCount(pane), columns = kelvaro::columnCount(pane, warnings);
      QCOMPARE(watch.tally().rows(), rows);
      QCOMPARE(watch.tally().columns(), columns);
      if (rows != lastRows || columns != lastColumns) ++changes;
      lastRows = rows;
      lastColumns = columns;
    }
    // Told of the changes, not of every edit.
    QVERIFY(told >= changes && told < 600);
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

// The window as a person uses it: typing into the panes, clicking buttons, menus and
// shortcuts, and reading what the panes show afterwards.

#include <QAbstractItemView>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QComboBox>
#include <QCompleter>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>
#include <QXYSeries>
#include <chrono>
#include <csignal>
#include <memory>
#include <string_view>
#include <thread>
#include <tuple>

#include "commands/project_file.h"
#include "commands/shell_actions.h"
#include "commands/shell_commands.h"
#include "shell/MyImgBtn.h"
#include "shell/Unit1.h"
#include "shell/end_signals.h"
#include "shell/form_splitter.h"
#include "shell/operation_panel.h"
#include "shell/picture_window.h"
#include "shell/skin.h"
#include "shell/skinned_frame.h"
#include "shell/state_keeper.h"
#include "shell_tests.h"
#include "tests/support/calculator.h"
#include "tests/support/one_byte_reader.h"

namespace {

struct Message {
  QMessageBox::Icon icon;
  QString title, text;
  QString resultShown;  // the Result pane while the box was up
};

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TForm1> form;
  std::vector<Message> messages;
  std::vector<QUrl> opened;
  QStringList asked;  // the questions put, each answered with `answer`
  bool answer = true;

  // Commands run on their own thread: the window is looked at once the last has ended.
  void settle() {
    for (QDeadlineTimer limit(60000); form->busy() && !limit.hasExpired();) QTest::qWait(1);
    if (form->busy()) qFatal("a command did not end");
  }
  const std::vector<Message>& shown() {
    settle();
    return messages;
  }
  // A part as it is now, while a command may still run.
  template <class T>
  T* now(const char* name) {
    T* w = form->findChild<T*>(name);
    if (!w) qFatal("no %s in the window", name);
    return w;
  }
  template <class T>
  T* part(const char* name) {
    settle();
    return now<T>(name);
  }
  // A symmetric n x n matrix with a heavy diagonal (every long command takes it), as pane text
  // with single blanks, so that aligning would change it.
  static QString bigMatrix(int n) {
    QStringList rows;
    for (int i = 0; i < n; ++i) {
      QStringList row;
      for (int j = 0; j < n; ++j)
        row << (i == j ? QString::number(n) : QString::number(((i * j + i + j) % 19 - 9) / 10.0));
      rows << row.join(' ');
    }
    return rows.join('\n');
  }
  // Starts a command with its button or menu item, and waits until its routine has taken its
  // first steps: false when it ended before that.
  bool started(const char* name) {
    if (auto* button = form->findChild<QToolButton*>(name))
      button->click();
    else
      now<QAction>(name)->trigger();
    const kelvaro::WorkToken& token = form->commandToken();
    while (form->busy() && token.done() == 0) QTest::qWait(1);
    return form->busy();
  }
  // What a cancel must leave as it was.
  QStringList everything() {
    QStringList all;
    for (int i = 0; i < 3; ++i) all << form->pane(i)->toPlainText();
    for (const char* field : {"LabeledEdit1", "LabeledEdit2", "LabeledEdit3"})
      all << now<QLineEdit>(field)->text();
    all << now<QComboBox>("ComboBox1")->currentText()
        << QString::number(now<QRadioButton>("RadioGroup1Item1")->isChecked());
    return all;
  }
  QPlainTextEdit* pane(const char* name) { return part<QPlainTextEdit>(name); }
  QString text(const char* name) { return pane(name)->toPlainText(); }
  void type(const char* name, const QString& content) {
    QPlainTextEdit* edit = pane(name);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    const QStringList lines = content.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
      if (i) QTest::keyClick(edit, Qt::Key_Return);
      QTest::keyClicks(edit, lines[i]);
    }
  }
  void click(const char* button) { QTest::mouseClick(part<QToolButton>(button), Qt::LeftButton); }
  QLabel* title() { return part<QLabel>("Image1"); }
  // Two visible widgets side by side that cover each other, anywhere in w ("" if none). The
  // skin's backdrops lie behind the others, and the title buttons' pictures meet edge to edge.
  static QString overlapIn(QWidget* w) {
    QList<QWidget*> shown;
    for (QObject* child : w->children()) {
      auto* c = qobject_cast<QWidget*>(child);
      if (c && c->isVisible() && !c->isWindow() && !dynamic_cast<kelvaro::shell::Backdrop*>(c))
        shown << c;
    }
    for (qsizetype i = 0; i < shown.size(); ++i) {
      for (qsizetype j = i + 1; j < shown.size(); ++j) {
        const QRect a = shown[i]->geometry() & w->rect(), b = shown[j]->geometry() & w->rect();
        const bool images = qobject_cast<TImgBtn*>(shown[i]) && qobject_cast<TImgBtn*>(shown[j]);
        if (a.intersects(b) && !images) {
          QString both;
          QDebug(&both) << shown[i] << shown[j];
          return both;
        }
      }
      if (const QString inner = overlapIn(shown[i]); !inner.isEmpty()) return inner;
    }
    return {};
  }
  // Press at `from`, move the pointer by `by` and release there.
  static void drag(QWidget* w, QPoint from, QPoint by) {
    QTest::mousePress(w, Qt::LeftButton, {}, from);
    QTest::mouseMove(w, from + by);
    QTest::mouseRelease(w, Qt::LeftButton, {}, from + by);
  }
  void trigger(const char* action) { part<QAction>(action)->trigger(); }
  QString status() { return part<QLabel>("StatusText")->text(); }
  static QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  QString clipboard() {
    settle();
    return QApplication::clipboard()->text();
  }

  // The window as screen readers see it (window_tree.py reads the same over AT-SPI).
  QAccessibleInterface* accessible(const char* name) {
    return QAccessible::queryAccessibleInterface(name == form->objectName() ? form.get()
                                                                            : part<QObject>(name));
  }
  // Presses as a screen reader does; what the status bar says once the command has ended.
  QString press(QAccessibleInterface* control) {
    control->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    return accessible("Image2")->text(QAccessible::Name);
  }

 private slots:
  void init() {
    form = std::make_unique<TForm1>();
    messages.clear();
    opened.clear();
    form->setMessageHook([this](QMessageBox::Icon icon, const QString& title, const QString& text) {
      messages.push_back({icon, title, text, this->text("RichEdit3")});
    });
    form->setUrlHook([this](const QUrl& url) { opened.push_back(url); });
    asked.clear();
    answer = true;
    form->setQuestionHook([this](const QString& question) {
      asked << question;
      return answer;
    });
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
  }

  void cleanup() {
    for (QMenu* m : form->findChildren<QMenu*>()) m->hide();
    form.reset();
  }

  void everyOperationRunsItsOwnCommand() {
    // What each button, or item of the Operations menu, leaves in the panes is what its
    // command of the calculator writes.
    for (const auto& command : kelvaro::commandTable()) {
      kelvaro::CalcState expected = form->calcState();
      command.run(expected);
      if (command.cell.onPanel()) {  // a button, and no menu item
        QVERIFY(!form->findChild<QAction*>(command.button));
        click(command.button);
      } else {  // an item of the Operations menu, and no button
        QVERIFY(!form->findChild<QToolButton*>(command.button));
        QVERIFY(part<QMenu>("OperationsMenu")->actions().contains(part<QAction>(command.button)));
        trigger(command.button);
      }
      settle();
      const kelvaro::Pane* panes[3] = {&expected.paneA, &expected.paneB, &expected.result};
      for (int i = 0; i < 3; ++i) {
        QStringList lines;
        for (const std::string& line : panes[i]->lines()) lines << QString::fromLatin1(line);
        QCOMPARE(form->pane(i)->toPlainText(), lines.join('\n'));
      }
    }
    QVERIFY(shown().empty());
  }

  void menuItemsRunTheirOwnCommands() {
    // What each item leaves in the panes and fields, and the boxes it shows, are its command's.
    struct Boxes : kelvaro::UserInterface {
      QStringList texts;
      void showNote(const std::string& text) override { texts << QString::fromLatin1(text); }
      void showWarning(const std::string& text) override { texts << QString::fromLatin1(text); }
    };
    click("SpeedButton11");  // a labelled result, which the swaps refuse with a note
    const std::pair<const char*, const char*> items[] = {
        {"Refresh1", "align-a"},
        {"RefreshB2", "align-b"},
        {"Align1", "align-result"},
        {"RecttoPolar1", "rect-to-polar-a"},
        {"PolarToRect1", "polar-to-rect-a"},
        {"RecttoPolar2", "rect-to-polar-b"},
        {"PolarToRect2", "polar-to-rect-b"},
        {"commatodot1", "comma-to-dot"},
        {"dottocomma1", "dot-to-comma"},
        {"SwapBandResult1", "swap-b-result"},
        {"SwapAandResult1", "swap-a-result"},
        {"ClearResult1", "clear-result"},
        {"SwapAandResult1", "swap-a-result"},
        {"SWapAandB1", "swap-ab"},
        {"RadioGroup1Item1", "format=polar"},
        {"Clear3", "clear-a"},
        {"MenuItem4", "clear-b"},
        {"Clear4", "clear-result"},
    };
    for (const auto& [item, action] : items) {
      settle();
      kelvaro::CalcState expected = form->calcState();
      Boxes boxes;
      std::string_view argument;
      kelvaro::findShellAction(action, argument)->run(expected, boxes, {});
      const std::size_t before = messages.size();
      if (std::string_view(item) == "RadioGroup1Item1")
        QTest::mouseClick(now<QRadioButton>(item), Qt::LeftButton);
      else
        trigger(item);
      QStringList texts;
      for (std::size_t i = before; i < shown().size(); ++i) texts << messages[i].text;
      QCOMPARE(texts, boxes.texts);
      const kelvaro::Pane* panes[3] = {&expected.paneA, &expected.paneB, &expected.result};
      for (int i = 0; i < 3; ++i)
        QCOMPARE(form->pane(i)->toPlainText(), QString::fromLatin1(panes[i]->text()));
      QCOMPARE(now<QLineEdit>("LabeledEdit1")->text(), QString::fromLatin1(expected.coefText));
    }
  }

  void sumOfTypedMatricesIsAppended() {
    type("RichEdit1", "1 2\n3 4");
    type("RichEdit2", "10 20\n30 40");
    click("SpeedButton13");
    QCOMPARE(text("RichEdit3"), QString("A+B=\n         11         22\n         33         44\n"));
    // The strip says how far an inverse can be trusted and, once checked, how many printed
    // entries are right; a click on it lists those that are not. Nothing after a sum.
    click("SpeedButton18");
    QTRY_COMPARE(status(), QString("cond(A) = 2.1E+01: up to 1 of the 16 significant digits may "
                                   "be lost; all 4 printed entries are correct"));
    type("RichEdit1", "1 2\n3 6.0000001");
    click("SpeedButton18");
    QTRY_VERIFY(status().contains("4 of 4 printed entries differ"));
    const std::size_t boxes = shown().size();
    QTest::mouseClick(part<QWidget>("Image2"), Qt::LeftButton, {},
                      part<QLabel>("StatusText")->geometry().center());
    QCOMPARE(shown().size(), boxes + 1);
    QVERIFY(
        shown().back().text.startsWith("row 1, column 1: printed 60000000.631, true 60000001\n"));
    messages.clear();
    click("SpeedButton13");
    QCOMPARE(status(), QString());
    // Eigenvalues are checked against enclosures; a defective matrix's are not certified.
    type("RichEdit1", "4 1 0\n1 4 1\n0 1 4");
    click("SpeedButton33");
    QTRY_COMPARE(status(), QString("all 3 printed entries are correct"));
    type("RichEdit1", "2 1\n0 2");
    click("SpeedButton33");
    QTRY_COMPARE(status(),
                 QString("not certified: the eigenvalues are multiple or too close to tell apart"));
    type("RichEdit1", "1 2\n3 4");
    // A second result goes below the first without rebuilding what is there: a mark on the
    // first line survives.
    pane("RichEdit3")->document()->firstBlock().setUserState(42);
    click("SpeedButton9");
    QCOMPARE(pane("RichEdit3")->document()->firstBlock().userState(), 42);
    QVERIFY(text("RichEdit3").endsWith("A-B=\n         -9        -18\n        -27        -36\n"));
    // Many results later the newest is in view.
    for (int i = 0; i < 30; ++i) click("SpeedButton13");
    QScrollBar* bar = pane("RichEdit3")->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());
    QVERIFY(shown().empty());
  }

  void conversionErrorShowsAMessageBox() {
    type("RichEdit1", "1 x");
    click("SpeedButton11");
    QCOMPARE(shown().size(), std::size_t(1));
    QCOMPARE(shown()[0].icon, QMessageBox::Critical);
    QVERIFY2(shown()[0].text.contains("x"), qPrintable(shown()[0].text));
    // The bare label is already on view behind the box, and stays without "=".
    QCOMPARE(shown()[0].resultShown, QString("A"));
    QCOMPARE(text("RichEdit3"), QString("A"));
  }

  void undoAndRedoEveryChangeOfAPane() {
    const auto undo = [this](const char* name) {
      QTest::keyClick(pane(name), Qt::Key_Z, Qt::ControlModifier);
    };
    const auto redo = [this](const char* name) {
      QTest::keyClick(pane(name), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    };
    type("RichEdit1", "7 8");
    click("SpeedButton45");  // Fill A
    const QString filled = text("RichEdit1");
    QVERIFY(filled.startsWith(" 1 "));
    undo("RichEdit1");
    QCOMPARE(text("RichEdit1"), QString("7 8"));
    redo("RichEdit1");
    QCOMPARE(text("RichEdit1"), filled);
    undo("RichEdit1");
    // The next command takes the pane as the undo left it.
    click("SpeedButton11");
    const QString result("A=\n          7          8\n");
    QCOMPARE(text("RichEdit3"), result);
    undo("RichEdit3");
    QCOMPARE(text("RichEdit3"), QString());
    redo("RichEdit3");
    QCOMPARE(text("RichEdit3"), result);
    // A swap is one step in each pane.
    const QString b = text("RichEdit2");
    trigger("SWapAandB1");
    undo("RichEdit2");
    QCOMPARE(text("RichEdit2"), b);
    undo("RichEdit1");
    QCOMPARE(text("RichEdit1"), QString("7  8  "));
    // A paste from the menu and the alignment after it are one step.
    QApplication::clipboard()->setText("1 22\n333 4");
    pane("RichEdit2")->selectAll();
    trigger("MenuItem2");
    QCOMPARE(text("RichEdit2"), QString("1    22   \n333  4    "));
    undo("RichEdit2");
    QCOMPARE(text("RichEdit2"), b);
    QVERIFY(shown().empty());
  }

  void panesTellTheSizeOfTheirMatrix() {
    const auto size = [this](const char* label) {
      auto* l = part<QLabel>(label);
      return l->isVisible() ? l->text() : QString();
    };
    QCOMPARE(size("SizeOfA"), QString("3x3"));
    QCOMPARE(size("SizeOfResult"), QString());
    type("RichEdit1", "1 2 3 4\n\n5 6 7 \"8 9\"");
    QCOMPARE(size("SizeOfA"), QString("2x4"));
    type("RichEdit2", "1 2\n3");
    QCOMPARE(size("SizeOfB"), QString("2x2, incomplete"));
    QTest::keyClicks(pane("RichEdit2"), " 4");
    QCOMPARE(size("SizeOfB"), QString("2x2"));
    // The pane keeps its name for screen readers, who hear the size as the strip says sizes.
    QCOMPARE(accessible("RichEdit1")->text(QAccessible::Name), QString("Matrix A"));
    QCOMPARE(accessible("SizeOfA")->text(QAccessible::Name), QString("2 by 4"));
    click("SpeedButton39");  // A*B: 2x4 times 2x2 fails and prints no result
    QCOMPARE(size("SizeOfResult"), QString());
    type("RichEdit1", "4 0\n0 2");
    click("SpeedButton18");  // inv(A)
    QCOMPARE(size("SizeOfResult"), QString("2x2"));
    click("SpeedButton29");  // LU(A)
    QCOMPARE(size("SizeOfResult"), QString("L 2x2  U 2x2"));
    // Undo and redo go back and forth through the results; a new edit forgets those undone.
    QTest::keyClick(pane("RichEdit3"), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(size("SizeOfResult"), QString("2x2"));
    QTest::keyClick(pane("RichEdit3"), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(size("SizeOfResult"), QString("L 2x2  U 2x2"));
    trigger("ClearResult1");
    QCOMPARE(size("SizeOfResult"), QString());
    QTest::keyClick(pane("RichEdit3"), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(pane("RichEdit3"), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClicks(pane("RichEdit3"), "x");
    QTest::keyClick(pane("RichEdit3"), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(size("SizeOfResult"), QString("2x2"));
  }

  void paneMenusUndoAndRedoAndTheStripForgetsWhatWasUndone() {
    QStringList first;
    for (QAction* a : part<QMenu>("PopupMenu3")->actions().mid(0, 4)) first << a->objectName();
    QCOMPARE(first, QStringList({"UndoResult", "RedoResult", "", "Align1"}));
    const auto step = [this](const char* menu, const char* item) {
      QMenu* m = part<QMenu>(menu);
      emit m->aboutToShow();
      QAction* action = now<QAction>(item);
      const bool on = action->isEnabled();
      if (on) action->trigger();
      return on;
    };
    QVERIFY(!step("PopupMenu3", "UndoResult"));
    click("SpeedButton18");  // inv(A): a note on its condition
    const QString result = text("RichEdit3");
    QVERIFY(!status().isEmpty());
    QVERIFY(step("PopupMenu3", "UndoResult"));
    QCOMPARE(text("RichEdit3"), QString());
    QCOMPARE(status(), QString());
    QVERIFY(step("PopupMenu3", "RedoResult"));
    QCOMPARE(text("RichEdit3"), result);
    QVERIFY(!step("PopupMenu3", "RedoResult"));
    // Only undoing what the command changed takes its note away.
    trigger("CopyMatrixAsA_octave");
    const QString b = text("RichEdit2");
    QTest::keyClicks(pane("RichEdit2"), "x");
    QVERIFY(step("PopupMenu2", "UndoB"));
    QCOMPARE(status(), QString("Copied A as Octave"));
    QCOMPARE(text("RichEdit2"), b);
  }

  void copyAsPutsTheFormatOnTheClipboard() {
    trigger("CopyMatrixAsA_octave");
    QCOMPARE(clipboard(), QString("[1 0 3+2.5i; 0 1 0; 0 0 1.5]\n"));
    QCOMPARE(status(), QString("Copied A as Octave"));
    // The last result, not the pane's text, and at full precision once that is checked (in
    // any of the three menus).
    click("SpeedButton38");  // inv(B)
    pane("RichEdit3")->clear();
    trigger("FullPrecision");
    trigger("CopyResultAs_tsv");
    QVERIFY2(clipboard().startsWith("1+5.551115123125783e-17i\t"), qPrintable(clipboard()));
    QCOMPARE(status(), QString("Copied the result as TSV (full precision)"));
    // A failed copy leaves the clipboard as it was.
    QApplication::clipboard()->setText("kept");
    type("RichEdit2", "");
    trigger("CopyMatrixAsB_csv");
    QCOMPARE(shown().size(), std::size_t(1));
    QCOMPARE(clipboard(), QString("kept"));
    QCOMPARE(status(), QString());
  }

  void pasteMatrixRecognisesTheClipboardOrRefusesIt() {
    QApplication::clipboard()->setText(QChar(0xFEFF) + QString("np.array([[1, 2.5], [3, 4]])"));
    QTest::keyClick(pane("RichEdit1"), Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(text("RichEdit1"), QString("1    2.5  \n3    4    "));
    QCOMPARE(status(), QString("Pasted 2x2 from NumPy"));
    // Rows of different lengths: the box names the row, and the pane stays.
    QApplication::clipboard()->setText("1\t2\n3");
    trigger("PasteMatrixB");
    QCOMPARE(shown().size(), std::size_t(1));
    QVERIFY2(shown()[0].text.contains("row 2"), qPrintable(shown()[0].text));
    QCOMPARE(text("RichEdit2"), QString("1 0 3-2.5i\n0 1 0\n0 0 1.5"));
    QCOMPARE(status(), QString());
    // A refusal of a huge text quotes a short piece of it: the box is up at once.
    for (const QString& huge :
         {QString("[1];").repeated(1 << 20), QString(1 << 20, 'a') + " = [1]; [2]"}) {
      QApplication::clipboard()->setText(huge);
      trigger("PasteMatrixB");
      QVERIFY2(shown().back().text.size() < 200, qPrintable(shown().back().text.left(300)));
    }
    // Ctrl+V pastes the text as it is.
    QApplication::clipboard()->setText("5 6");
    pane("RichEdit2")->selectAll();
    QTest::keyClick(pane("RichEdit2"), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(text("RichEdit2"), QString("5 6"));
  }

  void pictureFollowsItsPaneAndTheNextResult() {
    type("RichEdit1", "1 0 0 0\n0 -1 0 0\n0 0 0 -1\n0 0 1 0");
    trigger("PictureA");
    kelvaro::shell::PictureWindow* view = form->pictureWindow();
    QVERIFY(view && view->isVisible());
    kelvaro::shell::HeatMapView& heat = view->heatMap();
    QTRY_VERIFY(heat.current() && heat.matrix()->rows() == 4);
    // Each entry's cell: 1 red, -1 blue, zero white; the pointer's entry in the strip.
    const QImage& image = heat.image();
    const auto cell = [&](int r, int c) {
      return image.pixelColor((2 * c + 1) * image.width() / 8, (2 * r + 1) * image.height() / 8);
    };
    QVERIFY(cell(0, 1) == Qt::white && cell(2, 2) == Qt::white);
    QVERIFY(cell(0, 0).red() > cell(0, 0).blue() && cell(1, 1).blue() > cell(1, 1).red());
    const QRect plot = kelvaro::drawing::layoutPicture(heat.rect(), heat.font(), false).plot;
    const QPoint entry32(plot.x() + 5 * plot.width() / 8, plot.y() + 7 * plot.height() / 8);
    const auto mouse = [&](QEvent::Type type, QPoint at, Qt::MouseButtons held = {}) {
      QMouseEvent event(type, at, heat.mapToGlobal(at), Qt::LeftButton, held, {});
      QApplication::sendEvent(&heat, &event);
      return view->readoutText();
    };
    const auto hover = [&](QPoint at) { return mouse(QEvent::MouseMove, at); };
    QCOMPARE(hover(entry32), QString("Row 4, column 3: 1"));
    // The wheel zooms in about the pointer; a drag pans; Whole Matrix shows all again.
    QWheelEvent wheel(entry32, heat.mapToGlobal(entry32), {}, {0, 360}, Qt::NoButton, {},
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&heat, &wheel);
    QVERIFY(heat.view().cols < 2.1 && heat.view().rows < 2.1);
    QCOMPARE(hover(entry32 + QPoint(1, 1)), QString("Row 4, column 3: 1"));
    mouse(QEvent::MouseButtonPress, entry32, Qt::LeftButton);  // to the right and top edges
    mouse(QEvent::MouseMove, entry32 + QPoint(-plot.width(), plot.height()), Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, entry32 + QPoint(-plot.width(), plot.height()));
    QVERIFY(heat.view().left == 4 - heat.view().cols && heat.view().top == 0.0);
    view->findChild<QPushButton*>("PictureWhole")->click();
    QCOMPARE(heat.view().cols, 4.0);
    // It follows the pane's edits, then, opened on the result, each new result.
    type("RichEdit1", "5 6");
    QTRY_VERIFY(heat.matrix()->cols() == 2 && heat.current());
    type("RichEdit1", "1 0 0 0\n0 -1 0 0\n0 0 0 -1\n0 0 1 0");
    click("SpeedButton33");  // Eig(A)
    trigger("PictureOfResult");
    QTRY_VERIFY(heat.current() && heat.title() == "Eig(A): eigenvalues");
    QCOMPARE(view->tabs().count(), 2);
    // The eigenvalues 1, -1, i and -i where they lie, one unit as long across as up.
    QChart* chart = view->eigenChart()->chart();
    view->tabs().setCurrentIndex(1);
    QTRY_VERIFY(chart->plotArea().width() > 50);
    const auto at = [&](double re, double im) {
      return chart->mapToPosition({re, im}, chart->series()[0]);
    };
    const QPointF one = at(1, 0), minusOne = at(-1, 0), i = at(0, 1), origin = at(0, 0);
    QCOMPARE(one.y(), minusOne.y());
    QVERIFY(one.x() > origin.x() && i.y() < origin.y());
    QVERIFY(std::abs((one.x() - origin.x()) - (origin.y() - i.y())) < 0.5);
    QCOMPARE(static_cast<QXYSeries*>(chart->series()[0])->count(), 4);
    click("SpeedButton41");  // Svd(A): the next result, and its singular values
    QTRY_VERIFY(heat.title() == "Svd(A): U" && view->tabs().count() == 2);
    QCOMPARE(view->tabs().tabText(1), QString("Singular values"));
    // Kept as a file and on the clipboard.
    QTemporaryDir dir;
    form->setSaveFileHook([&](const QString&, const QString&) { return dir.filePath("p.svg"); });
    view->findChild<QPushButton*>("PictureSave")->click();
    QFile svg(dir.filePath("p.svg"));
    QVERIFY(svg.open(QIODevice::ReadOnly) && svg.readAll().contains("<svg"));
    view->findChild<QPushButton*>("PictureCopy")->click();
    QCOMPARE(QApplication::clipboard()->image().size(), view->tabs().currentWidget()->size());
    QVERIFY(shown().empty());
  }

  void useResultPutsTheResultOrAPartIntoAPane() {
    auto* menu = part<QMenu>("PopupMenu3");
    menu->popup(QPoint(0, 0));  // before any result
    QVERIFY(!part<QAction>("UseResultAsA")->isEnabled());
    menu->hide();
    click("SpeedButton29");  // LU(A): its parts instead
    settle();
    menu->popup(QPoint(0, 0));
    QVERIFY(!part<QAction>("UseResultAsB")->isVisible());
    trigger("UseResultPartAsB_U");
    QCOMPARE(text("RichEdit2"), QString("1       0       3+2.5i  \n0       1       0       \n"
                                        "0       0       1.5     "));
    QCOMPARE(status(), QString("Used the result's U as B (3x3)"));
    menu->hide();
    type("RichEdit1", "0.1 0.2");
    click("SpeedButton11");
    settle();
    menu->popup(QPoint(0, 0));
    QVERIFY(!part<QMenu>("UseResultPartAsA")->menuAction()->isVisible());
    trigger("UseResultAsB");
    QCOMPARE(text("RichEdit2"), QString("0.1  0.2  "));
    QVERIFY(shown().empty());
  }

  void droppedFilesOpenOrPaste() {
    QTemporaryDir dir;
    const QString csv = dir.filePath("m.csv"), project = dir.filePath("p.MTX");
    QFile file(csv);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("1,2\n3,4.5\n");
    file.close();
    kelvaro::CalcState saved;
    saved.paneA.setLines({"7 8"});
    kelvaro::Save3Click(saved, QFile::encodeName(project).toStdString());
    // What a drop on w carries and whether w takes it.
    const auto drop = [](QWidget* w, const QString& path) {
      QMimeData data;
      data.setUrls({QUrl::fromLocalFile(path)});
      QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
      QApplication::sendEvent(w, &enter);
      if (!enter.isAccepted()) return false;
      QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
      QApplication::sendEvent(w, &dropped);
      return true;
    };
    QApplication::clipboard()->setText("kept");
    QVERIFY(drop(pane("RichEdit1")->viewport(), csv));
    QTRY_COMPARE(text("RichEdit1"), QString("1    2    \n3    4.5  "));
    QVERIFY(drop(pane("RichEdit2")->viewport(), csv));
    QTRY_COMPARE(text("RichEdit2"), QString("1    2    \n3    4.5  "));
    QCOMPARE(status(), QString("Pasted 2x2 from CSV"));
    QCOMPARE(clipboard(), QString("kept"));
    QCOMPARE(form->calcState().clipboard, std::string());
    // A text file is for the operand panes only.
    QVERIFY(!drop(pane("RichEdit3")->viewport(), csv));
    QVERIFY(!drop(part<QWidget>("Panel3"), csv));
    // A project opens wherever it is dropped.
    QVERIFY(drop(part<QWidget>("Panel3"), project));
    QTRY_COMPARE(text("RichEdit1"), QString(" 7 8\n"));
    QCOMPARE(text("RichEdit2"), QString("1    2    \n3    4.5  "));
    // A file that cannot be read is a box; nothing changes.
    QVERIFY(drop(pane("RichEdit1")->viewport(), dir.filePath("none.txt")));
    QTRY_COMPARE(shown().size(), std::size_t(1));
    QVERIFY2(shown()[0].text.startsWith("Cannot read"), qPrintable(shown()[0].text));
    QCOMPARE(text("RichEdit1"), QString(" 7 8\n"));
  }

  void clearButtonAndF8OnlyOpenTheClearMenu() {
    auto* menu = part<QMenu>("PopupMenu4");
    click("SpeedButton4");
    QVERIFY(menu->isVisible());
    auto* arrow = part<QToolButton>("SpeedButton48");
    QCOMPARE(menu->pos(), arrow->mapToGlobal(QPoint(0, arrow->height())));
    menu->hide();
    QTest::keyClick(form.get(), Qt::Key_F8);
    QVERIFY(menu->isVisible());
    menu->hide();
    QVERIFY(!text("RichEdit1").isEmpty() && !text("RichEdit2").isEmpty());
    // The align button drops down the align menu the same way.
    click("SpeedButton54");
    QVERIFY(part<QMenu>("PopupMenu5")->isVisible());
  }

  void saveResultWritesThePaneThroughTheDialog() {
    QTemporaryDir dir;
    QString filter, suffix;
    form->setSaveFileHook([&](const QString& f, const QString& s) {
      filter = f;
      suffix = s;
      return dir.filePath(QFileInfo::exists(dir.filePath("out.txt")) ? "chosen" : "out");
    });
    type("RichEdit3", "line 1\nline 2");
    QTest::keyClick(form.get(), Qt::Key_F3);
    QVERIFY2(shown().empty(), shown().empty() ? "" : qPrintable(shown()[0].text));
    QCOMPARE(filter, QString("Text File(*.txt);;Rtf File(*.rtf);;All File(*.*)"));
    QCOMPARE(suffix, QString("txt"));
    QFile saved(dir.filePath("out.txt"));  // the default extension is added
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("line 1\nline 2\n"));
    // ... to a new name only: what is there already is what was chosen (a device, a FIFO).
    QVERIFY(QFile::link(dir.filePath("out.txt"), dir.filePath("chosen")));
    trigger("Save2");
    QVERIFY(QFileInfo(dir.filePath("chosen")).isSymLink());
    QVERIFY(!QFileInfo::exists(dir.filePath("chosen.txt")));
    // A path that cannot be written is an error box; the pane stays.
    form->setSaveFileHook(
        [&](const QString&, const QString&) { return dir.filePath("no/such.txt"); });
    trigger("Save2");
    QCOMPARE(shown().size(), std::size_t(1));
    QVERIFY(shown()[0].text.startsWith("Cannot create file"));
    QCOMPARE(text("RichEdit3"), QString("line 1\nline 2"));
    // So is a FIFO whose reader goes after one byte: the window goes on, the panes stay.
    const kelvaro::test_support::OneByteReader reader(
        QFile::encodeName(dir.filePath("fifo")).toStdString());
    form->setSaveFileHook([&](const QString&, const QString&) { return dir.filePath("fifo"); });
    pane("RichEdit3")->setPlainText(QString(1 << 20, '7'));  // more than a pipe holds
    QTest::keyClick(form.get(), Qt::Key_F3);
    QCOMPARE(shown().size(), std::size_t(2));
    QVERIFY2(shown()[1].text.endsWith("Broken pipe"), qPrintable(shown()[1].text));
    QCOMPARE(text("RichEdit3"), QString(1 << 20, '7'));
    // Cancelling the dialog does nothing.
    form->setSaveFileHook([](const QString&, const QString&) { return QString(); });
    trigger("Save1");
    QCOMPARE(shown().size(), std::size_t(2));
    // Saving over a file asks first: the dialog for the name it is given, a question here for
    // the name with the extension added. No leaves the file as it was.
    QVERIFY(!part<QFileDialog>("SaveDialog1")->testOption(QFileDialog::DontConfirmOverwrite));
    form->setSaveFileHook([&](const QString&, const QString&) { return dir.filePath("out"); });
    for (const bool yes : {false, true}) {
      answer = yes;
      type("RichEdit3", "new");
      trigger("Save2");
      settle();
      QCOMPARE(contentOf(dir.filePath("out.txt")), QByteArray(yes ? "new\n" : "line 1\nline 2\n"));
    }
    QCOMPARE(asked, QStringList(2, "out.txt already exists.\nDo you want to replace it?"));
  }

  void keptStateReadsWholeOrNotAtAll() {
    kelvaro::shell::KeptState kept;
    kept.panes[0] = "1 2\r\n\xe9 end 5\n\n";
    kept.panes[2] = "result 0\nend 00";
    kept.precision = "e";
    kept.polar = true;
    kept.x = -40, kept.y = 7, kept.width = 700, kept.height = 500, kept.maximized = true;
    for (int i = 0; i < 10; ++i)
      kelvaro::shell::rememberProject(kept.recent, "/p/" + std::to_string(i % 9));
    kelvaro::shell::rememberProject(kept.recent, "/p/3");
    QCOMPARE(kept.recent.size(), std::size_t(8));
    QCOMPARE(kept.recent[0] + kept.recent[1] + kept.recent[7], std::string("/p/3/p/0/p/2"));
    const std::string text = kelvaro::shell::writeKeptState(kept);
    const auto back = kelvaro::shell::readKeptState(text);
    QVERIFY(back && kelvaro::shell::writeKeptState(*back) == text);
    QVERIFY(back->panes[0] == kept.panes[0] && back->panes[2] == kept.panes[2] && back->polar &&
            back->maximized && back->x == -40 && back->height == 500 &&
            back->recent == kept.recent);
    // Cut anywhere, or any byte changed, it is refused.
    for (std::size_t size = 0; size < text.size(); ++size)
      QVERIFY2(!kelvaro::shell::readKeptState(std::string_view(text).substr(0, size)),
               qPrintable(QString::number(size)));
    for (std::size_t at = 0; at < text.size(); ++at) {
      std::string changed = text;
      changed[at] ^= 0x10;
      QVERIFY2(!kelvaro::shell::readKeptState(changed), qPrintable(QString::number(at)));
    }
  }

  void windowComesBackAsItWasLeft() {
    QTemporaryDir dir;
    form->keepState(dir.path());
    const QString file = form->stateKeeper()->path();
    type("RichEdit1", "5 6\n7 8");
    type("RichEdit3", "kept");
    part<QLineEdit>("LabeledEdit1")->setText("2,5");
    part<QComboBox>("ComboBox1")->setCurrentText("e");
    part<QRadioButton>("RadioGroup1Item1")->setChecked(true);
    form->setGeometry(100, 90, 700, 480);
    // Written a moment later, without closing.
    QTRY_VERIFY(contentOf(file).contains("kept\nend "));
    const QStringList before = everything();
    form->close();
    for (int run = 0; run < 2; ++run) {
      form = std::make_unique<TForm1>();
      form->keepState(dir.path());
      QCOMPARE(everything(), before);
      QCOMPARE(form->geometry(), QRect(100, 90, 700, 480));
      QCOMPARE(form->calcState().regs.PrecScale, 0);
      form->close();  // as it is, again
    }
    // File > New empties the panes; each comes back with Ctrl+Z.
    trigger("New1");
    settle();
    QVERIFY(text("RichEdit1").isEmpty() && text("RichEdit3").isEmpty());
    pane("RichEdit1")->undo();
    QCOMPARE(text("RichEdit1"), before[0]);

    // A damaged file is set aside, each under a name of its own, and the window starts anew.
    for (const char* aside : {"state.damaged", "state.damaged-2"}) {
      QFile damaged(file);
      QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write("kelvaro window state 1\n"));
      damaged.close();
      form = std::make_unique<TForm1>();
      form->keepState(dir.path());
      QVERIFY(QFileInfo::exists(dir.filePath(aside)) && !QFileInfo::exists(file));
      QVERIFY2(status().contains(aside), qPrintable(status()));
      QCOMPARE(text("RichEdit1"), QString("1 0 3+2.5i\n0 1 0\n0 0 1.5"));
    }
  }

  void keptStateSurvivesAKill() {
    // The window itself, given a project to open, is killed once it has kept the project.
    QTemporaryDir dir;
    const QString project = dir.filePath("p.mtx");
    kelvaro::CalcState state;
    state.paneA.setLines({"4 3"});
    kelvaro::Save3Click(state, QFile::encodeName(project).toStdString());
    QProcess window;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_STATE_HOME", dir.path());
    window.setProcessEnvironment(env);
    window.start(QCoreApplication::applicationDirPath() + "/kelvaro", {project});
    QVERIFY(window.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(contentOf(dir.filePath("kelvaro/state")).contains(" 4 3\n"), 20000);
    window.kill();
    window.waitForFinished();
    form->keepState(dir.filePath("kelvaro"));
    QCOMPARE(text("RichEdit1"), QString(" 4 3\n"));
    QCOMPARE(form->recentProjects(), std::vector{QFile::encodeName(project).toStdString()});
  }

  void endSignalsCloseTheWindow() {
    kelvaro::shell::closeOnEndSignals(*form);
    std::raise(SIGTERM);
    QTRY_VERIFY(!form->isVisible());
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) std::signal(signal, SIG_DFL);
  }

  void precisionBoxAppliesToLaterResults() {
    type("RichEdit1", "0.123456");
    auto* box = part<QComboBox>("ComboBox1");
    box->setCurrentText("5");
    click("SpeedButton11");
    QVERIFY2(text("RichEdit3").contains("0.12346"), qPrintable(text("RichEdit3")));
    // The last item computes exactly; with Show steps ticked the row operations come first.
    box->setCurrentIndex(box->count() - 1);
    trigger("ShowStepsItem");
    type("RichEdit1", "1 2\n3 4");
    click("SpeedButton18");
    QVERIFY2(text("RichEdit3").contains(" R2 := R2 - 3*R1\n") &&
                 text("RichEdit3").contains("inv(A)=\n         -2          1\n        3/2"),
             qPrintable(text("RichEdit3")));
    // A text that is not a number is refused with a box and changes nothing.
    box->setCurrentText("z");
    QCOMPARE(shown().size(), std::size_t(1));
    QVERIFY(shown()[0].text.contains("'z'"));
  }

  void projectsGoThroughTheirDialogs() {
    QTemporaryDir dir;
    QString filter;
    form->setSaveFileHook([&](const QString& f, const QString&) {
      filter = f;
      return dir.filePath("work");
    });
    type("RichEdit1", "1 2\n3 4.5");
    pane("RichEdit2")->clear();
    part<QLineEdit>("LabeledEdit1")->setText("0.25");
    QTest::keyClick(form.get(), Qt::Key_F2);
    settle();
    QCOMPARE(filter, QString("Matrix Project File (*.mtx)"));
    const QString saved = dir.filePath("work.mtx");  // the default extension is added
    QCOMPARE(QFileInfo(saved).size(), qint64(10 + 4 + 8 + 4 * 10 + 8));
    QVERIFY(shown().empty());

    type("RichEdit1", "9");
    type("RichEdit2", "keep");
    part<QLineEdit>("LabeledEdit1")->setText("7");
    form->setOpenFileHook([&](const QString& f, const QString&) {
      filter = f;
      return saved;
    });
    QTest::keySequence(form.get(), QKeySequence("Ctrl+F"));
    QCOMPARE(filter, QString("Matrix Project File (*.mtx)"));
    QCOMPARE(text("RichEdit1"), QString(" 1 2\n 3 4.5\n"));
    QCOMPARE(text("RichEdit2"), QString("keep"));
    QCOMPARE(part<QLineEdit>("LabeledEdit1")->text(), QString("0.25"));

    // A complex element refuses the save from the drop-down menu too; the project stays.
    type("RichEdit1", "1+i");
    trigger("SaveProject1");
    QCOMPARE(shown().size(), std::size_t(1));
    QCOMPARE(shown()[0].text, QString("'1+i' is not a valid floating point value"));
    QCOMPARE(QFileInfo(saved).size(), qint64(70));
    // A project named at start that is not there is passed over.
    form->openProject(dir.filePath("none.mtx"));
    QCOMPARE(shown().size(), std::size_t(1));
    // Opened or saved, it is remembered once; File > Recent projects opens it, and takes it off
    // once it is no longer there.
    QCOMPARE(form->recentProjects(), std::vector{QFile::encodeName(saved).toStdString()});
    emit part<QMenu>("File1")->aboutToShow();
    trigger("RecentProject1");
    QCOMPARE(text("RichEdit1"), QString(" 1 2\n 3 4.5\n"));
    QVERIFY(QFile::remove(saved));
    emit part<QMenu>("File1")->aboutToShow();
    trigger("RecentProject1");
    QVERIFY(form->recentProjects().empty());
    QVERIFY2(
        status().endsWith("work.mtx is no longer there; it was taken off the recent projects."),
        qPrintable(status()));
  }

  void openDialogLeavesNothingBehind() {
    // A full path in the real dialog, opened with Enter while the completion list shows.
    QTemporaryDir dir;
    const QString path = dir.filePath("empty.mtx");
    QVERIFY(QFile(path).open(QIODevice::WriteOnly));
    QTimer::singleShot(0, form.get(), [&] {
      auto* dialog = part<QFileDialog>("OpenDialog1");
      auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
      name->setText(path);
      name->completer()->popup()->show();  // as it shows while the name is typed
      QTest::keyClick(name, Qt::Key_Return);
      if (dialog->isVisible()) dialog->reject();  // never leave the test waiting
    });
    trigger("Open1");
    QCOMPARE(shown().size(), std::size_t(1));  // it was opened, and refused
    for (QWidget* w : QApplication::topLevelWidgets())
      QVERIFY2(w == form.get() || !w->isVisible(), qPrintable(w->metaObject()->className()));
  }

  void autoRunsFromItsThreePlaces() {
    const auto runsAuto = [this] {
      return text("RichEdit3").startsWith("A=\n") &&
             text("RichEdit3").endsWith("Svd(B)\n Notice: Please input real matrix!\n");
    };
    QTest::keyClick(form.get(), Qt::Key_F5);
    QVERIFY2(runsAuto(), qPrintable(text("RichEdit3")));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    pane("RichEdit3")->clear();
    click("SpeedButton5");
    QVERIFY(runsAuto());
    pane("RichEdit3")->clear();
    click("SpeedButton10");
    QVERIFY(runsAuto());
    QVERIFY(shown().empty());

    // An element that cannot be read ends the sequence with its box; the cursor is back.
    type("RichEdit2", "1 y");
    click("SpeedButton10");
    QCOMPARE(shown().size(), std::size_t(1));
    QCOMPARE(shown()[0].icon, QMessageBox::Critical);
    QVERIFY(text("RichEdit3").endsWith("\nB"));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
  }

  void longCommandLeavesTheWindowAnswering() {
    pane("RichEdit2")->setPlainText(bigMatrix(600));
    trigger("RefreshB1");  // as a paste would: the window has read the pane before the click
    settle();
    QElapsedTimer clock;
    qint64 last = 0, gap = 0;
    QTimer ticks;
    connect(&ticks, &QTimer::timeout, [&] {
      if (form->busy()) gap = std::max(gap, clock.elapsed() - last);
      last = clock.elapsed();
    });
    ticks.start(5);
    clock.start();
    now<QToolButton>("SpeedButton42")->click();  // Svd(B)
    QVERIFY(form->busy());
    // Nothing else starts meanwhile, and nothing typed or clicked is run afterwards.
    QVERIFY(!now<QWidget>("Panel3")->isEnabled() && !now<QWidget>("ToolBar2")->isEnabled());
    QVERIFY(!now<QAction>("KronItem")->isEnabled());
    QVERIFY(now<QPlainTextEdit>("RichEdit1")->isReadOnly());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QTest::mouseClick(now<QToolButton>("SpeedButton11"), Qt::LeftButton);
    QTest::keyClick(form.get(), Qt::Key_F5);
    QTest::keyClicks(now<QPlainTextEdit>("RichEdit1"), "9");
    auto* progress = now<QWidget>("ProgressStrip");
    QTest::qWait(TForm1::kProgressAfterMs / 2);
    QVERIFY(!progress->isVisible());
    QTRY_VERIFY(progress->isVisible());
    QCOMPARE(now<QLabel>("ProgressLabel")->text(), QString("Svd(B)"));
    QCOMPARE(now<QWidget>("Image2")->accessibleName(), QString("Svd(B) running, Esc cancels"));
    QTRY_VERIFY(now<QProgressBar>("ProgressBar")->value() > 0);
    settle();
    qInfo("largest gap between 5 ms ticks while Svd(B) of 600 x 600 ran: %lld ms", gap);
    // A command run on the interface thread would stop the ticks for seconds; 100 ms leaves room
    // for a busy machine's scheduling.
    QVERIFY2(gap <= 100, qPrintable(QString::number(gap)));
    QVERIFY(!progress->isVisible() && now<QWidget>("Panel3")->isEnabled());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(text("RichEdit3").startsWith("Svd(B)=\n"));
    QVERIFY(!text("RichEdit1").contains('9') && !text("RichEdit3").contains("\nA="));
    QVERIFY(shown().empty());
  }

  void cancelLeavesEverythingAsItWas() {
    const QString big = bigMatrix(1000);
    pane("RichEdit1")->setPlainText(big);
    now<QLineEdit>("LabeledEdit1")->setText("64");
    // Every operation that announces its steps, and Auto (by Esc, which leaves the window open).
    std::vector<std::pair<const char*, QString>> runs;
    for (const kelvaro::CommandInfo* command : kelvaro::test_support::longOperations())
      runs.emplace_back(command->button, kelvaro::shell::operationCaption(*command));
    runs.emplace_back("SpeedButton10", "Auto");
    for (const auto& [name, label] : runs) {
      pane("RichEdit2")->setPlainText(big);
      pane("RichEdit3")->setPlainText("kept");
      if (!started(name)) {
        // Refused at once: a result too large for two such panes (Kron). A small B then.
        QVERIFY2(shown().size() == 1 && shown()[0].text.contains("too large"), name);
        messages.clear();
        pane("RichEdit2")->setPlainText("1 2\n3 4");
        pane("RichEdit3")->setPlainText("kept");
        QVERIFY2(started(name), name);
      }
      const QStringList before = everything();  // as before the command: it has not ended
      QElapsedTimer clock;
      clock.start();
      if (label == "Auto")
        QTest::keyClick(form.get(), Qt::Key_Escape);
      else
        now<QToolButton>("ProgressCancel")->click();
      settle();
      qInfo("%s cancelled in %lld ms", name, clock.elapsed());
      QVERIFY2(clock.elapsed() < 200, name);
      QCOMPARE(everything(), before);
      QCOMPARE(status(), "Cancelled: " + label);
      QCOMPARE(now<QWidget>("Image2")->accessibleName(), status());  // what a screen reader hears
    }
    QVERIFY(form->isVisible());
    QVERIFY(shown().empty());
  }

  // A stop asked for after the command's own end, before the window has its outcome (the
  // window still shows it running), leaves everything as it was, as one that came in time.
  void aStopAskedForAsACommandEndsStillWins() {
    pane("RichEdit1")->setPlainText("1 2\n3 4");
    pane("RichEdit2")->setPlainText("10 20\n30 40");
    pane("RichEdit3")->setPlainText("kept");
    const QStringList before = everything();
    now<QToolButton>("SpeedButton13")->click();  // A+B
    QVERIFY(form->busy());
    // Ended on its thread long since; its outcome waits for the event loop.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    QVERIFY(form->busy());
    QTest::keyClick(form.get(), Qt::Key_Escape);
    settle();
    QCOMPARE(everything(), before);
    QCOMPARE(status(), QString("Cancelled: A+B"));
    QVERIFY(form->isVisible() && now<QWidget>("Panel3")->isEnabled());
    // The next command runs as ever.
    now<QToolButton>("SpeedButton13")->click();
    settle();
    QVERIFY(text("RichEdit3").endsWith("A+B=\n         11         22\n         33         44\n"));
  }

  void closingWhileACommandRunsStopsItFirst() {
    pane("RichEdit1")->setPlainText(bigMatrix(600));
    QVERIFY(started("SpeedButton41"));  // Svd(A)
    QTest::mouseClick(now<TImgBtn>("ImgBtnClose"), Qt::LeftButton);
    QVERIFY(!form->isVisible());
    // A window that goes while a command runs lets it go too.
    form->show();
    QVERIFY(started("SpeedButton41"));
    form.reset();
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    form = std::make_unique<TForm1>();
  }

  void collapseButtonsHideAndShowPanels() {
    auto* up = part<TImgBtn>("ImgBtnUp");
    auto* down = part<TImgBtn>("ImgBtnDown");
    auto* params = part<QWidget>("Panel8");
    QVERIFY(up->isVisible() && !down->isVisible() && params->isVisible());
    QTest::mouseClick(up, Qt::LeftButton);
    QVERIFY(!up->isVisible() && down->isVisible() && !params->isVisible());
    QTest::mouseClick(down, Qt::LeftButton);
    QVERIFY(up->isVisible() && !down->isVisible() && params->isVisible());

    auto* right = part<TImgBtn>("ImgBtnRightShow");
    auto* left = part<TImgBtn>("ImgBtnLeftShow");
    auto* operations = part<QWidget>("Panel3");
    auto* column = part<QWidget>("Panel6");
    QTest::mouseClick(right, Qt::LeftButton);
    QVERIFY(!operations->isVisible() && left->isVisible() && !right->isVisible());
    // With the panel away the operand column may grow; bringing the panel back takes the
    // room again: 254 less, plus what the Result panel is left with. For a window W wide,
    // with edges of 8 and a splitter of 8, that comes to W - 516.
    QVERIFY(part<kelvaro::shell::FormSplitter>("Splitter1")->moveTo(500));
    QTRY_COMPARE(column->width(), 500);
    QTest::mouseClick(left, Qt::LeftButton);
    QVERIFY(operations->isVisible() && right->isVisible() && !left->isVisible());
    QTRY_COMPARE(column->width(), form->width() - 516);
  }

  void nothingOverlapsDownToTheMinimumSize() {
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    auto* operations = part<QScrollArea>("Panel3");
    for (const QSize size :
         {QSize(884, 634), QSize(640, 420), QSize(580, 300), TForm1::kMinimumSize}) {
      form->resize(size);
      QTRY_COMPARE(form->size(), size);
      QTest::qWait(20);  // the layouts settle
      QVERIFY2(overlapIn(form.get()).isEmpty(), qPrintable(overlapIn(form.get())));
      // The operation panel scrolls when its buttons do not fit, its bar beside them and
      // inside the window.
      if (size == QSize(884, 634)) QCOMPARE(operations->verticalScrollBar()->maximum(), 0);
      if (size == QSize(640, 420)) QVERIFY(operations->verticalScrollBar()->maximum() > 0);
      QVERIFY(operations->widget()->width() <= operations->viewport()->width());
      QTRY_VERIFY(operations->mapTo(form.get(), QPoint(operations->width(), 0)).x() <=
                  form->width() - kelvaro::shell::SkinnedFrame::kEdgeWidth);
      // So does the parameter panel, and a field reached with Tab scrolls into view.
      auto* parameters = part<QScrollArea>("Panel8");
      if (size.height() <= 300) QVERIFY(parameters->verticalScrollBar()->maximum() > 0);
      if (size.height() >= 300)  // its bottom above the bottom strip
        QVERIFY(parameters->mapTo(form.get(), QPoint(0, parameters->height())).y() <=
                form->height() - kelvaro::shell::SkinnedFrame::kBottomHeight);
      for (const char* field : {"LabeledEdit3", "LabeledEdit1"}) {
        if (size.height() < 300) break;  // the client area itself is cut off
        part<QLineEdit>(field)->setFocus(Qt::TabFocusReason);
        const QRect shown(part<QLineEdit>(field)->mapTo(parameters->viewport(), QPoint(0, 0)),
                          part<QLineEdit>(field)->size());
        QVERIFY2(parameters->viewport()->rect().contains(shown), field);
      }
    }
    // Without the parameters the Result panel may get narrower, still clear of its caption.
    form->ImgBtnUpClick();
    form->resize(580, 400);
    QTest::qWait(20);
    QVERIFY2(overlapIn(form.get()).isEmpty(), qPrintable(overlapIn(form.get())));
  }

  void everyCaptionFitsInTheFontTheSystemGives() {
    // The skin is drawn for one font; where the system shows another in its place (a wider
    // one here), every control still has room for its whole caption, at every size, and the
    // window is at least as wide as they need.
    const QFont skinned = QApplication::font();
    const auto restore = qScopeGuard([&] { QApplication::setFont(skinned); });
    for (const char* family : {"Liberation Sans", "DejaVu Sans"}) {
      QFont font(family);
      font.setPixelSize(skinned.pixelSize());
      QApplication::setFont(font);
      form = std::make_unique<TForm1>();
      form->show();
      QVERIFY(QTest::qWaitForWindowExposed(form.get()));
      auto* operations = part<QScrollArea>("Panel3");
      QCOMPARE(QFontInfo(operations->widget()->font()).family(), family);
      if (font.family() == kelvaro::shell::kSkinFontFamily)
        QCOMPARE(form->minimumWidth(), TForm1::kMinimumSize.width());
      for (const QSize size : {QSize(884, 634), QSize(640, 420), TForm1::kMinimumSize}) {
        form->resize(size);
        QTRY_COMPARE(form->size(), size.expandedTo(form->minimumSize()));
        QTest::qWait(20);  // the layouts settle
        // What the style asks for, the caption itself with a few pixels each side, and all of
        // the control inside the frame.
        for (QAbstractButton* b : form->findChildren<QAbstractButton*>()) {
          const QString caption = QString(b->text()).replace("&&", "&");
          if (!b->isVisible() || caption.isEmpty()) continue;
          QVERIFY2(b->width() >= b->minimumSizeHint().width(), qPrintable(caption));
          QVERIFY2(b->width() >= b->fontMetrics().horizontalAdvance(caption) + 6,
                   qPrintable(caption));
          QVERIFY2(b->mapTo(form.get(), QPoint(b->width(), 0)).x() <=
                       form->width() - kelvaro::shell::SkinnedFrame::kEdgeWidth,
                   qPrintable(caption));
        }
        for (QLabel* label : form->findChildren<QLabel*>())
          if (label->isVisible() && !label->text().isEmpty() && label->objectName() != "StatusText")
            QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
        QVERIFY(operations->widget()->width() <= operations->viewport()->width());
      }
    }
  }

  void columnSplitterKeepsItsLimits() {
    auto* splitter = part<kelvaro::shell::FormSplitter>("Splitter1");
    auto* column = part<QWidget>("Panel6");
    const int widest = form->width() - 238 - 8 - 275;  // 275 left for the Result area
    QVERIFY(!splitter->moveTo(100));
    QVERIFY(splitter->moveTo(101));
    QCOMPARE(column->width() > 0, true);
    QVERIFY(splitter->moveTo(widest));
    QVERIFY(!splitter->moveTo(widest + 1));
    // Dragging with the mouse goes through the same veto.
    splitter->moveTo(300);
    QTRY_COMPARE(column->width(), 300);
    QTest::mousePress(splitter, Qt::LeftButton, {}, QPoint(4, 50));
    QTest::mouseMove(splitter, QPoint(4 - 250, 50));
    QTest::mouseRelease(splitter, Qt::LeftButton, {}, QPoint(4 - 250, 50));
    QCOMPARE(column->width(), 300);
    // Without the operation panel there is more room.
    form->ImgBtnRightShowClick();
    QVERIFY(splitter->moveTo(widest + 238));
  }

  void maximizeAndRestoreKeepTheGeometry() {
    const QRect normal(150, 40, 700, 500);
    form->setGeometry(normal);
    QTRY_COMPARE(form->geometry(), normal);
    auto* max = part<TImgBtn>("ImgBtnMax");
    QLabel* title = this->title();
    const QImage maximizeFace = max->Pic().toImage();
    const QRect screen = form->screen()->geometry();
    const QRect maximized(screen.topLeft(), QSize(screen.width(), screen.height() - 30));
    QTest::mouseClick(max, Qt::LeftButton);
    QVERIFY(form->frame().isMaximized());
    QTRY_COMPARE(form->geometry(), maximized);
    QVERIFY(max->Pic().toImage() != maximizeFace);  // now the restore face
    // A maximized window neither moves nor changes size by the mouse.
    drag(title, {300, 10}, {100, 100});
    drag(part<QLabel>("Image2"), {form->width() - 10, 20}, {-100, -100});
    QCOMPARE(form->geometry(), maximized);
    QTest::mouseClick(max, Qt::LeftButton);
    QVERIFY(!form->frame().isMaximized());
    QTRY_COMPARE(form->geometry(), normal);
    QCOMPARE(max->Pic().toImage(), maximizeFace);
    // A double click on the title bar does what the maximize button does.
    QTest::mouseDClick(title, Qt::LeftButton, {}, QPoint(300, 10));
    QTRY_COMPARE(form->geometry(), maximized);
    QTest::mouseDClick(title, Qt::LeftButton, {}, QPoint(300, 10));
    QTRY_COMPARE(form->geometry(), normal);
  }

  void titleDragsTheWindowButNotFromItsButtons() {
    QLabel* title = this->title();
    const QPoint start = form->pos();
    QTest::mouseClick(title, Qt::LeftButton, {}, QPoint(300, 10));
    QCOMPARE(form->pos(), start);
    drag(title, {300, 10}, {200, 100});
    QTRY_COMPARE(form->pos(), start + QPoint(200, 100));
    // A press on a title button is the button's: dragged off it and released, it neither
    // moves the window nor runs.
    for (const char* name : {"ImgBtnMin", "ImgBtnMax", "ImgBtnClose"}) {
      const QPoint at = form->pos();
      drag(part<TImgBtn>(name), {5, 5}, {-200, 100});
      QCOMPARE(form->pos(), at);
      QVERIFY(form->isVisible() && !form->isMinimized() && !form->frame().isMaximized());
    }
  }

  void edgesAndGripResizeDownToTheMinimum() {
    auto* bottom = part<QLabel>("Image2");
    const QRect start = form->geometry();
    const QPoint grip(bottom->width() - 10, bottom->height() - 10);
    QTest::mouseMove(bottom, grip);
    QCOMPARE(bottom->cursor().shape(), Qt::SizeFDiagCursor);
    drag(bottom, grip, {100, 50});
    QTRY_COMPARE(form->geometry(), start.adjusted(0, 0, 100, 50));
    drag(part<QLabel>("Image9"), {3, 100}, {60, 0});
    QTRY_COMPARE(form->geometry(), start.adjusted(60, 0, 100, 50));
    drag(title(), {400, 1}, {0, 30});
    QTRY_COMPARE(form->geometry(), start.adjusted(60, 30, 100, 50));
    drag(bottom, {bottom->width() - 10, bottom->height() - 10}, {-2000, -2000});
    QTRY_COMPARE(form->geometry(), QRect(start.topLeft() + QPoint(60, 30), TForm1::kMinimumSize));
  }

  void menuStripButtonShowsWhetherItsMenuIsOpen() {
    using kelvaro::shell::MenuStripButton;
    auto* file = part<QToolButton>("ToolButton1");
    auto* menu = part<QMenu>("File1");
    // Which face the button shows: its left edge is the skin's as it is.
    const QImage faces = kelvaro::shell::skinImage("ImageMenu").toImage();
    const auto shows = [&](int row) {
      return file->grab().toImage().pixelColor(1, 14) == faces.pixelColor(1, row + 14);
    };
    QVERIFY(shows(MenuStripButton::kNormalRow));
    QTest::mousePress(file, Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(menu->isVisible());
    QVERIFY(shows(MenuStripButton::kSelectedRow));
    QTest::keyClick(menu, Qt::Key_Escape);
    QVERIFY(!menu->isVisible());
    QVERIFY(!shows(MenuStripButton::kSelectedRow));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(file, &leave);
    QVERIFY(shows(MenuStripButton::kNormalRow));
  }

  void menuStripMenusFollowThePointerAndTheArrows() {
    QMenu* file = part<QMenu>("File1");
    QMenu* help = part<QMenu>("Help1");
    QMenu* operations = part<QMenu>("OperationsMenu");
    QTest::mousePress(part<QToolButton>("ToolButton1"), Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(file->isVisible());
    // Every move goes to the open menu, wherever the pointer is.
    const auto moveOnto = [](QMenu* open, QWidget* target) {
      const QPoint at = target->mapToGlobal(target->rect().center());
      QMouseEvent move(QEvent::MouseMove, open->mapFromGlobal(at), at, Qt::NoButton, Qt::NoButton,
                       {});
      QApplication::sendEvent(open, &move);
    };
    moveOnto(file, file);
    QVERIFY(file->isVisible());
    moveOnto(file, part<QToolButton>("ToolButton2"));
    QVERIFY(!file->isVisible() && help->isVisible());
    moveOnto(help, part<QToolButton>("ToolButton1"));
    QVERIFY(file->isVisible() && !help->isVisible());
    QTest::keyClick(file, Qt::Key_Right);
    QVERIFY(!file->isVisible() && operations->isVisible());
    QCOMPARE(operations->activeAction(), operations->actions().first());
    QTest::keyClick(operations, Qt::Key_Left);
    QTest::keyClick(file, Qt::Key_Left);
    QVERIFY(help->isVisible() && !file->isVisible());
    QTest::keyClick(help, Qt::Key_Escape);
    QVERIFY(!help->isVisible());
  }

  void menuCaptionsLineUpWithOrWithoutAnIcon() {
    QMenu* file = part<QMenu>("File1");
    file->popup(form->mapToGlobal(QPoint(50, 50)));
    QVERIFY(QTest::qWaitForWindowExposed(file));
    const QImage image = file->grab().toImage();
    // Where the caption starts: the first dark pixel right of the icon column.
    const auto captionLeft = [&](const char* item) {
      const QRect r = file->actionGeometry(now<QAction>(item));
      for (int x = r.left() + kelvaro::shell::MenuSkinStyle::kIconColumnWidth; x < r.right(); ++x)
        for (int y = r.top(); y <= r.bottom(); ++y)
          if (image.pixelColor(x, y).lightness() < 100) return x;
      return -1;
    };
    file->hide();
    const int withIcon = captionLeft("Clear1");  // "Clear"
    QVERIFY(withIcon > 0);
    QCOMPARE(captionLeft("ClearA1"), withIcon);  // the toolkit's own look
    QCOMPARE(captionLeft("New1"), withIcon);
  }

  void menusAreOutlinedAndTheirItemsDrawnWhole() {
    const QColor outline(0, 128, 192), white(Qt::white);
    // Two results, the second undone: no greyed item in the Result pane's menu.
    click("SpeedButton11");
    click("SpeedButton11");
    QTest::keyClick(pane("RichEdit3"), Qt::Key_Z, Qt::ControlModifier);
    for (const char* name : {"File1", "OperationsMenu", "PopupMenu3"}) {
      auto* menu = part<QMenu>(name);
      menu->popup(form->mapToGlobal(QPoint(50, 50)));
      QVERIFY(QTest::qWaitForWindowExposed(menu));
      const QImage image = menu->grab().toImage();
      menu->hide();
      // Inside the outline every item reaches it, the default-look ones as the others.
      const int w = image.width(), h = image.height();
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          if (x == 0 || y == 0 || x == w - 1 || y == h - 1)
            QCOMPARE(image.pixelColor(x, y), outline);
          else if (x == w - 2)
            QCOMPARE(image.pixelColor(x, y), white);
    }
  }

  void tabGoesRoundAndEveryStopShowsItsFocus() {
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    auto* start = part<QLineEdit>("LabeledEdit1");
    start->setFocus();
    QStringList stops, unseen;
    for (QWidget* w = start; stops.size() < 200;) {
      QTest::keyClick(w, Qt::Key_Tab);
      w = QApplication::focusWidget();
      const QImage focused = w->grab().toImage();
      (w == start ? part<QWidget>("RichEdit1") : start)->setFocus(Qt::TabFocusReason);
      if (w->grab().toImage() == focused) unseen << w->objectName();
      w->setFocus(Qt::TabFocusReason);
      stops << w->objectName();
      if (w == start) break;
    }
    QVERIFY2(unseen.isEmpty(), qPrintable(unseen.join(", ")));
    // Round the whole window: the panes pass Tab on, and every button is a stop.
    for (const char* name : {"ToolButton1", "SpeedButton3", "RichEdit1", "SpeedButton1"})
      QVERIFY2(stops.contains(name), qPrintable(stops.join(", ")));
    QCOMPARE(text("RichEdit1"), QString("1 0 3+2.5i\n0 1 0\n0 0 1.5"));
    // A button pressed with Space keeps the focus, though it was off while its command ran.
    QWidget* button = part<QWidget>("SpeedButton13");
    button->setFocus(Qt::TabFocusReason);
    QTest::keyClick(button, Qt::Key_Space);
    QVERIFY(form->busy() && !button->isEnabled());
    settle();
    QCOMPARE(QApplication::focusWidget(), button);
  }

  void titleButtonsAndShortcutsRunTheirCommands() {
    trigger("Manual1");
    QCOMPARE(opened.size(), std::size_t(1));
    QVERIFY(opened[0].isLocalFile());
    QCOMPARE(QFileInfo(opened[0].toLocalFile()).fileName(), QString("matrix.html"));
    QVERIFY(QFileInfo::exists(opened[0].toLocalFile()));
    // A compiled help file beside the program wins.
    QFile chm(QDir(QCoreApplication::applicationDirPath()).filePath("matrix.chm"));
    QVERIFY(chm.open(QIODevice::WriteOnly));
    chm.close();
    QTest::keyClick(form.get(), Qt::Key_F1);
    chm.remove();
    QCOMPARE(QFileInfo(opened[1].toLocalFile()).fileName(), QString("matrix.chm"));
    trigger("Connectto1");
    QCOMPARE(opened[2], QUrl(TForm1::kHomepage));

    QTest::mouseClick(part<TImgBtn>("ImgBtnClose"), Qt::LeftButton);
    QVERIFY(!form->isVisible());
    QVERIFY(shown().empty());  // closing never asks
  }

  void escExitsFromEverywhere() {
    for (const char* name :
         {"LabeledEdit1", "LabeledEdit3", "ComboBox1", "RichEdit3", "SpeedButton13"}) {
      form->show();
      form->activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(form.get()));
      part<QWidget>(name)->setFocus(Qt::TabFocusReason);
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
      QVERIFY2(!form->isVisible(), name);
    }
  }

  void controlsAreNamedAndMenusInTheirPlace() {
    const std::tuple<const char*, QAccessible::Role, const char*> kParts[] = {
        {"Form1", QAccessible::Window, "Kelvaro 5.4 (For real & complex matrix)"},
        {"SpeedButton53", QAccessible::ButtonMenu, "Align menu"},
        {"PopupMenu5", QAccessible::PopupMenu, "Align"},
    };
    for (const auto& [object, role, name] : kParts) {
      QCOMPARE(accessible(object)->role(), role);
      QCOMPARE(accessible(object)->text(QAccessible::Name), QString(name));
    }
    QCOMPARE(accessible("ComboBox1")->text(QAccessible::Value), QString("3"));
    // Menus hang under what drops them down or under the frame.
    QCOMPARE(accessible("File1")->parent(), accessible("ToolButton1"));
    QCOMPARE(accessible("PopupMenu5")->parent(), accessible("SpeedButton53"));
    QCOMPARE(accessible("PopupMenu1")->parent(), accessible("Form1"));
    // An item's hint is its description.
    QCOMPARE(accessible("OperationsMenu")->child(0)->text(QAccessible::Description),
             QString("Kronecker product"));
    QVERIFY(accessible("File1")->child(0)->text(QAccessible::Description).isEmpty());
  }

  void statusBarAnnouncesResultsErrorsAndNotes() {
    QCOMPARE(press(accessible("SpeedButton18")), QString("inv(A), 3 by 3"));
    QCOMPARE(press(accessible("SpeedButton10")),
             QString("32 results; the last: Chol(B), L 3 by 3, D 3 by 3"));
  }
};

int runWindowTests(int argc, char** argv) {
  WindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "window_test.moc"

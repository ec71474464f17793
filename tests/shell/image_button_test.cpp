// The image button, the skin's slicing helpers and the pane view, without the window.

#include <QAccessible>
#include <QEnterEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>

#include "shell/MyImgBtn.h"
#include "shell/pane_view.h"
#include "shell/skin.h"
#include "shell_tests.h"

using namespace kelvaro::shell;

namespace {

QPixmap solid(QColor colour, int w = 10, int h = 8) {
  QPixmap p(w, h);
  p.fill(colour);
  return p;
}

QColor shown(const TImgBtn& b) {
  return b.pixmap().toImage().pixelColor(0, 0);
}

void enter(QWidget& w) {
  QEnterEvent e(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
  QCoreApplication::sendEvent(&w, &e);
}

void leave(QWidget& w) {
  QEvent e(QEvent::Leave);
  QCoreApplication::sendEvent(&w, &e);
}

}  // namespace

class ImageButtonTest : public QObject {
  Q_OBJECT
 private slots:
  void picturesFollowThePointerAndTheKeys() {
    TImgBtn b;
    b.resize(10, 8);
    b.setPic(solid(Qt::red));
    b.setPicUp(solid(Qt::green));
    b.setPicDown(solid(Qt::blue));
    b.setPicDisable(solid(Qt::gray));
    QCOMPARE(shown(b), QColor(Qt::red));  // setting Pic shows it; PicDisable is only kept
    QSignalSpy clicks(&b, &TImgBtn::clicked);
    enter(b);
    QCOMPARE(shown(b), QColor(Qt::green));
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(shown(b), QColor(Qt::blue));
    // Dragged off the button and back while held.
    QTest::mouseMove(&b, QPoint(40, 40));
    QCOMPARE(shown(b), QColor(Qt::red));
    QTest::mouseMove(&b, QPoint(4, 4));
    QCOMPARE(shown(b), QColor(Qt::blue));
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(shown(b), QColor(Qt::green));
    QCOMPARE(clicks.count(), 1);
    // Released outside: no click.
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseMove(&b, QPoint(40, 40));
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(40, 40));
    QCOMPARE(clicks.count(), 1);
    leave(b);
    QCOMPARE(shown(b), QColor(Qt::red));
    // Unsupported or disabled, it ignores the pointer.
    b.setSupported(false);
    enter(b);
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(shown(b), QColor(Qt::red));
    b.setSupported(true);
    leave(b);
    b.setButtonEnabled(false);
    QCOMPARE(shown(b), QColor(Qt::gray));
    enter(b);
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(shown(b), QColor(Qt::gray));
    QCOMPARE(clicks.count(), 1);
    b.setButtonEnabled(true);
    QCOMPARE(shown(b), QColor(Qt::green));
    leave(b);

    // Tab reaches it, a click does not; with the focus it shows its lit face.
    b.show();
    QVERIFY(QTest::qWaitForWindowActive(&b));
    QCOMPARE(b.focusPolicy(), Qt::TabFocus);
    b.setFocus(Qt::TabFocusReason);
    QCOMPARE(shown(b), QColor(Qt::green));
    for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter, Qt::Key_A})
      QTest::keyClick(&b, key);
    QTest::keyClick(&b, Qt::Key_Space, Qt::ControlModifier);
    QCOMPARE(clicks.count(), 4);
    b.clearFocus();
    QCOMPARE(shown(b), QColor(Qt::red));
    // A screen reader's Press is a click, while the button takes clicks.
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&b);
    QVERIFY(iface->text(QAccessible::Description).isEmpty());
    b.setButtonEnabled(false);
    iface->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QVERIFY(iface->state().disabled);
    QCOMPARE(clicks.count(), 4);
  }

  void buttonStripsAreCutOnePixelApart() {
    // Three 4 x 3 states with one-pixel gaps, each its own colour.
    QPixmap strip(14, 3);
    strip.fill(Qt::black);
    {
      QPainter p(&strip);
      p.fillRect(0, 0, 4, 3, Qt::red);
      p.fillRect(5, 0, 4, 3, Qt::green);
      p.fillRect(10, 0, 4, 3, Qt::blue);
    }
    TImgBtn b;
    loadButtonStrip(b, strip, 0, 0, 4, 3, Strip::Horizontal);
    QCOMPARE(b.size(), QSize(4, 3));
    QCOMPARE(b.Pic().toImage().pixelColor(3, 2), QColor(Qt::red));
    QCOMPARE(b.PicUp().toImage().pixelColor(0, 0), QColor(Qt::green));
    QCOMPARE(b.PicDown().toImage().pixelColor(3, 2), QColor(Qt::blue));
    QCOMPARE(shown(b), QColor(Qt::red));

    const QPixmap vertical = strip.transformed(QTransform().rotate(90));
    // Rotated clockwise, the first state lands at the top right; cut the column at x 0.
    loadButtonStrip(b, vertical, 0, 0, 3, 4, Strip::Vertical);
    QCOMPARE(b.Pic().toImage().pixelColor(0, 0), QColor(Qt::red));
    QCOMPARE(b.PicUp().toImage().pixelColor(0, 0), QColor(Qt::green));
    QCOMPARE(b.PicDown().toImage().pixelColor(0, 3), QColor(Qt::blue));
  }

  void threeSliceKeepsCornersAndStretchesTheMiddleColumn() {
    QPixmap source(10, 2);
    source.fill(Qt::white);
    {
      QPainter p(&source);
      p.fillRect(0, 0, 3, 2, Qt::red);    // left corner
      p.fillRect(3, 0, 1, 2, Qt::green);  // the column that is stretched
      p.fillRect(7, 0, 3, 2, Qt::blue);   // right corner
    }
    const QImage out = threeSlice(source, QSize(40, 3), 3, 2).toImage();
    QCOMPARE(out.size(), QSize(40, 3));
    QCOMPARE(out.pixelColor(0, 0), QColor(Qt::red));
    QCOMPARE(out.pixelColor(2, 1), QColor(Qt::red));
    QCOMPARE(out.pixelColor(3, 0), QColor(Qt::green));
    QCOMPARE(out.pixelColor(36, 1), QColor(Qt::green));
    QCOMPARE(out.pixelColor(37, 0), QColor(Qt::blue));
    QCOMPARE(out.pixelColor(39, 1), QColor(Qt::blue));
    QCOMPARE(out.pixelColor(20, 2).alpha(), 0);  // below the source's rows stays empty
  }

  void paneViewConvertsLinesAndLatin1() {
    QCOMPARE(PaneView::linesOf(""), std::vector<std::string>{});
    QCOMPARE(PaneView::linesOf("a\n"), (std::vector<std::string>{"a", ""}));
    QCOMPARE(PaneView::linesOf("\n\nb"), (std::vector<std::string>{"", "", "b"}));
    QCOMPARE(PaneView::linesOf(QString::fromLatin1("\xe9")), std::vector<std::string>{"\xe9"});

    QPlainTextEdit edit;
    kelvaro::Pane pane;
    pane.setLines({"x", "caf\xe9"});
    PaneView view(&edit, &pane);
    QCOMPARE(edit.toPlainText(), QString::fromUtf8("x\ncafé"));
    edit.setPlainText(QString::fromUtf8("1 2\né"));
    view.pull();
    QCOMPARE(pane.lines(), (std::vector<std::string>{"1 2", "\xe9"}));
  }
};

int runImageButtonTests(int argc, char** argv) {
  ImageButtonTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "image_button_test.moc"

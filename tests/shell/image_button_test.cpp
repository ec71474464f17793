// The image button, the skin's slicing helpers and the pane view, without the window.

#include <QAccessible>
#include <QDir>
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

// A transparent pixmap of w x h window pixels at the given device pixel ratio.
QPixmap blank(int w, int h, int ratio) {
  QPixmap p(w * ratio, h * ratio);
  p.setDevicePixelRatio(ratio);
  p.fill(Qt::transparent);
  return p;
}

// The largest step of any channel between neighbouring pixels: a picture scaled up smoothly
// has its edges spread over more pixels and so smaller steps than the picture it came from.
int sharpestStep(const QImage& image) {
  const QImage im = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  auto step = [](QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
  };
  int sharpest = 0;
  for (int y = 0; y < im.height(); ++y)
    for (int x = 0; x < im.width(); ++x) {
      if (x > 0) sharpest = std::max(sharpest, step(im.pixel(x, y), im.pixel(x - 1, y)));
      if (y > 0) sharpest = std::max(sharpest, step(im.pixel(x, y), im.pixel(x, y - 1)));
    }
  return sharpest;
}

bool near(QColor a, QColor b, int by) {
  return std::abs(a.red() - b.red()) <= by && std::abs(a.green() - b.green()) <= by &&
         std::abs(a.blue() - b.blue()) <= by;
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
    TImgBtn b;
    // Three 4 x 3 states with one-pixel gaps, each its own colour; a twice as large strip is
    // cut at the same places in the window's pixels.
    for (int ratio : {2, 1}) {
      QPixmap strip = blank(14, 3, ratio);
      strip.fill(Qt::black);
      {
        QPainter p(&strip);
        p.fillRect(0, 0, 4, 3, Qt::red);
        p.fillRect(5, 0, 4, 3, Qt::green);
        p.fillRect(10, 0, 4, 3, Qt::blue);
      }
      loadButtonStrip(b, strip, 0, 0, 4, 3, Strip::Horizontal);
      QCOMPARE(b.size(), QSize(4, 3));
      QCOMPARE(b.Pic().size(), QSize(4, 3) * ratio);
      QCOMPARE(b.PicDown().devicePixelRatio(), qreal(ratio));
      const int last = ratio - 1;  // the last device pixel of the first one
      QCOMPARE(b.Pic().toImage().pixelColor(3 * ratio + last, 2 * ratio + last), QColor(Qt::red));
      QCOMPARE(b.PicUp().toImage().pixelColor(0, 0), QColor(Qt::green));
      QCOMPARE(b.PicDown().toImage().pixelColor(3 * ratio + last, 2 * ratio), QColor(Qt::blue));
      QCOMPARE(shown(b), QColor(Qt::red));
    }

    QPixmap strip(14, 3);
    strip.fill(Qt::black);
    {
      QPainter p(&strip);
      p.fillRect(0, 0, 4, 3, Qt::red);
      p.fillRect(5, 0, 4, 3, Qt::green);
      p.fillRect(10, 0, 4, 3, Qt::blue);
    }
    const QPixmap vertical = strip.transformed(QTransform().rotate(90));
    // Rotated clockwise, the first state lands at the top right; cut the column at x 0.
    loadButtonStrip(b, vertical, 0, 0, 3, 4, Strip::Vertical);
    QCOMPARE(b.Pic().toImage().pixelColor(0, 0), QColor(Qt::red));
    QCOMPARE(b.PicUp().toImage().pixelColor(0, 0), QColor(Qt::green));
    QCOMPARE(b.PicDown().toImage().pixelColor(0, 3), QColor(Qt::blue));
  }

  void threeSliceKeepsCornersAndStretchesTheMiddleColumn() {
    for (int r : {1, 2}) {  // device pixels per window pixel
      QPixmap source = blank(10, 2, r);
      source.fill(Qt::white);
      {
        QPainter p(&source);
        p.fillRect(0, 0, 3, 2, Qt::red);    // left corner
        p.fillRect(3, 0, 1, 2, Qt::green);  // the column that is stretched
        p.fillRect(7, 0, 3, 2, Qt::blue);   // right corner
      }
      const QPixmap sliced = threeSlice(source, QSize(40, 3), 3, 2);
      QCOMPARE(sliced.devicePixelRatio(), qreal(r));
      const QImage out = sliced.toImage();
      QCOMPARE(out.size(), QSize(40, 3) * r);
      QCOMPARE(out.pixelColor(0, 0), QColor(Qt::red));
      QCOMPARE(out.pixelColor(3 * r - 1, 2 * r - 1), QColor(Qt::red));
      QCOMPARE(out.pixelColor(3 * r, 0), QColor(Qt::green));
      QCOMPARE(out.pixelColor(37 * r - 1, 2 * r - 1), QColor(Qt::green));
      QCOMPARE(out.pixelColor(37 * r, 0), QColor(Qt::blue));
      QCOMPARE(out.pixelColor(40 * r - 1, 2 * r - 1), QColor(Qt::blue));
      QCOMPARE(out.pixelColor(20 * r, 2 * r).alpha(), 0);  // below the source's rows stays empty
      if (r == 1) continue;
      // The @2x source made into a picture for a screen of 1.5 device pixels per pixel.
      const QPixmap between = threeSlice(source, QSize(40, 3), 3, 2, 1.5);
      QCOMPARE(between.devicePixelRatio(), 1.5);
      const QImage scaled = between.toImage();
      QCOMPARE(scaled.size(), QSize(60, 5));
      QCOMPARE(scaled.pixelColor(0, 0), QColor(Qt::red));
      QCOMPARE(scaled.pixelColor(30, 1), QColor(Qt::green));
      QCOMPARE(scaled.pixelColor(59, 1), QColor(Qt::blue));
    }
  }

  void skinBitmapsComeSharpForScreensOfTwoDevicePixels() {
    int pairs = 0;
    for (const QString& file : QDir(":/skin").entryList({"*.png"})) {
      const QString name = file.chopped(4);
      // The application icons come in the sizes the desktop asks for instead.
      if (name.endsWith("@2x") || name.startsWith("kelvaro")) continue;
      const QPixmap one = skinImage(name, 1), two = skinImage(name, 2);
      QCOMPARE(one.devicePixelRatio(), 1.0);
      QVERIFY2(two.devicePixelRatio() == 2 && two.size() == one.size() * 2, qPrintable(name));
      QCOMPARE(skinImage(name, 1.5).devicePixelRatio(), 2.0);
      // Every bitmap with an edge in it has it as sharp at twice the size.
      const int sharpest = sharpestStep(one.toImage());
      QVERIFY2(sharpest < 24 || 4 * sharpestStep(two.toImage()) >= 3 * sharpest, qPrintable(name));
      ++pairs;
    }
    QVERIFY(pairs > 25);  // the whole skin was looked at
    QCOMPARE(skinImage("kelvaro256", 2).size(), QSize(256, 256));

    // The grip: each dot, two pixels square, is four device pixels square in the dot's colour,
    // on the strip's own colour around it.
    const QImage one = skinImage("ImageBottom", 1).toImage();
    const QImage two = skinImage("ImageBottom", 2).toImage();
    for (QPoint dot : {QPoint(189, 13), QPoint(181, 21), QPoint(185, 17)}) {
      const QColor colour = one.pixelColor(dot), around = one.pixelColor(dot - QPoint(1, 1));
      QVERIFY(!near(colour, around, 24));
      for (int y = -1; y <= 4; ++y)
        for (int x = -1; x <= 4; ++x) {
          const bool inside = x >= 0 && x < 4 && y >= 0 && y < 4;
          QVERIFY(near(two.pixelColor(dot * 2 + QPoint(x, y)), inside ? colour : around, 2));
        }
    }

    // Icons show each screen its own picture.
    const QPixmap icon = skinIcon("menu13").pixmap(QSize(16, 16), 2);
    QCOMPARE(icon.devicePixelRatio(), 2.0);
    QCOMPARE(icon.toImage(), skinImage("menu13", 2).toImage());
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

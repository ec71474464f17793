// Draws the window's skin bitmaps and icons into a folder (shell/skin). The PNGs are committed;
// run this again after changing a colour or a shape:
//   build/shell/kelvaro_skingen shell/skin
// Every bitmap but the application icons is drawn twice: NAME.png for screens of one device
// pixel per pixel and NAME@2x.png, twice as large, for screens of two or more. Both are drawn
// from the same shapes in pixel units; the painter of the @2x picture scales them.
// Palette: a deep slate frame with a teal accent over light, cool client surfaces.

#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <cstdio>
#include <functional>

namespace {

const QColor kFrameTop(0x2b, 0x4f, 0x66);
const QColor kFrameMid(0x22, 0x42, 0x57);
const QColor kFrameLow(0x1b, 0x36, 0x47);
const QColor kFrameLine(0x3f, 0x6d, 0x88);
const QColor kAccent(0x1f, 0xa8, 0x9a);
const QColor kAccentDark(0x17, 0x7f, 0x75);
const QColor kGlyph(0xf2, 0xf7, 0xf9);
const QColor kSurface(0xf4, 0xf7, 0xf9);
const QColor kSurfaceLow(0xe2, 0xea, 0xef);
const QColor kInk(0x2a, 0x47, 0x58);

QString outDir;
// Device pixels per pixel of the pictures being drawn: 1, or 2 for the @2x set.
int scale = 1;

// A transparent picture of w x h pixels, at the scale being drawn.
QImage blank(int w, int h) {
  QImage img(w * scale, h * scale, QImage::Format_ARGB32_Premultiplied);
  img.setDevicePixelRatio(scale);
  img.fill(Qt::transparent);
  return img;
}

void save(const QImage& img, const char* name) {
  const QString path = outDir + "/" + name + (scale == 1 ? "" : "@2x") + ".png";
  if (!img.save(path)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    std::exit(1);
  }
}

QLinearGradient vertical(int top, int bottom, QColor a, QColor b) {
  QLinearGradient g(0, top, 0, bottom);
  g.setColorAt(0, a);
  g.setColorAt(1, b);
  return g;
}

// Title bar: slate gradient with a light rim at the top and a teal hairline at the bottom.
void titleBar() {
  QImage img = blank(900, 25);
  QPainter p(&img);
  p.fillRect(0, 0, 900, 25, vertical(0, 25, kFrameTop, kFrameMid));
  p.fillRect(0, 0, 900, 1, kFrameLine);
  save(img, "ImageTop");
}

// Bottom edge: continues the frame and carries a size grip in its right corner.
void bottomEdge() {
  QImage img = blank(200, 30);
  QPainter p(&img);
  p.fillRect(0, 0, 200, 30, vertical(0, 30, kFrameMid, kFrameLow));
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 70));
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col <= row; ++col) {
      const QPointF centre(190 - col * 4, 14 + row * 4);
      // A one-pixel circle on a pixel corner covers its four pixels to three quarters each: a
      // square dot. Larger, a circle would be a round blob; the dot stays a square of the same
      // strength.
      if (scale == 1)
        p.drawEllipse(centre, 1, 1);
      else
        p.fillRect(QRectF(centre - QPointF(1, 1), QSizeF(2, 2)), QColor(255, 255, 255, 70 * 3 / 4));
    }
  save(img, "ImageBottom");
}

// Menu strip (rows 0-27) and the three faces of its buttons (64 x 28 at rows 29, 58, 88).
void menuStrip() {
  QImage img = blank(66, 115);
  QPainter p(&img);
  const auto strip = vertical(0, 28, kFrameMid, kFrameLow);
  p.fillRect(0, 0, 66, 28, strip);
  auto face = [&](int top, QColor fill, QColor rim) {
    QLinearGradient g = vertical(top, top + 28, kFrameMid, kFrameLow);
    p.fillRect(0, top, 66, 28, g);
    if (!fill.isValid()) return;
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(rim);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(0.5, top + 3.5, 63, 21), 3, 3);
    p.setRenderHint(QPainter::Antialiasing, false);
  };
  face(29, QColor(), QColor());
  face(58, QColor(0x35, 0x62, 0x7c), QColor(0x4d, 0x80, 0x9c));
  face(88, kAccentDark, kAccent);
  save(img, "ImageMenu");
}

// Command tool bar background, a two-pixel column stretched over the bar.
void toolBackground() {
  QImage img = blank(2, 57);
  QPainter p(&img);
  p.fillRect(0, 0, 2, 57, vertical(0, 57, QColor(0xfb, 0xfd, 0xfe), QColor(0xe4, 0xed, 0xf1)));
  p.fillRect(0, 56, 2, 1, QColor(0xc3, 0xd2, 0xda));
  save(img, "ImageTool");
}

using Glyph = std::function<void(QPainter&, QRectF)>;

// One title-bar button: three states stacked 21 pixels apart, 20 high. The first and last
// column stay clear because neighbouring buttons share them in the strip.
void titleButton(QPainter& p, int x, int w, const Glyph& glyph, bool danger) {
  const QColor hot = danger ? QColor(0xe0, 0x4f, 0x4f) : QColor(255, 255, 255, 46);
  const QColor down = danger ? QColor(0xb5, 0x38, 0x38) : QColor(255, 255, 255, 84);
  const QColor fills[3] = {QColor(Qt::transparent), hot, down};
  for (int state = 0; state < 3; ++state) {
    const QRectF r(x + 1, state * 21, w - 2, 20);
    p.setPen(Qt::NoPen);
    p.setBrush(fills[state]);
    p.drawRoundedRect(r.adjusted(0, 1, 0, -1), 3, 3);
    glyph(p, r);
  }
}

void titleButtons() {
  QImage img = blank(122, 62);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QPen pen(kGlyph, 1.4);
  pen.setCapStyle(Qt::SquareCap);
  auto centre = [](QRectF r) { return r.center(); };
  const Glyph minimize = [&](QPainter& q, QRectF r) {
    q.setPen(pen);
    const QPointF c = centre(r);
    q.drawLine(QPointF(c.x() - 4.5, c.y() + 3.5), QPointF(c.x() + 4.5, c.y() + 3.5));
  };
  const Glyph maximize = [&](QPainter& q, QRectF r) {
    q.setPen(pen);
    q.setBrush(Qt::NoBrush);
    const QPointF c = centre(r);
    q.drawRect(QRectF(c.x() - 4.5, c.y() - 4.5, 9, 9));
  };
  const Glyph restore = [&](QPainter& q, QRectF r) {
    q.setPen(pen);
    q.setBrush(Qt::NoBrush);
    const QPointF c = centre(r);
    q.drawRect(QRectF(c.x() - 5, c.y() - 2.5, 7, 7));
    q.drawPolyline(QPolygonF({QPointF(c.x() - 2.5, c.y() - 4.5), QPointF(c.x() + 4.5, c.y() - 4.5),
                              QPointF(c.x() + 4.5, c.y() + 2.5)}));
  };
  const Glyph close = [&](QPainter& q, QRectF r) {
    q.setPen(pen);
    const QPointF c = centre(r);
    q.drawLine(QPointF(c.x() - 4, c.y() - 4), QPointF(c.x() + 4, c.y() + 4));
    q.drawLine(QPointF(c.x() - 4, c.y() + 4), QPointF(c.x() + 4, c.y() - 4));
  };
  titleButton(p, 0, 27, minimize, false);
  titleButton(p, 26, 26, maximize, false);
  titleButton(p, 52, 42, close, true);
  titleButton(p, 96, 26, restore, false);
  save(img, "ImageM");
}

// Collapse buttons: three states 23 x 26 side by side at x 0, 24 and 48, a chevron pair
// pointing where the panel goes.
void collapseButton(const char* name, qreal angle) {
  QImage img = blank(92, 26);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor fills[3] = {QColor(Qt::transparent), QColor(0xd3, 0xe4, 0xea),
                           QColor(0xb4, 0xd2, 0xdb)};
  const QColor inks[3] = {QColor(0x4c, 0x6a, 0x7b), kAccentDark, kAccentDark};
  for (int state = 0; state < 3; ++state) {
    const QRectF r(state * 24, 0, 23, 26);
    p.setPen(state ? QPen(QColor(0x9c, 0xbd, 0xc8), 1) : Qt::NoPen);
    p.setBrush(fills[state]);
    p.drawRoundedRect(r.adjusted(1.5, 3.5, -1.5, -3.5), 3, 3);
    p.save();
    p.translate(r.center());
    p.rotate(angle);
    p.setPen(QPen(inks[state], 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (qreal dy : {-2.5, 1.5})
      p.drawPolyline(QPolygonF({QPointF(-4, dy - 2), QPointF(0, dy + 2), QPointF(4, dy - 2)}));
    p.restore();
  }
  save(img, name);
}

// Left and right frame edges.
void sideEdge(const char* name, bool left) {
  QImage img = blank(8, 530);
  QPainter p(&img);
  QLinearGradient g(0, 0, 8, 0);
  g.setColorAt(left ? 0 : 1, kFrameLow);
  g.setColorAt(left ? 1 : 0, kFrameMid);
  p.fillRect(0, 0, 8, 530, g);
  p.fillRect(left ? 0 : 7, 0, 1, 530, kFrameLine);
  save(img, name);
}

// Static backgrounds, stretched to their controls.
void backgrounds() {
  {
    QImage img = blank(64, 256);
    QPainter p(&img);
    p.fillRect(0, 0, 64, 256, vertical(0, 256, QColor(0xee, 0xf3, 0xf6), QColor(0xe3, 0xeb, 0xf0)));
    save(img, "Image15");
  }
  {
    QImage img = blank(64, 256);
    QPainter p(&img);
    p.fillRect(0, 0, 64, 256, vertical(0, 256, QColor(0xe8, 0xf0, 0xf3), QColor(0xdb, 0xe6, 0xec)));
    p.fillRect(0, 0, 1, 256, QColor(0xc8, 0xd6, 0xde));
    save(img, "Image13");
  }
  {
    QImage img = blank(64, 132);
    QPainter p(&img);
    p.fillRect(0, 0, 64, 132, vertical(0, 132, QColor(0xf1, 0xf6, 0xf8), QColor(0xe1, 0xea, 0xef)));
    p.fillRect(0, 0, 64, 1, QColor(0xc8, 0xd6, 0xde));
    save(img, "Image5");
  }
  // Pane headers: a light band with a teal marker on the left.
  for (const char* name : {"Image14", "Image17", "Image16"}) {
    QImage img = blank(64, 26);
    QPainter p(&img);
    p.fillRect(0, 0, 64, 26, vertical(0, 26, QColor(0xfa, 0xfc, 0xfd), QColor(0xe6, 0xee, 0xf2)));
    p.fillRect(0, 25, 64, 1, QColor(0xc8, 0xd6, 0xde));
    save(img, name);
  }
}

// The application icon: a matrix in brackets on a teal tile.
QImage appIcon(int size) {
  QImage img = blank(size, size);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);
  QLinearGradient g(0, 0, 0, 64);
  g.setColorAt(0, QColor(0x26, 0xb8, 0xa8));
  g.setColorAt(1, QColor(0x15, 0x6f, 0x8a));
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawRoundedRect(QRectF(2, 2, 60, 60), 13, 13);
  QPen pen(Qt::white, 4.5, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
  p.setPen(pen);
  p.drawPolyline(QPolygonF({QPointF(20, 13), QPointF(13, 13), QPointF(13, 51), QPointF(20, 51)}));
  p.drawPolyline(QPolygonF({QPointF(44, 13), QPointF(51, 13), QPointF(51, 51), QPointF(44, 51)}));
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      p.drawEllipse(QPointF(23 + c * 9, 23 + r * 9), r == c ? 3.4 : 2.3, r == c ? 3.4 : 2.3);
  return img;
}

// 16 x 16 menu icons and 24 x 24 tool-bar glyphs, drawn on a 16-unit grid.
QImage icon(int size, const Glyph& glyph) {
  QImage img = blank(size, size);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 16.0, size / 16.0);
  glyph(p, QRectF(0, 0, 16, 16));
  return img;
}

QPen inkPen(QColor c, qreal w = 1.2) {
  return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void icons() {
  const QColor blue(0x2f, 0x6f, 0x9f);
  const Glyph folder = [&](QPainter& p, QRectF) {
    p.setPen(inkPen(QColor(0xb0, 0x7a, 0x12), 1));
    p.setBrush(QColor(0xf4, 0xc4, 0x4e));
    p.drawPath([] {
      QPainterPath path;
      path.moveTo(1.5, 3.5);
      path.lineTo(6, 3.5);
      path.lineTo(7.5, 5);
      path.lineTo(14.5, 5);
      path.lineTo(14.5, 13.5);
      path.lineTo(1.5, 13.5);
      path.closeSubpath();
      return path;
    }());
    p.setBrush(QColor(0xfb, 0xda, 0x7a));
    p.drawRect(QRectF(1.5, 7, 13, 6.5));
  };
  auto disk = [&](QColor body, bool lines) {
    return Glyph([=](QPainter& p, QRectF) {
      p.setPen(inkPen(body.darker(150), 1));
      p.setBrush(body);
      p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
      p.setBrush(Qt::white);
      p.drawRect(QRectF(4, 1.5, 8, 5));
      p.setBrush(body.lighter(140));
      p.drawRect(QRectF(4, 9, 8, 5.5));
      if (lines) {
        p.setPen(inkPen(body.darker(150), 0.8));
        p.drawLine(QPointF(5.5, 11), QPointF(10.5, 11));
        p.drawLine(QPointF(5.5, 12.8), QPointF(10.5, 12.8));
      }
    });
  };
  const Glyph eraser = [&](QPainter& p, QRectF) {
    p.setPen(inkPen(QColor(0xa3, 0x3b, 0x3b), 1));
    p.setBrush(QColor(0xee, 0x7b, 0x7b));
    p.drawPolygon(QPolygonF(
        {QPointF(2, 10), QPointF(8.5, 3.5), QPointF(14, 9), QPointF(9, 14), QPointF(6, 14)}));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF(
        {QPointF(2, 10), QPointF(5, 7), QPointF(10, 12), QPointF(8, 14), QPointF(6, 14)}));
  };
  const Glyph bolt = [&](QPainter& p, QRectF) {
    p.setPen(inkPen(QColor(0x12, 0x7a, 0x6f), 1));
    p.setBrush(kAccent);
    p.drawPolygon(QPolygonF({QPointF(9.5, 1), QPointF(3, 9), QPointF(7.5, 9), QPointF(6, 15),
                             QPointF(13, 6.5), QPointF(8.5, 6.5)}));
  };
  const Glyph exitDoor = [&](QPainter& p, QRectF) {
    p.setPen(inkPen(QColor(0x5b, 0x6b, 0x75), 1));
    p.setBrush(QColor(0xd9, 0xe1, 0xe6));
    p.drawRect(QRectF(2.5, 1.5, 7, 13));
    p.setPen(inkPen(QColor(0xc0, 0x39, 0x2b), 1.6));
    p.drawLine(QPointF(7, 8), QPointF(14, 8));
    p.drawPolyline(QPolygonF({QPointF(11.5, 5.5), QPointF(14, 8), QPointF(11.5, 10.5)}));
  };
  const Glyph book = [&](QPainter& p, QRectF) {
    p.setPen(inkPen(blue.darker(130), 1));
    p.setBrush(blue);
    p.drawRoundedRect(QRectF(2.5, 1.5, 11, 13), 1.2, 1.2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 11.5, 9, 3));
    p.setPen(inkPen(Qt::white, 1.1));
    p.drawLine(QPointF(5.5, 5), QPointF(10.5, 5));
    p.drawLine(QPointF(5.5, 7.5), QPointF(9, 7.5));
  };
  const Glyph globe = [&](QPainter& p, QRectF) {
    p.setPen(inkPen(blue, 1));
    p.setBrush(QColor(0xd8, 0xea, 0xf7));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(5, 1.5, 6, 13));
    p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
    p.drawLine(QPointF(8, 1.5), QPointF(8, 14.5));
  };
  const Glyph align = [&](QPainter& p, QRectF) {
    p.setPen(inkPen(kInk, 1.3));
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c)
        p.drawLine(QPointF(2 + c * 4.8, 3.5 + r * 4.5), QPointF(4.6 + c * 4.8, 3.5 + r * 4.5));
    p.setPen(inkPen(kAccent, 1));
    p.drawLine(QPointF(6, 1.5), QPointF(6, 14.5));
    p.drawLine(QPointF(10.8, 1.5), QPointF(10.8, 14.5));
  };
  const Glyph arrow = [&](QPainter& p, QRectF) {
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawPolygon(QPolygonF({QPointF(3, 6), QPointF(13, 6), QPointF(8, 11)}));
  };

  if (scale == 1) {  // in every size the desktop asks for, once
    save(appIcon(16), "kelvaro16");
    save(appIcon(32), "kelvaro32");
    save(appIcon(48), "kelvaro48");
    save(appIcon(256), "kelvaro256");
  }
  // Menu icons carry their index in the menu image list.
  save(icon(16, bolt), "menu01");
  save(icon(16, eraser), "menu03");
  save(icon(16, folder), "menu13");
  save(icon(16, disk(blue, false)), "menu18");
  save(icon(16, disk(QColor(0x2e, 0x8b, 0x57), true)), "menu24");
  save(icon(16, exitDoor), "menu31");
  save(icon(16, book), "menu42");
  save(icon(16, globe), "menu43");
  // Command tool bar glyphs.
  save(icon(24, disk(QColor(0x2e, 0x8b, 0x57), true)), "toolSave");
  save(icon(24, align), "toolAlign");
  save(icon(24, eraser), "toolClear");
  save(icon(24, bolt), "toolAuto");
  save(icon(24, book), "toolManual");
  save(icon(16, arrow), "toolArrow");
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("shell/skin");
  QDir().mkpath(outDir);
  for (scale = 1; scale <= 2; ++scale) {
    titleBar();
    bottomEdge();
    menuStrip();
    toolBackground();
    titleButtons();
    collapseButton("ImageUpShow", 0);       // panel shown: fold it down
    collapseButton("ImageDownShow", 180);   // panel folded: bring it back up
    collapseButton("ImageRightShow", -90);  // panel shown: push it off to the right
    collapseButton("ImageLeftShow", 90);    // panel hidden: pull it back in
    sideEdge("ImageLeft", true);
    sideEdge("ImageRight", false);
    backgrounds();
    icons();
  }
  return 0;
}

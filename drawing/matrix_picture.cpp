#include "drawing/matrix_picture.h"

#include <QApplication>
#include <QBuffer>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "commands/file_io.h"
#include "numbers/calc_error.h"

namespace kelvaro::drawing {

using picture::Colouring;
using picture::ColourScale;
using picture::Scale;
using picture::ViewWindow;

namespace {

constexpr int kBarWidth = 16;
constexpr int kGap = 12;

// Where value lies on the colour bar, 0 at the bottom, 1 at the top.
double barPosition(const ColourScale& scale, double value) {
  const double modulus = std::abs(value);
  double t = scale.scale == Scale::Linear ? modulus / scale.largest
                                          : 1 + std::log10(modulus / scale.largest) / scale.decades;
  if (modulus == 0) t = 0;
  if (scale.colouring != Colouring::Signed) return t;
  return 0.5 + (value < 0 ? -t : t) / 2;
}

// The values the colour bar names: round numbers on a linear scale, powers of ten on a
// logarithmic one.
std::vector<double> barValues(const ColourScale& scale) {
  const bool signedBar = scale.colouring == Colouring::Signed;
  if (scale.scale == Scale::Linear)
    return picture::niceTicks(signedBar ? -scale.largest : 0, scale.largest, signedBar ? 4 : 5);
  std::vector<double> values;
  const double top = std::floor(std::log10(scale.largest));
  const double bottom = std::log10(scale.largest) - scale.decades;
  const double step = std::max(1.0, std::ceil((top - bottom) / (signedBar ? 2 : 4)));
  for (double e = top; e >= bottom - 1e-9; e -= step) {
    values.push_back(std::pow(10.0, e));
    if (signedBar) values.push_back(-std::pow(10.0, e));
  }
  if (signedBar) values.push_back(0);
  return values;
}

QString numberText(double v) {
  return QString::number(v, 'g', 3);
}

// Ticks of one axis of the plot: the entries counted from 1 that the view shows, at the centre
// of their cells.
template <class Place>
void axisNumbers(double first, double count, int pixels, int labelSpace, Place place) {
  const int wanted = std::max(1, pixels / std::max(labelSpace, 1));
  std::vector<double> ticks = picture::niceTicks(first + 1, first + count, wanted, 1);
  if (count <= 1) ticks = {std::floor(first + count / 2) + 1};  // one entry across
  for (double k : ticks) {
    const double offset = (k - 1 - first + 0.5) * pixels / count;
    if (offset >= 0 && offset <= pixels) place(k, offset);
  }
}

}  // namespace

ColourScale colourScaleFor(const picture::MatrixStats& stats, const PictureOptions& options) {
  return ColourScale::forStats(stats, options.scale,
                               options.colouring.value_or(picture::defaultColouring(stats)));
}

PictureLayout layoutPicture(const QRect& area, const QFont& font, bool phase) {
  const QFontMetrics fm(font);
  const int line = fm.height();
  const int rowLabels = fm.horizontalAdvance(QStringLiteral("00000")) + 8;
  const int barLabels = fm.horizontalAdvance(QStringLiteral("-8.88e+888")) + 6;
  const int phaseLabels = phase ? kGap + kBarWidth + 4 + fm.horizontalAdvance("-180\u00b0") : 0;
  const int top = 4 + line + 4 + line + 6;
  PictureLayout layout;
  layout.title = QRect(area.left(), area.top() + 4, area.width(), line);
  layout.plot = QRect(
      area.left() + rowLabels, area.top() + top,
      std::max(1, area.width() - rowLabels - kGap - kBarWidth - 4 - barLabels - phaseLabels - 4),
      std::max(1, area.height() - top - line / 2 - 4));
  layout.bar =
      QRect(layout.plot.right() + 1 + kGap, layout.plot.top(), kBarWidth, layout.plot.height());
  if (phase)
    layout.phaseBar = QRect(layout.bar.right() + 1 + 4 + barLabels + kGap, layout.plot.top(),
                            kBarWidth, layout.plot.height());
  return layout;
}

QImage colourImage(std::span<const picture::BlockEntry> blocks, QSize size,
                   const ColourScale& scale) {
  QImage image(size, QImage::Format_RGB32);
  if (image.isNull() || blocks.size() < std::size_t(size.width()) * std::size_t(size.height()))
    return {};
  for (int y = 0; y < size.height(); ++y) {
    auto* line = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
    picture::colourise(blocks.subspan(std::size_t(y) * size.width(), size.width()), scale,
                       {line, std::size_t(size.width())});
  }
  return image;
}

QImage heatImage(const RCOMat& m, const ViewWindow& view, QSize size, const ColourScale& scale,
                 const CancelFlag* cancel, picture::MatrixStats* stats) {
  return colourImage(picture::blockMaxima(m, view, size.width(), size.height(), cancel, stats),
                     size, scale);
}

void paintFrame(QPainter& painter, const PictureLayout& layout, const QString& title,
                const ViewWindow& view, const ColourScale& scale) {
  painter.save();
  const QFontMetrics fm(painter.font());
  const QColor ink(0x30, 0x30, 0x30);
  painter.setPen(ink);
  painter.drawText(layout.title, Qt::AlignHCenter | Qt::AlignVCenter, title);
  const QRect& plot = layout.plot;
  painter.setPen(QColor(0x90, 0x90, 0x90));
  painter.drawRect(plot.adjusted(-1, -1, 0, 0));
  painter.setPen(ink);
  const int numberWidth = fm.horizontalAdvance(QStringLiteral("00000"));
  axisNumbers(view.left, view.cols, plot.width(), numberWidth + 8, [&](double k, double dx) {
    const int x = plot.left() + static_cast<int>(dx);
    painter.drawLine(x, plot.top() - 5, x, plot.top() - 2);
    painter.drawText(
        QRect(x - numberWidth, plot.top() - 6 - fm.height(), 2 * numberWidth, fm.height()),
        Qt::AlignHCenter | Qt::AlignBottom, QString::number(k, 'f', 0));
  });
  axisNumbers(view.top, view.rows, plot.height(), fm.height() * 2, [&](double k, double dy) {
    const int y = plot.top() + static_cast<int>(dy);
    painter.drawLine(plot.left() - 5, y, plot.left() - 2, y);
    painter.drawText(
        QRect(plot.left() - 8 - numberWidth, y - fm.height() / 2, numberWidth, fm.height()),
        Qt::AlignRight | Qt::AlignVCenter, QString::number(k, 'f', 0));
  });

  // The colour bar: the map itself, sampled at each pixel row, and the values it stands for.
  auto paintBar = [&](const QRect& bar, auto colourAt) {
    QImage strip(1, bar.height(), QImage::Format_RGB32);
    for (int y = 0; y < bar.height(); ++y)
      strip.setPixel(0, y, colourAt(1 - (y + 0.5) / bar.height()));
    painter.drawImage(bar, strip);
    painter.setPen(QColor(0x90, 0x90, 0x90));
    painter.drawRect(bar.adjusted(-1, -1, 0, 0));
    painter.setPen(ink);
  };
  auto barLabel = [&](const QRect& bar, double u, const QString& text) {
    const int y = bar.bottom() - static_cast<int>(std::lround(u * (bar.height() - 1)));
    painter.drawLine(bar.right() + 1, y, bar.right() + 3, y);
    painter.drawText(QRect(bar.right() + 6, y - fm.height() / 2, 200, fm.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, text);
  };
  paintBar(layout.bar, [&](double u) -> QRgb {
    switch (scale.colouring) {
      case Colouring::Signed:
        return picture::divergingColour(u);
      case Colouring::Phase:
        return picture::phaseColour(0, u);
      case Colouring::Magnitude:
        return picture::viridisColour(u);
    }
    return picture::kNaNColour;
  });
  for (double v : barValues(scale)) {
    const double u = barPosition(scale, v);
    if (u >= -1e-9 && u <= 1 + 1e-9) barLabel(layout.bar, u, numberText(v));
  }
  if (!layout.phaseBar.isEmpty()) {
    using std::numbers::pi;
    paintBar(layout.phaseBar,
             [](double u) -> QRgb { return picture::phaseColour(pi * (2 * u - 1), 1); });
    for (int degrees = -180; degrees <= 180; degrees += 90)
      barLabel(layout.phaseBar, (degrees + 180) / 360.0, QString::number(degrees) + "\u00b0");
  }
  painter.restore();
}

void paintPicture(QPainter& painter, const QRect& area, const QString& title, const RCOMat& m,
                  const PictureOptions& options) {
  const picture::MatrixStats stats = picture::matrixStats(m);
  const ColourScale scale = colourScaleFor(stats, options);
  const PictureLayout layout =
      layoutPicture(area, painter.font(), scale.colouring == Colouring::Phase);
  const ViewWindow view = ViewWindow::whole(m);
  painter.fillRect(area, Qt::white);
  painter.drawImage(layout.plot.topLeft(), heatImage(m, view, layout.plot.size(), scale));
  paintFrame(painter, layout, title, view, scale);
}

QByteArray pictureBytes(const char* kind, QSize size,
                        const std::function<void(QPainter&, const QRect&)>& paint) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  const QRect area(QPoint(0, 0), size);
  if (std::string_view(kind) == "svg") {
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size);
    svg.setViewBox(area);
    QPainter painter(&svg);
    paint(painter, area);
  } else {
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull()) throw CalcError("Out of memory");
    image.fill(Qt::white);
    {
      QPainter painter(&image);
      paint(painter, area);
    }
    image.save(&buffer, "PNG");
  }
  return bytes;
}

const char* pictureKind(const std::string& path) {
  const QString name = QString::fromStdString(path).toLower();
  if (name.endsWith(".png")) return "png";
  if (name.endsWith(".svg")) return "svg";
  throw CalcError("A picture is saved as .png or .svg, not as \"" + quoteForMessage(path) + "\".");
}

void savePicture(const std::string& path, const QString& title, const RCOMat& m, QSize size,
                 const PictureOptions& options) {
  const char* kind = pictureKind(path);
  if (m.empty()) throw CalcError("There is no matrix to draw.");
  ensureGuiApplication();
  const QByteArray bytes = pictureBytes(kind, size, [&](QPainter& painter, const QRect& area) {
    paintPicture(painter, area, title, m, options);
  });
  writeFileSafely(path, std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

void ensureGuiApplication() {
  if (QCoreApplication::instance() != nullptr) return;
  // Fonts need an application object; the offscreen platform needs no display. Qt's own
  // remarks (no runtime folder, ...) would mix with the program's messages on standard error.
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  static int argc = 3;
  static char name[] = "kelvaro-cli", option[] = "-platform", platform[] = "offscreen";
  static char* argv[] = {name, option, platform, nullptr};
  static QApplication application(argc, argv);  // the charts are widgets
}

}  // namespace kelvaro::drawing

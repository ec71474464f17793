#include "drawing/value_charts.h"

#include <QApplication>
#include <QChartView>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "drawing/matrix_picture.h"
#include "picture/heat_map.h"

namespace kelvaro::drawing {

namespace {

void clearChart(QChart& chart) {
  QObject::disconnect(&chart, &QChart::plotAreaChanged, nullptr, nullptr);
  chart.removeAllSeries();
  for (QAbstractAxis* axis : chart.axes()) {
    chart.removeAxis(axis);
    delete axis;
  }
  chart.legend()->hide();
}

// One unit as long on both axes, the data in view, round numbers the same step apart.
void fitEqualScale(QChart& chart, QValueAxis& x, QValueAxis& y, const QRectF& data) {
  const QRectF plot = chart.plotArea();
  if (plot.width() < 2 || plot.height() < 2) return;
  double halfWidth = data.width() / 2 * 1.15, halfHeight = data.height() / 2 * 1.15;
  if (!(halfWidth > 0) && !(halfHeight > 0)) halfWidth = halfHeight = 1;
  const double unit = std::max(2 * halfWidth / plot.width(), 2 * halfHeight / plot.height());
  const QPointF c = data.center();
  x.setRange(c.x() - unit * plot.width() / 2, c.x() + unit * plot.width() / 2);
  y.setRange(c.y() - unit * plot.height() / 2, c.y() + unit * plot.height() / 2);
  const std::vector<double> ticks = picture::niceTicks(x.min(), x.max(), 6);
  for (QValueAxis* axis : {&x, &y}) {
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    if (ticks.size() > 1) axis->setTickInterval(ticks[1] - ticks[0]);
    axis->setLabelFormat("%g");
  }
}

}  // namespace

std::vector<std::complex<double>> columnValues(const RCOMat& column) {
  std::vector<std::complex<double>> values;
  for (int r = 0; r < column.rows() && column.cols() > 0; ++r)
    values.emplace_back(column[r][0].re(), column[r][0].im());
  return values;
}

std::vector<double> diagonalMagnitudes(const RCOMat& s) {
  std::vector<double> values;
  for (int i = 0; i < std::min(s.rows(), s.cols()); ++i)
    values.push_back(std::hypot(s[i][i].re(), s[i][i].im()));
  return values;
}

void plotEigenvalues(QChart& chart, const std::vector<std::complex<double>>& values) {
  clearChart(chart);
  auto* points = new QScatterSeries;
  points->setMarkerSize(9);
  double left = 0, right = 0, bottom = 0, top = 0;  // the origin always in view
  for (const auto& v : values) {
    if (!std::isfinite(v.real()) || !std::isfinite(v.imag())) continue;
    points->append(v.real(), v.imag());
    left = std::min(left, v.real());
    right = std::max(right, v.real());
    bottom = std::min(bottom, v.imag());
    top = std::max(top, v.imag());
  }
  const QRectF data(QPointF(left, bottom), QPointF(right, top));
  chart.addSeries(points);
  auto* x = new QValueAxis;
  auto* y = new QValueAxis;
  x->setTitleText("Real part");
  y->setTitleText("Imaginary part");
  chart.addAxis(x, Qt::AlignBottom);
  chart.addAxis(y, Qt::AlignLeft);
  points->attachAxis(x);
  points->attachAxis(y);
  QObject::connect(&chart, &QChart::plotAreaChanged, &chart,
                   [&chart, x, y, data] { fitEqualScale(chart, *x, *y, data); });
  fitEqualScale(chart, *x, *y, data);
}

void plotSingularValues(QChart& chart, const std::vector<double>& values) {
  clearChart(chart);
  auto* line = new QLineSeries;
  auto* points = new QScatterSeries;
  points->setMarkerSize(7);
  double smallest = HUGE_VAL, largest = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (!(values[i] > 0) || !std::isfinite(values[i])) continue;
    line->append(double(i + 1), values[i]);
    points->append(double(i + 1), values[i]);
    smallest = std::min(smallest, values[i]);
    largest = std::max(largest, values[i]);
  }
  chart.addSeries(line);
  chart.addSeries(points);
  auto* x = new QValueAxis;
  x->setTitleText("Index");
  x->setLabelFormat("%d");
  x->setRange(0.5, double(values.size()) + 0.5);
  x->setTickType(QValueAxis::TicksDynamic);
  x->setTickAnchor(1);
  const std::vector<double> ticks = picture::niceTicks(1, double(values.size()), 8, 1);
  x->setTickInterval(ticks.size() > 1 ? ticks[1] - ticks[0] : 1);
  auto* y = new QLogValueAxis;
  y->setTitleText("Singular value (logarithmic)");
  y->setBase(10);
  y->setLabelFormat("%.0e");
  if (largest > 0) y->setRange(smallest / 2, largest * 2);
  chart.addAxis(x, Qt::AlignBottom);
  chart.addAxis(y, Qt::AlignLeft);
  for (QAbstractSeries* s :
       {static_cast<QAbstractSeries*>(line), static_cast<QAbstractSeries*>(points)}) {
    s->attachAxis(x);
    s->attachAxis(y);
  }
}

QByteArray chartBytes(const char* kind, QSize size, const std::function<void(QChart&)>& plot) {
  ensureGuiApplication();
  QChartView view;
  view.setRenderHint(QPainter::Antialiasing);
  view.setAttribute(Qt::WA_DontShowOnScreen);
  plot(*view.chart());
  view.resize(size);
  view.show();
  // The chart lays itself out, and the plane fits its scales, on the events that follow.
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
  return pictureBytes(
      kind, size, [&view](QPainter& painter, const QRect& area) { view.render(&painter, area); });
}

}  // namespace kelvaro::drawing

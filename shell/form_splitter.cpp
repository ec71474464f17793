#include "shell/form_splitter.h"

#include <QMouseEvent>
#include <QPainter>

namespace kelvaro::shell {

SplitControl::SplitControl(Qt::Orientation orientation, int size, QWidget* parent)
    : QWidget(parent), orientation_(orientation), size_(size) {}

void SplitControl::setSplitSize(int size) {
  size_ = size;
  updateGeometry();
}

QSize SplitControl::sizeHint() const {
  QSize hint = QWidget::sizeHint();
  (orientation_ == Qt::Vertical ? hint.rwidth() : hint.rheight()) = size_;
  return hint;
}

FormSplitter::FormSplitter(Qt::Orientation orientation, SplitControl* control, QWidget* parent)
    : QWidget(parent), orientation_(orientation), control_(control) {
  setCursor(orientation == Qt::Vertical ? Qt::SplitHCursor : Qt::SplitVCursor);
}

bool FormSplitter::moveTo(int n) {
  if (canResize_ && !canResize_(n)) return false;
  control_->setSplitSize(n);
  return true;
}

void FormSplitter::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  dragging_ = true;
  dragStart_ = along(event->globalPosition().toPoint());
  sizeAtStart_ = orientation_ == Qt::Vertical ? control_->width() : control_->height();
}

void FormSplitter::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_) moveTo(sizeAtStart_ + along(event->globalPosition().toPoint()) - dragStart_);
}

void FormSplitter::mouseReleaseEvent(QMouseEvent*) {
  dragging_ = false;
}

void FormSplitter::paintEvent(QPaintEvent*) {
  // A light groove with a short grip in the middle.
  QPainter p(this);
  p.fillRect(rect(), QColor(0xdc, 0xe6, 0xeb));
  p.setPen(QColor(0xa9, 0xbf, 0xca));
  const QPoint c = rect().center();
  for (int i = -2; i <= 2; ++i) {
    if (orientation_ == Qt::Vertical)
      p.drawPoint(c.x(), c.y() + i * 4);
    else
      p.drawPoint(c.x() + i * 4, c.y());
  }
}

}  // namespace kelvaro::shell

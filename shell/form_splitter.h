#pragma once
// A splitter bar that resizes the control before it (a width for a vertical bar, a height for
// a horizontal one) and lets the form veto each new size, as Splitter1CanResize does.

#include <QPoint>
#include <QWidget>
#include <functional>

namespace kelvaro::shell {

class FormSplitter : public QWidget {
 public:
  // canResize gets the proposed size and returns whether to accept it.
  FormSplitter(Qt::Orientation orientation, QWidget* control, QWidget* parent);
  void setCanResize(std::function<bool(int)> canResize) { canResize_ = std::move(canResize); }
  // Moves the bar so that the control gets size n, if the form accepts it.
  bool moveTo(int n);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  int along(QPoint p) const { return orientation_ == Qt::Vertical ? p.x() : p.y(); }

  Qt::Orientation orientation_;  // Vertical: a bar standing upright, dragged sideways
  QWidget* control_;
  std::function<bool(int)> canResize_;
  bool dragging_ = false;
  int dragStart_ = 0;
  int sizeAtStart_ = 0;
};

}  // namespace kelvaro::shell

#pragma once
// A splitter bar that resizes the control before it (a width for a vertical bar, a height for
// a horizontal one) and lets the form veto each new size, as Splitter1CanResize does.

#include <QPoint>
#include <QWidget>
#include <functional>

namespace kelvaro::shell {

// The control a splitter sizes. It asks its layout for the size the splitter last gave it (its
// width beside an upright bar, its height above a lying one), and gives way down to its minimum
// while the window has no room for that.
class SplitControl : public QWidget {
 public:
  SplitControl(Qt::Orientation orientation, int size, QWidget* parent);
  void setSplitSize(int size);
  QSize sizeHint() const override;

 private:
  Qt::Orientation orientation_;
  int size_;
};

class FormSplitter : public QWidget {
 public:
  // canResize gets the proposed size and returns whether to accept it.
  FormSplitter(Qt::Orientation orientation, SplitControl* control, QWidget* parent);
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
  SplitControl* control_;
  std::function<bool(int)> canResize_;
  bool dragging_ = false;
  int dragStart_ = 0;
  int sizeAtStart_ = 0;
};

}  // namespace kelvaro::shell

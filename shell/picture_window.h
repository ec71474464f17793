#pragma once
// The picture view: a window of its own beside the main window that shows pane A, pane B or
// the last result as a heat map (zoom with the wheel, pan by dragging, the entry under the
// pointer in its strip), an Eig result's eigenvalues in the complex plane and an Svd result's
// singular values against their index. It follows its source until closed: the pane as it is
// edited, the result as new ones come. Everything slow (reading a pane, reducing a large
// matrix to pixels) runs off the interface thread; the newest request wins.

#include <QImage>
#include <QWidget>
#include <complex>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "commands/calc_state.h"
#include "drawing/matrix_picture.h"

class QComboBox;
class QFileDialog;
class QLabel;
class QTabWidget;

class QChartView;

namespace kelvaro::shell {

struct WindowDialogs;

// The heat map with its axes and colour bar; the image is made on a worker.
class HeatMapView : public QWidget {
 public:
  explicit HeatMapView(QWidget* parent);
  ~HeatMapView() override;

  // A new matrix (nullptr: none, with message saying why). The view is reset to the whole
  // matrix unless keepView and the size is the same.
  void setMatrix(std::shared_ptr<const RCOMat> matrix, const QString& title,
                 const QString& message = {}, bool keepView = false);
  void setOptions(const drawing::PictureOptions& options);
  void resetView();
  const picture::ViewWindow& view() const { return view_; }
  void setView(const picture::ViewWindow& view);
  // Whether the picture shown is the one asked for last (the worker has caught up).
  bool current() const { return shownRequest_ == request_ && !image_.isNull(); }
  const QImage& image() const { return image_; }
  const std::shared_ptr<const RCOMat>& matrix() const { return matrix_; }
  const QString& title() const { return title_; }
  // The picture as shown, on any painter (a file, the clipboard).
  void paintPicture(QPainter& painter, const QRect& area) const;
  // Row and column (from 0) of the entry under a point of the widget; false outside the map.
  bool entryAt(const QPoint& at, int& row, int& col) const;

  std::function<void(const QString&)> readout;  // the entry under the pointer, for the strip

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent*) override;

 private:
  drawing::PictureLayout layout(const QRect& area) const;
  void request();
  void clampView();

  std::shared_ptr<const RCOMat> matrix_;
  QString title_, message_;
  drawing::PictureOptions options_;
  std::optional<picture::MatrixStats> stats_;
  picture::ColourScale scale_;
  picture::ViewWindow view_, imageView_;
  QImage image_;
  std::uint64_t request_ = 0, shownRequest_ = 0;
  std::shared_ptr<CancelFlag> cancel_;
  std::optional<QPoint> dragFrom_;
  picture::ViewWindow dragView_;
};

class PictureWindow : public QWidget {
 public:
  enum class Source { PaneA, PaneB, Result };

  PictureWindow(QWidget* owner, const WindowDialogs& dialogs);
  ~PictureWindow() override;

  // Shows the window following that source (part: a part of the last result, "" the first).
  void follow(Source source, const std::string& part, const CalcState& state);
  // The calculator's state after a command or an edit: what the window follows may have changed.
  void stateChanged(const CalcState& state);
  Source source() const { return source_; }
  bool followsPane(int pane) const;

  HeatMapView& heatMap() const { return *heat_; }
  QTabWidget& tabs() const { return *tabs_; }
  QChartView* eigenChart() const { return eigen_; }
  QChartView* singularChart() const { return singular_; }
  QString readoutText() const;

  // Save Picture As... (PNG or SVG, as the name ends) and Copy Picture, of the tab shown.
  void savePictureAs();
  void copyPicture();
  // The picture of the tab shown, as an image of the view's size.
  QImage pictureImage() const;

 private:
  void showResult(const CalcState& state);
  void readPane(const CalcState& state);
  void setEigenvalues(const std::vector<std::complex<double>>& values);
  void setSingularValues(const std::vector<double>& values);
  void paintTab(QPainter& painter, const QRect& area) const;

  const WindowDialogs& dialogs_;
  Source source_ = Source::PaneA;
  std::string part_;
  std::uint64_t resultSeen_ = 0;
  bool placed_ = false;
  QTabWidget* tabs_ = nullptr;
  HeatMapView* heat_ = nullptr;
  QChartView* eigen_ = nullptr;
  QChartView* singular_ = nullptr;
  QLabel* readout_ = nullptr;
  QComboBox* scale_ = nullptr;
  QComboBox* colouring_ = nullptr;
  QFileDialog* saveDialog_ = nullptr;
  std::uint64_t readRequest_ = 0;
  std::shared_ptr<CancelFlag> readCancel_;
};

}  // namespace kelvaro::shell

#include "shell/picture_window.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QComboBox>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <cmath>

#include "commands/file_io.h"
#include "commands/picture_commands.h"
#include "drawing/value_charts.h"
#include "numbers/calc_error.h"
#include "numbers/matrix_formats.h"
#include "shell/form_text.h"
#include "shell/window_dialogs.h"

namespace kelvaro::shell {

using picture::ViewWindow;

namespace {

// Runs work on the shared thread pool and hands its result to done on the receiver's thread;
// nothing arrives once the receiver is gone.
template <class T>
void runOffThread(QObject* receiver, std::function<T()> work, std::function<void(T&)> done) {
  auto* watcher = new QFutureWatcher<T>(receiver);
  QObject::connect(watcher, &QFutureWatcherBase::finished, receiver, [watcher, done] {
    T result = watcher->result();
    watcher->deleteLater();
    done(result);
  });
  watcher->setFuture(QtConcurrent::run(std::move(work)));
}

struct HeatResult {
  std::uint64_t request = 0;
  bool done = false;
  QImage image;
  picture::MatrixStats stats;
  ViewWindow view;
};

struct ReadResult {
  std::uint64_t request = 0;
  std::shared_ptr<const RCOMat> matrix;
  QString title, error;
};

bool isWhole(const ViewWindow& v, const RCOMat& m) {
  return v.top == 0 && v.left == 0 && v.rows == m.rows() && v.cols == m.cols();
}

QString valueText(const Element& e) {
  QString text = QString::number(e.re(), 'g', 10);
  if (e.im() != 0)
    text += (e.im() < 0 ? " - " : " + ") + QString::number(std::abs(e.im()), 'g', 10) + "i";
  return text;
}

QChartView* makeChartView(QWidget* parent, const char* name) {
  auto* chart = new QChart;
  chart->legend()->hide();
  auto* view = new QChartView(chart, parent);
  view->setObjectName(name);
  view->setRenderHint(QPainter::Antialiasing);
  return view;
}

}  // namespace

// ---- HeatMapView

HeatMapView::HeatMapView(QWidget* parent) : QWidget(parent) {
  setObjectName("HeatMap");
  setMouseTracking(true);
  setMinimumSize(240, 180);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

HeatMapView::~HeatMapView() {
  if (cancel_) cancel_->requestCancel();
}

void HeatMapView::setMatrix(std::shared_ptr<const RCOMat> matrix, const QString& title,
                            const QString& message, bool keepView) {
  const bool sameSize =
      matrix && matrix_ && matrix->rows() == matrix_->rows() && matrix->cols() == matrix_->cols();
  matrix_ = std::move(matrix);
  title_ = title;
  message_ = message;
  stats_.reset();
  if (!(keepView && sameSize) && matrix_) {
    view_ = ViewWindow::whole(*matrix_);
    image_ = {};
  }
  request();
}

void HeatMapView::setOptions(const drawing::PictureOptions& options) {
  options_ = options;
  if (stats_) scale_ = drawing::colourScaleFor(*stats_, options_);
  request();
}

void HeatMapView::resetView() {
  if (matrix_) setView(ViewWindow::whole(*matrix_));
}

void HeatMapView::setView(const ViewWindow& view) {
  view_ = view;
  clampView();
  request();
}

void HeatMapView::clampView() {
  if (!matrix_) return;
  const double rows = matrix_->rows(), cols = matrix_->cols();
  view_.rows = std::clamp(view_.rows, std::min(1.0, rows), rows);
  view_.cols = std::clamp(view_.cols, std::min(1.0, cols), cols);
  view_.top = std::clamp(view_.top, 0.0, rows - view_.rows);
  view_.left = std::clamp(view_.left, 0.0, cols - view_.cols);
}

drawing::PictureLayout HeatMapView::layout(const QRect& area) const {
  return drawing::layoutPicture(area, font(), scale_.colouring == picture::Colouring::Phase);
}

void HeatMapView::request() {
  if (cancel_) cancel_->requestCancel();
  const std::uint64_t id = ++request_;
  if (!matrix_) {
    image_ = {};
    update();
    return;
  }
  const QRect plot = layout(rect()).plot;
  const qreal ratio = devicePixelRatioF();
  const QSize size(std::max(1, qRound(plot.width() * ratio)),
                   std::max(1, qRound(plot.height() * ratio)));
  auto cancel = cancel_ = std::make_shared<CancelFlag>();
  runOffThread<HeatResult>(
      this,
      [m = matrix_, view = view_, options = options_, known = stats_, size, ratio, cancel, id] {
        HeatResult r{id, false, {}, {}, view};
        try {
          const bool gather = !known && isWhole(view, *m);
          const auto blocks = picture::blockMaxima(*m, view, size.width(), size.height(),
                                                   cancel.get(), gather ? &r.stats : nullptr);
          if (known) r.stats = *known;
          if (!known && !gather) r.stats = picture::matrixStats(*m, cancel.get());
          r.image = drawing::colourImage(blocks, size, drawing::colourScaleFor(r.stats, options));
          r.image.setDevicePixelRatio(ratio);
          r.done = true;
        } catch (...) {  // cancelled, or no memory for it: the picture shown stays
        }
        return r;
      },
      [this](HeatResult& r) {
        if (!r.done || r.request < shownRequest_) return;
        shownRequest_ = r.request;
        stats_ = r.stats;
        scale_ = drawing::colourScaleFor(r.stats, options_);
        image_ = std::move(r.image);
        imageView_ = r.view;
        update();
        // The first picture of a complex matrix makes room for the phase bar: once more, at
        // the plot's new size.
        const QSize plotSize = layout(rect()).plot.size() * devicePixelRatioF();
        if (r.request == request_ && std::abs(image_.width() - plotSize.width()) > 1) request();
      });
  update();
}

void HeatMapView::paintPicture(QPainter& painter, const QRect& area) const {
  painter.fillRect(area, Qt::white);
  if (!matrix_) {
    painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, message_);
    return;
  }
  const drawing::PictureLayout lay = layout(area);
  if (!image_.isNull()) {
    // The last picture made, moved and scaled to where its part of the matrix is now, until the
    // worker has made the one for this view.
    const QRectF plot = lay.plot;
    const QRectF target(plot.left() + (imageView_.left - view_.left) * plot.width() / view_.cols,
                        plot.top() + (imageView_.top - view_.top) * plot.height() / view_.rows,
                        imageView_.cols * plot.width() / view_.cols,
                        imageView_.rows * plot.height() / view_.rows);
    painter.save();
    painter.setClipRect(lay.plot);
    painter.drawImage(target, image_);
    painter.restore();
  }
  drawing::paintFrame(painter, lay, title_, view_, scale_);
}

bool HeatMapView::entryAt(const QPoint& at, int& row, int& col) const {
  const QRect plot = layout(rect()).plot;
  if (!matrix_ || !plot.contains(at)) return false;
  row = static_cast<int>(view_.top + (at.y() - plot.top() + 0.5) * view_.rows / plot.height());
  col = static_cast<int>(view_.left + (at.x() - plot.left() + 0.5) * view_.cols / plot.width());
  row = std::clamp(row, 0, matrix_->rows() - 1);
  col = std::clamp(col, 0, matrix_->cols() - 1);
  return true;
}

void HeatMapView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  paintPicture(painter, rect());
}

void HeatMapView::resizeEvent(QResizeEvent*) {
  request();
}

void HeatMapView::wheelEvent(QWheelEvent* event) {
  const QRect plot = layout(rect()).plot;
  if (!matrix_ || plot.isEmpty()) return;
  const double factor = std::pow(1.25, -event->angleDelta().y() / 120.0);
  const QPointF at = event->position();
  const double fx = std::clamp((at.x() - plot.left()) / plot.width(), 0.0, 1.0);
  const double fy = std::clamp((at.y() - plot.top()) / plot.height(), 0.0, 1.0);
  ViewWindow v = view_;
  // The entry under the pointer stays under it.
  const double col = v.left + fx * v.cols, row = v.top + fy * v.rows;
  v.cols =
      std::clamp(v.cols * factor, std::min(1.0, double(matrix_->cols())), double(matrix_->cols()));
  v.rows =
      std::clamp(v.rows * factor, std::min(1.0, double(matrix_->rows())), double(matrix_->rows()));
  v.left = col - fx * v.cols;
  v.top = row - fy * v.rows;
  setView(v);
  event->accept();
}

void HeatMapView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  dragFrom_ = event->position().toPoint();
  dragView_ = view_;
  setCursor(Qt::ClosedHandCursor);
}

void HeatMapView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (dragFrom_) {
    const QRect plot = layout(rect()).plot;
    ViewWindow v = dragView_;
    v.left -= (at.x() - dragFrom_->x()) * v.cols / std::max(1, plot.width());
    v.top -= (at.y() - dragFrom_->y()) * v.rows / std::max(1, plot.height());
    setView(v);
  }
  int row, col;
  if (!readout) return;
  if (entryAt(at, row, col))
    readout(QStringLiteral("Row %1, column %2: %3")
                .arg(row + 1)
                .arg(col + 1)
                .arg(valueText(matrix_->at(row, col))));
  else
    readout({});
}

void HeatMapView::mouseReleaseEvent(QMouseEvent*) {
  dragFrom_.reset();
  unsetCursor();
}

void HeatMapView::leaveEvent(QEvent*) {
  if (readout) readout({});
}

// ---- PictureWindow

PictureWindow::PictureWindow(QWidget* owner, const WindowDialogs& dialogs)
    : QWidget(owner, Qt::Window), dialogs_(dialogs) {
  setObjectName("PictureWindow");
  setWindowTitle("Picture");
  resize(680, 560);
  tabs_ = new QTabWidget(this);
  heat_ = new HeatMapView(tabs_);
  tabs_->addTab(heat_, "Heat map");
  eigen_ = makeChartView(this, "EigenvaluePlane");
  singular_ = makeChartView(this, "SingularValues");
  eigen_->hide();
  singular_->hide();

  readout_ = new QLabel(this);
  readout_->setObjectName("PictureReadout");
  readout_->setMinimumWidth(200);
  heat_->readout = [this](const QString& text) { readout_->setText(text); };
  scale_ = new QComboBox(this);
  scale_->setObjectName("PictureScale");
  scale_->addItems({"Linear", "Logarithmic"});
  scale_->setToolTip("Scale of the magnitudes");
  colouring_ = new QComboBox(this);
  colouring_->setObjectName("PictureColours");
  colouring_->addItems(
      {"Colours: automatic", "Sign (blue, white, red)", "Phase as hue", "Magnitude (viridis)"});
  auto applyOptions = [this] {
    drawing::PictureOptions options;
    options.scale = scale_->currentIndex() == 1 ? picture::Scale::Log : picture::Scale::Linear;
    static constexpr picture::Colouring kColourings[] = {
        picture::Colouring::Signed, picture::Colouring::Signed, picture::Colouring::Phase,
        picture::Colouring::Magnitude};
    if (colouring_->currentIndex() > 0) options.colouring = kColourings[colouring_->currentIndex()];
    heat_->setOptions(options);
  };
  connect(scale_, &QComboBox::currentIndexChanged, this, applyOptions);
  connect(colouring_, &QComboBox::currentIndexChanged, this, applyOptions);
  auto button = [this](const char* name, const QString& caption, auto slot) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(name);
    connect(b, &QPushButton::clicked, this, slot);
    return b;
  };
  auto* strip = new QHBoxLayout;
  strip->addWidget(readout_, 1);
  strip->addWidget(scale_);
  strip->addWidget(colouring_);
  strip->addWidget(button("PictureWhole", "Whole Matrix", [this] { heat_->resetView(); }));
  strip->addWidget(button("PictureCopy", "Copy", [this] { copyPicture(); }));
  strip->addWidget(button("PictureSave", "Save Picture As...", [this] { savePictureAs(); }));
  auto* column = new QVBoxLayout(this);
  column->addWidget(tabs_, 1);
  column->addLayout(strip);
}

PictureWindow::~PictureWindow() {
  if (readCancel_) readCancel_->requestCancel();
}

bool PictureWindow::followsPane(int pane) const {
  return isVisible() && source_ == (pane == 0 ? Source::PaneA : Source::PaneB);
}

QString PictureWindow::readoutText() const {
  return readout_->text();
}

void PictureWindow::follow(Source source, const std::string& part, const CalcState& state) {
  source_ = source;
  part_ = part;
  resultSeen_ = UINT64_MAX;
  if (!placed_ && parentWidget()) {
    // Beside the main window, as far as the screen lets it.
    placed_ = true;
    const QRect screen = parentWidget()->screen()->availableGeometry();
    const QSize size = sizeHint().expandedTo(this->size());
    QPoint at = parentWidget()->frameGeometry().topRight() + QPoint(8, 0);
    at.setX(std::max(screen.left(), std::min(at.x(), screen.right() - size.width())));
    at.setY(std::max(screen.top(), std::min(at.y(), screen.bottom() - size.height())));
    move(at);
  }
  show();
  raise();
  activateWindow();
  stateChanged(state);
}

void PictureWindow::stateChanged(const CalcState& state) {
  if (!isVisible()) return;
  if (source_ == Source::Result) {
    if (state.resultsWritten != resultSeen_) showResult(state);
    return;
  }
  readPane(state);
}

void PictureWindow::readPane(const CalcState& state) {
  if (readCancel_) readCancel_->requestCancel();
  auto cancel = readCancel_ = std::make_shared<CancelFlag>();
  // Only what reading the pane needs: its text and the number format.
  auto input = std::make_shared<CalcState>();
  const char name = source_ == Source::PaneA ? 'A' : 'B';
  (name == 'A' ? input->paneA : input->paneB) = name == 'A' ? state.paneA : state.paneB;
  input->regs.PrecScale = state.regs.PrecScale;
  input->decimalSeparator = state.decimalSeparator;
  input->display = state.display;
  const std::uint64_t id = ++readRequest_;
  runOffThread<ReadResult>(
      this,
      [input, name, id, cancel] {
        ReadResult r{id, {}, QString("Matrix ") + name, {}};
        try {
          input->work = nullptr;
          if (cancel->cancelRequested()) return r;
          PictureSource source = panePicture(*input, name);
          r.matrix = std::make_shared<const RCOMat>(std::move(source.values));
        } catch (const std::bad_alloc&) {
          r.error = "Out of memory";
        } catch (const std::exception& e) {
          r.error = latin1(e.what());
        }
        return r;
      },
      [this](ReadResult& r) {
        if (r.request != readRequest_ || (source_ == Source::Result)) return;
        tabs_->removeTab(tabs_->indexOf(eigen_));
        tabs_->removeTab(tabs_->indexOf(singular_));
        setWindowTitle("Picture: " + r.title);
        heat_->setMatrix(r.matrix, r.title, r.error, true);
      });
}

void PictureWindow::showResult(const CalcState& state) {
  resultSeen_ = state.resultsWritten;
  ++readRequest_;  // a pane being read is no longer wanted
  const std::vector<MatrixPart>& parts = state.lastResult;
  std::string part;
  for (const MatrixPart& p : parts)
    if (p.name == part_) part = part_;
  tabs_->removeTab(tabs_->indexOf(eigen_));
  tabs_->removeTab(tabs_->indexOf(singular_));
  try {
    PictureSource source = resultPicture(state, part);
    setWindowTitle("Picture: " + latin1(source.title));
    heat_->setMatrix(std::make_shared<const RCOMat>(std::move(source.values)),
                     latin1(source.title));
  } catch (const CalcError& e) {
    setWindowTitle("Picture of Result");
    heat_->setMatrix(nullptr, {}, latin1(e.what()));
    return;
  }
  if (parts[0].name == kEigenvalueList) setEigenvalues(drawing::columnValues(parts[0].values));
  if (parts.size() == 3 && parts[1].name == "S")
    setSingularValues(drawing::diagonalMagnitudes(parts[1].values));
}

void PictureWindow::setEigenvalues(const std::vector<std::complex<double>>& values) {
  drawing::plotEigenvalues(*eigen_->chart(), values);
  tabs_->setCurrentIndex(tabs_->addTab(eigen_, "Eigenvalues"));
}

void PictureWindow::setSingularValues(const std::vector<double>& values) {
  drawing::plotSingularValues(*singular_->chart(), values);
  tabs_->setCurrentIndex(tabs_->addTab(singular_, "Singular values"));
}

void PictureWindow::paintTab(QPainter& painter, const QRect& area) const {
  if (tabs_->currentWidget() == heat_) return heat_->paintPicture(painter, area);
  auto* chart = static_cast<QChartView*>(tabs_->currentWidget());
  painter.fillRect(area, Qt::white);
  chart->render(&painter, area);
}

QImage PictureWindow::pictureImage() const {
  const QSize size = tabs_->currentWidget()->size();
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  paintTab(painter, image.rect());
  return image;
}

void PictureWindow::copyPicture() {
  QApplication::clipboard()->setImage(pictureImage());
}

void PictureWindow::savePictureAs() {
  const QString path =
      dialogs_.chooseFile(saveDialog_, "SavePictureDialog", QFileDialog::AcceptSave,
                          {"PNG image (*.png)", "SVG drawing (*.svg)"}, "png");
  if (path.isEmpty()) return;
  try {
    const QByteArray data = drawing::pictureBytes(
        drawing::pictureKind(bytes(path)), tabs_->currentWidget()->size(),
        [this](QPainter& painter, const QRect& area) { paintTab(painter, area); });
    writeFileSafely(fileName(path), std::string_view(data.constData(), std::size_t(data.size())));
  } catch (const std::exception& e) {
    dialogs_.showMessage(QMessageBox::Critical, "Kelvaro", latin1(e.what()));
  }
}

}  // namespace kelvaro::shell

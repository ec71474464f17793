#include "shell/panes.h"

#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <algorithm>

#include "shell/MyImgBtn.h"
#include "shell/form_splitter.h"
#include "shell/parameter_panel.h"
#include "shell/skin.h"
#include "shell/skinned_frame.h"

namespace kelvaro::shell {

namespace {

constexpr int kPaneFontPixels = 13;

QVBoxLayout* stack(QWidget* widget) {
  auto* layout = new QVBoxLayout(widget);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  return layout;
}

// A pane: plain single-byte text without word wrap; its pop-up menu opens on a right click.
QPlainTextEdit* makePane(const char* name, QMenu* contextMenu, QWidget* parent) {
  auto* edit = new QPlainTextEdit(parent);
  edit->setObjectName(name);
  QFont font = skinFont();
  font.setPixelSize(kPaneFontPixels);
  // Pane text is single-byte Latin text: nothing to shape, and shaping the long lines of a
  // large matrix is most of what showing it costs.
  font.setStyleStrategy(QFont::PreferNoShaping);
  font.setKerning(false);
  edit->setFont(font);
  edit->setLineWrapMode(QPlainTextEdit::NoWrap);
  // Below its header a pane keeps a couple of lines, not the height its scroll bars would ask
  // for: in a low window the operand column would otherwise push the parameters out of sight.
  edit->setMinimumHeight(OperandColumn::kMinPaneHeight - PaneHeader::kHeight);
  // Tab goes on to the next control, as from every field (blanks separate the elements).
  edit->setTabChangesFocus(true);
  edit->setFrameShape(QFrame::NoFrame);
  edit->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(
      edit, &QWidget::customContextMenuRequested, contextMenu,
      [edit, contextMenu](const QPoint& at) { contextMenu->popup(edit->mapToGlobal(at)); });
  return edit;
}

}  // namespace

PaneHeader::PaneHeader(const char* name, const char* backdrop, const char* caption,
                       const char* sizeName, QWidget* parent, int keepRight)
    : QWidget(parent), keepRight_(keepRight) {
  setObjectName(name);
  setFixedHeight(kHeight);
  new Backdrop(backdrop, skinImage(backdrop), this);
  auto* label = new QLabel(caption, this);
  QFont font = skinFont();
  font.setPixelSize(kCaptionPixels);
  font.setBold(true);
  label->setFont(font);
  label->setGeometry(QRect(kCaptionAt, QSize(label->sizeHint().width(), kCaptionHeight)));
  caption_ = label;
  size_ = new QLabel(this);
  size_->setObjectName(sizeName);
  font.setBold(false);
  size_->setFont(font);
  size_->hide();
}

void PaneHeader::showSize(const QString& size) {
  if (size == sizeText_) return;
  sizeText_ = size;
  placeSize();
  // Read out as the status bar says sizes: "3 by 4".
  static const QRegularExpression kTimes(QStringLiteral("(\\d)x(\\d)"));
  size_->setAccessibleName(QString(size).replace(kTimes, QStringLiteral("\\1 by \\2")));
}

void PaneHeader::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  placeSize();
}

void PaneHeader::placeSize() {
  const int left = captionRight() + kSizeGap;
  const int room = width() - keepRight_ - left;
  // Cut short rather than under the collapse buttons, and gone where nothing of it fits.
  const QString shown = size_->fontMetrics().elidedText(sizeText_, Qt::ElideRight, room);
  size_->setText(shown);
  size_->setGeometry(left, kCaptionAt.y(), std::max(0, room), kCaptionHeight);
  size_->setVisible(!shown.isEmpty());
}

int PaneHeader::captionRight() const {
  return caption_->geometry().right() + 1;
}

void PaneHeader::names(QPlainTextEdit* pane, QMenu* contextMenu) {
  QString name = caption_->text();
  if (name.endsWith(u':')) name.chop(1);
  caption_->setBuddy(pane);
  pane->setAccessibleName(name);
  if (contextMenu->accessibleName().isEmpty()) contextMenu->setAccessibleName(name);
}

OperandColumn::OperandColumn(QMenu* menuA, QMenu* menuB, QWidget* parent)
    : SplitControl(Qt::Vertical, kWidth, parent) {
  setObjectName("Panel6");
  setMinimumWidth(kNarrowestWidth);
  QVBoxLayout* layout = stack(this);
  Panel7 = new SplitControl(Qt::Horizontal, kPaneAHeight, this);
  Panel7->setObjectName("Panel7");
  QVBoxLayout* a = stack(Panel7);
  Panel10 = new PaneHeader("Panel10", "Image14", "Matrix A:", "SizeOfA", Panel7);
  a->addWidget(Panel10);
  RichEdit1 = makePane("RichEdit1", menuA, Panel7);
  Panel10->names(RichEdit1, menuA);
  a->addWidget(RichEdit1, 1);
  Splitter2 = new FormSplitter(Qt::Horizontal, Panel7, this);
  Splitter2->setObjectName("Splitter2");
  Splitter2->setFixedHeight(kSplitterHeight);
  Splitter2->setCanResize([this](int n) {
    return n >= kMinPaneHeight && height() - n - Splitter2->height() >= kMinPaneHeight;
  });
  Panel9 = new QWidget(this);
  Panel9->setObjectName("Panel9");
  QVBoxLayout* b = stack(Panel9);
  Panel11 = new PaneHeader("Panel11", "Image17", "Matrix B:", "SizeOfB", Panel9);
  b->addWidget(Panel11);
  RichEdit2 = makePane("RichEdit2", menuB, Panel9);
  Panel11->names(RichEdit2, menuB);
  b->addWidget(RichEdit2, 1);
  layout->addWidget(Panel7);
  layout->addWidget(Splitter2);
  layout->addWidget(Panel9, 1);
}

ResultPanel::ResultPanel(const SkinnedFrame& frame, QMenu* menu, QWidget* parent)
    : QWidget(parent) {
  setObjectName("Panel4");
  QVBoxLayout* column = stack(this);
  Panel5 = new PaneHeader("Panel5", "Image16", "Result:", "SizeOfResult", this,
                          kParameterButtonsFromRight);
  Panel5->installEventFilter(this);
  // The collapse buttons stay clear of the caption.
  Panel5->setMinimumWidth(Panel5->captionRight() + kParameterButtonsFromRight);
  column->addWidget(Panel5);
  RichEdit3 = makePane("RichEdit3", menu, this);
  Panel5->names(RichEdit3, menu);
  column->addWidget(RichEdit3, 1);
  Panel8 = new ParameterPanel(this);
  column->addWidget(Panel8);

  auto collapse = [&](const char* name, const char* strip, const char* tip) {
    auto* b = new TImgBtn(Panel5);
    b->setObjectName(name);
    loadButtonStrip(*b, frame.skin(strip), 0, 0, kCollapseButtonSize.width(),
                    kCollapseButtonSize.height(), Strip::Horizontal);
    b->setToolTip(tip);
    return b;
  };
  ImgBtnUp = collapse("ImgBtnUp", "ImageUpShow", "Hide the parameters");
  ImgBtnDown = collapse("ImgBtnDown", "ImageDownShow", "Show the parameters");
  ImgBtnRightShow = collapse("ImgBtnRightShow", "ImageRightShow", "Hide the operation panel");
  ImgBtnLeftShow = collapse("ImgBtnLeftShow", "ImageLeftShow", "Show the operation panel");
  ImgBtnDown->hide();
  ImgBtnLeftShow->hide();
}

void ResultPanel::placeCollapseButtons() {
  const int w = Panel5->width();
  ImgBtnUp->move(w - kParameterButtonsFromRight, 0);
  ImgBtnDown->move(w - kParameterButtonsFromRight, 0);
  ImgBtnRightShow->move(w - kOperationButtonsFromRight, 0);
  ImgBtnLeftShow->move(w - kOperationButtonsFromRight, 0);
}

bool ResultPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Panel5 && event->type() == QEvent::Resize) placeCollapseButtons();
  return false;
}

}  // namespace kelvaro::shell

#include "shell/progress_strip.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QToolButton>
#include <cmath>

#include "shell/skin.h"

namespace kelvaro::shell {

namespace {
constexpr int kBarWidth = 160;
constexpr int kPixels = 12;
}  // namespace

ProgressStrip::ProgressStrip(QWidget* parent) : QWidget(parent) {
  setObjectName("ProgressStrip");
  QFont font = skinFont();
  font.setPixelSize(kPixels);
  setFont(font);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 4, 0, 4);
  label_ = new QLabel(this);
  label_->setObjectName("ProgressLabel");
  bar_ = new QProgressBar(this);
  bar_->setObjectName("ProgressBar");
  bar_->setRange(0, 100);
  bar_->setFixedWidth(kBarWidth);
  bar_->setFormat("%p%");
  bar_->setAccessibleName("Progress");
  cancel_ = new QToolButton(this);
  cancel_->setObjectName("ProgressCancel");
  cancel_->setText("Cancel");
  cancel_->setToolTip("Stop the command (Esc); the panes stay as they were");
  row->addWidget(label_);
  row->addWidget(bar_);
  row->addWidget(cancel_);
  row->addStretch(1);
  connect(cancel_, &QToolButton::clicked, this, &ProgressStrip::cancelClicked);
  hide();
}

void ProgressStrip::start(const QString& label) {
  label_->setText(label);
  bar_->setAccessibleName(label + " progress");
  bar_->setValue(0);
  show();
}

void ProgressStrip::setFraction(double fraction) {
  bar_->setValue(static_cast<int>(std::floor(fraction * 100.0)));
}

}  // namespace kelvaro::shell

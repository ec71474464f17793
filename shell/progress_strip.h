#pragma once
// What the bottom strip shows while a long command runs: its label, a bar with the share done,
// and a Cancel button.

#include <QWidget>

class QLabel;
class QProgressBar;
class QToolButton;

namespace kelvaro::shell {

class ProgressStrip : public QWidget {
  Q_OBJECT
 public:
  explicit ProgressStrip(QWidget* parent = nullptr);

  void start(const QString& label);
  // fraction: 0 to 1.
  void setFraction(double fraction);

 signals:
  void cancelClicked();

 private:
  QLabel* label_;
  QProgressBar* bar_;
  QToolButton* cancel_;
};

}  // namespace kelvaro::shell

#pragma once
// Panel3, the operation panel: a button for every operation of the calculator, each
// operation on A beside the same operation on B, and below them AuTo and the Swap menu. It
// scrolls when the window is too low for all of them.

#include <QMargins>
#include <QScrollArea>

#include "commands/command_table.h"

class QMenu;

namespace kelvaro::shell {

// The caption of a command's button ("Fill A", "Svd(B)").
QString operationCaption(const kelvaro::CommandInfo& command);

class OperationPanel : public QScrollArea {
  Q_OBJECT
 public:
  static constexpr int kWidth = 238;
  static constexpr QMargins kMargins{6, 8, 6, 8};
  static constexpr int kSpacing = 3;
  static constexpr int kButtonHeight = 27;
  static constexpr int kFontPixels = 12;

  OperationPanel(QMenu* swapMenu, QWidget* parent);

 protected:
  // The buttons' captions are measured in the font shown: the panel is as wide as the widest
  // needs in every column, and while the scroll bar shows it grows as much as it must for the
  // bar to cover no button.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void fitWidth();

 signals:
  void operationClicked(const kelvaro::CommandInfo& command);
  void autoClicked();
};

}  // namespace kelvaro::shell

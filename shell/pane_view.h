#pragma once
// Keeps one text control and one calculator pane in step. The control is read into the pane
// only when the person edited it since the last exchange, and after a command only what the
// pane reports as changed is written back: new result lines are appended in place, and a
// rewritten pane whose text came out the same (aligning an aligned pane) is left alone.
// Pane text is single-byte; the control shows it as Latin-1.

#include <QObject>
#include <string>
#include <vector>

#include "numbers/pane.h"

class QPlainTextEdit;

namespace kelvaro::shell {

class PaneView : public QObject {
 public:
  PaneView(QPlainTextEdit* edit, Pane* pane);

  // Before a command: the control's text into the pane, if the person changed it.
  void pull();
  // After a command: the pane's changes into the control. Returns whether it changed.
  bool push();
  // Whether the control holds edits the pane has not seen yet.
  bool edited() const { return edited_; }

  // The control's text as pane lines ("" is no line; LF separates lines).
  static std::vector<std::string> linesOf(const QString& text);

 private:
  void showAll();
  void replaceFrom(std::size_t firstLine);

  QPlainTextEdit* edit_;
  Pane* pane_;
  bool edited_ = false;
  bool writing_ = false;
  // The pane's lines as the control shows them, to see whether a rewrite changed anything.
  std::vector<std::string> shown_;
};

}  // namespace kelvaro::shell

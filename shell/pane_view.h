#pragma once
// Keeps one text control and one calculator pane in step. The control is read into the pane
// only when the person edited it since the last exchange. After a command only the lines that
// differ are written back, as one edit the person can undo (Ctrl+Z) and redo: new result lines
// are appended in place, and a rewritten pane whose text came out the same (aligning an
// aligned pane) is left alone. Pane text is single-byte; the control shows it as Latin-1.

#include <QObject>
#include <string>
#include <vector>

#include "numbers/pane.h"

class QPlainTextEdit;

namespace kelvaro::shell {

class PaneView : public QObject {
 public:
  // The text a control keeps for undoing, beyond what it shows: once it holds more than about
  // 64 MB (two bytes a character), the next change drops the older steps first. The newest
  // step can always be undone.
  static constexpr qsizetype kHistoryCharacters = qsizetype{32} << 20;

  PaneView(QPlainTextEdit* edit, Pane* pane, qsizetype historyCharacters = kHistoryCharacters);

  // Before a command: the control's text into the pane, if the person changed it.
  void pull();
  // After a command: the pane's changes into the control. Returns whether it changed.
  bool push();
  // The next push and the person's last edit are undone together (a paste and its alignment).
  void joinNextPush() { join_ = true; }
  // The pane's whole text into the control, as a new start (nothing to undo).
  void showAnew();
  // Whether the control holds edits the pane has not seen yet.
  bool edited() const { return edited_; }

  // The control's text as pane lines ("" is no line; LF separates lines).
  static std::vector<std::string> linesOf(const QString& text);

 private:
  void showAll();
  // Replaces the text from position `from` to `to`, as one undo step (or as part of the last).
  void replace(int from, int to, const QString& text, bool join);
  // Lets the document forget its undo history and the texts it kept for it.
  void forgetHistory();

  QPlainTextEdit* edit_;
  Pane* pane_;
  bool edited_ = false;
  bool writing_ = false;
  bool join_ = false;
  // The pane's lines as the control shows them, to find what a command changed.
  std::vector<std::string> shown_;
  // Characters the document holds, shown or kept for undoing: every insertion adds to its
  // store, and nothing leaves it until the document is set anew.
  qsizetype stored_ = 0;
  qsizetype historyCharacters_;
};

}  // namespace kelvaro::shell

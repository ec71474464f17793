#pragma once
// Files dropped on the window: a project (.mtx) opens wherever it is dropped, and any other
// file dropped on pane A or B is read as Paste Matrix reads the clipboard (a matrix as text,
// CSV, TSV, ...). Other files are refused. Text dragged from another program is left to the
// control under it.

#include <QObject>

class QPlainTextEdit;
class TForm1;

namespace kelvaro::shell {

class FileDrops : public QObject {
 public:
  // Watches the window and every part of it that takes drops.
  FileDrops(TForm1& form, QPlainTextEdit* paneA, QPlainTextEdit* paneB);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TForm1& form_;
  QPlainTextEdit* panes_[2];
};

}  // namespace kelvaro::shell

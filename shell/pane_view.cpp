#include "shell/pane_view.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace kelvaro::shell {

PaneView::PaneView(QPlainTextEdit* edit, Pane* pane) : QObject(edit), edit_(edit), pane_(pane) {
  connect(edit_->document(), &QTextDocument::contentsChanged, this, [this] {
    if (!writing_) edited_ = true;
  });
  pane_->takeChange();
  showAll();
}

std::vector<std::string> PaneView::linesOf(const QString& text) {
  std::vector<std::string> lines;
  if (text.isEmpty()) return lines;
  const QByteArray bytes = text.toLatin1();
  const char* data = bytes.constData();
  const qsizetype size = bytes.size();
  qsizetype start = 0;
  for (qsizetype i = 0; i <= size; ++i) {
    if (i < size && data[i] != '\n') continue;
    lines.emplace_back(data + start, data + i);
    start = i + 1;
  }
  return lines;
}

void PaneView::pull() {
  if (!edited_) return;
  pane_->setLines(linesOf(edit_->toPlainText()));
  pane_->takeChange();
  shown_ = pane_->lines();
  edited_ = false;
}

bool PaneView::push() {
  const Pane::Change change = pane_->takeChange();
  if (!change.any()) return false;
  if (change.rewritten) {
    if (pane_->lines() == shown_) return false;
    showAll();
  } else {
    replaceFrom(change.firstLine);
  }
  return true;
}

void PaneView::showAll() {
  writing_ = true;
  edit_->setPlainText(QString::fromLatin1(pane_->text()));
  writing_ = false;
  shown_ = pane_->lines();
  edited_ = false;
}

void PaneView::replaceFrom(std::size_t firstLine) {
  const auto& lines = pane_->lines();
  QTextDocument* doc = edit_->document();
  const auto shownCount = static_cast<std::size_t>(doc->blockCount());
  std::string tail;
  std::size_t size = 0;
  for (std::size_t i = firstLine; i < lines.size(); ++i) size += lines[i].size() + 1;
  tail.reserve(size + 1);
  QTextCursor cursor(doc);
  if (firstLine < shownCount) {
    // Lines from firstLine on are replaced: select them and type the new ones over them.
    cursor.setPosition(doc->findBlockByNumber(static_cast<int>(firstLine)).position());
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
  } else {
    cursor.movePosition(QTextCursor::End);
    tail.push_back('\n');
  }
  for (std::size_t i = firstLine; i < lines.size(); ++i) {
    if (i > firstLine) tail.push_back('\n');
    tail.append(lines[i]);
  }
  writing_ = true;
  // One edit block: the layout hears of the change once, not once per inserted line.
  cursor.beginEditBlock();
  cursor.insertText(QString::fromLatin1(tail));
  cursor.endEditBlock();
  writing_ = false;
  shown_.resize(std::min(shown_.size(), firstLine));
  shown_.insert(shown_.end(), lines.begin() + static_cast<std::ptrdiff_t>(firstLine), lines.end());
  // The newest result is what the person wants to see. Scrolling by the bar costs nothing;
  // moving the text cursor there would lay out every long line near the end first.
  edit_->verticalScrollBar()->setValue(edit_->verticalScrollBar()->maximum());
  edit_->horizontalScrollBar()->setValue(0);
}

}  // namespace kelvaro::shell

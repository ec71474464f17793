#include "shell/pane_view.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <utility>

namespace kelvaro::shell {

namespace {

// Lines [first, end) joined with LF.
QString joined(const std::vector<std::string>& lines, std::size_t first, std::size_t end) {
  std::string text;
  std::size_t size = 0;
  for (std::size_t i = first; i < end; ++i) size += lines[i].size() + 1;
  text.reserve(size);
  for (std::size_t i = first; i < end; ++i) {
    if (i > first) text.push_back('\n');
    text.append(lines[i]);
  }
  return QString::fromLatin1(text);
}

}  // namespace

PaneView::PaneView(QPlainTextEdit* edit, Pane* pane, qsizetype historyCharacters)
    : QObject(edit), edit_(edit), pane_(pane), historyCharacters_(historyCharacters) {
  QTextDocument* doc = edit_->document();
  connect(doc, &QTextDocument::contentsChanged, this, [this] {
    if (!writing_) edited_ = true;
  });
  connect(doc, &QTextDocument::contentsChange, this,
          [this](int, int, int added) { stored_ += added; });
  showAnew();
}

void PaneView::showAnew() {
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
  const bool join = std::exchange(join_, false);
  if (!change.any()) return false;
  const bool stale = std::exchange(edited_, false);
  const std::vector<std::string>& lines = pane_->lines();
  QTextDocument* doc = edit_->document();
  const std::size_t oldCount = shown_.size(), newCount = lines.size();
  const int docEnd = doc->characterCount() - 1;
  // Lines [first, oldEnd) of the control become lines [first, newEnd) of the pane, and
  // characters [from, to) of the control the text.
  std::size_t first = 0, oldEnd = oldCount, newEnd = newCount;
  int from = 0, to = docEnd;
  QString text;
  if (stale) {
    // Edits the pane has not seen (made while the command ran) give way to its text.
    text = joined(lines, 0, newCount);
  } else {
    // Only the lines between an unchanged start and an unchanged end are replaced.
    if (!change.rewritten) first = std::min({change.firstLine, oldCount, newCount});
    while (first < oldCount && first < newCount && shown_[first] == lines[first]) ++first;
    while (oldEnd > first && newEnd > first && shown_[oldEnd - 1] == lines[newEnd - 1]) {
      --oldEnd;
      --newEnd;
    }
    if (first == oldEnd && first == newEnd) return false;
    auto startOf = [doc](std::size_t line) {
      return doc->findBlockByNumber(static_cast<int>(line)).position();
    };
    auto endOf = [doc](std::size_t line) {
      const QTextBlock block = doc->findBlockByNumber(static_cast<int>(line));
      return block.position() + block.length() - 1;
    };
    text = joined(lines, first, newEnd);
    if (oldEnd > first && newEnd > first) {
      from = startOf(first);
      to = endOf(oldEnd - 1);
    } else if (oldEnd > first) {  // lines removed, with the break before or after them
      if (oldEnd < oldCount) {
        from = startOf(first);
        to = startOf(oldEnd);
      } else if (first > 0) {
        from = endOf(first - 1);
      }
    } else if (first < oldCount) {  // lines inserted before others
      from = to = startOf(first);
      text.append('\n');
    } else if (oldCount > 0) {  // lines added at the end
      from = to = docEnd;
      text.prepend('\n');
    }
  }
  shown_.erase(shown_.begin() + static_cast<std::ptrdiff_t>(first),
               shown_.begin() + static_cast<std::ptrdiff_t>(oldEnd));
  shown_.insert(shown_.begin() + static_cast<std::ptrdiff_t>(first),
                lines.begin() + static_cast<std::ptrdiff_t>(first),
                lines.begin() + static_cast<std::ptrdiff_t>(newEnd));
  // No line and one empty line look alike.
  if (from == to && text.isEmpty()) return false;
  replace(from, to, text, join);

  if ((change.rewritten || stale) && first < oldCount) {
    // A rewritten pane shows where it starts to differ. Scrolling by the bar (a line a step)
    // costs nothing; moving the text cursor there would lay its line out first.
    edit_->verticalScrollBar()->setValue(static_cast<int>(first));
  } else {
    // The newest result is what the person wants to see. Scrolling by the bar costs nothing;
    // moving the text cursor there would lay out every long line near the end first.
    edit_->verticalScrollBar()->setValue(edit_->verticalScrollBar()->maximum());
  }
  edit_->horizontalScrollBar()->setValue(0);
  return true;
}

void PaneView::showAll() {
  writing_ = true;
  edit_->setPlainText(QString::fromLatin1(pane_->text()));
  writing_ = false;
  shown_ = pane_->lines();
  edited_ = false;
  stored_ = edit_->document()->characterCount();
}

void PaneView::replace(int from, int to, const QString& text, bool join) {
  QTextDocument* doc = edit_->document();
  if (stored_ - doc->characterCount() > historyCharacters_) {
    forgetHistory();
    join = false;
  }
  QTextCursor cursor(doc);
  cursor.setPosition(to);
  writing_ = true;
  // One edit block: one step to undo, and the layout hears of the change once.
  if (join && doc->isUndoAvailable())
    cursor.joinPreviousEditBlock();
  else
    cursor.beginEditBlock();
  // The new text goes in after the old, which then goes: the person's text cursor, if it was
  // in the old text, stands at the start of the new.
  if (!text.isEmpty()) cursor.insertText(text);
  if (from < to) {
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
  }
  cursor.endEditBlock();
  writing_ = false;
}

void PaneView::forgetHistory() {
  QTextDocument* doc = edit_->document();
  // Only a document set anew lets go of the texts it kept for undoing.
  writing_ = true;
  doc->setPlainText(doc->toRawText());
  writing_ = false;
  stored_ = doc->characterCount();
}

}  // namespace kelvaro::shell

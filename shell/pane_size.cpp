#include "shell/pane_size.h"

#include <QTextBlock>
#include <QTextDocument>
#include <utility>

namespace kelvaro::shell {

QString sizeCaption(int rows, int columns) {
  return QStringLiteral("%1x%2").arg(rows).arg(columns);
}

PaneSizeWatch::PaneSizeWatch(QTextDocument* document,
                             std::function<void(const PaneSizeWatch&)> changed)
    : QObject(document), document_(document), changed_(std::move(changed)) {
  tally_.replaceLines(0, 0, static_cast<std::size_t>(document->blockCount()));
  recount(0, document->blockCount() - 1);
  connect(document, &QTextDocument::contentsChange, this,
          [this](int position, int, int added) { follow(position, added); });
  changed_(*this);
}

QString PaneSizeWatch::caption() const {
  if (tally_.rows() == 0) return {};
  QString text = sizeCaption(tally_.rows(), tally_.columns());
  if (tally_.incomplete()) text += QStringLiteral(", incomplete");
  return text;
}

void PaneSizeWatch::follow(int position, int added) {
  // The blocks from the one where the change starts to the one where it ends are new; as many
  // blocks as follow it follow the changed lines of the tally.
  const int blocks = document_->blockCount();
  const QTextBlock firstBlock = document_->findBlock(position);
  const QTextBlock lastBlock = document_->findBlock(position + added);
  const int first = firstBlock.isValid() ? firstBlock.blockNumber() : blocks - 1;
  const int last = lastBlock.isValid() ? lastBlock.blockNumber() : blocks - 1;
  const std::size_t after = static_cast<std::size_t>(blocks - 1 - last);
  const int rows = tally_.rows(), columns = tally_.columns();
  const bool incomplete = tally_.incomplete();
  const std::size_t lines = tally_.lineCount();
  if (lines < after + static_cast<std::size_t>(first)) {
    // The change spans more than the tally knows of: every line anew.
    tally_.replaceLines(0, lines, static_cast<std::size_t>(blocks));
    recount(0, blocks - 1);
  } else {
    tally_.replaceLines(static_cast<std::size_t>(first), lines - after,
                        static_cast<std::size_t>(last - first + 1));
    recount(first, last);
  }
  if (tally_.rows() != rows || tally_.columns() != columns || tally_.incomplete() != incomplete)
    changed_(*this);
}

void PaneSizeWatch::recount(int firstBlock, int lastBlock) {
  QTextBlock block = document_->findBlockByNumber(firstBlock);
  for (int i = firstBlock; i <= lastBlock && block.isValid(); ++i, block = block.next()) {
    const QString line = block.text();
    tally_.setLine(static_cast<std::size_t>(i),
                   std::u16string_view(reinterpret_cast<const char16_t*>(line.utf16()),
                                       static_cast<std::size_t>(line.size())));
  }
}

}  // namespace kelvaro::shell

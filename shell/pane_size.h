#pragma once
// Follows the text of a pane as it is typed and tells the size of the matrix it holds
// ("3x4"), counting only the lines each change touched.

#include <QObject>
#include <QString>
#include <functional>

#include "numbers/pane_size_tally.h"

class QTextDocument;

namespace kelvaro::shell {

class PaneSizeWatch : public QObject {
 public:
  // `changed` runs at once and after each change of the document that changed the size.
  PaneSizeWatch(QTextDocument* document, std::function<void(const PaneSizeWatch&)> changed);

  const PaneSizeTally& tally() const { return tally_; }
  // "3x4", "3x4, incomplete" when some rows are shorter; empty when the pane holds no row.
  QString caption() const;

 private:
  void follow(int position, int added);
  void recount(int firstBlock, int lastBlock);

  QTextDocument* document_;
  std::function<void(const PaneSizeWatch&)> changed_;
  PaneSizeTally tally_;
};

// The size of a matrix as the pane captions show it.
QString sizeCaption(int rows, int columns);

}  // namespace kelvaro::shell

#include "shell/operation_panel.h"

#include <QEvent>
#include <QGridLayout>
#include <QScrollBar>
#include <QToolButton>
#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "shell/accessibility.h"
#include "shell/skin.h"
#include "shell/window_menus.h"

namespace kelvaro::shell {

QString operationCaption(const kelvaro::CommandInfo& command) {
  const std::string_view caption = kelvaro::captionOf(command);
  // A lone "&" would mark a mnemonic.
  return QString::fromLatin1(caption.data(), static_cast<qsizetype>(caption.size()))
      .replace("&", "&&");
}

OperationPanel::OperationPanel(QMenu* swapMenu, QWidget* parent) : QScrollArea(parent) {
  setObjectName("Panel3");
  setFixedWidth(kWidth);
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setWidgetResizable(true);
  setFocusPolicy(Qt::NoFocus);  // Tab goes through the buttons, not the panel
  auto* buttons = new QWidget;
  new Backdrop("Image13", skinImage("Image13"), buttons);
  auto* grid = new QGridLayout(buttons);
  grid->setContentsMargins(kMargins);
  grid->setHorizontalSpacing(kSpacing);
  grid->setVerticalSpacing(kSpacing);
  QFont font = skinFont();
  font.setPixelSize(kFontPixels);
  setFont(font);
  auto button = [&](const char* name, const QString& caption, const char* hint) {
    auto* b = new QToolButton(buttons);
    b->setObjectName(name);
    b->setText(caption);
    b->setToolTip(QString::fromLatin1(hint));
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    b->setFixedHeight(kButtonHeight);
    return b;
  };
  // Each button at the cell its command's row gives it, made row by row so that Tab goes
  // through them as they stand.
  std::vector<const kelvaro::CommandInfo*> commands;
  for (const kelvaro::CommandInfo& command : kelvaro::commandTable())
    if (command.cell.onPanel()) commands.push_back(&command);
  std::ranges::sort(commands, {}, [](const kelvaro::CommandInfo* c) {
    return std::pair(c->cell.row, c->cell.column);
  });
  for (const kelvaro::CommandInfo* command : commands) {
    QToolButton* b = button(command->button, operationCaption(*command), command->hint);
    connect(b, &QToolButton::clicked, this, [this, command] { emit operationClicked(*command); });
    grid->addWidget(b, command->cell.row, command->cell.column);
  }
  const int row = kelvaro::kOperationGridRows;
  QToolButton* autoButton = button("SpeedButton10", "AuTo", "Auto calculate");
  connect(autoButton, &QToolButton::clicked, this, &OperationPanel::autoClicked);
  QToolButton* swap =
      button("SpeedButton1", QString::fromUtf8("Swap \u25be"), "Swap A,B and Result");
  connect(swap, &QToolButton::clicked, this, [swap, swapMenu] { dropDown(swap, swapMenu); });
  setMenuOpener(swap, swapMenu);
  grid->addWidget(autoButton, row, 0, 1, 2);
  grid->addWidget(swap, row, 2, 1, 2);
  grid->setRowStretch(row + 1, 1);
  setWidget(buttons);
  verticalScrollBar()->installEventFilter(this);
  buttons->installEventFilter(this);
  fitWidth();
}

void OperationPanel::fitWidth() {
  const int bar =
      verticalScrollBar()->isVisibleTo(this) ? verticalScrollBar()->sizeHint().width() : 0;
  setFixedWidth(std::max(kWidth, widget()->minimumSizeHint().width() + bar));
}

bool OperationPanel::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if ((watched == verticalScrollBar() && (type == QEvent::Show || type == QEvent::Hide)) ||
      (watched == widget() && type == QEvent::LayoutRequest))
    fitWidth();
  return QScrollArea::eventFilter(watched, event);
}

}  // namespace kelvaro::shell

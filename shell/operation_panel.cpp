#include "shell/operation_panel.h"

#include <QGridLayout>
#include <QToolButton>
#include <array>
#include <string_view>

#include "shell/skin.h"
#include "shell/window_menus.h"

namespace kelvaro::shell {

namespace {

// The buttons row by row, by the calculator's action names.
constexpr std::array<std::array<const char*, 4>, 11> kOperationGrid{{
    {"A", "B", "A+B", "A-B"},
    {"A'", "B'", "A*x", "B*x"},
    {"fill-a", "fill-b", "Dim(A)", "Dim(B)"},
    {"Trace(A)", "Trace(B)", "Norm(A)", "Norm(B)"},
    {"A.*B", "A./B", "A*B", "A'*B"},
    {"A&B", "A|B", "A#B", "A/B"},
    {"inv(A)", "inv(B)", "Det(A)", "Det(B)"},
    {"Rank(A)", "Rank(B)", "A^x", "B^x"},
    {"LU(A)", "LU(B)", "QR(A)", "QR(B)"},
    {"Chol(A)", "Chol(B)", "Svd(A)", "Svd(B)"},
    {"Eig(A)", "Eig(B)", "inv(A)*B", nullptr},
}};

QString operationCaption(std::string_view action) {
  if (action == "fill-a") return QStringLiteral("Fill A");
  if (action == "fill-b") return QStringLiteral("Fill B");
  // A lone "&" would mark a mnemonic.
  return QString::fromLatin1(action.data(), static_cast<qsizetype>(action.size()))
      .replace("&", "&&");
}

}  // namespace

OperationPanel::OperationPanel(QMenu* swapMenu, QWidget* parent) : QWidget(parent) {
  setObjectName("Panel3");
  setFixedWidth(kWidth);
  new Backdrop("Image13", skinImage("Image13"), this);
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(kMargins);
  grid->setHorizontalSpacing(kSpacing);
  grid->setVerticalSpacing(kSpacing);
  QFont font("Liberation Sans");
  font.setPixelSize(kFontPixels);
  setFont(font);
  auto button = [&](const char* name, const QString& caption, const char* hint) {
    auto* b = new QToolButton(this);
    b->setObjectName(name);
    b->setText(caption);
    b->setToolTip(QString::fromLatin1(hint));
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    b->setFixedHeight(kButtonHeight);
    return b;
  };
  int row = 0;
  for (const auto& line : kOperationGrid) {
    for (int col = 0; col < 4; ++col) {
      if (!line[col]) continue;
      const kelvaro::CommandInfo* command = kelvaro::findCommandByAction(line[col]);
      QToolButton* b = button(command->button, operationCaption(command->action), command->hint);
      connect(b, &QToolButton::clicked, this, [this, command] { emit operationClicked(*command); });
      grid->addWidget(b, row, col);
    }
    ++row;
  }
  QToolButton* autoButton = button("SpeedButton10", "AuTo", "Auto calculate");
  connect(autoButton, &QToolButton::clicked, this, &OperationPanel::autoClicked);
  QToolButton* swap =
      button("SpeedButton1", QString::fromUtf8("Swap \u25be"), "Swap A,B and Result");
  connect(swap, &QToolButton::clicked, this, [swap, swapMenu] { dropDown(swap, swapMenu); });
  grid->addWidget(autoButton, row, 0, 1, 2);
  grid->addWidget(swap, row, 2, 1, 2);
  grid->setRowStretch(row + 1, 1);
}

}  // namespace kelvaro::shell

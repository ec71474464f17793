#include "shell/command_toolbar.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QToolButton>
#include <tuple>

#include "shell/Unit1.h"
#include "shell/accessibility.h"
#include "shell/window_menus.h"

namespace kelvaro::shell {

namespace {

QToolButton* makeToolButton(const char* name, const QString& caption, const QString& hint,
                            const char* glyph, QWidget* parent) {
  auto* b = new QToolButton(parent);
  b->setObjectName(name);
  b->setText(caption);
  b->setToolTip(hint);
  b->setAutoRaise(true);
  b->setIcon(skinIcon(glyph));
  if (caption.isEmpty()) {
    b->setFixedSize(CommandToolBar::kArrowSize);
    b->setIconSize(CommandToolBar::kArrowGlyphSize);
    b->setToolButtonStyle(Qt::ToolButtonIconOnly);
  } else {
    // As wide as the skin has it, or as the caption needs in the font shown.
    b->setMinimumWidth(CommandToolBar::kButtonSize.width());
    b->setFixedHeight(CommandToolBar::kButtonSize.height());
    b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    b->setIconSize(CommandToolBar::kGlyphSize);
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  }
  return b;
}

}  // namespace

CommandToolBar::CommandToolBar(TForm1& form, const WindowMenus& menus, const QPixmap& background,
                               QWidget* parent)
    : ColumnBackground(background, 1, 0, kHeight, parent) {
  setObjectName("ToolBar2");
  setFixedHeight(kHeight);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(kMargins);
  row->setSpacing(0);
  QFont font = skinFont();
  font.setPixelSize(kFontPixels);
  setFont(font);
  auto* save = makeToolButton("SpeedButton3", "Save", "Save Result", "toolSave", this);
  auto* saveArrow = makeToolButton("SpeedButton55", "", "", "toolArrow", this);
  auto* align = makeToolButton("SpeedButton54", "Align", "Alignment", "toolAlign", this);
  auto* alignArrow = makeToolButton("SpeedButton53", "", "", "toolArrow", this);
  auto* clear = makeToolButton("SpeedButton4", "Clear", "Clear", "toolClear", this);
  SpeedButton48 = makeToolButton("SpeedButton48", "", "", "toolArrow", this);
  auto* autoButton = makeToolButton("SpeedButton5", "Auto", "Auto Generate", "toolAuto", this);
  auto* manual = makeToolButton("SpeedButton6", "Manual", "Manual", "toolManual", this);
  for (QToolButton* b :
       {save, saveArrow, align, alignArrow, clear, SpeedButton48, autoButton, manual})
    row->addWidget(b);
  row->addStretch(1);
  setAccessibleRole(this, QAccessible::ToolBar);
  // Each arrow is read as the menu of the button beside it ("Save menu" drops "Save" down).
  for (auto [arrow, button, menu] : {std::tuple(saveArrow, save, menus.PopupMenu6),
                                     std::tuple(alignArrow, align, menus.PopupMenu5),
                                     std::tuple(SpeedButton48, clear, menus.PopupMenu4)}) {
    arrow->setAccessibleName(button->text() + " menu");
    if (menu->accessibleName().isEmpty()) menu->setAccessibleName(button->text());
    setMenuOpener(arrow, menu);
  }
  connect(save, &QToolButton::clicked, &form, &TForm1::Save1Click);
  connect(saveArrow, &QToolButton::clicked, this,
          [saveArrow, menu = menus.PopupMenu6] { dropDown(saveArrow, menu); });
  connect(align, &QToolButton::clicked, alignArrow, &QToolButton::click);
  connect(alignArrow, &QToolButton::clicked, this,
          [alignArrow, menu = menus.PopupMenu5] { dropDown(alignArrow, menu); });
  connect(clear, &QToolButton::clicked, &form, &TForm1::Clear1Click);
  connect(SpeedButton48, &QToolButton::clicked, this,
          [arrow = SpeedButton48, menu = menus.PopupMenu4] { dropDown(arrow, menu); });
  connect(autoButton, &QToolButton::clicked, &form, &TForm1::Auto1Click);
  connect(manual, &QToolButton::clicked, &form, &TForm1::Manual1Click);
}

}  // namespace kelvaro::shell

#pragma once
// ToolBar2, the command tool bar at the top of the client area: Save, Align and Clear, each
// with the arrow of its drop-down menu, then Auto and Manual, on the skin's tool-bar
// background. Its buttons run the window's slots.

#include <QMargins>
#include <QSize>

#include "shell/skin.h"

class QToolButton;
class TForm1;

namespace kelvaro::shell {

struct WindowMenus;

class CommandToolBar : public ColumnBackground {
 public:
  static constexpr int kHeight = 57;
  static constexpr QSize kButtonSize{47, 55};  // glyph above caption
  static constexpr QSize kArrowSize{17, 55};   // the drop-down arrows
  static constexpr QSize kGlyphSize{24, 24};
  static constexpr QSize kArrowGlyphSize{12, 12};
  static constexpr QMargins kMargins{4, 1, 4, 1};
  static constexpr int kFontPixels = 11;

  CommandToolBar(TForm1& form, const WindowMenus& menus, const QPixmap& background,
                 QWidget* parent);

  // The arrow beside Clear (SpeedButton48), which Clear and F8 click.
  QToolButton* clearArrow() const { return SpeedButton48; }

 private:
  QToolButton* SpeedButton48 = nullptr;
};

}  // namespace kelvaro::shell

#pragma once
// The skin of the borderless window: its bitmaps, the three-slice stretch of the title bar,
// bottom edge and menu strip, the button strips of the image buttons, the owner-drawn menus
// and the painted tool bars.

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QProxyStyle>
#include <QToolButton>
#include <QWidget>

class TImgBtn;

namespace kelvaro::shell {

// Once the application object exists: the skinned menus over the Fusion style, the window
// font, what screen readers see of the window's own kinds of controls, and the C locale's number
// conversions (the toolkit switches to the user's locale; the calculator reads the user's decimal
// separator itself and must convert as kelvaro-cli does).
void setUpApplication();

// The skin is drawn for Liberation Sans (the package depends on it). Where the system shows
// another font in its place, the controls are sized by measuring their text in that font.
inline constexpr const char* kSkinFontFamily = "Liberation Sans";
// The window font's family (kSkinFontFamily once setUpApplication has run), for the controls
// that set a size or weight of their own.
QFont skinFont();

// The window's style sheet (style/kelvaro.qss), read from the resources once.
const QString& windowStyleSheet();

// A skin bitmap from the resources by its name ("ImageTop", "ImageM", "menu13", ...), drawn
// for screens of the given device pixel ratio: above 1, the bitmap's twice as large @2x picture
// (device pixel ratio 2) where it has one. Without a ratio, for the application's screens.
QPixmap skinImage(const QString& name, qreal devicePixelRatio);
QPixmap skinImage(const QString& name);
// A skin bitmap as an icon that shows each screen the picture drawn for it.
QIcon skinIcon(const QString& name);

// A rectangle of a bitmap in its pixels as the window counts them, in the bitmap's own device
// pixels (what QPixmap::copy and the source rectangles of QPainter::drawPixmap take).
QRect devicePixels(const QPixmap& source, const QRect& r);

// Left c x h block of the source at the left, its right c x h block at the right end, and its
// one-pixel column at x = c stretched over the rest; rows beyond the source stay empty. The
// result is made at the given device pixel ratio (by default the source's), so that what is
// drawn on it later is drawn at the screen's device pixels.
QPixmap threeSlice(const QPixmap& source, QSize target, int c, int h, qreal ratio = 0);

// Cuts the three states of an image button out of a strip: state 1 at (x, y) becomes Pic and
// the shown picture, state 2 PicUp, state 3 PicDown; the states lie one pixel apart, below
// each other (vertical) or side by side. Positions and sizes count the window's pixels, whatever
// the source's device pixel ratio.
enum class Strip { Vertical, Horizontal };
void loadButtonStrip(TImgBtn& button, const QPixmap& source, int x, int y, int w, int h,
                     Strip strip);

// The owner-drawn menu colours.
struct MenuColours {
  static constexpr QColor normal() { return QColor(255, 255, 255); }
  static constexpr QColor highlight() { return QColor(193, 210, 238); }
  static constexpr QColor highlightBorder() { return QColor(0, 128, 192); }
  static constexpr QColor iconColumn() { return QColor(226, 238, 238); }
  static constexpr QColor separator() { return QColor(212, 208, 200); }
  static constexpr QColor greyed() { return QColor(249, 248, 247); }
};

// Menu items whose action carries this property keep the toolkit's own look.
inline constexpr char kDefaultMenuLook[] = "kelvaroDefaultMenuLook";

// Draws the skinned menu items: a little wider and taller than the toolkit's, with the icon
// column, highlight and separator colours of the skin.
class MenuSkinStyle : public QProxyStyle {
 public:
  // Item layout: each item is kExtraSize larger than the toolkit measures it; the icon column
  // is kIconColumnWidth wide and the icon kIconSize square, kIconInset from the item's corner
  // (one pixel less while highlighted); a separator runs from kSeparatorLeft to
  // kSeparatorRightGap before the right end; the caption starts at kCaptionLeft and the
  // shortcut, or a submenu's arrow kSubmenuArrow square, ends kShortcutRightGap before the
  // right end.
  static constexpr QSize kExtraSize{6, 2};
  static constexpr int kIconColumnWidth = 20;
  static constexpr int kIconSize = 16;
  static constexpr int kIconInset = 3;
  static constexpr int kSeparatorLeft = 23;
  static constexpr int kSeparatorRightGap = 2;
  static constexpr int kCaptionLeft = 24;
  static constexpr int kShortcutRightGap = 10;
  static constexpr int kSubmenuArrow = 9;

  explicit MenuSkinStyle(QStyle* base = nullptr) : QProxyStyle(base) {}
  QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                         const QWidget* widget) const override;
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override;
  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override;
  // A menu: white, with a one-pixel outline in the colour of a highlighted item's border.
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;

 private:
  static bool ownerDrawn(const QStyleOption* option, const QWidget* widget);
};

// A widget that paints a bitmap's one-pixel column (rows fromRow to fromRow + rows - 1)
// stretched over itself: the backgrounds of both tool bars.
class ColumnBackground : public QWidget {
 public:
  ColumnBackground(const QPixmap& source, int x, int fromRow, int rows, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap column_;
};

// A button of the menu strip, drawn from the faces of ImageMenu with a white caption: selected
// while its menu is open, hot while the pointer is over it, normal otherwise.
class MenuStripButton : public QToolButton {
 public:
  // The least width: wider only where the font's caption needs more room.
  static constexpr int kWidth = 65;
  static constexpr int kHeight = 28;
  // Rows of the normal, hot and selected faces in ImageMenu; each face is 64 x 28 and drawn as
  // its 5-pixel left and right edges with a 5-pixel slice stretched between them.
  static constexpr int kNormalRow = 29;
  static constexpr int kHotRow = 58;
  static constexpr int kSelectedRow = 88;

  MenuStripButton(const QString& caption, QWidget* parent);
  // Kept selected while its menu is open.
  void setSelected(bool selected);
  // The caption measured in the button's font, clear of the face's edges.
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  bool selected_ = false;
  bool hot_ = false;
};

// A label that shows its bitmap stretched over its whole parent, kept behind its siblings.
class Backdrop : public QWidget {
 public:
  Backdrop(const QString& objectName, QPixmap image, QWidget* parent);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap image_;
};

}  // namespace kelvaro::shell

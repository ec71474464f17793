#pragma once
// The frame the borderless window draws for itself: the title bar (icon, caption, minimize,
// maximize/restore and close buttons), the menu strip, the left, right and bottom edges, the
// rounded outline, dragging by the title and resizing by the edges and the grip. Its pictures
// are cut from the skin bitmaps kept in the hidden PanelImage and rebuilt whenever the window
// changes size or state. The window is maximized by the frame itself (to the screen's height
// less a desktop panel's), not by the desktop, so the frame keeps that state and the geometry
// to restore.

#include <QObject>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <optional>
#include <vector>

class QLabel;
class QMenu;
class QWidget;
class TImgBtn;

namespace kelvaro::shell {

class MenuStripButton;

class SkinnedFrame : public QObject {
  Q_OBJECT
 public:
  static constexpr int kTitleHeight = 25;
  static constexpr int kMenuStripHeight = 28;
  static constexpr int kEdgeWidth = 8;
  static constexpr int kBottomHeight = 30;

  // Lays the frame out on the window, around an empty client area, and follows the window's
  // resizes and state changes from then on.
  explicit SkinnedFrame(QWidget& window);

  // What the window fills: the client area inside the edges (Panel1) shows it from its top left
  // corner, and cuts it off where the window is smaller than its contents can be.
  QWidget* client() const { return clientContents_; }
  // The bottom edge (Image2): room for what the window reports while it works.
  QLabel* bottomStrip() const { return Image2; }
  // A short note in the bottom strip, such as what the last command recognised; an empty text
  // clears it. Screen readers hear it as the status bar's name.
  // The strip's note; `announced`: read out by screen readers too.
  void showStatus(const QString& text, bool announced = true);
  // Tells screen readers a note through the status bar without showing it ("inv(A), 3 by 3").
  void announce(const QString& text);
  // A widget the strip holds over its note while it is shown (the progress of a command).
  void setStripWidget(QWidget* widget);
  QLabel* titleBar() const { return Image1; }
  TImgBtn* minimizeButton() const { return ImgBtnMin; }
  TImgBtn* maximizeButton() const { return ImgBtnMax; }
  TImgBtn* closeButton() const { return ImgBtnClose; }

  // Adds a button to the right of the menu strip's others that drops the menu down. While one
  // of the strip's menus is open, the pointer onto another button (or Left and Right) opens
  // that one's instead, as in a menu bar.
  MenuStripButton* addMenu(const char* name, const QString& caption, QMenu* menu);
  // A source bitmap of the skin, from PanelImage.
  QPixmap skin(const char* name) const;

  // Maximizes a window in the normal state, restores any other: a window the frame maximized
  // gets back the geometry it had before.
  void toggleMaximized();
  bool isMaximized() const { return maximized_; }
  // The geometry the window has, or gets back once restored.
  QRect normalGeometry() const;

 signals:
  void minimizeClicked();
  // The maximize/restore button, or a double click on the title bar.
  void maximizeClicked();
  void closeClicked();
  // A click on the strip's note.
  void statusClicked();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // A title button: the x of its faces in ImageM (three states one below the other), its
  // width, and its distance from the window's right edge.
  struct TitleButton {
    int faceX, width, fromRight;
  };
  static constexpr TitleButton kMinimize{0, 27, 100};
  static constexpr TitleButton kMaximize{26, 26, 74};
  static constexpr TitleButton kClose{52, 42, 48};
  static constexpr int kRestoreFaceX = 96;
  static constexpr int kTitleButtonHeight = 20;
  static constexpr int kTitleButtonTop = 1;
  // Corner widths of the three-slice stretches; the bottom edge copies more rows than its
  // bitmap has.
  static constexpr int kTitleCorner = 100;
  static constexpr int kBottomCorner = 100;
  static constexpr int kBottomRows = 69;
  static constexpr int kMenuStripCorner = 10;
  // The menu strip's buttons start this far from the window's left edge.
  static constexpr int kMenuStripLeft = 12;
  // The title: icon, then the caption from kCaptionLeft up to kCaptionRight, or up to
  // kCaptionEndFromRight before the window's right edge when that comes first.
  static constexpr QRect kIconRect{10, 5, 16, 16};
  static constexpr int kCaptionLeft = 34;
  static constexpr int kCaptionTop = 2;
  static constexpr int kCaptionRight = 534;
  static constexpr int kCaptionEndFromRight = 104;
  static constexpr int kCaptionPointSize = 11;
  // Diameter of the rounded outline's corners.
  static constexpr int kOutlineCorner = 6;
  // A maximized window leaves this much of the screen's height to a desktop panel.
  static constexpr int kMaximizedShortBy = 30;
  // Where a press resizes the window: this close to its left, right or bottom side, this close
  // to its top, and the grip in the bottom-right corner. Near a corner both sides move.
  static constexpr int kResizeBorder = 8;
  static constexpr int kResizeTop = 4;
  static constexpr int kCornerSize = 20;

  // The bottom strip's note: from kStatusLeft up to kStatusEndFromRight before the right edge
  // (clear of the grip).
  static constexpr int kStatusLeft = 14;
  static constexpr int kStatusEndFromRight = 40;
  static constexpr int kStatusPixels = 12;

  void buildTitleBar();
  void placeStatus();
  void applySkin();
  void placeTitleButtons();
  void loadMaximizeImages(bool maximize);
  void drawTitle();
  // The client area's contents keep their least size, cut off below and at the right where the
  // client area is smaller. Their least width is measured in the font shown, and the window is
  // kept at least that wide (and at least as wide as it was told before the frame was made).
  void fitClientContents();
  // The sides a press at p (in the window's coordinates) resizes; none while maximized.
  Qt::Edges edgesAt(QPoint p) const;
  // Presses, moves and releases on the frame's own parts: the title drags the window (once the
  // pointer has moved, so that a double click still reaches it), the edges resize it (by the
  // desktop where it can, else by the frame itself).
  bool framePointerEvent(QWidget* part, QEvent* event);
  void dragTo(QPoint globalPos);
  // While a strip menu is open: the pointer over another strip button, or Left and Right in
  // the menu, open another. True when the event is used up.
  bool stripMenuEvent(QObject* watched, QEvent* event);
  // From the keyboard, its first item is chosen.
  void openStripMenu(std::size_t index, bool byKey);

  QWidget& window_;
  QWidget* PanelImage = nullptr;  // hidden: holds the skin's source bitmaps
  QPixmap imageTop_, imageBottom_, imageMenu_, imageM_;
  QLabel* Image1 = nullptr;   // title bar
  QLabel* Image2 = nullptr;   // bottom edge
  QLabel* status_ = nullptr;  // its note
  QString statusText_;
  QWidget* stripWidget_ = nullptr;
  QLabel* Image3 = nullptr;   // menu strip
  QLabel* Image9 = nullptr;   // left edge
  QLabel* Image10 = nullptr;  // right edge
  TImgBtn* ImgBtnMin = nullptr;
  TImgBtn* ImgBtnMax = nullptr;
  TImgBtn* ImgBtnClose = nullptr;
  QWidget* ToolBar1 = nullptr;
  QWidget* Panel1 = nullptr;
  QWidget* clientContents_ = nullptr;
  struct StripMenu {
    MenuStripButton* button;
    QMenu* menu;
  };
  std::vector<StripMenu> stripMenus_;
  // The strip menu open now, if any.
  std::optional<std::size_t> openStripMenu_;
  int menuStripWidth_ = 0;
  int leastWidth_ = 0;

  bool maximized_ = false;
  QRect restoreGeometry_;
  // A press on the frame: which sides it resizes (none: it moves the window), where it began,
  // and the window's geometry then. `following` once the frame moves or sizes the window itself.
  struct Drag {
    bool armed = false;
    bool following = false;
    Qt::Edges edges;
    QPoint from;
    QRect geometry;
  } drag_;
};

}  // namespace kelvaro::shell

#include "shell/skinned_frame.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>

#include "shell/MyImgBtn.h"
#include "shell/accessibility.h"
#include "shell/skin.h"
#include "shell/window_menus.h"

namespace kelvaro::shell {

namespace {

// The window's rounded outline on (0, 0)-(w + 1, h + 1).
QRegion roundedRegion(int w, int h, int corner) {
  QPainterPath path;
  path.addRoundedRect(QRectF(0, 0, w + 1, h + 1), corner / 2.0, corner / 2.0);
  return QRegion(path.toFillPolygon().toPolygon());
}

QLabel* makeImage(const char* name, QWidget* parent) {
  auto* image = new QLabel(parent);
  image->setObjectName(name);
  return image;
}

Qt::CursorShape resizeCursor(Qt::Edges edges) {
  if (edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge))
    return Qt::SizeFDiagCursor;
  if (edges == (Qt::RightEdge | Qt::TopEdge) || edges == (Qt::LeftEdge | Qt::BottomEdge))
    return Qt::SizeBDiagCursor;
  if (edges & (Qt::LeftEdge | Qt::RightEdge)) return Qt::SizeHorCursor;
  if (edges & (Qt::TopEdge | Qt::BottomEdge)) return Qt::SizeVerCursor;
  return Qt::ArrowCursor;
}

}  // namespace

SkinnedFrame::SkinnedFrame(QWidget& window)
    : QObject(&window), window_(window), leastWidth_(window.minimumWidth()) {
  // The skin's source bitmaps sit in a hidden panel; the frame cuts and stretches copies.
  PanelImage = new QWidget(&window);
  PanelImage->setObjectName("PanelImage");
  PanelImage->hide();
  for (const char* name :
       {"ImageTop", "ImageBottom", "ImageMenu", "ImageTool", "ImageM", "ImageDownShow",
        "ImageUpShow", "ImageLeftShow", "ImageRightShow", "ImageLeft", "ImageRight"})
    makeImage(name, PanelImage)->setPixmap(skinImage(name));
  imageTop_ = skin("ImageTop");
  imageBottom_ = skin("ImageBottom");
  imageMenu_ = skin("ImageMenu");
  imageM_ = skin("ImageM");

  auto* outer = new QVBoxLayout(&window);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  buildTitleBar();
  outer->addWidget(Image1);

  Image3 = makeImage("Image3", &window);
  Image3->setFixedHeight(kMenuStripHeight);
  outer->addWidget(Image3);
  ToolBar1 =
      new ColumnBackground(imageMenu_, 1, MenuStripButton::kNormalRow, kMenuStripHeight, Image3);
  ToolBar1->setObjectName("ToolBar1");
  ToolBar1->move(kMenuStripLeft, 0);
  setAccessibleRole(ToolBar1, QAccessible::MenuBar);

  auto* middle = new QHBoxLayout;
  middle->setSpacing(0);
  outer->addLayout(middle, 1);
  auto edge = [&](const char* name, const char* bitmap) {
    QLabel* image = makeImage(name, &window);
    image->setPixmap(skin(bitmap));
    image->setScaledContents(true);
    image->setFixedWidth(kEdgeWidth);
    return image;
  };
  Image9 = edge("Image9", "ImageLeft");
  Image10 = edge("Image10", "ImageRight");
  Panel1 = new QWidget(&window);
  Panel1->setObjectName("Panel1");
  new Backdrop("Image15", skinImage("Image15"), Panel1);
  // Squeezed below their minimum, the panels would be drawn over each other; cut off instead.
  clientContents_ = new QWidget(Panel1);
  Panel1->installEventFilter(this);
  clientContents_->installEventFilter(this);
  middle->addWidget(Image9);
  middle->addWidget(Panel1, 1);
  middle->addWidget(Image10);

  Image2 = makeImage("Image2", &window);
  Image2->setFixedHeight(kBottomHeight);
  outer->addWidget(Image2);
  status_ = new QLabel(Image2);
  status_->setObjectName("StatusText");
  QFont statusFont = skinFont();
  statusFont.setPixelSize(kStatusPixels);
  status_->setFont(statusFont);
  // The strip resizes the window: presses go through the note to it.
  status_->setAttribute(Qt::WA_TransparentForMouseEvents);
  setAccessibleRole(Image2, QAccessible::StatusBar);
  // Screen readers see a frame with a title bar, a menu bar and a status bar; the strip that
  // carries the menu bar is only its background.
  setAccessibleRole(&window, QAccessible::Window);
  setAccessibleRole(Image3, QAccessible::Client);

  for (QWidget* part : {Image1, Image3, Image9, Image10, Image2}) {
    part->installEventFilter(this);
    part->setMouseTracking(true);  // to show the resize cursor over the edges
  }
  window.installEventFilter(this);
  applySkin();
}

void SkinnedFrame::buildTitleBar() {
  Image1 = makeImage("Image1", &window_);
  Image1->setFixedHeight(kTitleHeight);
  Image1->setAccessibleName(window_.windowTitle());
  setAccessibleRole(Image1, QAccessible::Pane);
  auto button = [this](const char* name, const QString& tip, void (SkinnedFrame::*clicked)()) {
    auto* b = new TImgBtn(Image1);
    b->setObjectName(name);
    b->setToolTip(tip);
    b->setCursor(Qt::ArrowCursor);  // not the title's resize cursor
    connect(b, &TImgBtn::clicked, this, clicked);
    return b;
  };
  ImgBtnMin = button("ImgBtnMin", "Minimize", &SkinnedFrame::minimizeClicked);
  ImgBtnMax = button("ImgBtnMax", "Maximize", &SkinnedFrame::maximizeClicked);
  ImgBtnClose = button("ImgBtnClose", "Close", &SkinnedFrame::closeClicked);
  loadButtonStrip(*ImgBtnMin, imageM_, kMinimize.faceX, 0, kMinimize.width, kTitleButtonHeight,
                  Strip::Vertical);
  loadMaximizeImages(true);
  loadButtonStrip(*ImgBtnClose, imageM_, kClose.faceX, 0, kClose.width, kTitleButtonHeight,
                  Strip::Vertical);
}

MenuStripButton* SkinnedFrame::addMenu(const char* name, const QString& caption, QMenu* menu) {
  auto* button = new MenuStripButton(caption, ToolBar1);
  button->setObjectName(name);
  const std::size_t index = stripMenus_.size();
  stripMenus_.push_back({button, menu});
  // Side by side, each as wide as its caption needs.
  button->move(menuStripWidth_, 0);
  menuStripWidth_ += button->width();
  ToolBar1->resize(menuStripWidth_, kMenuStripHeight);
  connect(button, &QToolButton::pressed, menu, [button, menu] { dropDown(button, menu); });
  // Every pointer move and key goes to the open menu (or its submenu): the frame looks at them
  // on their way while a strip menu is open.
  connect(menu, &QMenu::aboutToShow, this, [this, button, index] {
    button->setSelected(true);
    if (!openStripMenu_) qApp->installEventFilter(this);
    openStripMenu_ = index;
  });
  connect(menu, &QMenu::aboutToHide, this, [this, button, index] {
    button->setSelected(false);
    if (openStripMenu_ != index) return;
    openStripMenu_.reset();
    qApp->removeEventFilter(this);
  });
  setMenuOpener(button, menu);
  return button;
}

QPixmap SkinnedFrame::skin(const char* name) const {
  return PanelImage->findChild<QLabel*>(name)->pixmap();
}

void SkinnedFrame::applySkin() {
  const int width = window_.width();
  // Platforms without windows of their own (offscreen, minimal) cannot shape one.
  const QString platform = QGuiApplication::platformName();
  if (platform != "offscreen" && platform != "minimal")
    window_.setMask(roundedRegion(width, window_.height(), kOutlineCorner));
  // Made at the screen's own ratio, the title's icon and caption are drawn at its device pixels.
  const qreal ratio = window_.devicePixelRatio();
  Image1->setPixmap(
      threeSlice(imageTop_, QSize(width, kTitleHeight), kTitleCorner, kTitleHeight, ratio));
  Image2->setPixmap(
      threeSlice(imageBottom_, QSize(width, kBottomHeight), kBottomCorner, kBottomRows, ratio));
  Image3->setPixmap(threeSlice(imageMenu_, QSize(width, kMenuStripHeight), kMenuStripCorner,
                               kMenuStripHeight, ratio));
  placeTitleButtons();
  drawTitle();
  placeStatus();
}

void SkinnedFrame::showStatus(const QString& text, bool announced) {
  statusText_ = text;
  placeStatus();
  if (announced) announce(text);
}

void SkinnedFrame::announce(const QString& text) {
  kelvaro::shell::announce(Image2, text);
}

void SkinnedFrame::setStripWidget(QWidget* widget) {
  stripWidget_ = widget;
  widget->setParent(Image2);
  placeStatus();
}

void SkinnedFrame::placeStatus() {
  const int width = std::max(0, window_.width() - kStatusLeft - kStatusEndFromRight);
  status_->setGeometry(kStatusLeft, 0, width, kBottomHeight);
  if (stripWidget_) stripWidget_->setGeometry(kStatusLeft, 0, width, kBottomHeight);
  status_->setText(status_->fontMetrics().elidedText(statusText_, Qt::ElideRight, width));
}

void SkinnedFrame::placeTitleButtons() {
  const int width = window_.width();
  ImgBtnMin->move(width - kMinimize.fromRight, kTitleButtonTop);
  ImgBtnMax->move(width - kMaximize.fromRight, kTitleButtonTop);
  ImgBtnClose->move(width - kClose.fromRight, kTitleButtonTop);
}

void SkinnedFrame::loadMaximizeImages(bool maximize) {
  loadButtonStrip(*ImgBtnMax, imageM_, maximize ? kMaximize.faceX : kRestoreFaceX, 0,
                  kMaximize.width, kTitleButtonHeight, Strip::Vertical);
  ImgBtnMax->setToolTip(maximize ? "Maximize" : "Restore");
}

void SkinnedFrame::drawTitle() {
  QPixmap title = Image1->pixmap();
  QPainter p(&title);
  window_.windowIcon().paint(&p, kIconRect);
  QFont font = skinFont();
  font.setPointSize(kCaptionPointSize);
  font.setBold(true);
  p.setFont(font);
  p.setPen(Qt::white);
  // The caption keeps its room after a resize, up to the title buttons.
  const int right = std::min(kCaptionRight, window_.width() - kCaptionEndFromRight);
  p.drawText(QRect(kCaptionLeft, kCaptionTop, std::max(0, right - kCaptionLeft),
                   kTitleHeight - kCaptionTop),
             Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, window_.windowTitle());
  p.end();
  Image1->setPixmap(title);
}

void SkinnedFrame::toggleMaximized() {
  const bool desktopMaximized =
      window_.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen);
  if (maximized_) {
    maximized_ = false;
    window_.setGeometry(restoreGeometry_);
  } else if (desktopMaximized) {
    window_.showNormal();
  } else if (const QScreen* screen = window_.screen()) {
    // Left to the desktop, a maximized window would fill its work area; the desktop would also
    // drop its maximized state as soon as the window set its own height.
    restoreGeometry_ = window_.geometry();
    maximized_ = true;
    const QRect s = screen->geometry();
    window_.setGeometry(s.x(), s.y(), s.width(), s.height() - kMaximizedShortBy);
  }
  loadMaximizeImages(!maximized_ && !desktopMaximized);
}

QRect SkinnedFrame::normalGeometry() const {
  if (maximized_) return restoreGeometry_;
  return window_.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)
             ? window_.normalGeometry()
             : window_.geometry();
}

void SkinnedFrame::fitClientContents() {
  const int least =
      std::max(leastWidth_, clientContents_->minimumSizeHint().width() + 2 * kEdgeWidth);
  if (window_.minimumWidth() != least) window_.setMinimumWidth(least);
  clientContents_->setGeometry(
      QRect(QPoint(0, 0), Panel1->size().expandedTo(clientContents_->minimumSizeHint())));
}

Qt::Edges SkinnedFrame::edgesAt(QPoint p) const {
  if (maximized_ || window_.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) return {};
  const int w = window_.width(), h = window_.height();
  const bool nearLeft = p.x() < kCornerSize, nearRight = p.x() >= w - kCornerSize;
  const bool nearTop = p.y() < kCornerSize, nearBottom = p.y() >= h - kCornerSize;
  const bool onBorder = p.x() < kResizeBorder || p.x() >= w - kResizeBorder || p.y() < kResizeTop ||
                        p.y() >= h - kResizeBorder;
  const bool onGrip = nearRight && nearBottom;
  // On the border, every side the point is near moves: one side, or two at a corner.
  Qt::Edges edges;
  if (!onBorder && !onGrip) return edges;
  if (nearLeft) edges |= Qt::LeftEdge;
  if (nearRight) edges |= Qt::RightEdge;
  if (nearTop) edges |= Qt::TopEdge;
  if (nearBottom) edges |= Qt::BottomEdge;
  return edges;
}

bool SkinnedFrame::framePointerEvent(QWidget* part, QEvent* event) {
  const auto type = event->type();
  if (type != QEvent::MouseMove && type != QEvent::MouseButtonPress &&
      type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick)
    return false;
  const auto* mouse = static_cast<const QMouseEvent*>(event);
  switch (type) {
    case QEvent::MouseMove:
      if (drag_.armed) {
        dragTo(mouse->globalPosition().toPoint());
        return true;
      }
      if (mouse->buttons() == Qt::NoButton)
        part->setCursor(resizeCursor(edgesAt(part->mapTo(&window_, mouse->position().toPoint()))));
      return false;
    case QEvent::MouseButtonPress: {
      if (mouse->button() != Qt::LeftButton) return false;
      const Qt::Edges edges = edgesAt(part->mapTo(&window_, mouse->position().toPoint()));
      if (!edges && part == Image2 && status_->geometry().contains(mouse->position().toPoint())) {
        emit statusClicked();
        return true;
      }
      if (!edges && part != Image1) return false;
      if (!edges && maximized_) return true;  // a maximized window stays where it is
      drag_ = {true, false, edges, mouse->globalPosition().toPoint(), window_.geometry()};
      if (edges) {
        QWindow* handle = window_.windowHandle();
        drag_.following = !(handle && handle->startSystemResize(edges));
        drag_.armed = drag_.following;
      }
      return true;
    }
    case QEvent::MouseButtonRelease:
      if (!drag_.armed || mouse->button() != Qt::LeftButton) return false;
      drag_.armed = false;
      return true;
    case QEvent::MouseButtonDblClick:
      if (part != Image1 || mouse->button() != Qt::LeftButton) return false;
      drag_.armed = false;
      emit maximizeClicked();
      return true;
    default:
      return false;
  }
}

void SkinnedFrame::dragTo(QPoint globalPos) {
  const QPoint delta = globalPos - drag_.from;
  if (!drag_.edges) {
    // Only a real drag moves the window: a click, or the first click of a double click, does
    // not. The frame moves the window itself: the desktop's move would start from where the
    // pointer is once the drag is recognised, and leave the window behind by that much.
    if (!drag_.following && delta.manhattanLength() < QApplication::startDragDistance()) return;
    drag_.following = true;
    window_.move(drag_.geometry.topLeft() + delta);
    return;
  }
  QRect r = drag_.geometry;
  const QSize least = window_.minimumSize();
  if (drag_.edges & Qt::LeftEdge)
    r.setLeft(std::min(r.left() + delta.x(), r.right() + 1 - least.width()));
  if (drag_.edges & Qt::RightEdge)
    r.setRight(std::max(r.right() + delta.x(), r.left() + least.width() - 1));
  if (drag_.edges & Qt::TopEdge)
    r.setTop(std::min(r.top() + delta.y(), r.bottom() + 1 - least.height()));
  if (drag_.edges & Qt::BottomEdge)
    r.setBottom(std::max(r.bottom() + delta.y(), r.top() + least.height() - 1));
  window_.setGeometry(r);
}

bool SkinnedFrame::stripMenuEvent(QObject* watched, QEvent* event) {
  const auto type = event->type();
  if ((type != QEvent::MouseMove && type != QEvent::KeyPress) || !watched->isWidgetType() ||
      !qobject_cast<QMenu*>(watched) || !openStripMenu_)
    return false;
  const std::size_t open = *openStripMenu_;
  if (type == QEvent::KeyPress) {
    // In the strip's menu itself, not a submenu; Right on an item with a submenu opens that.
    const auto key = static_cast<const QKeyEvent*>(event)->key();
    QMenu* menu = stripMenus_[open].menu;
    if (watched != menu || (key != Qt::Key_Left && key != Qt::Key_Right)) return false;
    if (key == Qt::Key_Right && menu->activeAction() && menu->activeAction()->menu()) return false;
    const std::size_t n = stripMenus_.size();
    openStripMenu(key == Qt::Key_Left ? (open + n - 1) % n : (open + 1) % n, true);
    return true;
  }
  const QPoint at = static_cast<const QMouseEvent*>(event)->globalPosition().toPoint();
  for (std::size_t i = 0; i < stripMenus_.size(); ++i) {
    const MenuStripButton* button = stripMenus_[i].button;
    if (i != open && button->isVisible() && button->isEnabled() &&
        button->rect().contains(button->mapFromGlobal(at))) {
      openStripMenu(i, false);
      return true;
    }
  }
  return false;
}

void SkinnedFrame::openStripMenu(std::size_t index, bool byKey) {
  // The open menu goes with its submenus, as when a click lands outside them.
  for (int left = 8; left > 0; --left) {
    QWidget* popup = QApplication::activePopupWidget();
    if (!popup) break;
    popup->close();
  }
  QMenu* menu = stripMenus_[index].menu;
  dropDown(stripMenus_[index].button, menu);
  if (!byKey) return;
  for (QAction* action : menu->actions())
    if (!action->isSeparator() && action->isVisible() && action->isEnabled()) {
      menu->setActiveAction(action);
      break;
    }
}

bool SkinnedFrame::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &window_ && stripMenuEvent(watched, event)) return true;
  if (watched == &window_) {
    if (event->type() == QEvent::Resize) applySkin();
    // However the state changed (button, double click, the desktop), the button shows the
    // command it will run next.
    if (event->type() == QEvent::WindowStateChange)
      loadMaximizeImages(!maximized_ && !(window_.windowState() & Qt::WindowMaximized));
    return false;
  }
  if ((watched == Panel1 && event->type() == QEvent::Resize) ||
      (watched == clientContents_ && event->type() == QEvent::LayoutRequest)) {
    fitClientContents();
    return false;
  }
  for (QWidget* part : {Image1, Image3, Image9, Image10, Image2})
    if (watched == part) return framePointerEvent(part, event);
  return false;
}

}  // namespace kelvaro::shell

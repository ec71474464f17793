#include "shell/skin.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QFile>
#include <QMenu>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>
#include <algorithm>
#include <clocale>

#include "commands/file_io.h"
#include "shell/MyImgBtn.h"
#include "shell/accessibility.h"

namespace kelvaro::shell {

void setUpApplication() {
  std::setlocale(LC_NUMERIC, "C");
  ignoreWriteSignals();
  QApplication::setStyle(new MenuSkinStyle(QStyleFactory::create("Fusion")));
  QFont font(kSkinFontFamily);
  font.setPixelSize(11);
  QApplication::setFont(font);
  installAccessibility();
}

QFont skinFont() {
  return QFont(QApplication::font().family());
}

const QString& windowStyleSheet() {
  static const QString sheet = [] {
    QFile file(QStringLiteral(":/style/kelvaro.qss"));
    if (!file.open(QIODevice::ReadOnly)) qFatal("kelvaro: the window's style sheet is missing");
    return QString::fromUtf8(file.readAll());
  }();
  return sheet;
}

QPixmap skinImage(const QString& name, qreal devicePixelRatio) {
  const QString path = QStringLiteral(":/skin/") + name;
  if (devicePixelRatio > 1) {
    // Read from an @2x file, the picture comes with its device pixel ratio.
    QPixmap large(path + QStringLiteral("@2x.png"));
    if (!large.isNull()) return large;
  }
  return QPixmap(path + QStringLiteral(".png"));
}

QPixmap skinImage(const QString& name) {
  return skinImage(name, qApp->devicePixelRatio());
}

QIcon skinIcon(const QString& name) {
  QIcon icon(skinImage(name, 1));
  const QPixmap large = skinImage(name, 2);
  if (large.devicePixelRatio() > 1) icon.addPixmap(large);
  return icon;
}

QRect devicePixels(const QPixmap& source, const QRect& r) {
  const int ratio = qRound(source.devicePixelRatio());
  return QRect(r.topLeft() * ratio, r.size() * ratio);
}

QPixmap threeSlice(const QPixmap& source, QSize target, int c, int h, qreal ratio) {
  if (ratio <= 0) ratio = source.devicePixelRatio();
  QPixmap out(target * ratio);
  out.setDevicePixelRatio(ratio);
  out.fill(Qt::transparent);
  QPainter p(&out);
  // Between ratios (a @2x source on a screen of 1.5) the parts are resampled, not picked.
  p.setRenderHint(QPainter::SmoothPixmapTransform, ratio != source.devicePixelRatio());
  const int w = target.width();
  const int sourceWidth = qRound(source.deviceIndependentSize().width());
  auto part = [&](const QRect& to, const QRect& from) {
    p.drawPixmap(to, source, devicePixels(source, from));
  };
  part(QRect(0, 0, c, h), QRect(0, 0, c, h));
  part(QRect(w - c, 0, c, h), QRect(sourceWidth - c, 0, c, h));
  if (w > 2 * c) part(QRect(c, 0, w - 2 * c, h), QRect(c, 0, 1, h));
  return out;
}

void loadButtonStrip(TImgBtn& button, const QPixmap& source, int x, int y, int w, int h,
                     Strip strip) {
  const int dx = strip == Strip::Horizontal ? w + 1 : 0;
  const int dy = strip == Strip::Vertical ? h + 1 : 0;
  auto state = [&](int n) {
    return source.copy(devicePixels(source, QRect(x + n * dx, y + n * dy, w, h)));
  };
  button.setPic(state(0));
  button.setPicUp(state(1));
  button.setPicDown(state(2));
  button.resize(w, h);
  button.raise();
}

// ---- menus ----

bool MenuSkinStyle::ownerDrawn(const QStyleOption* option, const QWidget* widget) {
  const auto* menu = qobject_cast<const QMenu*>(widget);
  if (!menu) return false;
  const QAction* action = menu->actionAt(option->rect.center());
  return !(action && action->property(kDefaultMenuLook).toBool());
}

QSize MenuSkinStyle::sizeFromContents(ContentsType type, const QStyleOption* option,
                                      const QSize& size, const QWidget* widget) const {
  QSize s = QProxyStyle::sizeFromContents(type, option, size, widget);
  // The rectangle is not known yet while measuring, so every item of a skinned menu gets the
  // extra room; the default-look items only differ in how they are drawn.
  if (type == CT_MenuItem && qobject_cast<const QMenu*>(widget)) s += kExtraSize;
  return s;
}

int MenuSkinStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                               const QWidget* widget) const {
  if (qobject_cast<const QMenu*>(widget)) {
    if (metric == PM_SmallIconSize) return kIconSize;
    if (metric == PM_MenuPanelWidth) return 1;
  }
  return QProxyStyle::pixelMetric(metric, option, widget);
}

void MenuSkinStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                  QPainter* painter, const QWidget* widget) const {
  if (qobject_cast<const QMenu*>(widget)) {
    // The toolkit's panel has a frame of its own under the items, which the skinned items
    // cover and the default-look ones do not.
    if (element == PE_PanelMenu) {
      painter->fillRect(option->rect, MenuColours::normal());
      return;
    }
    if (element == PE_FrameMenu) {
      painter->save();
      painter->setPen(MenuColours::highlightBorder());
      painter->setBrush(Qt::NoBrush);
      painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
      painter->restore();
      return;
    }
  }
  QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void MenuSkinStyle::drawControl(ControlElement element, const QStyleOption* option,
                                QPainter* painter, const QWidget* widget) const {
  const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
  if (element != CE_MenuItem || !item) {
    QProxyStyle::drawControl(element, option, painter, widget);
    return;
  }
  if (!ownerDrawn(option, widget)) {
    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
      QProxyStyle::drawControl(element, option, painter, widget);
      return;
    }
    // The toolkit's items put their caption after a check column of at least 21 pixels (or
    // 0.79 of the item's height) and 7 pixels of margins, further right than the skin's: drawn
    // from further left, inside their own rectangle, their captions line up with the others.
    const int toolkitCaption =
        7 + std::max({static_cast<int>(item->rect.height() * 0.79), item->maxIconWidth, 21});
    QStyleOptionMenuItem moved(*item);
    moved.rect.setLeft(item->rect.left() - std::max(0, toolkitCaption - kCaptionLeft));
    painter->save();
    painter->setClipRect(item->rect, Qt::IntersectClip);
    QProxyStyle::drawControl(element, &moved, painter, widget);
    painter->restore();
    return;
  }
  const bool separator = item->menuItemType == QStyleOptionMenuItem::Separator;
  const bool greyed = !(item->state & State_Enabled);
  const bool selected = item->state & State_Selected;
  const bool highlighted = selected && !greyed;
  const QRect r = item->rect;
  painter->save();
  QColor border = MenuColours::normal(), fill = MenuColours::normal();
  if (greyed && !separator) {
    border = fill = MenuColours::greyed();
  } else if (selected) {
    border = MenuColours::highlightBorder();
    fill = MenuColours::highlight();
  }
  painter->setPen(border);
  painter->setBrush(fill);
  painter->drawRect(r.adjusted(0, 0, -1, -1));
  if (!highlighted)
    painter->fillRect(QRect(r.left(), r.top(), kIconColumnWidth, r.height()),
                      MenuColours::iconColumn());
  if (separator) {
    painter->fillRect(QRect(r.left() + kSeparatorLeft, r.top() + r.height() / 2 - 1,
                            r.width() - kSeparatorLeft - kSeparatorRightGap, 1),
                      MenuColours::separator());
    painter->restore();
    return;
  }
  painter->setFont(item->font);
  painter->setPen(greyed ? item->palette.color(QPalette::Disabled, QPalette::Text)
                         : QColor(Qt::black));
  QString caption = item->text;
  QString shortcut;
  if (const auto tab = caption.indexOf('\t'); tab >= 0) {
    shortcut = caption.mid(tab + 1);
    caption.truncate(tab);
  }
  const QRect textRect(r.left() + kCaptionLeft, r.top(), r.width() - kCaptionLeft, r.height());
  const int flags = Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic;
  painter->drawText(textRect, Qt::AlignLeft | flags, caption);
  painter->drawText(textRect.adjusted(0, 0, -kShortcutRightGap, 0), Qt::AlignRight | flags,
                    shortcut);
  if (item->checked) {
    // A tick, or a dot for a radio item, in the icon column.
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setBrush(painter->pen().color());
    const QPointF c(r.left() + kIconColumnWidth / 2, r.center().y() + 0.5);
    if (item->checkType == QStyleOptionMenuItem::Exclusive) {
      painter->drawEllipse(c, 3, 3);
    } else {
      painter->setBrush(Qt::NoBrush);
      painter->setPen(QPen(painter->pen().color(), 1.6));
      painter->drawPolyline(
          QPolygonF({c + QPointF(-4, 0), c + QPointF(-1, 3), c + QPointF(4, -4)}));
    }
  }
  if (item->menuItemType == QStyleOptionMenuItem::SubMenu) {
    QStyleOption arrow(*option);
    arrow.rect = QRect(r.right() - kShortcutRightGap - kSubmenuArrow,
                       r.center().y() - kSubmenuArrow / 2, kSubmenuArrow, kSubmenuArrow);
    arrow.palette.setColor(QPalette::ButtonText, painter->pen().color());
    proxy()->drawPrimitive(PE_IndicatorArrowRight, &arrow, painter, widget);
  }
  if (!item->icon.isNull()) {
    const int inset = highlighted ? kIconInset - 1 : kIconInset;
    const QPixmap pm =
        item->icon.pixmap(kIconSize, kIconSize, greyed ? QIcon::Disabled : QIcon::Normal);
    // Centred in the height: the icon with its insets takes kIconSize + 2 * kIconInset.
    painter->drawPixmap(r.left() + inset,
                        r.top() + inset + (r.height() - kIconSize - 2 * kIconInset) / 2, pm);
  }
  painter->restore();
}

// ---- tool bars ----

ColumnBackground::ColumnBackground(const QPixmap& source, int x, int fromRow, int rows,
                                   QWidget* parent)
    : QWidget(parent), column_(source.copy(devicePixels(source, QRect(x, fromRow, 1, rows)))) {}

void ColumnBackground::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawPixmap(rect(), column_);
}

MenuStripButton::MenuStripButton(const QString& caption, QWidget* parent) : QToolButton(parent) {
  setText(caption);
  setFixedSize(sizeHint());
  setAutoRaise(true);
  setAttribute(Qt::WA_Hover);
}

QSize MenuStripButton::sizeHint() const {
  constexpr int kEdge = 5;
  return {std::max(kWidth, fontMetrics().horizontalAdvance(text()) + 2 * kEdge), kHeight};
}

void MenuStripButton::setSelected(bool selected) {
  selected_ = selected;
  if (!selected) {
    // The press that opened the menu never sees its release (the menu takes it), and where
    // the pointer went while the menu had it the button was not told.
    setDown(false);
    hot_ = rect().contains(mapFromGlobal(QCursor::pos()));
  }
  update();
}

void MenuStripButton::enterEvent(QEnterEvent* event) {
  QToolButton::enterEvent(event);
  hot_ = true;
  update();
}

void MenuStripButton::leaveEvent(QEvent* event) {
  QToolButton::leaveEvent(event);
  hot_ = false;
  update();
}

void MenuStripButton::paintEvent(QPaintEvent*) {
  static const QPixmap faces = skinImage(QStringLiteral("ImageMenu"));
  const int row = selected_ ? kSelectedRow : hot_ ? kHotRow : kNormalRow;
  // Left edge, right edge from 6 pixels before the end, and a slice stretched from x 2 to 3
  // pixels before the end between them.
  constexpr int kEdge = 5, kStretchLeft = 2, kFaceRightEdge = 59;
  const int rightEdge = width() - 6, stretchRight = width() - 3;
  QPainter p(this);
  auto part = [&](const QRect& to, const QRect& from) {
    p.drawPixmap(to, faces, devicePixels(faces, from));
  };
  part(QRect(0, 0, kEdge, kHeight), QRect(0, row, kEdge, kHeight));
  part(QRect(rightEdge, 0, kEdge, kHeight), QRect(kFaceRightEdge, row, kEdge, kHeight));
  part(QRect(kStretchLeft, 0, stretchRight - kStretchLeft, kHeight),
       QRect(kEdge, row, kEdge, kHeight));
  // Reached with Tab: a frame inside the face, in the colour of a highlighted menu item.
  if (hasFocus()) {
    constexpr int kInset = 4;
    const int faceWidth = width() - 1;
    p.setPen(MenuColours::highlight());
    p.drawRect(QRect(kInset, kInset, faceWidth - 2 * kInset - 1, kHeight - 2 * kInset - 1));
  }
  p.setPen(Qt::white);
  p.setFont(font());
  p.drawText(rect().translated(0, 2), Qt::AlignCenter | Qt::TextSingleLine, text());
}

Backdrop::Backdrop(const QString& objectName, QPixmap image, QWidget* parent)
    : QWidget(parent), image_(std::move(image)) {
  setObjectName(objectName);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  parent->installEventFilter(this);
  setGeometry(parent->rect());
  lower();
}

bool Backdrop::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parentWidget() && event->type() == QEvent::Resize) {
    setGeometry(parentWidget()->rect());
    lower();
  }
  return false;
}

void Backdrop::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawPixmap(rect(), image_);
}

}  // namespace kelvaro::shell

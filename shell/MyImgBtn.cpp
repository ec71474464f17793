#include "shell/MyImgBtn.h"

#include <QAccessible>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>

TImgBtn::TImgBtn(QWidget* parent) : QLabel(parent) {
  // Reached with Tab, not taken by a click: a click on the title bar leaves the focus where the
  // person was typing.
  setFocusPolicy(Qt::TabFocus);
}

void TImgBtn::setPic(const QPixmap& pic) {
  pic_ = pic;
  display(pic_);
}

void TImgBtn::setPicDisable(const QPixmap& pic) {
  picDisable_ = pic;
  if (!enabled_) display(picDisable_);
}

void TImgBtn::setButtonEnabled(bool enabled) {
  enabled_ = enabled;
  display(enabled ? picUp_ : picDisable_);
}

void TImgBtn::pointerEntered() {
  inside_ = true;
  display(pressed_ ? picDown_ : picUp_);
  emit OnMouseEnter();
}

void TImgBtn::pointerLeft() {
  inside_ = false;
  display(restingPic());
  emit OnMouseLeave();
}

void TImgBtn::enterEvent(QEnterEvent* event) {
  QLabel::enterEvent(event);
  if (active()) pointerEntered();
}

void TImgBtn::leaveEvent(QEvent* event) {
  QLabel::leaveEvent(event);
  if (active()) pointerLeft();
}

void TImgBtn::mousePressEvent(QMouseEvent* event) {
  QLabel::mousePressEvent(event);
  // The press is the button's own: it must not reach the title bar below, which would drag the
  // window with it.
  event->accept();
  if (!active() || event->button() != Qt::LeftButton) return;
  pressed_ = true;
  // A press always happens over the button, whether or not an enter event came first.
  if (!inside_) inside_ = rect().contains(event->position().toPoint());
  if (inside_) display(picDown_);
  emit OnMouseDown(event);
}

void TImgBtn::mouseMoveEvent(QMouseEvent* event) {
  QLabel::mouseMoveEvent(event);
  // While the button is held the pointer is grabbed; follow it in and out by hand.
  if (!active() || !pressed_) return;
  const bool inside = rect().contains(event->position().toPoint());
  if (inside && !inside_) pointerEntered();
  if (!inside && inside_) pointerLeft();
}

void TImgBtn::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  event->accept();
  if (!active() || event->button() != Qt::LeftButton || !pressed_) return;
  pressed_ = false;
  const bool wasInside = inside_;
  if (inside_) display(picUp_);
  emit OnMouseUp(event);
  if (wasInside) emit clicked();
}

void TImgBtn::click() {
  if (active()) emit clicked();
}

void TImgBtn::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) &&
      !(event->modifiers() & ~Qt::KeypadModifier)) {
    if (!event->isAutoRepeat()) click();
    return;
  }
  QLabel::keyPressEvent(event);
}

void TImgBtn::focusInEvent(QFocusEvent* event) {
  QLabel::focusInEvent(event);
  if (active() && !inside_) display(restingPic());
}

void TImgBtn::focusOutEvent(QFocusEvent* event) {
  QLabel::focusOutEvent(event);
  if (active() && !inside_) display(restingPic());
}

bool TImgBtn::event(QEvent* event) {
  // The tooltip is the button's name (Maximize becomes Restore).
  if (event->type() == QEvent::ToolTipChange) {
    QAccessibleEvent nameChanged(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&nameChanged);
  }
  return QLabel::event(event);
}

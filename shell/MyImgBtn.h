#pragma once
// TImgBtn: an image control that acts as a button by swapping pictures: Pic normally, PicUp
// while the pointer is over it, PicDown while it is pressed with the pointer over it, and
// PicDisable while disabled. The title-bar and collapse buttons of the skinned frame are
// made of it. Tab reaches it (it shows PicUp while it has the focus), and Space or Enter press
// it; screen readers see a push button named by its tooltip.

#include <QLabel>
#include <QPixmap>

class QKeyEvent;
class QMouseEvent;

class TImgBtn : public QLabel {
  Q_OBJECT
 public:
  explicit TImgBtn(QWidget* parent = nullptr);

  const QPixmap& Pic() const { return pic_; }
  const QPixmap& PicUp() const { return picUp_; }
  const QPixmap& PicDown() const { return picDown_; }
  const QPixmap& PicDisable() const { return picDisable_; }
  // Setting Pic also shows it; setting PicDisable shows it while the button is disabled.
  void setPic(const QPixmap& pic);
  void setPicUp(const QPixmap& pic) { picUp_ = pic; }
  void setPicDown(const QPixmap& pic) { picDown_ = pic; }
  void setPicDisable(const QPixmap& pic);

  bool Enabled() const { return enabled_; }
  // Enabling shows PicUp, disabling shows PicDisable; a disabled button ignores the pointer.
  void setButtonEnabled(bool enabled);
  bool Supported() const { return supported_; }
  // An unsupported button ignores the pointer and never changes its picture.
  void setSupported(bool supported) { supported_ = supported; }

  bool pointerInside() const { return inside_; }
  bool pressed() const { return pressed_; }

  // As a click with the pointer, while the button takes the pointer.
  void click();

 signals:
  void OnMouseEnter();
  void OnMouseLeave();
  void OnMouseDown(QMouseEvent* event);
  void OnMouseUp(QMouseEvent* event);
  // A left press and release with the pointer over the button.
  void clicked();

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool event(QEvent* event) override;

 private:
  bool active() const { return enabled_ && supported_; }
  void display(const QPixmap& pic) { setPixmap(pic); }
  void pointerEntered();
  void pointerLeft();
  // The picture at rest: PicUp while the button has the focus, else Pic.
  const QPixmap& restingPic() const { return hasFocus() ? picUp_ : pic_; }

  QPixmap pic_, picUp_, picDown_, picDisable_;
  bool enabled_ = true;
  bool supported_ = true;
  bool inside_ = false;
  bool pressed_ = false;
};

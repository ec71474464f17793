#include "shell/accessibility.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QAction>
#include <QComboBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <utility>

#include "shell/MyImgBtn.h"

namespace kelvaro::shell {

namespace {

constexpr char kRoleProperty[] = "kelvaroAccessibleRole";
constexpr char kOpensProperty[] = "kelvaroOpensMenu";
constexpr char kOpenerProperty[] = "kelvaroMenuOpener";

template <class T>
T* linked(const QObject* object, const char* property) {
  return qobject_cast<T*>(object->property(property).value<QPointer<QObject>>().data());
}

QAccessibleInterface* interfaceOf(QObject* object) {
  return object ? QAccessible::queryAccessibleInterface(object) : nullptr;
}

// A caption as it is read: without its mnemonic marks ("&&" is one "&") and without the
// drop-down mark some captions draw.
QString plainCaption(const QString& caption) {
  QString text;
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == u'&' && ++i == caption.size()) break;
    text += caption[i];
  }
  return text.remove(QChar(0x25be)).trimmed();
}

// The text of the label whose buddy the widget is.
QString labelOf(const QWidget* widget) {
  if (const QWidget* parent = widget->parentWidget())
    for (const QLabel* label : parent->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
      if (label->buddy() == widget) return plainCaption(label->text());
  return {};
}

QString nameOf(const QWidget* widget) {
  if (!widget->accessibleName().isEmpty()) return widget->accessibleName();
  if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
    return plainCaption(button->text());
  return {};
}

QString menuName(const QMenu* menu) {
  if (!menu->accessibleName().isEmpty()) return menu->accessibleName();
  if (!menu->title().isEmpty()) return plainCaption(menu->title());
  const QWidget* opener = linked<QWidget>(menu, kOpenerProperty);
  return opener ? nameOf(opener) : QString();
}

// The menu a submenu's item sits in.
QMenu* parentMenuOf(const QMenu* menu) {
  for (QObject* owner : menu->menuAction()->associatedObjects())
    if (auto* up = qobject_cast<QMenu*>(owner); up && up != menu) return up;
  return nullptr;
}

QAccessible::Role roleProperty(const QWidget* widget) {
  const QVariant role = widget ? widget->property(kRoleProperty) : QVariant();
  return role.isValid() ? static_cast<QAccessible::Role>(role.toInt()) : QAccessible::NoRole;
}

// One item of a menu: its caption, its shortcut, Press (Toggle when checkable) and its submenu.
// An action may sit in several menus (Full precision): the item is the menu's own, kept by the
// menu, and stands for no object.
class MenuItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
 public:
  MenuItemAccessible(QMenu* menu, QAction* action) : menu_(menu), action_(action) {}

  bool isValid() const override { return menu_ && action_; }
  QObject* object() const override { return nullptr; }
  QAction* action() const { return action_; }
  QMenu* menu() const { return menu_; }
  QWindow* window() const override { return menu_->windowHandle(); }
  QAccessibleInterface* parent() const override { return interfaceOf(menu_); }
  QAccessibleInterface* child(int index) const override {
    return index == 0 ? interfaceOf(submenu()) : nullptr;
  }
  int childCount() const override { return submenu() ? 1 : 0; }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return child && submenu() && child->object() == submenu() ? 0 : -1;
  }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessible::Role role() const override {
    return action_->isSeparator() ? QAccessible::Separator : QAccessible::MenuItem;
  }
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return plainCaption(action_->text());
    if (t == QAccessible::Accelerator) return action_->shortcut().toString();
    // An item's hint, where it has one of its own (the operations' items).
    const QString hint = action_->toolTip();
    return t == QAccessible::Description && hint != plainCaption(action_->text()) ? hint
                                                                                  : QString();
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    return menu_->actionGeometry(action_).translated(menu_->mapToGlobal(QPoint(0, 0)));
  }
  QAccessible::State state() const override {
    QAccessible::State s;
    s.invisible = !menu_->isVisible() || !action_->isVisible();
    s.focused = menu_->activeAction() == action_;
    s.disabled = action_->isSeparator() || !action_->isEnabled();
    s.checkable = action_->isCheckable();
    s.checked = action_->isChecked();
    s.hasPopup = submenu() != nullptr;
    return s;
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                : nullptr;
  }

  QStringList actionNames() const override {
    if (action_->isSeparator()) return {};
    if (submenu()) return {showMenuAction()};
    return {action_->isCheckable() ? toggleAction() : pressAction()};
  }
  void doAction(const QString& name) override {
    if (!action_->isEnabled() || !actionNames().contains(name)) return;
    if (name == showMenuAction()) {
      menu_->setActiveAction(action_);
    } else if (name == toggleAction()) {
      action_->toggle();
    } else {
      // As a click on the item: the open menus close, then its command runs.
      for (QMenu* m = menu_; m; m = parentMenuOf(m)) m->hide();
      action_->trigger();
    }
  }
  QStringList keyBindingsForAction(const QString& name) const override {
    const QString key = action_->shortcut().toString();
    return name == pressAction() && !key.isEmpty() ? QStringList{key} : QStringList();
  }

 private:
  QMenu* submenu() const { return action_->menu<QMenu*>(); }

  QPointer<QMenu> menu_;
  QPointer<QAction> action_;
};

// A menu: its items in order, named after its title or what drops it down, and under what
// opens it.
class MenuAccessible : public QAccessibleWidget {
 public:
  explicit MenuAccessible(QMenu* menu) : QAccessibleWidget(menu, QAccessible::PopupMenu) {}
  ~MenuAccessible() override {
    for (QAccessible::Id id : std::as_const(items_)) QAccessible::deleteAccessibleInterface(id);
  }

  int childCount() const override { return static_cast<int>(menu()->actions().size()); }
  QAccessibleInterface* child(int index) const override {
    return itemOf(menu()->actions().value(index));
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    const auto* item = dynamic_cast<const MenuItemAccessible*>(child);
    return item && item->menu() == menu()
               ? static_cast<int>(menu()->actions().indexOf(item->action()))
               : -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    return itemOf(menu()->actionAt(menu()->mapFromGlobal(QPoint(x, y))));
  }
  QAccessibleInterface* focusChild() const override { return itemOf(menu()->activeAction()); }
  QString text(QAccessible::Text t) const override {
    return t == QAccessible::Name ? menuName(menu()) : QAccessibleWidget::text(t);
  }
  QAccessibleInterface* parent() const override {
    if (QWidget* opener = linked<QWidget>(menu(), kOpenerProperty)) return interfaceOf(opener);
    if (QMenu* up = parentMenuOf(menu()))
      return interfaceOf(up)->child(static_cast<int>(up->actions().indexOf(menu()->menuAction())));
    if (QWidget* owner = menu()->parentWidget(); roleProperty(owner) == QAccessible::Window)
      return interfaceOf(owner);
    return QAccessibleWidget::parent();
  }

 private:
  QMenu* menu() const { return static_cast<QMenu*>(widget()); }
  // The item of an action, made when it is first asked for.
  QAccessibleInterface* itemOf(QAction* action) const {
    if (!action) return nullptr;
    const QAccessible::Id known = items_.value(action);
    QAccessibleInterface* item = known ? QAccessible::accessibleInterface(known) : nullptr;
    if (item && item->isValid()) return item;
    // A new action where a deleted one was.
    if (known) QAccessible::deleteAccessibleInterface(known);
    item = new MenuItemAccessible(menu(), action);
    items_.insert(action, QAccessible::registerAccessibleInterface(item));
    return item;
  }

  mutable QHash<QAction*, QAccessible::Id> items_;
};

// A widget told as the role set for it. A frame also holds the pop-up menus it owns that
// nothing drops down and no menu holds (the panes' context menus).
class RoleAccessible : public QAccessibleWidget {
 public:
  RoleAccessible(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

  int childCount() const override {
    return QAccessibleWidget::childCount() + static_cast<int>(looseMenus().size());
  }
  QAccessibleInterface* child(int index) const override {
    const int own = QAccessibleWidget::childCount();
    return index < own ? QAccessibleWidget::child(index)
                       : interfaceOf(looseMenus().value(index - own));
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    const qsizetype menu = child ? looseMenus().indexOf(child->object()) : -1;
    return menu < 0 ? QAccessibleWidget::indexOfChild(child)
                    : QAccessibleWidget::childCount() + static_cast<int>(menu);
  }

 private:
  QList<QObject*> looseMenus() const {
    QList<QObject*> menus;
    if (role() != QAccessible::Window) return menus;
    for (QMenu* menu : widget()->findChildren<QMenu*>(Qt::FindDirectChildrenOnly))
      if (!linked<QWidget>(menu, kOpenerProperty) && !parentMenuOf(menu)) menus << menu;
    return menus;
  }
};

// A button that drops a menu down, holding it: a menu item in a menu bar, else a menu button.
class MenuButtonAccessible : public QAccessibleWidget {
 public:
  MenuButtonAccessible(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

  int childCount() const override { return QAccessibleWidget::childCount() + (menu() ? 1 : 0); }
  QAccessibleInterface* child(int index) const override {
    const int own = QAccessibleWidget::childCount();
    return index < own    ? QAccessibleWidget::child(index)
           : index == own ? interfaceOf(menu())
                          : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (child && menu() && child->object() == menu()) return QAccessibleWidget::childCount();
    return QAccessibleWidget::indexOfChild(child);
  }
  QString text(QAccessible::Text t) const override {
    const QString name = nameOf(widget());
    if (t == QAccessible::Name) return name.isEmpty() && menu() ? menuName(menu()) : name;
    const QString text = QAccessibleWidget::text(t);
    return t == QAccessible::Description && text == name ? QString() : text;
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.hasPopup = true;
    s.expandable = true;
    s.expanded = menu() && menu()->isVisible();
    if (const auto* button = qobject_cast<QAbstractButton*>(widget())) s.pressed = button->isDown();
    return s;
  }
  QStringList actionNames() const override {
    return QStringList{pressAction(), showMenuAction()} + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& name) override {
    auto* button = qobject_cast<QAbstractButton*>(widget());
    if (button && (name == pressAction() || name == showMenuAction()))
      button->click();
    else
      QAccessibleWidget::doAction(name);
  }

 private:
  QMenu* menu() const { return linked<QMenu>(widget(), kOpensProperty); }
};

// An image button: a push button named by its tooltip.
class ImageButtonAccessible : public QAccessibleWidget {
 public:
  explicit ImageButtonAccessible(TImgBtn* button)
      : QAccessibleWidget(button, QAccessible::Button) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name)
      return widget()->accessibleName().isEmpty() ? widget()->toolTip()
                                                  : widget()->accessibleName();
    if (t == QAccessible::Description) return widget()->accessibleDescription();
    return QAccessibleWidget::text(t);
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.pressed = button()->pressed();
    s.disabled = s.disabled || !button()->Enabled();
    return s;
  }
  QStringList actionNames() const override {
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& name) override {
    if (name == pressAction())
      button()->click();
    else
      QAccessibleWidget::doAction(name);
  }

 private:
  TImgBtn* button() const { return static_cast<TImgBtn*>(widget()); }
};

// A combo box named by its label; its text is its value. Its list and its text box are its
// children; showing the list is its action.
class ComboAccessible : public QAccessibleWidget {
 public:
  explicit ComboAccessible(QComboBox* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {}

  int childCount() const override { return combo()->lineEdit() ? 2 : 1; }
  QAccessibleInterface* child(int index) const override {
    if (index == 0) return interfaceOf(combo()->view());
    return index == 1 ? interfaceOf(combo()->lineEdit()) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (!child) return -1;
    if (child->object() == combo()->view()) return 0;
    return child->object() && child->object() == combo()->lineEdit() ? 1 : -1;
  }
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return combo()->currentText();
    if (t != QAccessible::Name) return QAccessibleWidget::text(t);
    if (!widget()->accessibleName().isEmpty()) return widget()->accessibleName();
    const QString label = labelOf(widget());
    return label.isEmpty() ? combo()->currentText() : label;
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.expandable = true;
    s.expanded = combo()->view()->isVisible();
    s.editable = combo()->isEditable();
    return s;
  }
  QStringList actionNames() const override {
    return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& name) override {
    if (name != showMenuAction() && name != pressAction()) return QAccessibleWidget::doAction(name);
    if (combo()->view()->isVisible())
      combo()->hidePopup();
    else
      combo()->showPopup();
  }

 private:
  QComboBox* combo() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* windowInterfaces(const QString&, QObject* object) {
  auto* widget = qobject_cast<QWidget*>(object);
  if (!widget) return nullptr;
  if (auto* menu = qobject_cast<QMenu*>(widget)) return new MenuAccessible(menu);
  if (auto* button = qobject_cast<TImgBtn*>(widget)) return new ImageButtonAccessible(button);
  if (auto* combo = qobject_cast<QComboBox*>(widget)) return new ComboAccessible(combo);
  if (linked<QMenu>(widget, kOpensProperty)) {
    const bool inMenuBar = roleProperty(widget->parentWidget()) == QAccessible::MenuBar;
    return new MenuButtonAccessible(widget,
                                    inMenuBar ? QAccessible::MenuItem : QAccessible::ButtonMenu);
  }
  if (const QAccessible::Role role = roleProperty(widget); role != QAccessible::NoRole)
    return new RoleAccessible(widget, role);
  return nullptr;
}

// The toolkit asks for an object's interface once and keeps it; one asked for before the
// object got its role or menu is dropped, so that the next question gets the new one.
void forgetInterface(QObject* object) {
  if (QAccessibleInterface* known = QAccessible::queryAccessibleInterface(object))
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(known));
}

}  // namespace

void installAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(windowInterfaces);
    return true;
  }();
  (void)installed;
}

void setAccessibleRole(QWidget* widget, QAccessible::Role role) {
  widget->setProperty(kRoleProperty, static_cast<int>(role));
  forgetInterface(widget);
}

void setMenuOpener(QWidget* opener, QMenu* menu) {
  opener->setProperty(kOpensProperty, QVariant::fromValue(QPointer<QObject>(menu)));
  menu->setProperty(kOpenerProperty, QVariant::fromValue(QPointer<QObject>(opener)));
  forgetInterface(opener);
}

void announce(QWidget* statusBar, const QString& text) {
  if (statusBar->accessibleName() != text) {
    statusBar->setAccessibleName(text);
    return;
  }
  QAccessibleEvent event(statusBar, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&event);
}

}  // namespace kelvaro::shell

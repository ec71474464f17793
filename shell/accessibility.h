#pragma once
// What screen readers see of the window. The toolkit names and exposes its stock widgets by
// itself; the window's own kinds get their interfaces here, from what the widgets already say
// of themselves (captions, tooltips, the labels beside them), so that a control added later
// needs no list kept anywhere:
// - a widget with a role set by setAccessibleRole is told as that role (the frame, the menu
//   strip as a menu bar, the tool bar, the bottom strip as a status bar, the title bar);
// - an image button (TImgBtn) is a push button named by its tooltip, with a Press action;
// - a button that drops a menu down (setMenuOpener) holds that menu: a menu item when it sits
//   in a menu bar, a menu button elsewhere; the menu names the button as its parent and is
//   named after it unless it has a name or title of its own;
// - a menu lists its items (named by their captions, with their shortcuts and Press actions);
//   a submenu sits under its item, and a pop-up menu that nothing drops down (a pane's context
//   menu) under the frame that owns it;
// - a combo box keeps the name of its label rather than its value; the value stays its text.

#include <QAccessible>

class QMenu;
class QString;
class QWidget;

namespace kelvaro::shell {

// Installs the window's interfaces; once, before the first widget is asked for one.
void installAccessibility();

// The role a plain widget is told as.
void setAccessibleRole(QWidget* widget, QAccessible::Role role);

// `opener` drops `menu` down.
void setMenuOpener(QWidget* opener, QMenu* menu);

// Tells screen readers `text` as the status bar's name, even when it is the name already.
void announce(QWidget* statusBar, const QString& text);

}  // namespace kelvaro::shell

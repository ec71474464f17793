#pragma once
// The window's menus: File, Operations and Help of the menu strip, the pop-up menus of the
// three panes, and the drop-down menus of the command tool bar and the Swap button. Every item
// runs a slot of the window; the items with a shortcut are also the window's own actions, so
// their keys work without opening a menu.

class QAction;
class QMenu;
class QWidget;
class TForm1;

namespace kelvaro::shell {

struct WindowMenus {
  QMenu* File1 = nullptr;
  // File > Recent projects, filled as File opens.
  QMenu* RecentProjects = nullptr;
  // The operations that have no button on the panel: an item for each row of the command
  // table placed kInOperationsMenu, named and captioned by the row.
  QMenu* OperationsMenu = nullptr;
  QMenu* Help1 = nullptr;
  QMenu* PopupMenu1 = nullptr;  // pane A
  QMenu* PopupMenu2 = nullptr;  // pane B
  QMenu* PopupMenu3 = nullptr;  // Result pane
  QMenu* PopupMenu4 = nullptr;  // Clear
  QMenu* PopupMenu5 = nullptr;  // Align
  QMenu* PopupMenu6 = nullptr;  // Save
  QMenu* PopupMenu7 = nullptr;  // Swap
  // Paste Matrix of panes A and B; its key works in its pane.
  QAction* PasteMatrix[2] = {nullptr, nullptr};
  // Undo and Redo atop the menus of panes A, B and Result (their keys are the panes' own).
  QAction* Undo[3] = {nullptr, nullptr, nullptr};
  QAction* Redo[3] = {nullptr, nullptr, nullptr};
};

WindowMenus buildMenus(TForm1& form);
// Gives panes A and B their own keys (Paste Matrix), once they exist.
void addPaneKeys(const WindowMenus& menus, QWidget* paneA, QWidget* paneB);

// Opens the menu just below the button, as a drop-down.
void dropDown(QWidget* button, QMenu* menu);

}  // namespace kelvaro::shell

#include "shell/window_menus.h"

#include <QAction>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "commands/command_table.h"
#include "commands/exchange_commands.h"
#include "numbers/matrix_formats.h"
#include "shell/Unit1.h"
#include "shell/operation_panel.h"
#include "shell/skin.h"

namespace kelvaro::shell {

namespace {

// Matrices in and out, after the panes' own items: "Copy ... As" with a format each and the
// "Full precision" check shared by the three, "Paste Matrix" in A and B, and "Use Result as
// A/B" in the Result pane, a submenu of parts when the last result is a decomposition.
template <class MakeMenu>
void addExchangeItems(TForm1& form, WindowMenus& menus, MakeMenu menu) {
  auto* full = new QAction("Full precision", &form);
  full->setObjectName("FullPrecision");
  full->setCheckable(true);
  QMenu* owners[3] = {menus.PopupMenu1, menus.PopupMenu2, menus.PopupMenu3};
  static constexpr const char* kCopyMenus[3] = {"CopyMatrixAsA", "CopyMatrixAsB", "CopyResultAs"};
  QMenu* copyResult = nullptr;
  for (int pane = 0; pane < 3; ++pane) {
    owners[pane]->addSeparator();
    QMenu* copy = menu(kCopyMenus[pane]);
    copy->setTitle(pane == 2 ? "Copy Result As" : "Copy Matrix As");
    for (const MatrixFormatInfo& format : copyFormats()) {
      QAction* item = copy->addAction(format.caption);
      item->setObjectName(QString("%1_%2").arg(kCopyMenus[pane], format.key));
      QObject::connect(item, &QAction::triggered, &form,
                       [&form, full, pane, key = std::string(format.key)] {
                         form.copyAs(pane, full->isChecked() ? key + "+full" : key);
                       });
    }
    copy->addSeparator();
    copy->addAction(full);
    owners[pane]->addMenu(copy);
    if (pane == 2) copyResult = copy;
  }
  for (int pane = 0; pane < 2; ++pane) {
    QAction* paste = menus.PasteMatrix[pane] = owners[pane]->addAction("Paste Matrix");
    paste->setObjectName(pane == 0 ? "PasteMatrixA" : "PasteMatrixB");
    paste->setShortcut(QKeySequence("Ctrl+Shift+V"));
    paste->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(paste, &QAction::triggered, &form, [&form, pane] { form.pasteMatrix(pane); });
  }
  QAction* useResult[2];
  QMenu* useResultPart[2];
  for (int pane = 0; pane < 2; ++pane) {
    const QString caption = pane == 0 ? "Use Result as A" : "Use Result as B";
    useResult[pane] = menus.PopupMenu3->addAction(caption);
    useResult[pane]->setObjectName(pane == 0 ? "UseResultAsA" : "UseResultAsB");
    QObject::connect(useResult[pane], &QAction::triggered, &form,
                     [&form, pane] { form.useResult(pane, {}); });
    useResultPart[pane] = menu(pane == 0 ? "UseResultPartAsA" : "UseResultPartAsB");
    useResultPart[pane]->setTitle(caption);
    menus.PopupMenu3->addMenu(useResultPart[pane]);
  }
  // What there is to copy or use is known when the menu opens (nothing while a command runs).
  QObject::connect(menus.PopupMenu3, &QMenu::aboutToShow, &form, [=, &form] {
    const bool any = !form.busy() && !form.calcState().lastResult.empty();
    const std::vector<std::string> parts = resultPartNames(form.calcState());
    copyResult->menuAction()->setEnabled(any);
    for (int pane = 0; pane < 2; ++pane) {
      useResult[pane]->setEnabled(any);
      useResult[pane]->setVisible(parts.empty());
      QMenu* partMenu = useResultPart[pane];
      partMenu->menuAction()->setVisible(!parts.empty());
      partMenu->clear();
      for (const std::string& part : parts) {
        QAction* item = partMenu->addAction(QString::fromStdString(part));
        item->setObjectName(partMenu->objectName() + "_" + QString::fromStdString(part));
        QObject::connect(item, &QAction::triggered, &form,
                         [&form, pane, part] { form.useResult(pane, part); });
      }
    }
  });
}

// "Picture" in panes A and B; "Picture of Result" in the Result pane, a submenu of parts when
// the last result is a decomposition.
template <class MakeMenu>
void addPictureItems(TForm1& form, WindowMenus& menus, MakeMenu menu) {
  for (int pane = 0; pane < 2; ++pane) {
    QMenu* owner = pane == 0 ? menus.PopupMenu1 : menus.PopupMenu2;
    owner->addSeparator();
    QAction* item = owner->addAction("Picture");
    item->setObjectName(pane == 0 ? "PictureA" : "PictureB");
    QObject::connect(item, &QAction::triggered, &form,
                     [&form, pane] { form.showPicture(pane, {}); });
  }
  menus.PopupMenu3->addSeparator();
  QAction* whole = menus.PopupMenu3->addAction("Picture of Result");
  whole->setObjectName("PictureOfResult");
  QObject::connect(whole, &QAction::triggered, &form, [&form] { form.showPicture(2, {}); });
  QMenu* parts = menu("PictureOfResultPart");
  parts->setTitle("Picture of Result");
  menus.PopupMenu3->addMenu(parts);
  QObject::connect(menus.PopupMenu3, &QMenu::aboutToShow, &form, [=, &form] {
    const std::vector<std::string> names = resultPartNames(form.calcState());
    whole->setEnabled(!form.busy() && !form.calcState().lastResult.empty());
    whole->setVisible(names.empty());
    parts->menuAction()->setVisible(!names.empty());
    parts->clear();
    for (const std::string& part : names) {
      QAction* item = parts->addAction(QString::fromStdString(part));
      item->setObjectName("PictureOfResultPart_" + QString::fromStdString(part));
      QObject::connect(item, &QAction::triggered, &form,
                       [&form, part] { form.showPicture(2, part); });
    }
  });
}

// Undo and Redo of the pane, above the menu's own items: on when the pane has a step to take
// back or forward and no command runs.
void addUndoItems(TForm1& form, WindowMenus& menus) {
  static constexpr const char* kNames[3][2] = {
      {"UndoA", "RedoA"}, {"UndoB", "RedoB"}, {"UndoResult", "RedoResult"}};
  QMenu* owners[3] = {menus.PopupMenu1, menus.PopupMenu2, menus.PopupMenu3};
  for (int pane = 0; pane < 3; ++pane) {
    QMenu* menu = owners[pane];
    QAction* first = menu->actions().value(0);
    auto item = [&](const char* name, const char* caption, QKeySequence::StandardKey key,
                    void (QPlainTextEdit::*step)()) {
      auto* a = new QAction(caption, menu);
      a->setObjectName(name);
      a->setShortcut(key);
      a->setShortcutVisibleInContextMenu(true);
      menu->insertAction(first, a);
      QObject::connect(a, &QAction::triggered, &form, [&form, pane, step] {
        if (!form.busy()) (form.pane(pane)->*step)();
      });
      return a;
    };
    QAction* undo = menus.Undo[pane] =
        item(kNames[pane][0], "Undo", QKeySequence::Undo, &QPlainTextEdit::undo);
    QAction* redo = menus.Redo[pane] =
        item(kNames[pane][1], "Redo", QKeySequence::Redo, &QPlainTextEdit::redo);
    menu->insertSeparator(first);
    QObject::connect(menu, &QMenu::aboutToShow, &form, [&form, pane, undo, redo] {
      const QTextDocument* text = form.pane(pane)->document();
      undo->setEnabled(!form.busy() && text->isUndoAvailable());
      redo->setEnabled(!form.busy() && text->isRedoAvailable());
    });
  }
}

}  // namespace

WindowMenus buildMenus(TForm1& form) {
  WindowMenus menus;
  std::map<int, QIcon> ImageListMenu;
  for (int index : {1, 3, 13, 18, 24, 31, 42, 43})
    ImageListMenu[index] = skinIcon(QStringLiteral("menu%1").arg(index, 2, 10, QChar('0')));
  auto action = [&](const char* name, const QString& caption, QMenu* menu, int icon = -1) {
    auto* a = new QAction(caption, &form);
    a->setObjectName(name);
    if (icon >= 0) a->setIcon(ImageListMenu[icon]);
    if (menu) menu->addAction(a);
    return a;
  };

  auto menu = [&form](const char* name) {
    auto* m = new QMenu(&form);
    m->setObjectName(name);
    return m;
  };
  // An item with a key is also the window's own action, so the key works without opening
  // the menu.
  auto command = [&](const char* name, const char* caption, QMenu* menu, int icon,
                     void (TForm1::*slot)(), const QKeySequence& key = {}) {
    QAction* a = action(name, caption, menu, icon);
    if (!key.isEmpty()) {
      a->setShortcut(key);
      form.addAction(a);
    }
    QObject::connect(a, &QAction::triggered, &form, slot);
  };
  auto defaultLook = [](QAction* action) { action->setProperty(kDefaultMenuLook, true); };

  menus.File1 = menu("File1");
  // Empty panes, each change undoable in its pane.
  command("New1", "New", menus.File1, -1, &TForm1::New1Click, QKeySequence("Ctrl+N"));
  command("Open1", "Open project", menus.File1, 13, &TForm1::Open1Click, QKeySequence("Ctrl+F"));
  menus.RecentProjects = menu("RecentProjects");
  menus.RecentProjects->setTitle("Recent projects");
  menus.File1->addMenu(menus.RecentProjects);
  command("Save3", "Save project", menus.File1, 18, &TForm1::Save3Click, Qt::Key_F2);
  menus.File1->addSeparator()->setObjectName("N4");
  QAction* refreshA1 = action("RefreshA1", "Align A", menus.File1);
  QAction* refreshB1 = action("RefreshB1", "Align B", menus.File1);
  QAction* clearA1 = action("ClearA1", "Clear A", menus.File1);
  QAction* clearB1 = action("ClearB1", "Clear B", menus.File1);
  for (QAction* a : {refreshA1, refreshB1, clearA1, clearB1}) defaultLook(a);
  QObject::connect(refreshA1, &QAction::triggered, &form, &TForm1::Refresh1Click);
  QObject::connect(refreshB1, &QAction::triggered, &form, &TForm1::Refresh2Click);
  QObject::connect(clearA1, &QAction::triggered, &form, [&form] { form.clearPane(0); });
  QObject::connect(clearB1, &QAction::triggered, &form, [&form] { form.clearPane(1); });
  defaultLook(menus.File1->addSeparator());
  menus.File1->actions().back()->setObjectName("N12");
  command("Save1", "Save result", menus.File1, 24, &TForm1::Save1Click, Qt::Key_F3);
  command("Clear1", "Clear", menus.File1, 3, &TForm1::Clear1Click, Qt::Key_F8);
  command("Auto1", "Auto", menus.File1, 1, &TForm1::Auto1Click, Qt::Key_F5);
  menus.File1->addSeparator()->setObjectName("Exit1");
  command("Exit2", "Exit", menus.File1, 31, &TForm1::Exit2Click, Qt::Key_Escape);

  menus.OperationsMenu = menu("OperationsMenu");
  menus.OperationsMenu->setToolTipsVisible(true);
  for (const kelvaro::CommandInfo& c : kelvaro::commandTable()) {
    if (c.cell.onPanel()) continue;
    QAction* item = action(c.button, operationCaption(c), menus.OperationsMenu);
    item->setToolTip(QString::fromLatin1(c.hint));
    QObject::connect(item, &QAction::triggered, &form, [&form, &c] { form.runOperation(c); });
  }
  // A setting of the commands, not one of them: the row operations before the results of
  // RREF, Solve, the inverses, Det, Rank, LU and Chol.
  menus.OperationsMenu->addSeparator()->setObjectName("N13");
  QAction* steps = action("ShowStepsItem", "Show steps", menus.OperationsMenu);
  steps->setCheckable(true);
  steps->setToolTip(
      "Show the row operations before the result of RREF, Solve, inv, Det, Rank, "
      "LU and Chol");
  QObject::connect(steps, &QAction::toggled, &form,
                   [&form](bool on) { form.calcState().showSteps = on; });

  menus.Help1 = menu("Help1");
  command("Manual1", "Manual", menus.Help1, 42, &TForm1::Manual1Click, Qt::Key_F1);
  command("Connectto1", "Homepage", menus.Help1, 43, &TForm1::Connectto1Click);

  // The pop-up menus, item by item; an item without a name is a separator.
  struct Item {
    const char* name;
    const char* caption;
    std::function<void()> command;
  };
  auto popup = [&](const char* name, std::initializer_list<Item> items) {
    QMenu* m = menu(name);
    for (const Item& item : items) {
      if (!item.name) {
        m->addSeparator();
        continue;
      }
      QObject::connect(action(item.name, item.caption, m), &QAction::triggered, &form,
                       item.command);
    }
    return m;
  };
  const Item separator{nullptr, nullptr, {}};
  auto clear = [&form](int pane) { return [&form, pane] { form.clearPane(pane); }; };
  auto copy = [&form](int pane) { return [&form, pane] { form.copyPane(pane); }; };
  auto paste = [&form](int pane) { return [&form, pane] { form.pastePane(pane); }; };
  auto slot = [&form](void (TForm1::*command)()) {
    return [&form, command] { (form.*command)(); };
  };

  // The context menus of A and B differ only in their items' names and commands.
  using Command = void (TForm1::*)();
  auto operandMenu = [&](const char* name, int pane, std::array<const char*, 6> items,
                         std::array<Command, 3> commands) {
    return popup(name, {{items[0], "Align", slot(commands[0])},
                        separator,
                        {items[1], "Copy", copy(pane)},
                        {items[2], "Paste", paste(pane)},
                        separator,
                        {items[3], "Polar To Rect", slot(commands[1])},
                        {items[4], "Rect to Polar", slot(commands[2])},
                        separator,
                        {items[5], "Clear", clear(pane)}});
  };
  menus.PopupMenu1 = operandMenu(
      "PopupMenu1", 0, {"Refresh1", "Copy1", "Paste1", "PolarToRect1", "RecttoPolar1", "Clear3"},
      {&TForm1::Refresh1Click, &TForm1::PolarToRect1Click, &TForm1::RecttoPolar1Click});
  menus.PopupMenu2 = operandMenu(
      "PopupMenu2", 1,
      {"Refresh2", "MenuItem1", "MenuItem2", "PolarToRect2", "RecttoPolar2", "MenuItem4"},
      {&TForm1::Refresh2Click, &TForm1::PolarToRect2Click, &TForm1::RecttoPolar2Click});
  menus.PopupMenu3 =
      popup("PopupMenu3", {{"Align1", "Align", slot(&TForm1::Align1Click)},
                           separator,
                           {"Copy2", "Copy", copy(2)},
                           {"Paste2", "Paste", paste(2)},
                           separator,
                           {"commatodot1", "comma to dot", slot(&TForm1::commatodot1Click)},
                           {"dottocomma1", "dot to comma", slot(&TForm1::dottocomma1Click)},
                           separator,
                           {"Save2", "Save", slot(&TForm1::Save1Click)},
                           separator,
                           {"Clear4", "Clear", clear(2)}});
  addExchangeItems(form, menus, menu);
  addPictureItems(form, menus, menu);
  addUndoItems(form, menus);

  // Drop-down menus of the tool bar and the swap button.
  menus.PopupMenu4 = popup("PopupMenu4", {{"ClearA2", "Clear A", clear(0)},
                                          {"ClearB2", "Clear B", clear(1)},
                                          {"ClearResult1", "Clear Result", clear(2)}});
  menus.PopupMenu5 = popup("PopupMenu5", {{"RefreshA2", "Align A", slot(&TForm1::Refresh1Click)},
                                          {"RefreshB2", "Align B", slot(&TForm1::Refresh2Click)}});
  menus.PopupMenu6 =
      popup("PopupMenu6", {{"SaveResult1", "Save Result", slot(&TForm1::Save1Click)},
                           {"SaveProject1", "Save Project", slot(&TForm1::Save3Click)}});
  menus.PopupMenu7 =
      popup("PopupMenu7",
            {{"SWapAandB1", "Swap A and B", slot(&TForm1::SWapAandB1Click)},
             {"SwapAandResult1", "Swap A and Result", slot(&TForm1::SwapAandResult1Click)},
             {"SwapBandResult1", "Swap B and Result", slot(&TForm1::SwapBandResult1Click)}});
  return menus;
}

void addPaneKeys(const WindowMenus& menus, QWidget* paneA, QWidget* paneB) {
  paneA->addAction(menus.PasteMatrix[0]);
  paneB->addAction(menus.PasteMatrix[1]);
}

void dropDown(QWidget* button, QMenu* menu) {
  menu->popup(button->mapToGlobal(QPoint(0, button->height())));
}

}  // namespace kelvaro::shell

#include "shell/window_dialogs.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace kelvaro::shell {

void WindowDialogs::showMessage(QMessageBox::Icon icon, const QString& title,
                                const QString& text) const {
  if (messageHook) {
    messageHook(icon, title, text);
    return;
  }
  // The box gets the ordinary pointer, whatever the window shows.
  QApplication::setOverrideCursor(Qt::ArrowCursor);
  // A box lays its whole text out at once: a few lines, however long the message.
  QMessageBox box(icon, title,
                  text.size() > kLongestMessage ? text.left(kLongestMessage) + "..." : text,
                  QMessageBox::Ok, &owner);
  box.exec();
  QApplication::restoreOverrideCursor();
}

bool WindowDialogs::ask(const QString& title, const QString& text) const {
  if (questionHook) return questionHook(text);
  QApplication::setOverrideCursor(Qt::ArrowCursor);
  const auto answer = QMessageBox::question(&owner, title, text, QMessageBox::Yes | QMessageBox::No,
                                            QMessageBox::No);
  QApplication::restoreOverrideCursor();
  return answer == QMessageBox::Yes;
}

void WindowDialogs::openUrl(const QUrl& url) const {
  if (urlHook)
    urlHook(url);
  else
    QDesktopServices::openUrl(url);  // what the desktop makes of it is its own business
}

QString WindowDialogs::chooseFile(QFileDialog*& dialog, const char* name,
                                  QFileDialog::AcceptMode mode, const QStringList& filters,
                                  const QString& suffix) const {
  if (!dialog) {
    dialog = new QFileDialog(&owner);
    dialog->setObjectName(name);
    dialog->setAcceptMode(mode);
    dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                        : QFileDialog::AnyFile);
    dialog->setNameFilters(filters);
    if (mode == QFileDialog::AcceptOpen)
      dialog->setDirectory(QCoreApplication::applicationDirPath());
  }
  const FileDialogHook& hook = mode == QFileDialog::AcceptOpen ? openFileHook : saveFileHook;
  QString path;
  if (hook) {
    path = hook(dialog->nameFilters().join(";;"), suffix);
  } else {
    const bool accepted = dialog->exec() == QDialog::Accepted;
    // The file name's completion list is a window of its own: accepted with Enter, the
    // dialog leaves it open over the main window.
    for (QCompleter* completer : dialog->findChildren<QCompleter*>())
      if (completer->popup()) completer->popup()->hide();
    if (accepted && !dialog->selectedFiles().isEmpty()) path = dialog->selectedFiles().first();
  }
  // The default extension goes to a new name only: a path that is there already (a device, a
  // FIFO, a link) is what was chosen. The dialog is not asked to add it for that reason.
  const QFileInfo chosen(path);
  if (!path.isEmpty() && mode == QFileDialog::AcceptSave && chosen.suffix().isEmpty() &&
      !chosen.exists() && !chosen.isSymLink()) {
    path += "." + suffix;
    const QFileInfo named(path);
    if ((named.exists() || named.isSymLink()) &&
        !ask(
            dialog->windowTitle(),
            QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(named.fileName())))
      return {};
  }
  return path;
}

void WindowUi::showNote(const std::string& text) {
  dialogs_.showMessage(QMessageBox::Information, QStringLiteral("Note"), QString::fromLatin1(text));
}

void WindowUi::showWarning(const std::string& text) {
  dialogs_.showMessage(QMessageBox::Warning, QStringLiteral("Warning"), QString::fromLatin1(text));
}

void WindowUi::showStatus(const std::string& text) {
  if (statusShown) statusShown(QString::fromLatin1(text));
}

}  // namespace kelvaro::shell

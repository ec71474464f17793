#pragma once
// What the window asks of the person and of the desktop: message boxes, the open and save
// dialogs, opening an address. Each goes through a hook when one is set, so that tests can
// answer in the person's place. WindowUi answers the calculator's questions with them.

#include <QFileDialog>
#include <QMessageBox>
#include <functional>

#include "commands/user_interface.h"

class QUrl;

namespace kelvaro::shell {

// The most of a message a box shows.
inline constexpr qsizetype kLongestMessage = 2000;

struct WindowDialogs {
  using MessageHook =
      std::function<void(QMessageBox::Icon icon, const QString& title, const QString& text)>;
  using UrlHook = std::function<void(const QUrl& url)>;
  // Gets the dialog's filters (joined by ";;") and default suffix; returns the chosen path, or
  // an empty string for a cancelled dialog.
  using FileDialogHook = std::function<QString(const QString& filter, const QString& suffix)>;
  // Gets a yes-or-no question's text; returns the answer.
  using QuestionHook = std::function<bool(const QString& text)>;

  explicit WindowDialogs(QWidget& owner) : owner(owner) {}

  void showMessage(QMessageBox::Icon icon, const QString& title, const QString& text) const;
  // Default: the desktop's handler for the address.
  void openUrl(const QUrl& url) const;
  // Yes or no, No being the default.
  bool ask(const QString& title, const QString& text) const;
  // The path chosen in the dialog, made when first needed; a saved file gets the default
  // suffix when it has none. Saving over a file asks first: the dialog asks for the name it
  // was given, and a question here for the name with the suffix added.
  QString chooseFile(QFileDialog*& dialog, const char* name, QFileDialog::AcceptMode mode,
                     const QStringList& filters, const QString& suffix) const;

  QWidget& owner;
  MessageHook messageHook;
  UrlHook urlHook;
  FileDialogHook saveFileHook, openFileHook;
  QuestionHook questionHook;
};

// What the calculator asks of a person, answered with the window's boxes; its short notes go
// to statusShown (the bottom strip).
class WindowUi : public UserInterface {
 public:
  explicit WindowUi(const WindowDialogs& dialogs) : dialogs_(dialogs) {}
  void showNote(const std::string& text) override;
  void showWarning(const std::string& text) override;
  void showStatus(const std::string& text) override;

  std::function<void(const QString& text)> statusShown;

 private:
  const WindowDialogs& dialogs_;
};

}  // namespace kelvaro::shell

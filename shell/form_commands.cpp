// TForm1's running of commands: each runs on the worker on a copy of the calculator state, the
// controls that start commands are off meanwhile, and the outcome is applied when it ends.

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTimer>
#include <QToolButton>
#include <initializer_list>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "commands/accuracy.h"
#include "commands/file_io.h"
#include "commands/shell_actions.h"
#include "shell/Unit1.h"
#include "shell/client_area.h"
#include "shell/command_toolbar.h"
#include "shell/form_text.h"
#include "shell/operation_panel.h"
#include "shell/pane_view.h"
#include "shell/panes.h"
#include "shell/parameter_panel.h"
#include "shell/picture_window.h"
#include "shell/progress_strip.h"
#include "shell/skinned_frame.h"

using kelvaro::CalcState;
using kelvaro::shellActionNamed;
using kelvaro::UserInterface;
using namespace kelvaro::shell;

namespace {

constexpr const kelvaro::ShellActionInfo* kPasteMatrix[2] = {&shellActionNamed("paste-matrix-a"),
                                                             &shellActionNamed("paste-matrix-b")};
// A text file larger than this holds no matrix a pane could show.
constexpr std::uint64_t kLargestTextFile = std::uint64_t{256} << 20;

// The caption of the menu item (or button) that runs an action, which names it while it runs.
QString actionCaption(std::string_view action) {
  static constexpr std::pair<std::string_view, const char*> kCaptions[] = {
      {"auto", "Auto"},
      {"align-a", "Align A"},
      {"align-b", "Align B"},
      {"align-result", "Align"},
      {"clear-a", "Clear A"},
      {"clear-b", "Clear B"},
      {"clear-result", "Clear Result"},
      {"swap-ab", "Swap A and B"},
      {"swap-a-result", "Swap A and Result"},
      {"swap-b-result", "Swap B and Result"},
      {"comma-to-dot", "comma to dot"},
      {"dot-to-comma", "dot to comma"},
      {"polar-to-rect-a", "Polar To Rect"},
      {"polar-to-rect-b", "Polar To Rect"},
      {"rect-to-polar-a", "Rect to Polar"},
      {"rect-to-polar-b", "Rect to Polar"},
      {"format=rect", "Rectangular"},
      {"format=polar", "polar"},
      {"save-result", "Save result"},
      {"save-project", "Save project"},
      {"open-project", "Open project"},
      {"copy-result", "Copy Result As"},
      {"copy-a", "Copy Matrix As"},
      {"copy-b", "Copy Matrix As"},
      {"paste-matrix-a", "Paste Matrix"},
      {"paste-matrix-b", "Paste Matrix"},
      {"result-to-a", "Use Result as A"},
      {"result-to-b", "Use Result as B"},
  };
  for (const auto& [name, caption] : kCaptions)
    if (name == action) return QString::fromLatin1(caption);
  return QString::fromLatin1(action.data(), static_cast<qsizetype>(action.size()));
}

}  // namespace

void TForm1::run(const QString& label, CommandWorker::Command command,
                 std::function<void()> succeeded) {
  // Input made while a command runs starts nothing, then or later.
  if (busy()) return;
  // A check of the last result still running is of no use now.
  accuracy_->stop();
  differing_.clear();
  for (PaneView* view : views_) view->pull();
  pullFields();
  resultsBefore_ = calc_.resultsWritten;
  resultLinesBefore_ = calc_.result.lineCount();
  statusClear_->stop();
  frame_->showStatus({});
  const bool none[3] = {false, false, false};
  markCommandChanges(none);
  label_ = label;
  succeeded_ = std::move(succeeded);
  setCommandsEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  started_.start();
  progressTimer_->start();
  worker_->start(calc_, std::move(command));
}

void TForm1::showProgress() {
  if (progress_->isHidden()) {
    if (started_.elapsed() < kProgressAfterMs) return;
    progress_->start(label_);
    frame_->announce(label_ + " running, Esc cancels");
  }
  progress_->setFraction(worker_->token().fraction());
}

void TForm1::commandEnded(CommandWorker::Outcome& outcome) {
  progressTimer_->stop();
  progress_->hide();
  QApplication::restoreOverrideCursor();
  setCommandsEnabled(true);
  const std::function<void()> succeeded = std::exchange(succeeded_, {});
  if (outcome.cancelled) {
    frame_->showStatus("Cancelled: " + label_);
    statusClear_->start();
    return;
  }
  if (outcome.state) {
    calc_ = std::move(*outcome.state);
    // What the command did up to an error stays visible behind the message box.
    bool changed[3];
    for (int i = 0; i < 3; ++i) changed[i] = views_[i]->push();
    if (changed[2]) keepResultSize();
    markCommandChanges(changed);
    pushFields();
    if (picture_) picture_->stateChanged(calc_);
  }
  for (const CommandWorker::Request& request : outcome.requests) {
    switch (request.kind) {
      case CommandWorker::Request::Kind::Note:
        ui_.showNote(request.text);
        break;
      case CommandWorker::Request::Kind::Warning:
        ui_.showWarning(request.text);
        break;
      case CommandWorker::Request::Kind::Status:
        ui_.showStatus(request.text);
        break;
    }
  }
  if (outcome.failure)
    dialogs_.showMessage(QMessageBox::Critical, kAppTitle, *outcome.failure);
  else if (succeeded)
    succeeded();
}

void TForm1::setCommandsEnabled(bool on) {
  // A control that gives up the focus as it goes off gets it back, unless it was moved since.
  if (!on) focusBefore_ = QApplication::focusWidget();
  for (QWidget* w : std::initializer_list<QWidget*>{client_.Panel3, client_.ToolBar2, Panel8})
    w->setEnabled(on);
  for (QPlainTextEdit* pane : panes_) pane->setReadOnly(!on);
  // Copying a selection, Exit (Esc cancels meanwhile) and the Help menu stay.
  static const QStringList kKept = {"Exit2", "Copy1", "MenuItem1", "Copy2"};
  for (QMenu* menu : {menus_.File1, menus_.OperationsMenu, menus_.PopupMenu1, menus_.PopupMenu2,
                      menus_.PopupMenu3, menus_.PopupMenu4, menus_.PopupMenu5, menus_.PopupMenu6,
                      menus_.PopupMenu7})
    for (QAction* action : menu->actions())
      if (!kKept.contains(action->objectName())) action->setEnabled(on);
  if (!on)
    focusAfter_ = QApplication::focusWidget();
  else if (focusBefore_ && QApplication::focusWidget() == focusAfter_)
    focusBefore_->setFocus();
}

void TForm1::runOperation(const kelvaro::CommandInfo& command) {
  run(
      operationCaption(command),
      [&command](CalcState& state, UserInterface&) { command.run(state); },
      [this, &command] {
        // How far the result's digits can be trusted, where the operation can tell; a screen
        // reader hears it before the result.
        frame_->showStatus(latin1(kelvaro::accuracyNote(calc_)));
        announceResults();
        checkAccuracy(command);
      });
}

void TForm1::checkAccuracy(const kelvaro::CommandInfo& command) {
  if (calc_.exact || calc_.resultsWritten == resultsBefore_ || !isCheckedOperation(command)) return;
  const QString note = latin1(kelvaro::accuracyNote(calc_));
  const QString before = note.isEmpty() ? QString() : note + "; ";
  frame_->showStatus(before + "checking the printed entries", false);
  accuracy_->start(calc_, command, kAccuracyBudgetSeconds,
                   [this, before](const kelvaro::AccuracyCheck& check) {
                     differing_ = check.differing;
                     QString text = before + latin1(check.verdict);
                     if (!differing_.empty()) text += " (click for the list)";
                     // Shown, not read out: a screen reader has the result's summary as the
                     // strip's name, which the verdict would take away while it is read.
                     frame_->showStatus(text, false);
                   });
}

void TForm1::showDifferingEntries() {
  if (differing_.empty()) return;
  constexpr std::size_t kListed = 40;
  QString text;
  for (std::size_t i = 0; i < std::min(differing_.size(), kListed); ++i)
    text += latin1(differing_[i]) + "\n";
  if (differing_.size() > kListed)
    text += QStringLiteral("and %1 more").arg(differing_.size() - kListed);
  dialogs_.showMessage(QMessageBox::Information, QStringLiteral("Printed entries that differ"),
                       text.trimmed());
}

void TForm1::announceResults() {
  const std::uint64_t written = calc_.resultsWritten - resultsBefore_;
  const QString last = latin1(calc_.lastResultSummary);
  if (written == 1) return frame_->announce(last);
  if (written > 1)
    return frame_->announce(QStringLiteral("%1 results; the last: %2").arg(written).arg(last));
  const std::vector<std::string>& lines = calc_.result.lines();
  for (std::size_t i = lines.size(); i > resultLinesBefore_; --i)
    if (const QString line = latin1(lines[i - 1]).trimmed(); !line.isEmpty())
      return frame_->announce(line);
}

void TForm1::runAction(const kelvaro::ShellActionInfo& entry, std::string argument,
                       const std::function<void()>& succeeded) {
  run(
      actionCaption(entry.action),
      [&entry, argument = std::move(argument)](CalcState& state, UserInterface& ui) {
        entry.run(state, ui, argument);
      },
      succeeded);
}

void TForm1::pasteMatrix(int pane) {
  const kelvaro::ShellActionInfo& paste = *kPasteMatrix[pane];
  QString clipboard = QApplication::clipboard()->text();
  // A byte-order mark, which spreadsheets on some systems put first, is no Latin-1 character.
  if (clipboard.startsWith(QChar(0xFEFF))) clipboard.remove(0, 1);
  run(actionCaption(paste.action),
      [&paste, text = bytes(clipboard)](CalcState& state, UserInterface& ui) {
        state.clipboard = text;
        paste.run(state, ui, {});
      });
}

void TForm1::pasteFile(int pane, const QString& path) {
  // The file's text alone, never the clipboard's.
  run(actionCaption(kPasteMatrix[pane]->action), [pane, path](CalcState& state, UserInterface& ui) {
    std::string text, reason;
    if (!kelvaro::readWholeFile(fileName(path), text, reason, kLargestTextFile))
      throw std::runtime_error(QStringLiteral("Cannot read \"%1\": %2")
                                   .arg(path, reason.c_str())
                                   .toLocal8Bit()
                                   .toStdString());
    kelvaro::pasteTextInto(state, ui, pane == 0 ? 'A' : 'B', text);
  });
}

void TForm1::showPicture(int pane, const std::string& part) {
  if (busy()) return;
  if (pane < 2) views_[pane]->pull();
  if (!picture_) picture_ = new PictureWindow(this, dialogs_);
  using Source = PictureWindow::Source;
  picture_->follow(pane == 0   ? Source::PaneA
                   : pane == 1 ? Source::PaneB
                               : Source::Result,
                   part, calc_);
}

void TForm1::useResult(int pane, const std::string& part) {
  static constexpr const kelvaro::ShellActionInfo* kResultTo[2] = {
      &shellActionNamed("result-to-a"), &shellActionNamed("result-to-b")};
  runAction(*kResultTo[pane], part);
}

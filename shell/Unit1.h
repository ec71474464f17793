#pragma once
// TForm1, the main window. It owns one calculator state and runs every command: it copies
// what the person changed in the panes and fields into the state, has the calculator's
// command run on a worker thread (on a copy of the state) and shows what the command changed
// once it has ended. It computes nothing itself. The frame, the menus, the tool bar and the
// panels are built in their own units.

#include <QElapsedTimer>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <functional>
#include <string>
#include <string_view>

#include "commands/calc_state.h"
#include "commands/command_table.h"
#include "commands/shell_actions.h"
#include "commands/user_interface.h"
#include "shell/accuracy_check.h"
#include "shell/client_area.h"
#include "shell/command_worker.h"
#include "shell/kept_state.h"
#include "shell/window_dialogs.h"
#include "shell/window_menus.h"

class QPlainTextEdit;
class QTimer;

namespace kelvaro::shell {
class PaneView;
class ParameterPanel;
class PictureWindow;
class ProgressStrip;
class SkinnedFrame;
class StateKeeper;
}  // namespace kelvaro::shell

class TForm1 : public QWidget {
  Q_OBJECT
 public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // Message boxes, the addresses opened (manual, home page) and the open and save dialogs
  // go through these hooks when they are set, so that tests can see and answer them.
  using Dialogs = kelvaro::shell::WindowDialogs;
  void setMessageHook(Dialogs::MessageHook hook) { dialogs_.messageHook = std::move(hook); }
  void setUrlHook(Dialogs::UrlHook hook) { dialogs_.urlHook = std::move(hook); }
  void setSaveFileHook(Dialogs::FileDialogHook hook) { dialogs_.saveFileHook = std::move(hook); }
  void setOpenFileHook(Dialogs::FileDialogHook hook) { dialogs_.openFileHook = std::move(hook); }
  void setQuestionHook(Dialogs::QuestionHook hook) { dialogs_.questionHook = std::move(hook); }

  kelvaro::CalcState& calcState() { return calc_; }

  // Comes back as the window was left, from the state kept in folder, and keeps its state
  // there from now on (kelvaro-cli and tests that do not call this keep nothing).
  void keepState(const QString& folder);
  const kelvaro::shell::StateKeeper* stateKeeper() const { return keeper_; }
  // Projects opened or saved, the latest first, as the system names them.
  const std::vector<std::string>& recentProjects() const { return recent_; }

  // While a command runs (until its outcome is shown), nothing else starts.
  bool busy() const { return worker_->running(); }
  // A running command stops; the state stays as it was before it.
  void cancelCommand() { worker_->cancel(); }
  const kelvaro::WorkToken& commandToken() const { return worker_->token(); }
  // A command that has run this long shows its progress; the cancel note stays this long.
  static constexpr int kProgressAfterMs = 300;
  static constexpr int kCancelledShownMs = 4000;
  // The most time the check of a result's printed entries may take.
  static constexpr double kAccuracyBudgetSeconds = 2.0;

  // The parts of the window.
  kelvaro::shell::SkinnedFrame& frame() const { return *frame_; }
  const kelvaro::shell::WindowMenus& menus() const { return menus_; }
  const kelvaro::shell::ClientArea& clientArea() const { return client_; }
  kelvaro::shell::ParameterPanel& parameterPanel() const { return *Panel8; }
  // The panes: 0 = A, 1 = B, 2 = Result.
  QPlainTextEdit* pane(int pane) const { return panes_[pane]; }

  // Where the window opens, and how small it may get.
  static constexpr QRect kStartGeometry{211, 66, 884, 634};
  static constexpr QSize kMinimumSize{580, 120};
  // The column splitter's limits: the operand column stays wider than kOperandColumnAbove,
  // and the Result area keeps kResultAreaMinimum.
  static constexpr int kOperandColumnAbove = 100;
  static constexpr int kResultAreaMinimum = 275;
  // Room the operation panel takes back from the operand column when it is shown again.
  static constexpr int kOperationPanelRoom = 254;

  // The home page, opened by Help > Homepage.
  static const char* const kHomepage;
  // The title of the message boxes.
  static constexpr char kAppTitle[] = "Kelvaro";

 public slots:
  // Operation buttons of the operation panel.
  void runOperation(const kelvaro::CommandInfo& command);

  // File menu and tool bar.
  void New1Click();
  void Open1Click();
  void Save3Click();
  void Refresh1Click();
  void Refresh2Click();
  void Align1Click();
  void Save1Click();
  void Clear1Click();
  void Auto1Click();
  void Exit2Click();
  void Manual1Click();
  void Connectto1Click();

  // Clear, copy and paste of the panes (0 = A, 1 = B, 2 = Result).
  void clearPane(int pane);
  void copyPane(int pane);
  void pastePane(int pane);

  // Matrices in and out (0 = A, 1 = B, 2 = the last result): a copy in a format ("latex",
  // "latex+full") onto the system clipboard; the clipboard's matrix, or a text file's, into A
  // or B; the last result (or its part "L", "U", ...) into A or B.
  void copyAs(int pane, const std::string& format);
  void pasteMatrix(int pane);
  void pasteFile(int pane, const QString& path);
  void useResult(int pane, const std::string& part);
  // The picture view, following pane A or B or the last result (pane 2; part "" the first).
  void showPicture(int pane, const std::string& part);
  // The picture view, once opened.
  kelvaro::shell::PictureWindow* pictureWindow() const { return picture_; }
  // Opens a project with the checks of the Open dialog: a file that is not there is passed
  // over, one that is no project is refused with a message box.
  void openProject(const QString& path);
  // A project of File > Recent projects; one that is no longer there leaves the list.
  void openRecent(const QString& path);

  void SWapAandB1Click();
  void SwapAandResult1Click();
  void SwapBandResult1Click();
  void commatodot1Click();
  void dottocomma1Click();
  void PolarToRect1Click();
  void RecttoPolar1Click();
  void PolarToRect2Click();
  void RecttoPolar2Click();
  void RadioGroup1Click();
  void ComboBox1Change();

  // The skinned frame.
  void ImgBtnMinClick();
  void ImgBtnMaxClick();
  void ImgBtnCloseClick();
  void ImgBtnUpClick();
  void ImgBtnRightShowClick();
  void ImgBtnLeftShowClick();
  // Accepts a new operand-column width n only if both sides keep room enough.
  bool Splitter1CanResize(int n) const;

 protected:
  // A running command is cancelled and its thread let go before the window closes.
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Starts one command of the calculator on the window's state, unless one runs: the
  // person's edits go in first, the command's changes come out once it has ended, then the
  // boxes it asked for and the error that ended it. succeeded runs after that, unless the
  // command failed. label names the command in the progress strip.
  void run(const QString& label, kelvaro::shell::CommandWorker::Command command,
           std::function<void()> succeeded = {});
  // Runs the calculator's shell command of that action name (as kelvaro-cli names it).
  void runAction(const kelvaro::ShellActionInfo& action, std::string argument = {},
                 const std::function<void()>& succeeded = {});
  void pullFields();
  void pushFields();
  void commandEnded(kelvaro::shell::CommandWorker::Outcome& outcome);
  void showProgress();
  // Tells screen readers what the operations just run printed: their results in a few words,
  // or else the error line they added.
  void announceResults();
  // After an operation whose printed entries can be checked: the check beside the window, its
  // verdict in the strip when it comes; the differing entries on a click of the strip.
  void checkAccuracy(const kelvaro::CommandInfo& command);
  void showDifferingEntries();
  // The controls that start commands or change panes and fields, on or off.
  void setCommandsEnabled(bool on);
  void restoreState(const kelvaro::shell::KeptState& kept);
  void gatherState(kelvaro::shell::KeptState& kept) const;
  void rememberProject(const QString& path);
  // The Result header tells the size of the last result printed before the pane's present
  // text (undo and redo go back and forth through them), while the pane holds anything.
  void keepResultSize();
  void showResultSize();
  // What the strip says of the last command goes once that command's change of a pane is
  // undone.
  void markCommandChanges(const bool changed[3]);
  void paneChanged(int pane);
  void fillRecentMenu();

  kelvaro::CalcState calc_;
  Dialogs dialogs_{*this};
  kelvaro::shell::WindowUi ui_{dialogs_};
  kelvaro::shell::WindowMenus menus_;
  kelvaro::shell::SkinnedFrame* frame_ = nullptr;
  kelvaro::shell::ClientArea client_;
  kelvaro::shell::ParameterPanel* Panel8 = nullptr;
  QPlainTextEdit* panes_[3] = {nullptr, nullptr, nullptr};
  kelvaro::shell::PaneView* views_[3] = {nullptr, nullptr, nullptr};
  kelvaro::shell::StateKeeper* keeper_ = nullptr;
  std::vector<std::string> recent_;
  QFileDialog* OpenDialog1 = nullptr;  // made when first needed
  QFileDialog* SaveDialog1 = nullptr;
  QFileDialog* SaveDialog2 = nullptr;

  kelvaro::shell::CommandWorker* worker_ = nullptr;
  kelvaro::shell::ProgressStrip* progress_ = nullptr;
  QTimer* progressTimer_ = nullptr;
  QTimer* statusClear_ = nullptr;  // takes the cancel note away
  kelvaro::shell::AccuracyCheckRunner* accuracy_ = nullptr;
  std::vector<std::string> differing_;  // the last check's differing entries
  kelvaro::shell::PictureWindow* picture_ = nullptr;
  QTimer* pictureFollow_ = nullptr;  // a pane the picture follows was edited a moment ago
  QElapsedTimer started_;
  // The results printed and the Result pane's lines when the running command started.
  std::uint64_t resultsBefore_ = 0;
  std::size_t resultLinesBefore_ = 0;
  // The running command's label and what runs after it succeeded.
  QString label_;
  std::function<void()> succeeded_;
  // The size of each result printed, with the undo steps of the Result pane right after; the
  // steps of texts gone for good (undone, then replaced by a new edit) are let go.
  struct ResultSize {
    int undoSteps;
    QString size;
  };
  std::vector<ResultSize> resultSizes_;
  // For each pane the last command changed, the undo steps its text had right after.
  int undoMark_[3] = {-1, -1, -1};
  // The focus before the controls went off, and where it went then.
  QPointer<QWidget> focusBefore_, focusAfter_;
};

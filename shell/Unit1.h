#pragma once
// TForm1, the main window. It owns one calculator state and runs every command: it copies
// what the person changed in the panes and fields into the state, runs the calculator's
// command and shows what the command changed. It computes nothing itself. The frame, the
// menus, the tool bar and the panels are built in their own units.

#include <QRect>
#include <QWidget>
#include <functional>
#include <string>
#include <string_view>

#include "commands/calc_state.h"
#include "commands/command_table.h"
#include "commands/shell_actions.h"
#include "commands/user_interface.h"
#include "shell/client_area.h"
#include "shell/window_dialogs.h"
#include "shell/window_menus.h"

class QPlainTextEdit;

namespace kelvaro::shell {
class PaneView;
class ParameterPanel;
class SkinnedFrame;
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

  kelvaro::CalcState& calcState() { return calc_; }

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

 public slots:
  // Operation buttons of the operation panel.
  void runOperation(const kelvaro::CommandInfo& command);

  // File menu and tool bar.
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
  // Opens a project with the checks of the Open dialog: a file that is not there is passed
  // over, one that is no project is refused with a message box.
  void openProject(const QString& path);

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

 private:
  // Runs one command of the calculator on the window's state: the person's edits go in
  // first, the command's changes come out afterwards, and an error is shown in a box.
  // succeeded runs once the changes are shown, unless the command failed.
  void run(const std::function<void(kelvaro::CalcState&, kelvaro::UserInterface&)>& command,
           const std::function<void()>& succeeded = {});
  // Runs the calculator's shell command of that action name (as kelvaro-cli names it).
  void runAction(const kelvaro::ShellActionInfo& action, std::string argument = {},
                 const std::function<void()>& succeeded = {});
  void pullFields();
  void pushFields();

  kelvaro::CalcState calc_;
  Dialogs dialogs_{*this};
  kelvaro::shell::WindowUi ui_{dialogs_};
  kelvaro::shell::WindowMenus menus_;
  kelvaro::shell::SkinnedFrame* frame_ = nullptr;
  kelvaro::shell::ClientArea client_;
  kelvaro::shell::ParameterPanel* Panel8 = nullptr;
  QPlainTextEdit* panes_[3] = {nullptr, nullptr, nullptr};
  kelvaro::shell::PaneView* views_[3] = {nullptr, nullptr, nullptr};
  QFileDialog* OpenDialog1 = nullptr;  // made when first needed
  QFileDialog* SaveDialog1 = nullptr;
  QFileDialog* SaveDialog2 = nullptr;
};

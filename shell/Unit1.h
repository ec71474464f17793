#pragma once
// TForm1, the main window: the skinned frame, the three panes, the parameter panel, the
// operation panel, the menus and tool bars. It owns one calculator state; every command
// copies what the person changed into it, runs the calculator's command and shows what the
// command changed. It computes nothing itself.

#include <QFileDialog>
#include <QMessageBox>
#include <QPixmap>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "commands/calc_state.h"
#include "commands/command_table.h"
#include "commands/user_interface.h"
#include "shell/window_menus.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QRadioButton;
class QToolButton;
class TImgBtn;

namespace kelvaro::shell {
class FormSplitter;
class MenuStripButton;
class PaneView;
class SkinnedFrame;
}  // namespace kelvaro::shell

class TForm1 : public QWidget {
  Q_OBJECT
 public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // Every message box goes through this hook, so that tests can see them.
  using MessageHook =
      std::function<void(QMessageBox::Icon icon, const QString& title, const QString& text)>;
  void setMessageHook(MessageHook hook) { messageHook_ = std::move(hook); }
  // Opening the manual or the home page goes through this hook (default: the desktop's
  // handler for the address).
  using UrlHook = std::function<void(const QUrl& url)>;
  void setUrlHook(UrlHook hook) { urlHook_ = std::move(hook); }

  // The save and open dialogs go through these hooks (default: the dialog is shown). A hook
  // gets the dialog's filters (joined by ";;") and default suffix and returns the chosen
  // path, or an empty string for a cancelled dialog.
  using FileDialogHook = std::function<QString(const QString& filter, const QString& suffix)>;
  void setSaveFileHook(FileDialogHook hook) { saveFileHook_ = std::move(hook); }
  void setOpenFileHook(FileDialogHook hook) { openFileHook_ = std::move(hook); }

  kelvaro::CalcState& calcState() { return calc_; }

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
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class WindowUi;

  // Runs one command of the calculator on the window's state: the person's edits go in
  // first, the command's changes come out afterwards, and an error is shown in a box.
  void run(const std::function<void(kelvaro::CalcState&, kelvaro::UserInterface&)>& command);
  // Runs the calculator's shell command of that action name (as kelvaro-cli names it).
  void runAction(std::string_view name, std::string argument = {});
  void pullFields();
  void pushFields();
  QString chooseFile(QFileDialog*& dialog, const char* name, QFileDialog::AcceptMode mode,
                     const QStringList& filters, const QString& suffix);
  void showMessage(QMessageBox::Icon icon, const QString& title, const QString& text);
  void openUrl(const QUrl& url);

  // Building the window (FormCreate).
  void buildClientArea();
  void buildCommandToolBar(QWidget* parent);
  void buildOperandColumn(QWidget* parent);
  void buildResultArea(QWidget* parent);
  void buildParameterPanel(QWidget* parent);
  void buildOperationPanel(QWidget* parent);
  QPlainTextEdit* makePane(const char* name, QMenu* contextMenu, QWidget* parent);
  QWidget* makeHeader(const char* name, const char* backdrop, const char* caption, QWidget* parent);
  QToolButton* makeToolButton(const char* name, const QString& caption, const QString& hint,
                              const char* glyph, QWidget* parent);

  void placeCollapseButtons();

  kelvaro::CalcState calc_;
  std::unique_ptr<WindowUi> ui_;
  MessageHook messageHook_;
  UrlHook urlHook_;
  FileDialogHook saveFileHook_, openFileHook_;

  kelvaro::shell::SkinnedFrame* frame_ = nullptr;
  TImgBtn* ImgBtnUp = nullptr;
  TImgBtn* ImgBtnDown = nullptr;
  TImgBtn* ImgBtnRightShow = nullptr;
  TImgBtn* ImgBtnLeftShow = nullptr;

  // Menus.
  kelvaro::shell::MenuStripButton* ToolButton1 = nullptr;
  kelvaro::shell::MenuStripButton* ToolButton2 = nullptr;
  kelvaro::shell::WindowMenus menus_;

  // Client area.
  QWidget* Panel1 = nullptr;
  QWidget* Panel2 = nullptr;
  QWidget* Panel3 = nullptr;
  QWidget* Panel4 = nullptr;
  QWidget* Panel5 = nullptr;
  QWidget* Panel6 = nullptr;
  QWidget* Panel7 = nullptr;
  QWidget* Panel8 = nullptr;
  QWidget* Panel9 = nullptr;
  kelvaro::shell::FormSplitter* Splitter1 = nullptr;
  kelvaro::shell::FormSplitter* Splitter2 = nullptr;
  QToolButton* SpeedButton48 = nullptr;
  QToolButton* SpeedButton53 = nullptr;
  QToolButton* SpeedButton55 = nullptr;
  QToolButton* SpeedButton1 = nullptr;

  QPlainTextEdit* RichEdit1 = nullptr;
  QPlainTextEdit* RichEdit2 = nullptr;
  QPlainTextEdit* RichEdit3 = nullptr;
  kelvaro::shell::PaneView* views_[3] = {nullptr, nullptr, nullptr};

  QGroupBox* RadioGroup1 = nullptr;
  QRadioButton* radioItems_[2] = {nullptr, nullptr};
  QLineEdit* LabeledEdit1 = nullptr;
  QLineEdit* LabeledEdit2 = nullptr;
  QLineEdit* LabeledEdit3 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QFileDialog* OpenDialog1 = nullptr;  // made when first needed
  QFileDialog* SaveDialog1 = nullptr;
  QFileDialog* SaveDialog2 = nullptr;
};

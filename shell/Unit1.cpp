#include "shell/Unit1.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <algorithm>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "commands/file_io.h"
#include "commands/locale_separator.h"
#include "commands/shell_actions.h"
#include "commands/shell_commands.h"
#include "shell/MyImgBtn.h"
#include "shell/command_toolbar.h"
#include "shell/file_drops.h"
#include "shell/form_splitter.h"
#include "shell/operation_panel.h"
#include "shell/pane_view.h"
#include "shell/panes.h"
#include "shell/parameter_panel.h"
#include "shell/progress_strip.h"
#include "shell/skin.h"
#include "shell/skinned_frame.h"

using kelvaro::CalcState;
using kelvaro::shellActionNamed;
using kelvaro::UserInterface;
using namespace kelvaro::shell;

const char* const TForm1::kHomepage = "https://kelvaro.example.org/";

namespace {

constexpr char kCaption[] = "Kelvaro 5.4 (For real && complex matrix)";
constexpr char kAppTitle[] = "Kelvaro";

QString latin1(const std::string& text) {
  return QString::fromLatin1(text);
}
std::string bytes(const QString& text) {
  return text.toLatin1().toStdString();
}
// File names go to the system in its own encoding, not as pane text.
std::string fileName(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

constexpr const kelvaro::ShellActionInfo* kPasteMatrix[2] = {&shellActionNamed("paste-matrix-a"),
                                                             &shellActionNamed("paste-matrix-b")};
// A text file larger than this holds no matrix a pane could show.
constexpr std::uint64_t kLargestTextFile = std::uint64_t{256} << 20;

// How often a running command's progress is shown.
constexpr int kProgressEveryMs = 40;

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

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
  setObjectName("Form1");
  setWindowFlag(Qt::FramelessWindowHint);
  setWindowTitle(QString(kCaption).replace("&&", "&"));
  setWindowIcon(QIcon(skinImage("kelvaro256")));
  setMinimumSize(kMinimumSize);
  setGeometry(kStartGeometry);
  setStyleSheet(windowStyleSheet());

  // The panes start as the calculator starts: examples by the locale's decimal separator.
  kelvaro::FormCreate(calc_, kelvaro::environmentDecimalSeparator());

  menus_ = buildMenus(*this);
  frame_ = new SkinnedFrame(*this);
  frame_->addMenu("ToolButton1", "File", menus_.File1);
  frame_->addMenu("ToolButton2", "Help", menus_.Help1);
  connect(frame_, &SkinnedFrame::minimizeClicked, this, &TForm1::ImgBtnMinClick);
  connect(frame_, &SkinnedFrame::maximizeClicked, this, &TForm1::ImgBtnMaxClick);
  connect(frame_, &SkinnedFrame::closeClicked, this, &TForm1::ImgBtnCloseClick);
  client_ = buildClientArea(*this, *frame_, menus_);
  Panel8 = client_.Panel4->parameters();
  panes_[0] = client_.Panel6->paneA();
  panes_[1] = client_.Panel6->paneB();
  panes_[2] = client_.Panel4->pane();
  kelvaro::Pane* calcPanes[3] = {&calc_.paneA, &calc_.paneB, &calc_.result};
  for (int i = 0; i < 3; ++i) views_[i] = new PaneView(panes_[i], calcPanes[i]);
  addPaneKeys(menus_, panes_[0], panes_[1]);
  new FileDrops(*this, panes_[0], panes_[1]);
  ui_.statusShown = [this](const QString& text) { frame_->showStatus(text); };
  worker_ =
      new CommandWorker(this, [this](CommandWorker::Outcome& outcome) { commandEnded(outcome); });
  progress_ = new ProgressStrip;
  frame_->setStripWidget(progress_);
  connect(progress_, &ProgressStrip::cancelClicked, this, &TForm1::cancelCommand);
  progressTimer_ = new QTimer(this);
  progressTimer_->setInterval(kProgressEveryMs);
  connect(progressTimer_, &QTimer::timeout, this, &TForm1::showProgress);
  statusClear_ = new QTimer(this);
  statusClear_->setSingleShot(true);
  statusClear_->setInterval(kCancelledShownMs);
  connect(statusClear_, &QTimer::timeout, this, [this] { frame_->showStatus({}); });
  // The fields show the calculator's start.
  pushFields();
  // The window opens ready for matrix A.
  panes_[0]->setFocus();
}

TForm1::~TForm1() {
  // The outcome of a command still running will not come back to restore the cursor.
  if (busy()) QApplication::restoreOverrideCursor();
  // The worker's thread may still be reading the state.
  worker_->stop();
}

void TForm1::closeEvent(QCloseEvent* event) {
  worker_->stop();
  QWidget::closeEvent(event);
}

void TForm1::pullFields() {
  calc_.coefText = bytes(Panel8->coefEdit()->text());
  calc_.rowText = bytes(Panel8->rowEdit()->text());
  calc_.columnText = bytes(Panel8->columnEdit()->text());
  calc_.precisionText = bytes(Panel8->precisionBox()->currentText());
}

void TForm1::pushFields() {
  auto update = [](QLineEdit* edit, const std::string& text) {
    if (bytes(edit->text()) != text) edit->setText(latin1(text));
  };
  update(Panel8->coefEdit(), calc_.coefText);
  update(Panel8->rowEdit(), calc_.rowText);
  update(Panel8->columnEdit(), calc_.columnText);
  QComboBox* precision = Panel8->precisionBox();
  if (bytes(precision->currentText()) != calc_.precisionText) {
    const QSignalBlocker quiet(precision);
    precision->setEditText(latin1(calc_.precisionText));
  }
  QRadioButton* format = Panel8->formatItem(static_cast<int>(calc_.display));
  if (!format->isChecked()) format->setChecked(true);
}

void TForm1::run(const QString& label, CommandWorker::Command command,
                 std::function<void()> succeeded) {
  // Input made while a command runs starts nothing, then or later.
  if (busy()) return;
  for (PaneView* view : views_) view->pull();
  pullFields();
  statusClear_->stop();
  frame_->showStatus({});
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
    for (PaneView* view : views_) view->push();
    pushFields();
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
  for (QMenu* menu : {menus_.File1, menus_.PopupMenu1, menus_.PopupMenu2, menus_.PopupMenu3,
                      menus_.PopupMenu4, menus_.PopupMenu5, menus_.PopupMenu6, menus_.PopupMenu7})
    for (QAction* action : menu->actions())
      if (!kKept.contains(action->objectName())) action->setEnabled(on);
  if (!on)
    focusAfter_ = QApplication::focusWidget();
  else if (focusBefore_ && QApplication::focusWidget() == focusAfter_)
    focusBefore_->setFocus();
}

void TForm1::runOperation(const kelvaro::CommandInfo& command) {
  run(operationCaption(command),
      [&command](CalcState& state, UserInterface&) { command.run(state); });
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

void TForm1::Refresh1Click() {
  runAction(shellActionNamed("align-a"));
}
void TForm1::Refresh2Click() {
  runAction(shellActionNamed("align-b"));
}
void TForm1::Align1Click() {
  runAction(shellActionNamed("align-result"));
}
void TForm1::SWapAandB1Click() {
  runAction(shellActionNamed("swap-ab"));
}
void TForm1::SwapAandResult1Click() {
  runAction(shellActionNamed("swap-a-result"));
}
void TForm1::SwapBandResult1Click() {
  runAction(shellActionNamed("swap-b-result"));
}
void TForm1::commatodot1Click() {
  runAction(shellActionNamed("comma-to-dot"));
}
void TForm1::dottocomma1Click() {
  runAction(shellActionNamed("dot-to-comma"));
}
void TForm1::PolarToRect1Click() {
  runAction(shellActionNamed("polar-to-rect-a"));
}
void TForm1::RecttoPolar1Click() {
  runAction(shellActionNamed("rect-to-polar-a"));
}
void TForm1::PolarToRect2Click() {
  runAction(shellActionNamed("polar-to-rect-b"));
}
void TForm1::RecttoPolar2Click() {
  runAction(shellActionNamed("rect-to-polar-b"));
}
void TForm1::Auto1Click() {
  runAction(shellActionNamed("auto"));
}

void TForm1::clearPane(int pane) {
  static constexpr const kelvaro::ShellActionInfo* kClear[3] = {&shellActionNamed("clear-a"),
                                                                &shellActionNamed("clear-b"),
                                                                &shellActionNamed("clear-result")};
  runAction(*kClear[pane]);
}

void TForm1::RadioGroup1Click() {
  runAction(Panel8->formatItem(1)->isChecked() ? shellActionNamed("format=polar")
                                               : shellActionNamed("format=rect"));
}

void TForm1::ComboBox1Change() {
  // It reads the precision's text only, at each key typed into it: at once, and the box
  // keeps the focus.
  if (busy()) return;
  pullFields();
  const std::optional<QString> failure = failureOf([this] { kelvaro::ComboBox1Change(calc_); });
  pushFields();
  if (failure) dialogs_.showMessage(QMessageBox::Critical, kAppTitle, *failure);
}

void TForm1::Save1Click() {
  const QString path =
      dialogs_.chooseFile(SaveDialog1, "SaveDialog1", QFileDialog::AcceptSave,
                          {"Text File(*.txt)", "Rtf File(*.rtf)", "All File(*.*)"}, "txt");
  if (!path.isEmpty()) runAction(shellActionNamed("save-result"), fileName(path));
}

void TForm1::Save3Click() {
  const QString path = dialogs_.chooseFile(SaveDialog2, "SaveDialog2", QFileDialog::AcceptSave,
                                           {"Matrix Project File (*.mtx)"}, "mtx");
  if (!path.isEmpty()) runAction(shellActionNamed("save-project"), fileName(path));
}

void TForm1::Open1Click() {
  if (OpenDialog1) OpenDialog1->setDirectory(QCoreApplication::applicationDirPath());
  const QString path = dialogs_.chooseFile(OpenDialog1, "OpenDialog1", QFileDialog::AcceptOpen,
                                           {"Matrix Project File (*.mtx)"}, "mtx");
  if (!path.isEmpty()) openProject(path);
}

void TForm1::openProject(const QString& path) {
  if (QFileInfo::exists(path)) runAction(shellActionNamed("open-project"), fileName(path));
}

void TForm1::copyPane(int pane) {
  panes_[pane]->copy();
}

void TForm1::pastePane(int pane) {
  const int revision = panes_[pane]->document()->revision();
  panes_[pane]->paste();
  if (pane == 2) return;
  // The paste and its alignment are undone together.
  if (panes_[pane]->document()->revision() != revision) views_[pane]->joinNextPush();
  if (pane == 0) Refresh1Click();
  if (pane == 1) Refresh2Click();
}

void TForm1::copyAs(int pane, const std::string& format) {
  static constexpr const kelvaro::ShellActionInfo* kCopy[3] = {
      &shellActionNamed("copy-a"), &shellActionNamed("copy-b"), &shellActionNamed("copy-result")};
  runAction(*kCopy[pane], format,
            [this] { QApplication::clipboard()->setText(latin1(calc_.clipboard)); });
}

void TForm1::pasteMatrix(int pane) {
  const kelvaro::ShellActionInfo& paste = *kPasteMatrix[pane];
  run(actionCaption(paste.action), [&paste, text = bytes(QApplication::clipboard()->text())](
                                       CalcState& state, UserInterface& ui) {
    state.clipboard = text;
    paste.run(state, ui, {});
  });
}

void TForm1::pasteFile(int pane, const QString& path) {
  const kelvaro::ShellActionInfo& paste = *kPasteMatrix[pane];
  run(actionCaption(paste.action), [&paste, path](CalcState& state, UserInterface& ui) {
    std::string reason;
    if (!kelvaro::readWholeFile(fileName(path), state.clipboard, reason, kLargestTextFile))
      throw std::runtime_error(QStringLiteral("Cannot read \"%1\": %2")
                                   .arg(path, reason.c_str())
                                   .toLocal8Bit()
                                   .toStdString());
    paste.run(state, ui, {});
  });
}

void TForm1::useResult(int pane, const std::string& part) {
  static constexpr const kelvaro::ShellActionInfo* kResultTo[2] = {
      &shellActionNamed("result-to-a"), &shellActionNamed("result-to-b")};
  runAction(*kResultTo[pane], part);
}

void TForm1::Clear1Click() {
  client_.ToolBar2->clearArrow()->click();
}

void TForm1::Exit2Click() {
  // Esc stops a running command rather than end the program.
  if (busy())
    cancelCommand();
  else
    close();
}

void TForm1::Manual1Click() {
  // The compiled help when someone placed it beside the program, else the HTML manual that is
  // installed beside it (or in the shared documentation folder of the installation).
  const QDir dir(QCoreApplication::applicationDirPath());
  QString path = dir.filePath("matrix.chm");
  for (const QString& candidate :
       {dir.filePath("matrix.html"), dir.filePath("../share/doc/kelvaro/matrix.html")}) {
    if (QFileInfo::exists(path)) break;
    path = QDir::cleanPath(candidate);
  }
  dialogs_.openUrl(QUrl::fromLocalFile(path));
}

void TForm1::Connectto1Click() {
  dialogs_.openUrl(QUrl(QString::fromLatin1(kHomepage)));
}

void TForm1::ImgBtnMinClick() {
  showMinimized();
}

void TForm1::ImgBtnMaxClick() {
  frame_->toggleMaximized();
}

void TForm1::ImgBtnCloseClick() {
  close();
}

void TForm1::ImgBtnUpClick() {
  const ResultPanel& result = *client_.Panel4;
  // isHidden, not isVisible: the toggle must also hold while the window itself is hidden.
  for (QWidget* w : std::initializer_list<QWidget*>{result.hideParametersButton(),
                                                    result.showParametersButton(), Panel8})
    w->setHidden(!w->isHidden());
}

void TForm1::ImgBtnRightShowClick() {
  const ResultPanel& result = *client_.Panel4;
  for (QWidget* w : std::initializer_list<QWidget*>{result.showOperationsButton(),
                                                    result.hideOperationsButton(), client_.Panel3})
    w->setHidden(!w->isHidden());
}

void TForm1::ImgBtnLeftShowClick() {
  ImgBtnRightShowClick();
  if (client_.Panel3->isHidden() || client_.Panel6->width() <= client_.Panel3->width()) return;
  // The operand column gives back the room the operation panel takes again.
  client_.Panel2->layout()->activate();
  client_.Panel6->setSplitSize(
      std::max(0, client_.Panel6->width() - kOperationPanelRoom + client_.Panel4->width()));
}

bool TForm1::Splitter1CanResize(int n) const {
  const int room = width() - (client_.Panel3->isHidden() ? 0 : client_.Panel3->width());
  return n > kOperandColumnAbove && room - (n + client_.Splitter1->width()) >= kResultAreaMinimum;
}

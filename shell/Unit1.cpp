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
#include <QGuiApplication>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <algorithm>

#include "commands/locale_separator.h"
#include "commands/shell_actions.h"
#include "commands/shell_commands.h"
#include "shell/MyImgBtn.h"
#include "shell/command_toolbar.h"
#include "shell/file_drops.h"
#include "shell/form_splitter.h"
#include "shell/form_text.h"
#include "shell/operation_panel.h"
#include "shell/pane_size.h"
#include "shell/pane_view.h"
#include "shell/panes.h"
#include "shell/parameter_panel.h"
#include "shell/picture_window.h"
#include "shell/progress_strip.h"
#include "shell/skin.h"
#include "shell/skinned_frame.h"
#include "shell/state_keeper.h"

using kelvaro::shellActionNamed;
using namespace kelvaro::shell;

const char* const TForm1::kHomepage = "https://kelvaro.example.org/";

namespace {

constexpr char kCaption[] = "Kelvaro 5.4 (For real && complex matrix)";

// How often a running command's progress is shown.
constexpr int kProgressEveryMs = 40;
// How long the typing in a pane the picture follows pauses before the picture is made anew.
constexpr int kPictureFollowMs = 400;
constexpr int kPictureFollowLargest = 4 << 20;  // characters

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
  connect(menus_.File1, &QMenu::aboutToShow, this, &TForm1::fillRecentMenu);
  frame_->addMenu("OperationsMenuButton", "Operations", menus_.OperationsMenu);
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
  // The operand headers tell the size of what is typed, the Result header the last result's.
  PaneHeader* headers[2] = {client_.Panel6->headerA(), client_.Panel6->headerB()};
  for (int i = 0; i < 2; ++i)
    new PaneSizeWatch(panes_[i]->document(), [header = headers[i]](const PaneSizeWatch& watch) {
      header->showSize(watch.caption());
    });
  QTextDocument* result = panes_[2]->document();
  connect(result, &QTextDocument::contentsChanged, this, &TForm1::showResultSize);
  connect(result, &QTextDocument::undoCommandAdded, this, [this, result] {
    const int steps = result->availableUndoSteps();
    std::erase_if(resultSizes_, [steps](const ResultSize& r) { return r.undoSteps >= steps; });
  });
  for (int i = 0; i < 3; ++i)
    connect(panes_[i]->document(), &QTextDocument::contentsChanged, this,
            [this, i] { paneChanged(i); });
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
  accuracy_ = new AccuracyCheckRunner(this);
  connect(frame_, &SkinnedFrame::statusClicked, this, &TForm1::showDifferingEntries);
  statusClear_ = new QTimer(this);
  statusClear_->setSingleShot(true);
  statusClear_->setInterval(kCancelledShownMs);
  connect(statusClear_, &QTimer::timeout, this, [this] { frame_->showStatus({}); });
  // The picture of a pane follows its edits once the typing pauses.
  pictureFollow_ = new QTimer(this);
  pictureFollow_->setSingleShot(true);
  pictureFollow_->setInterval(kPictureFollowMs);
  connect(pictureFollow_, &QTimer::timeout, this, [this] {
    if (busy() || !picture_) return;
    for (int i = 0; i < 2; ++i)
      if (picture_->followsPane(i)) views_[i]->pull();
    picture_->stateChanged(calc_);
  });
  for (int i = 0; i < 2; ++i)
    connect(panes_[i]->document(), &QTextDocument::contentsChanged, this, [this, i] {
      // A huge pane is not read anew at every pause of the typing, only after commands.
      if (picture_ && picture_->followsPane(i) &&
          panes_[i]->document()->characterCount() < kPictureFollowLargest)
        pictureFollow_->start();
    });
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
  accuracy_->stop();
}

void TForm1::closeEvent(QCloseEvent* event) {
  worker_->stop();
  if (keeper_) keeper_->writeNow();
  QWidget::closeEvent(event);
}

void TForm1::moveEvent(QMoveEvent* event) {
  if (keeper_) keeper_->changed();
  QWidget::moveEvent(event);
}

void TForm1::resizeEvent(QResizeEvent* event) {
  if (keeper_) keeper_->changed();
  QWidget::resizeEvent(event);
}

void TForm1::keepState(const QString& folder) {
  keeper_ = new StateKeeper(folder, this);
  QString note;
  if (const std::optional<KeptState> kept = keeper_->load(note)) restoreState(*kept);
  if (!note.isEmpty()) frame_->showStatus(note);
  keeper_->watch(panes_, [this](KeptState& kept) { gatherState(kept); });
  connect(keeper_, &StateKeeper::failed, this, [this](const QString& why) {
    frame_->showStatus(QStringLiteral("The window's state is not kept: ") + why);
  });
  auto changed = [this] { keeper_->changed(); };
  for (QLineEdit* field : {Panel8->coefEdit(), Panel8->rowEdit(), Panel8->columnEdit()})
    connect(field, &QLineEdit::textChanged, keeper_, changed);
  connect(Panel8->precisionBox(), &QComboBox::editTextChanged, keeper_, changed);
  connect(Panel8->formatItem(1), &QRadioButton::toggled, keeper_, changed);
}

void TForm1::restoreState(const KeptState& kept) {
  kelvaro::Pane* calcPanes[3] = {&calc_.paneA, &calc_.paneB, &calc_.result};
  for (int i = 0; i < 3; ++i) {
    calcPanes[i]->setLines(PaneView::linesOf(latin1(kept.panes[i])));
    views_[i]->showAnew();
  }
  calc_.coefText = kept.coef;
  calc_.rowText = kept.row;
  calc_.columnText = kept.column;
  calc_.precisionText = kept.precision;
  // A precision that does not read stays as it was typed, as it did then.
  failureOf([this] { kelvaro::ComboBox1Change(calc_); });
  calc_.display = kept.polar ? kelvaro::DisplayFormat::Polar : kelvaro::DisplayFormat::Rectangular;
  pushFields();
  recent_ = kept.recent;
  // Back where it was, unless that place is off every screen now.
  const QRect geometry(kept.x, kept.y, kept.width, kept.height);
  const QPoint title(geometry.center().x(), geometry.top() + SkinnedFrame::kTitleHeight / 2);
  if (kept.width > 0 && QGuiApplication::screenAt(title)) {
    setGeometry(geometry);
    if (kept.maximized) frame_->toggleMaximized();
  }
}

void TForm1::gatherState(KeptState& kept) const {
  kept.coef = bytes(Panel8->coefEdit()->text());
  kept.row = bytes(Panel8->rowEdit()->text());
  kept.column = bytes(Panel8->columnEdit()->text());
  kept.precision = bytes(Panel8->precisionBox()->currentText());
  kept.polar = Panel8->formatItem(1)->isChecked();
  const QRect geometry = frame_->normalGeometry();
  kept.x = geometry.x();
  kept.y = geometry.y();
  kept.width = geometry.width();
  kept.height = geometry.height();
  kept.maximized = frame_->isMaximized() || windowState() & Qt::WindowMaximized;
  kept.recent = recent_;
}

void TForm1::keepResultSize() {
  QString size;
  for (const kelvaro::MatrixPart& part : calc_.lastResult) {
    if (!size.isEmpty()) size += QStringLiteral("  ");
    if (!part.name.empty()) size += latin1(part.name) + ' ';
    size += sizeCaption(part.values.rows(), part.values.cols());
  }
  // A long session keeps the sizes of its latest results.
  constexpr std::size_t kKept = 1000;
  if (resultSizes_.size() >= kKept) resultSizes_.erase(resultSizes_.begin());
  resultSizes_.push_back({panes_[2]->document()->availableUndoSteps(), size});
  showResultSize();
}

void TForm1::showResultSize() {
  const QTextDocument* result = panes_[2]->document();
  const int steps = result->availableUndoSteps();
  QString size;
  if (!result->isEmpty())
    for (const ResultSize& r : resultSizes_)
      if (r.undoSteps <= steps) size = r.size;
  client_.Panel4->header()->showSize(size);
}

void TForm1::markCommandChanges(const bool changed[3]) {
  for (int i = 0; i < 3; ++i)
    undoMark_[i] = changed[i] ? panes_[i]->document()->availableUndoSteps() : -1;
}

void TForm1::paneChanged(int pane) {
  if (undoMark_[pane] < 0 || panes_[pane]->document()->availableUndoSteps() >= undoMark_[pane])
    return;
  // The command is undone: its note, and the check of its result still to come, go too.
  std::fill(std::begin(undoMark_), std::end(undoMark_), -1);
  accuracy_->stop();
  differing_.clear();
  statusClear_->stop();
  frame_->showStatus({}, false);
}

void TForm1::rememberProject(const QString& path) {
  kelvaro::shell::rememberProject(recent_, fileName(QFileInfo(path).absoluteFilePath()));
  if (keeper_) keeper_->changed();
}

void TForm1::fillRecentMenu() {
  QMenu* menu = menus_.RecentProjects;
  menu->clear();
  for (std::size_t i = 0; i < recent_.size(); ++i) {
    const QString path = QFile::decodeName(QByteArray::fromStdString(recent_[i]));
    const QFileInfo file(path);
    QString caption = QStringLiteral("%1  %2  (%3)").arg(i + 1).arg(file.fileName(), file.path());
    QAction* item = menu->addAction(caption.replace('&', "&&"));
    item->setObjectName(QStringLiteral("RecentProject%1").arg(i + 1));
    item->setToolTip(path);
    connect(item, &QAction::triggered, this, [this, path] { openRecent(path); });
  }
  if (recent_.empty()) menu->addAction(QStringLiteral("No projects yet"))->setEnabled(false);
  menu->menuAction()->setEnabled(!busy());
}

void TForm1::openRecent(const QString& path) {
  if (QFileInfo::exists(path)) return openProject(path);
  std::erase(recent_, fileName(path));
  if (keeper_) keeper_->changed();
  frame_->showStatus(
      QStringLiteral("%1 is no longer there; it was taken off the recent projects.").arg(path));
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
  runAction(shellActionNamed("auto"), {}, [this] { announceResults(); });
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
  if (!path.isEmpty())
    runAction(shellActionNamed("save-project"), fileName(path),
              [this, path] { rememberProject(path); });
}

void TForm1::New1Click() {
  run(QStringLiteral("New"), [](kelvaro::CalcState& state, kelvaro::UserInterface&) {
    kelvaro::clearPaneA(state);
    kelvaro::clearPaneB(state);
    kelvaro::clearResultPane(state);
  });
}

void TForm1::Open1Click() {
  if (OpenDialog1) OpenDialog1->setDirectory(QCoreApplication::applicationDirPath());
  const QString path = dialogs_.chooseFile(OpenDialog1, "OpenDialog1", QFileDialog::AcceptOpen,
                                           {"Matrix Project File (*.mtx)"}, "mtx");
  if (!path.isEmpty()) openProject(path);
}

void TForm1::openProject(const QString& path) {
  if (QFileInfo::exists(path))
    runAction(shellActionNamed("open-project"), fileName(path),
              [this, path] { rememberProject(path); });
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

namespace {

// Hides what is shown and shows what is hidden. A button that had the focus hands it to the
// button shown in its place, so that Space pressed again turns the change back.
void toggleShown(std::initializer_list<QWidget*> widgets) {
  const bool focused = std::ranges::any_of(widgets, &QWidget::hasFocus);
  // isHidden, not isVisible: the toggle must also hold while the window itself is hidden.
  for (QWidget* w : widgets) w->setHidden(!w->isHidden());
  for (QWidget* w : widgets)
    if (focused && !w->isHidden() && w->focusPolicy() & Qt::TabFocus) {
      w->setFocus(Qt::TabFocusReason);
      break;
    }
}

}  // namespace

void TForm1::ImgBtnUpClick() {
  const ResultPanel& result = *client_.Panel4;
  toggleShown({result.hideParametersButton(), result.showParametersButton(), Panel8});
}

void TForm1::ImgBtnRightShowClick() {
  const ResultPanel& result = *client_.Panel4;
  toggleShown({result.showOperationsButton(), result.hideOperationsButton(), client_.Panel3});
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

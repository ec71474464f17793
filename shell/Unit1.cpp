#include "shell/Unit1.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>
#include <array>
#include <new>
#include <string_view>

#include "commands/locale_separator.h"
#include "commands/shell_actions.h"
#include "commands/shell_commands.h"
#include "numbers/calc_error.h"
#include "shell/MyImgBtn.h"
#include "shell/form_splitter.h"
#include "shell/pane_view.h"
#include "shell/skin.h"
#include "shell/skinned_frame.h"
#include "shell/window_menus.h"

using kelvaro::CalcState;
using kelvaro::UserInterface;
using namespace kelvaro::shell;

const char* const TForm1::kHomepage = "https://kelvaro.example.org/";

namespace {

constexpr char kCaption[] = "Kelvaro 5.4 (For real && complex matrix)";
constexpr char kAppTitle[] = "Kelvaro";
constexpr int kOperationPanelWidth = 238;
constexpr int kHeaderHeight = 26;

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

// The operation panel, row by row: each operation on A beside the same operation on B.
constexpr std::array<std::array<const char*, 4>, 11> kOperationGrid{{
    {"A", "B", "A+B", "A-B"},
    {"A'", "B'", "A*x", "B*x"},
    {"fill-a", "fill-b", "Dim(A)", "Dim(B)"},
    {"Trace(A)", "Trace(B)", "Norm(A)", "Norm(B)"},
    {"A.*B", "A./B", "A*B", "A'*B"},
    {"A&B", "A|B", "A#B", "A/B"},
    {"inv(A)", "inv(B)", "Det(A)", "Det(B)"},
    {"Rank(A)", "Rank(B)", "A^x", "B^x"},
    {"LU(A)", "LU(B)", "QR(A)", "QR(B)"},
    {"Chol(A)", "Chol(B)", "Svd(A)", "Svd(B)"},
    {"Eig(A)", "Eig(B)", "inv(A)*B", nullptr},
}};

QString operationCaption(std::string_view action) {
  if (action == "fill-a") return QStringLiteral("Fill A");
  if (action == "fill-b") return QStringLiteral("Fill B");
  // A lone "&" would mark a mnemonic.
  return QString::fromLatin1(action.data(), static_cast<qsizetype>(action.size()))
      .replace("&", "&&");
}

// The shell command of that action name (as kelvaro-cli names it).
const kelvaro::ShellActionInfo& shellAction(std::string_view name) {
  for (const auto& entry : kelvaro::shellActionTable())
    if (name == entry.action) return entry;
  qFatal("kelvaro: the calculator has no command named %.*s", static_cast<int>(name.size()),
         name.data());
}

}  // namespace

// What the calculator asks of a person, answered with the window's boxes and cursor.
class TForm1::WindowUi : public UserInterface {
 public:
  explicit WindowUi(TForm1& form) : form_(form) {}
  void showNote(const std::string& text) override {
    form_.showMessage(QMessageBox::Information, QStringLiteral("Note"), latin1(text));
  }
  void showWarning(const std::string& text) override {
    form_.showMessage(QMessageBox::Warning, QStringLiteral("Warning"), latin1(text));
  }
  void setBusy(bool busy) override {
    if (busy)
      QApplication::setOverrideCursor(Qt::WaitCursor);
    else
      QApplication::restoreOverrideCursor();
  }

 private:
  TForm1& form_;
};

TForm1::TForm1(QWidget* parent) : QWidget(parent), ui_(std::make_unique<WindowUi>(*this)) {
  setObjectName("Form1");
  setWindowFlag(Qt::FramelessWindowHint);
  setWindowTitle(QString(kCaption).replace("&&", "&"));
  setWindowIcon(QIcon(skinImage("kelvaro256")));
  setMinimumSize(580, 120);
  setGeometry(211, 66, 884, 634);
  setStyleSheet(windowStyleSheet());

  // The panes start as the calculator starts: examples by the locale's decimal separator.
  kelvaro::FormCreate(calc_, kelvaro::environmentDecimalSeparator());

  menus_ = buildMenus(*this);
  frame_ = new SkinnedFrame(*this);
  ToolButton1 = frame_->addMenu("ToolButton1", "File", menus_.File1);
  ToolButton2 = frame_->addMenu("ToolButton2", "Help", menus_.Help1);
  connect(frame_, &SkinnedFrame::minimizeClicked, this, &TForm1::ImgBtnMinClick);
  connect(frame_, &SkinnedFrame::maximizeClicked, this, &TForm1::ImgBtnMaxClick);
  connect(frame_, &SkinnedFrame::closeClicked, this, &TForm1::ImgBtnCloseClick);
  buildClientArea();
}

TForm1::~TForm1() = default;

// ---------------------------------------------------------------- building the window

void TForm1::buildClientArea() {
  QWidget* Panel1 = frame_->client();
  auto* client = new QVBoxLayout(Panel1);
  client->setContentsMargins(0, 0, 0, 0);
  client->setSpacing(0);
  auto* toolBar2 = new ColumnBackground(frame_->skin("ImageTool"), 1, 0, 57, Panel1);
  toolBar2->setObjectName("ToolBar2");
  toolBar2->setFixedHeight(57);
  client->addWidget(toolBar2);
  buildCommandToolBar(toolBar2);

  auto* columns = new QHBoxLayout;
  columns->setSpacing(0);
  client->addLayout(columns, 1);
  Panel6 = new QWidget(Panel1);
  Panel6->setObjectName("Panel6");
  Panel6->setFixedWidth(349);
  buildOperandColumn(Panel6);
  Splitter1 = new FormSplitter(Qt::Vertical, Panel6, Panel1);
  Splitter1->setObjectName("Splitter1");
  Splitter1->setFixedWidth(8);
  Splitter1->setCanResize([this](int n) { return Splitter1CanResize(n); });
  Panel2 = new QWidget(Panel1);
  Panel2->setObjectName("Panel2");
  buildResultArea(Panel2);
  columns->addWidget(Panel6);
  columns->addWidget(Splitter1);
  columns->addWidget(Panel2, 1);
}

QToolButton* TForm1::makeToolButton(const char* name, const QString& caption, const QString& hint,
                                    const char* glyph, QWidget* parent) {
  auto* b = new QToolButton(parent);
  b->setObjectName(name);
  b->setText(caption);
  b->setToolTip(hint);
  b->setAutoRaise(true);
  b->setIcon(QIcon(skinImage(glyph)));
  if (caption.isEmpty()) {
    b->setFixedSize(17, 55);
    b->setIconSize(QSize(12, 12));
    b->setToolButtonStyle(Qt::ToolButtonIconOnly);
  } else {
    b->setFixedSize(47, 55);
    b->setIconSize(QSize(24, 24));
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  }
  return b;
}

void TForm1::buildCommandToolBar(QWidget* bar) {
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(4, 1, 4, 1);
  row->setSpacing(0);
  QFont font("Liberation Sans");
  font.setPixelSize(11);
  bar->setFont(font);
  auto* save = makeToolButton("SpeedButton3", "Save", "Save Result", "toolSave", bar);
  SpeedButton55 = makeToolButton("SpeedButton55", "", "", "toolArrow", bar);
  auto* align = makeToolButton("SpeedButton54", "Align", "Alignment", "toolAlign", bar);
  SpeedButton53 = makeToolButton("SpeedButton53", "", "", "toolArrow", bar);
  auto* clear = makeToolButton("SpeedButton4", "Clear", "Clear", "toolClear", bar);
  SpeedButton48 = makeToolButton("SpeedButton48", "", "", "toolArrow", bar);
  auto* autoButton = makeToolButton("SpeedButton5", "Auto", "Auto Generate", "toolAuto", bar);
  auto* manual = makeToolButton("SpeedButton6", "Manual", "Manual", "toolManual", bar);
  for (QToolButton* b :
       {save, SpeedButton55, align, SpeedButton53, clear, SpeedButton48, autoButton, manual})
    row->addWidget(b);
  row->addStretch(1);
  connect(save, &QToolButton::clicked, this, &TForm1::Save1Click);
  connect(SpeedButton55, &QToolButton::clicked, this,
          [this] { dropDown(SpeedButton55, menus_.PopupMenu6); });
  connect(align, &QToolButton::clicked, SpeedButton53, &QToolButton::click);
  connect(SpeedButton53, &QToolButton::clicked, this,
          [this] { dropDown(SpeedButton53, menus_.PopupMenu5); });
  connect(clear, &QToolButton::clicked, this, &TForm1::Clear1Click);
  connect(SpeedButton48, &QToolButton::clicked, this,
          [this] { dropDown(SpeedButton48, menus_.PopupMenu4); });
  connect(autoButton, &QToolButton::clicked, this, &TForm1::Auto1Click);
  connect(manual, &QToolButton::clicked, this, &TForm1::Manual1Click);
}

QPlainTextEdit* TForm1::makePane(const char* name, QMenu* contextMenu, QWidget* parent) {
  auto* edit = new QPlainTextEdit(parent);
  edit->setObjectName(name);
  QFont font("Liberation Sans");
  font.setPixelSize(13);
  // Pane text is single-byte Latin text: nothing to shape, and shaping the long lines of a
  // large matrix is most of what showing it costs.
  font.setStyleStrategy(QFont::PreferNoShaping);
  font.setKerning(false);
  edit->setFont(font);
  edit->setLineWrapMode(QPlainTextEdit::NoWrap);
  edit->setFrameShape(QFrame::NoFrame);
  edit->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(edit, &QWidget::customContextMenuRequested, this,
          [edit, contextMenu](const QPoint& at) { contextMenu->popup(edit->mapToGlobal(at)); });
  return edit;
}

QWidget* TForm1::makeHeader(const char* name, const char* backdrop, const char* caption,
                            QWidget* parent) {
  auto* header = new QWidget(parent);
  header->setObjectName(name);
  header->setFixedHeight(kHeaderHeight);
  new Backdrop(backdrop, skinImage(backdrop), header);
  auto* label = new QLabel(caption, header);
  QFont font("Liberation Sans");
  font.setPixelSize(12);
  font.setBold(true);
  label->setFont(font);
  label->setGeometry(4, 5, 160, 16);
  return header;
}

void TForm1::buildOperandColumn(QWidget* column) {
  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  Panel7 = new QWidget(column);
  Panel7->setObjectName("Panel7");
  Panel7->setFixedHeight(224);
  auto* a = new QVBoxLayout(Panel7);
  a->setContentsMargins(0, 0, 0, 0);
  a->setSpacing(0);
  a->addWidget(makeHeader("Panel10", "Image14", "Matrix A:", Panel7));
  RichEdit1 = makePane("RichEdit1", menus_.PopupMenu1, Panel7);
  a->addWidget(RichEdit1, 1);
  Splitter2 = new FormSplitter(Qt::Horizontal, Panel7, column);
  Splitter2->setObjectName("Splitter2");
  Splitter2->setFixedHeight(7);
  // Both operand panes keep at least their header and a couple of lines.
  Splitter2->setCanResize(
      [this](int n) { return n >= 60 && Panel6->height() - n - Splitter2->height() >= 60; });
  Panel9 = new QWidget(column);
  Panel9->setObjectName("Panel9");
  auto* b = new QVBoxLayout(Panel9);
  b->setContentsMargins(0, 0, 0, 0);
  b->setSpacing(0);
  b->addWidget(makeHeader("Panel11", "Image17", "Matrix B:", Panel9));
  RichEdit2 = makePane("RichEdit2", menus_.PopupMenu2, Panel9);
  b->addWidget(RichEdit2, 1);
  layout->addWidget(Panel7);
  layout->addWidget(Splitter2);
  layout->addWidget(Panel9, 1);
}

void TForm1::buildResultArea(QWidget* area) {
  auto* row = new QHBoxLayout(area);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  Panel4 = new QWidget(area);
  Panel4->setObjectName("Panel4");
  // Like a plain panel, the Result panel may shrink to nothing when the operand column grows.
  Panel4->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  auto* column = new QVBoxLayout(Panel4);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  Panel5 = makeHeader("Panel5", "Image16", "Result:", Panel4);
  Panel5->installEventFilter(this);
  column->addWidget(Panel5);
  RichEdit3 = makePane("RichEdit3", menus_.PopupMenu3, Panel4);
  column->addWidget(RichEdit3, 1);
  Panel8 = new QWidget(Panel4);
  Panel8->setObjectName("Panel8");
  Panel8->setFixedHeight(132);
  new Backdrop("Image5", skinImage("Image5"), Panel8);
  buildParameterPanel(Panel8);
  column->addWidget(Panel8);

  auto collapse = [this](const char* name, const char* strip) {
    auto* b = new TImgBtn(Panel5);
    b->setObjectName(name);
    loadButtonStrip(*b, frame_->skin(strip), 0, 0, 23, 26, Strip::Horizontal);
    return b;
  };
  ImgBtnUp = collapse("ImgBtnUp", "ImageUpShow");
  ImgBtnDown = collapse("ImgBtnDown", "ImageDownShow");
  ImgBtnRightShow = collapse("ImgBtnRightShow", "ImageRightShow");
  ImgBtnLeftShow = collapse("ImgBtnLeftShow", "ImageLeftShow");
  ImgBtnUp->setToolTip("Hide the parameters");
  ImgBtnDown->setToolTip("Show the parameters");
  ImgBtnRightShow->setToolTip("Hide the operation panel");
  ImgBtnLeftShow->setToolTip("Show the operation panel");
  ImgBtnDown->hide();
  ImgBtnLeftShow->hide();
  connect(ImgBtnUp, &TImgBtn::clicked, this, &TForm1::ImgBtnUpClick);
  connect(ImgBtnDown, &TImgBtn::clicked, this, &TForm1::ImgBtnUpClick);
  connect(ImgBtnRightShow, &TImgBtn::clicked, this, &TForm1::ImgBtnRightShowClick);
  connect(ImgBtnLeftShow, &TImgBtn::clicked, this, &TForm1::ImgBtnLeftShowClick);

  Panel3 = new QWidget(area);
  Panel3->setObjectName("Panel3");
  Panel3->setFixedWidth(kOperationPanelWidth);
  new Backdrop("Image13", skinImage("Image13"), Panel3);
  buildOperationPanel(Panel3);
  row->addWidget(Panel4, 1);
  row->addWidget(Panel3);

  views_[0] = new PaneView(RichEdit1, &calc_.paneA);
  views_[1] = new PaneView(RichEdit2, &calc_.paneB);
  views_[2] = new PaneView(RichEdit3, &calc_.result);
}

void TForm1::buildParameterPanel(QWidget* panel) {
  auto* row = new QHBoxLayout(panel);
  row->setContentsMargins(8, 4, 8, 6);
  row->setSpacing(8);

  RadioGroup1 = new QGroupBox("Complex Format", panel);
  RadioGroup1->setObjectName("RadioGroup1");
  RadioGroup1->setToolTip("Rectangular: a+bi   Polar: Radius(degrees)       ");
  auto* radios = new QVBoxLayout(RadioGroup1);
  auto* group = new QButtonGroup(RadioGroup1);
  const char* items[2] = {"Rectangular", "polar"};
  for (int i = 0; i < 2; ++i) {
    radioItems_[i] = new QRadioButton(items[i], RadioGroup1);
    radioItems_[i]->setObjectName(QStringLiteral("RadioGroup1Item%1").arg(i));
    group->addButton(radioItems_[i], i);
    radios->addWidget(radioItems_[i]);
  }
  radioItems_[0]->setChecked(true);
  radios->addStretch(1);
  // A click runs the switch even on the item already chosen.
  connect(group, &QButtonGroup::idClicked, this, [this] { RadioGroup1Click(); });
  row->addWidget(RadioGroup1);

  auto* params = new QGroupBox("Parameters", panel);
  params->setObjectName("GroupBox1");
  auto* grid = new QGridLayout(params);
  grid->setHorizontalSpacing(10);
  grid->setVerticalSpacing(2);
  auto labeled = [&](const char* name, const char* caption, const QString& text, int row,
                     int column) {
    auto* edit = new QLineEdit(text, params);
    edit->setObjectName(name);
    auto* label = new QLabel(caption, params);
    label->setObjectName(QString(name) + "Label");
    label->setBuddy(edit);
    grid->addWidget(label, row, column);
    grid->addWidget(edit, row + 1, column);
    return edit;
  };
  LabeledEdit1 = labeled("LabeledEdit1", "Coef.(x)", latin1(calc_.coefText), 0, 0);
  LabeledEdit2 = labeled("LabeledEdit2", "Row", latin1(calc_.rowText), 2, 0);
  LabeledEdit3 = labeled("LabeledEdit3", "Column", latin1(calc_.columnText), 2, 1);
  ComboBox1 = new QComboBox(params);
  ComboBox1->setObjectName("ComboBox1");
  ComboBox1->setEditable(true);
  ComboBox1->addItems({"1", "2", "3", "4", "5", "6", "7", "8", "e"});
  ComboBox1->setEditText(latin1(calc_.precisionText));
  ComboBox1->setToolTip("Precision of result");
  auto* precision = new QLabel("Precision", params);
  precision->setBuddy(ComboBox1);
  grid->addWidget(precision, 0, 1);
  grid->addWidget(ComboBox1, 1, 1);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 1);
  connect(ComboBox1, &QComboBox::currentTextChanged, this, &TForm1::ComboBox1Change);
  row->addWidget(params, 1);
}

void TForm1::buildOperationPanel(QWidget* panel) {
  auto* grid = new QGridLayout(panel);
  grid->setContentsMargins(6, 8, 6, 8);
  grid->setHorizontalSpacing(3);
  grid->setVerticalSpacing(3);
  QFont font("Liberation Sans");
  font.setPixelSize(12);
  panel->setFont(font);
  auto button = [&](const char* name, const QString& caption, const char* hint) {
    auto* b = new QToolButton(panel);
    b->setObjectName(name);
    b->setText(caption);
    b->setToolTip(QString::fromLatin1(hint));
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    b->setFixedHeight(27);
    return b;
  };
  int row = 0;
  for (const auto& line : kOperationGrid) {
    for (int col = 0; col < 4; ++col) {
      if (!line[col]) continue;
      const kelvaro::CommandInfo* command = kelvaro::findCommandByAction(line[col]);
      QToolButton* b = button(command->button, operationCaption(command->action), command->hint);
      connect(b, &QToolButton::clicked, this, [this, command] { runOperation(*command); });
      grid->addWidget(b, row, col);
    }
    ++row;
  }
  QToolButton* autoButton = button("SpeedButton10", "AuTo", "Auto calculate");
  connect(autoButton, &QToolButton::clicked, this, &TForm1::Auto1Click);
  SpeedButton1 = button("SpeedButton1", QString::fromUtf8("Swap \u25be"), "Swap A,B and Result");
  connect(SpeedButton1, &QToolButton::clicked, this,
          [this] { dropDown(SpeedButton1, menus_.PopupMenu7); });
  grid->addWidget(autoButton, row, 0, 1, 2);
  grid->addWidget(SpeedButton1, row, 2, 1, 2);
  grid->setRowStretch(row + 1, 1);
}

// ---------------------------------------------------------------- running commands

void TForm1::pullFields() {
  calc_.coefText = bytes(LabeledEdit1->text());
  calc_.rowText = bytes(LabeledEdit2->text());
  calc_.columnText = bytes(LabeledEdit3->text());
  calc_.precisionText = bytes(ComboBox1->currentText());
}

void TForm1::pushFields() {
  auto update = [](QLineEdit* edit, const std::string& text) {
    if (bytes(edit->text()) != text) edit->setText(latin1(text));
  };
  update(LabeledEdit1, calc_.coefText);
  update(LabeledEdit2, calc_.rowText);
  update(LabeledEdit3, calc_.columnText);
  if (bytes(ComboBox1->currentText()) != calc_.precisionText) {
    const QSignalBlocker quiet(ComboBox1);
    ComboBox1->setEditText(latin1(calc_.precisionText));
  }
  const int item = static_cast<int>(calc_.display);
  if (!radioItems_[item]->isChecked()) radioItems_[item]->setChecked(true);
}

void TForm1::run(const std::function<void(CalcState&, UserInterface&)>& command) {
  for (PaneView* view : views_) view->pull();
  pullFields();
  bool failed = true;
  QString failure;
  ui_->setBusy(true);
  try {
    command(calc_, *ui_);
    failed = false;
  } catch (const kelvaro::CalcError& e) {
    failure = latin1(e.what());
  } catch (const std::bad_alloc&) {
    failure = QStringLiteral("Out of memory: the matrices are too large for this command.");
  } catch (const std::exception& e) {
    failure = QString::fromLocal8Bit(e.what());
  }
  ui_->setBusy(false);
  // What the command did up to an error stays visible behind the message box.
  for (PaneView* view : views_) view->push();
  pushFields();
  if (failed) showMessage(QMessageBox::Critical, kAppTitle, failure);
}

void TForm1::runOperation(const kelvaro::CommandInfo& command) {
  run([&command](CalcState& state, UserInterface&) { command.run(state); });
}

void TForm1::runAction(std::string_view name, std::string argument) {
  const kelvaro::ShellActionInfo& entry = shellAction(name);
  run([&entry, &argument](CalcState& state, UserInterface& ui) { entry.run(state, ui, argument); });
}

void TForm1::Refresh1Click() {
  runAction("align-a");
}
void TForm1::Refresh2Click() {
  runAction("align-b");
}
void TForm1::Align1Click() {
  runAction("align-result");
}
void TForm1::SWapAandB1Click() {
  runAction("swap-ab");
}
void TForm1::SwapAandResult1Click() {
  runAction("swap-a-result");
}
void TForm1::SwapBandResult1Click() {
  runAction("swap-b-result");
}
void TForm1::commatodot1Click() {
  runAction("comma-to-dot");
}
void TForm1::dottocomma1Click() {
  runAction("dot-to-comma");
}
void TForm1::PolarToRect1Click() {
  runAction("polar-to-rect-a");
}
void TForm1::RecttoPolar1Click() {
  runAction("rect-to-polar-a");
}
void TForm1::PolarToRect2Click() {
  runAction("polar-to-rect-b");
}
void TForm1::RecttoPolar2Click() {
  runAction("rect-to-polar-b");
}
void TForm1::Auto1Click() {
  runAction("auto");
}

void TForm1::clearPane(int pane) {
  static constexpr const char* kClear[3] = {"clear-a", "clear-b", "clear-result"};
  runAction(kClear[pane]);
}

void TForm1::RadioGroup1Click() {
  runAction(radioItems_[1]->isChecked() ? "format=polar" : "format=rect");
}

void TForm1::ComboBox1Change() {
  run([](CalcState& state, UserInterface&) { kelvaro::ComboBox1Change(state); });
}

QString TForm1::chooseFile(QFileDialog*& dialog, const char* name, QFileDialog::AcceptMode mode,
                           const QStringList& filters, const QString& suffix) {
  if (!dialog) {
    dialog = new QFileDialog(this);
    dialog->setObjectName(name);
    dialog->setAcceptMode(mode);
    dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                        : QFileDialog::AnyFile);
    dialog->setNameFilters(filters);
    dialog->setDefaultSuffix(suffix);
    if (mode == QFileDialog::AcceptOpen)
      dialog->setDirectory(QCoreApplication::applicationDirPath());
    // Saving replaces an existing file without asking, as the calculator always has.
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
  }
  const FileDialogHook& hook = mode == QFileDialog::AcceptOpen ? openFileHook_ : saveFileHook_;
  QString path;
  if (hook) {
    path = hook(dialog->nameFilters().join(";;"), dialog->defaultSuffix());
  } else if (dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty()) {
    path = dialog->selectedFiles().first();
  }
  if (!path.isEmpty() && mode == QFileDialog::AcceptSave && QFileInfo(path).suffix().isEmpty())
    path += "." + suffix;
  return path;
}

void TForm1::Save1Click() {
  const QString path = chooseFile(SaveDialog1, "SaveDialog1", QFileDialog::AcceptSave,
                                  {"Text File(*.txt)", "Rtf File(*.rtf)", "All File(*.*)"}, "txt");
  if (!path.isEmpty()) runAction("save-result", fileName(path));
}

void TForm1::Save3Click() {
  const QString path = chooseFile(SaveDialog2, "SaveDialog2", QFileDialog::AcceptSave,
                                  {"Matrix Project File (*.mtx)"}, "mtx");
  if (!path.isEmpty()) runAction("save-project", fileName(path));
}

void TForm1::Open1Click() {
  if (OpenDialog1) OpenDialog1->setDirectory(QCoreApplication::applicationDirPath());
  const QString path = chooseFile(OpenDialog1, "OpenDialog1", QFileDialog::AcceptOpen,
                                  {"Matrix Project File (*.mtx)"}, "mtx");
  if (path.isEmpty() || !QFileInfo::exists(path)) return;
  runAction("open-project", fileName(path));
}

void TForm1::copyPane(int pane) {
  QPlainTextEdit* edits[3] = {RichEdit1, RichEdit2, RichEdit3};
  edits[pane]->copy();
}

void TForm1::pastePane(int pane) {
  QPlainTextEdit* edits[3] = {RichEdit1, RichEdit2, RichEdit3};
  edits[pane]->paste();
  if (pane == 0) Refresh1Click();
  if (pane == 1) Refresh2Click();
}

void TForm1::Clear1Click() {
  SpeedButton48->click();
}

void TForm1::Exit2Click() {
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
  openUrl(QUrl::fromLocalFile(path));
}

void TForm1::Connectto1Click() {
  openUrl(QUrl(QString::fromLatin1(kHomepage)));
}

void TForm1::openUrl(const QUrl& url) {
  if (urlHook_)
    urlHook_(url);
  else
    QDesktopServices::openUrl(url);  // what the desktop makes of it is its own business
}

void TForm1::showMessage(QMessageBox::Icon icon, const QString& title, const QString& text) {
  if (messageHook_) {
    messageHook_(icon, title, text);
    return;
  }
  // A box asked for in the middle of a command gets the ordinary pointer back.
  QApplication::setOverrideCursor(Qt::ArrowCursor);
  QMessageBox box(icon, title, text, QMessageBox::Ok, this);
  box.exec();
  QApplication::restoreOverrideCursor();
}

// ---------------------------------------------------------------- the skinned frame

void TForm1::placeCollapseButtons() {
  const int w = Panel5->width();
  ImgBtnUp->move(w - 60, 0);
  ImgBtnDown->move(w - 60, 0);
  ImgBtnRightShow->move(w - 30, 0);
  ImgBtnLeftShow->move(w - 30, 0);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Panel5 && event->type() == QEvent::Resize) placeCollapseButtons();
  return QWidget::eventFilter(watched, event);
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
  // isHidden, not isVisible: the toggle must also hold while the window itself is hidden.
  for (QWidget* w : {static_cast<QWidget*>(ImgBtnUp), static_cast<QWidget*>(ImgBtnDown), Panel8})
    w->setHidden(!w->isHidden());
}

void TForm1::ImgBtnRightShowClick() {
  for (QWidget* w :
       {static_cast<QWidget*>(ImgBtnLeftShow), static_cast<QWidget*>(ImgBtnRightShow), Panel3})
    w->setHidden(!w->isHidden());
}

void TForm1::ImgBtnLeftShowClick() {
  ImgBtnRightShowClick();
  if (Panel3->isHidden() || Panel6->width() <= Panel3->width()) return;
  // The operand column gives back the room the operation panel takes again.
  Panel2->layout()->activate();
  Panel6->setFixedWidth(std::max(0, Panel6->width() - 254 + Panel4->width()));
}

bool TForm1::Splitter1CanResize(int n) const {
  const int room = width() - (Panel3->isHidden() ? 0 : Panel3->width());
  return n > 100 && room - (n + Splitter1->width()) >= 275;
}

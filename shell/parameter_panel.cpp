#include "shell/parameter_panel.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include "shell/skin.h"

namespace kelvaro::shell {

ParameterPanel::ParameterPanel(QWidget* parent) : QScrollArea(parent) {
  setObjectName("Panel8");
  setMinimumHeight(kLeastHeight);
  setMaximumHeight(kHeight);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setWidgetResizable(true);
  setFocusPolicy(Qt::NoFocus);  // Tab goes through the fields, not the panel
  auto* fields = new QWidget;
  fields->setMinimumHeight(kHeight);
  new Backdrop("Image5", skinImage("Image5"), fields);
  auto* row = new QHBoxLayout(fields);
  row->setContentsMargins(kMargins);
  row->setSpacing(kSpacing);

  RadioGroup1 = new QGroupBox("Complex Format", fields);
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
  connect(group, &QButtonGroup::idClicked, this, &ParameterPanel::formatClicked);
  row->addWidget(RadioGroup1);

  auto* params = new QGroupBox("Parameters", fields);
  params->setObjectName("GroupBox1");
  auto* grid = new QGridLayout(params);
  grid->setHorizontalSpacing(kFieldColumnSpacing);
  grid->setVerticalSpacing(kFieldRowSpacing);
  // A field under its caption.
  auto labeled = [&](const char* name, const char* caption, int row, int column) {
    auto* edit = new QLineEdit(params);
    edit->setObjectName(name);
    auto* label = new QLabel(caption, params);
    label->setObjectName(QString(name) + "Label");
    label->setBuddy(edit);
    grid->addWidget(label, row, column);
    grid->addWidget(edit, row + 1, column);
    return edit;
  };
  LabeledEdit1 = labeled("LabeledEdit1", "Coef.(x)", 0, 0);
  LabeledEdit2 = labeled("LabeledEdit2", "Row", 2, 0);
  LabeledEdit3 = labeled("LabeledEdit3", "Column", 2, 1);
  ComboBox1 = new QComboBox(params);
  ComboBox1->setObjectName("ComboBox1");
  ComboBox1->setEditable(true);
  ComboBox1->addItems({"1", "2", "3", "4", "5", "6", "7", "8", "e"});
  // The least width of the one-character items, as before "exact" joined them: the column
  // it stands in is wide enough for the word, and the panel keeps its least width.
  ComboBox1->setMinimumWidth(ComboBox1->minimumSizeHint().width());
  ComboBox1->addItem("exact");
  ComboBox1->setToolTip("Precision of result");
  auto* precision = new QLabel("Precision", params);
  precision->setBuddy(ComboBox1);
  // The box's text field is read by the same name.
  ComboBox1->lineEdit()->setAccessibleName(precision->text());
  grid->addWidget(precision, 0, 1);
  grid->addWidget(ComboBox1, 1, 1);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 1);
  connect(ComboBox1, &QComboBox::currentTextChanged, this, &ParameterPanel::precisionChanged);
  row->addWidget(params, 1);
  setWidget(fields);
  // Reached with Tab from outside (or clicked while half shown), a field shows whole.
  connect(qApp, &QApplication::focusChanged, this, [this] { showFocusedField(); });
}

void ParameterPanel::showFocusedField() {
  QWidget* focused = QApplication::focusWidget();
  if (!focused || !widget()->isAncestorOf(focused)) return;
  // The whole field, not only its text cursor, as ensureWidgetVisible would.
  const QRect field(focused->mapTo(widget(), QPoint(0, 0)), focused->size());
  ensureVisible(field.center().x(), field.center().y(), field.width() / 2 + 1,
                field.height() / 2 + 1);
}

void ParameterPanel::resizeEvent(QResizeEvent* event) {
  QScrollArea::resizeEvent(event);
  // The field being typed into stays in view as the window gets lower, once the scroll bar
  // knows the new height.
  QTimer::singleShot(0, this, &ParameterPanel::showFocusedField);
}

QSize ParameterPanel::sizeHint() const {
  return {widget()->sizeHint().width(), kHeight};
}

QSize ParameterPanel::minimumSizeHint() const {
  // Only the height gives way: every field stays as wide as it needs.
  return {widget()->minimumSizeHint().width(), kLeastHeight};
}

}  // namespace kelvaro::shell
